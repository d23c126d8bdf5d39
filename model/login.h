// login.h - who may log in, and how passwords are kept.
//
// A password is stored as the first 12 characters of the traditional DES crypt of it with the
// salt "wq": the two salt characters and 10 of the 11 hash characters.  DES reads only the first
// 8 characters of a password, so longer ones that agree in those are the same password.
//
// The user "root" is the administrator.  As long as the USERS table holds no record at all, or
// none with the ID "root", "root" logs in with any password; once root has a record, root gives
// the right password like everybody else.  Names compare exactly, so "ROOT" is just a name.
//
// All texts here are the stored Windows-1252 bytes; the dialog converts what the user typed.
#ifndef VELK_MODEL_LOGIN_H
#define VELK_MODEL_LOGIN_H

#include <string>

namespace velk {

constexpr std::size_t kMaxUserName = 8;     // the current user's buffer holds 8 characters
constexpr std::size_t kPasswordRead = 12;   // characters read from a password field
constexpr std::size_t kStoredPassword = 12; // characters of the crypt result that are kept
constexpr const char *kPasswordSalt = "wq";
constexpr const char *kRootName = "root";

// One USERS record as login sees it (trailing spaces removed).
struct tLoginUser {
    std::string id;
    std::string name;
    std::string password;
    std::string prio;
};

// The USERS table, as far as login uses it.  A store whose table is not open counts 0,
// finds nothing and stores nothing.
class tUserStore {
public:
    virtual ~tUserStore() = default;
    virtual long count() = 0;
    virtual bool read(const std::string &id, tLoginUser *user) = 0;
    virtual bool write(const tLoginUser &user) = 0; // update the record with that ID, else add
};

// The stored form of a password: 12 characters beginning with the salt; empty when the crypt
// library refuses (no stored form is ever empty, so an empty one matches nothing).
std::string storedPassword(const std::string &password);

struct tLoginInput {
    std::string name;
    std::string password;
    std::string confirmation; // only read when setting a password
    bool newPassword = false; // false: log in; true: root gives a password to a name
};

enum class tLoginOutcome {
    Close,           // the dialog closes with OK; resultName says who is logged in ("" = nobody)
    PasswordsDiffer, // "Passwort nicht eindeutig!": the dialog stays open, nothing stored
    NameMissing,     // new password for an empty name: the dialog stays open, nothing stored
    StoreFailed,     // the password could not be hashed or stored: the dialog stays open
};

struct tLoginDecision {
    tLoginOutcome outcome = tLoginOutcome::Close;
    std::string resultName;
};

// What OK in the login dialog decides.  The name is cut to 8 and the passwords to 12 characters.
tLoginDecision decideLogin(tUserStore &users, const tLoginInput &input);

} // namespace velk

#endif
