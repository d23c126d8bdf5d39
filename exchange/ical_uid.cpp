// The UIDs this system writes: the ID of a record and the database's identity.
#include "exchange/ical_uid.h"

#include <cstdio>
#include <cstdlib>

namespace velk {

namespace {

bool alnum(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

} // namespace

std::string encodeUidId(std::string_view id)
{
    std::string out;
    for (char c : id) {
        if (alnum(c)) {
            out += c;
        } else {
            char buf[4];
            snprintf(buf, sizeof buf, "%%%02X", (unsigned char)c);
            out += buf;
        }
    }
    return out;
}

std::string ownUid(std::string_view id, const std::string &identity)
{
    return encodeUidId(id) + "-" + identity + "@velk";
}

bool decodeUidId(std::string_view enc, std::string *id)
{
    id->clear();
    for (size_t i = 0; i < enc.size(); i++) {
        if (enc[i] == '%' && i + 2 < enc.size()) {
            *id += (char)std::strtol(std::string(enc.substr(i + 1, 2)).c_str(), nullptr, 16);
            i += 2;
        } else if (alnum(enc[i])) {
            *id += enc[i];
        } else {
            return false;
        }
    }
    return !id->empty() && id->size() <= 8;
}

bool ownIdOfUid(std::string_view uid, const std::string &identity, std::string *id)
{
    std::string tail = "-" + identity + "@velk";
    if (identity.empty() || !uid.ends_with(tail)) return false;
    return decodeUidId(uid.substr(0, uid.size() - tail.size()), id);
}

} // namespace velk
