#include "model/login.h"

#include <crypt.h>

namespace velk {

std::string storedPassword(const std::string &password)
{
    struct crypt_data data {};
    const char *hash = crypt_r(password.c_str(), kPasswordSalt, &data);
    // libcrypt reports failure by a null pointer or a text beginning with '*'.
    if (hash == nullptr || hash[0] == '*') return std::string();
    std::string stored(hash);
    if (stored.size() < kStoredPassword || stored.compare(0, 2, kPasswordSalt) != 0)
        return std::string();
    return stored.substr(0, kStoredPassword);
}

static bool rootRuleAdmits(tUserStore &users, const std::string &name, tLoginUser *record)
{
    if (name != kRootName) return false;
    if (users.count() == 0) return true;
    tLoginUser found;
    if (users.read(kRootName, &found)) {
        *record = found;
        return false;
    }
    return true;
}

static tLoginDecision setPassword(tUserStore &users, const tLoginInput &input,
                                  const std::string &name, tLoginUser record,
                                  const std::string &resultName)
{
    std::string password = input.password.substr(0, kPasswordRead);
    if (password != input.confirmation.substr(0, kPasswordRead))
        return {tLoginOutcome::PasswordsDiffer, std::string()};
    if (name.empty()) return {tLoginOutcome::NameMissing, std::string()};
    // An existing user keeps the full name and priority of the record.
    tLoginUser existing;
    if (record.id.empty() && users.read(name, &existing)) record = existing;
    record.password = storedPassword(password);
    record.id = name;
    if (record.password.empty() || !users.write(record))
        return {tLoginOutcome::StoreFailed, std::string()};
    return {tLoginOutcome::Close, resultName};
}

tLoginDecision decideLogin(tUserStore &users, const tLoginInput &input)
{
    const std::string name = input.name.substr(0, kMaxUserName);
    tLoginUser record;
    std::string resultName;
    if (rootRuleAdmits(users, name, &record)) resultName = kRootName;

    if (input.newPassword) return setPassword(users, input, name, record, resultName);

    tLoginUser found;
    if (users.read(name, &found))
        record = found;
    else
        record = tLoginUser();
    const std::string typed = storedPassword(input.password.substr(0, kPasswordRead));
    if (!typed.empty() && record.password.substr(0, kStoredPassword) == typed)
        resultName = record.id;
    return {tLoginOutcome::Close, resultName};
}

} // namespace velk
