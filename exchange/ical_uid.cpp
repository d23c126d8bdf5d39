// The UIDs this system writes: the ID of a record and the database's identity.
#include "exchange/ical_uid.h"

#include <cctype>

namespace velk {

namespace {

constexpr size_t kMaxId = 8; // the longest ID a record has
constexpr char kDigits[] = "0123456789ABCDEF";

bool alnum(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The value of a hexadecimal digit in either case, -1 for another sign.
int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Two hexadecimal digits as a byte; false for anything else and for a zero byte, which no ID
// holds.
bool hexByte(char high, char low, std::string *id)
{
    int h = hexDigit(high), l = hexDigit(low);
    if (h < 0 || l < 0 || (h == 0 && l == 0)) return false;
    *id += (char)(h * 16 + l);
    return true;
}

// "x-" and two digits per byte.
bool decodeHex(std::string_view hex, std::string *id)
{
    if (hex.empty() || hex.size() % 2 != 0) return false;
    for (size_t i = 0; i < hex.size(); i += 2)
        if (!hexByte(hex[i], hex[i + 1], id)) return false;
    return true;
}

// The form of earlier versions: letters and digits, "%XX" for any other byte.
bool decodePercent(std::string_view enc, std::string *id)
{
    for (size_t i = 0; i < enc.size(); i++) {
        if (enc[i] == '%') {
            if (i + 2 >= enc.size()) return false;
            if (!hexByte(enc[i + 1], enc[i + 2], id)) return false;
            i += 2;
        } else if (alnum(enc[i])) {
            *id += enc[i];
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

std::string encodeUidId(std::string_view id)
{
    std::string out = "x-";
    for (char c : id) {
        out += kDigits[(unsigned char)c >> 4];
        out += kDigits[(unsigned char)c & 0xF];
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
    bool hex = enc.size() >= 2 && (enc[0] == 'x' || enc[0] == 'X') && enc[1] == '-';
    if (!(hex ? decodeHex(enc.substr(2), id) : decodePercent(enc, id))) return false;
    return !id->empty() && id->size() <= kMaxId;
}

bool ownIdOfUid(std::string_view uid, const std::string &identity, std::string *id)
{
    // A program may have changed the case of the whole UID.
    std::string tail = "-" + identity + "@velk";
    if (identity.empty() || uid.size() < tail.size()) return false;
    std::string_view end = uid.substr(uid.size() - tail.size());
    for (size_t i = 0; i < tail.size(); i++)
        if (std::tolower((unsigned char)end[i]) != std::tolower((unsigned char)tail[i]))
            return false;
    return decodeUidId(uid.substr(0, uid.size() - tail.size()), id);
}

} // namespace velk
