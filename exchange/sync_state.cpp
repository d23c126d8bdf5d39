#include "exchange/sync_state.h"

#include "exchange/vdir.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace velk {

namespace {

std::vector<std::string> split(const std::string &text, char at)
{
    std::vector<std::string> out;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, at)) out.push_back(part);
    if (!text.empty() && text.back() == at) out.push_back("");
    return out;
}

std::string hex(uint64_t v)
{
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", (unsigned long long)v);
    return buf;
}

bool number(const std::string &text, int base, long long *out)
{
    if (text.empty()) return false;
    char *end = nullptr;
    errno = 0;
    unsigned long long u = std::strtoull(text.c_str(), &end, base);
    if (errno || *end) return false;
    *out = (long long)u;
    return true;
}

bool signedNumber(const std::string &text, long long *out)
{
    if (text.empty()) return false;
    char *end = nullptr;
    errno = 0;
    *out = std::strtoll(text.c_str(), &end, 10);
    return !errno && !*end;
}

// A field with "%", tab, line ends, "," and "/" as "%XX", so that any UID or ID fits a line.
std::string escaped(const std::string &text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r' || c == ',' || c == '/') {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        } else {
            out += (char)c;
        }
    }
    return out;
}

std::string unescaped(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        long long v;
        if (text[i] == '%' && i + 2 < text.size() + 0 && number(text.substr(i + 1, 2), 16, &v)) {
            out += (char)v;
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool makeDirs(const std::string &path)
{
    for (size_t at = 1; at <= path.size(); at++) {
        if (at < path.size() && path[at] != '/') continue;
        std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// One line of the file; false when it is not of the form.
bool parseLine(const std::string &line, std::string *uid, tSyncItem *item)
{
    std::vector<std::string> f = split(line, '\t');
    if (f.size() != 6 || f[0].empty()) return false;
    long long h, size, mtime;
    if (!number(f[2], 16, &h) || !signedNumber(f[3], &size) || !signedNumber(f[4], &mtime))
        return false;
    *uid = unescaped(f[0]);
    item->file = unescaped(f[1]);
    item->fileHash = (uint64_t)h;
    item->size = size;
    item->mtime = mtime;
    item->records.clear();
    if (f[5].empty()) return true;
    for (const std::string &r : split(f[5], ',')) {
        std::vector<std::string> p = split(r, '/');
        tSyncRecord rec;
        long long rh;
        if (p.size() != 3 || p[0].empty() || !signedNumber(p[1], &rec.occurrence) ||
            !number(p[2], 16, &rh))
            return false;
        rec.id = unescaped(p[0]);
        rec.hash = (uint64_t)rh;
        item->records.push_back(rec);
    }
    return true;
}

} // namespace

bool tSyncState::load(const std::string &path)
{
    items.clear();
    std::ifstream in(path);
    if (!in) return errno == ENOENT;
    std::string line;
    while (std::getline(in, line)) {
        std::string uid;
        tSyncItem item;
        // A line that is not of the form (a file cut by a full disk) is dropped: its item is
        // then new on both sides, and the comparison of contents finds it in step.
        if (parseLine(line, &uid, &item)) items[uid] = item;
    }
    return !in.bad();
}

bool tSyncState::save(const std::string &path) const
{
    std::string temp = path + "." + std::to_string(getpid()) + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        if (!out) return false;
        for (const auto &[uid, item] : items) {
            out << escaped(uid) << '\t' << escaped(item.file) << '\t' << hex(item.fileHash) << '\t'
                << item.size << '\t' << item.mtime << '\t';
            for (size_t i = 0; i < item.records.size(); i++) {
                const tSyncRecord &r = item.records[i];
                out << (i ? "," : "") << escaped(r.id) << '/' << r.occurrence << '/' << hex(r.hash);
            }
            out << '\n';
        }
        out.flush();
        if (!out) {
            unlink(temp.c_str());
            return false;
        }
    }
    if (rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

std::string syncStatePath(const std::string &configHome, const std::string &databaseDir,
                          const std::string &user, const std::string &kind, const std::string &vdir)
{
    char real[PATH_MAX];
    std::string db = realpath(databaseDir.c_str(), real) ? real : databaseDir;
    std::string dir = realpath(vdir.c_str(), real) ? real : vdir;
    std::string key = db + '\n' + user + '\n' + kind + '\n' + dir;
    std::string stateDir = configHome + "/velk/sync/state";
    makeDirs(stateDir);
    return stateDir + "/" + user + "-" + kind + "-" + hex(syncHash(key)) + ".state";
}

std::string userConfigHome()
{
    const char *xdg = getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char *home = getenv("HOME");
    return std::string(home ? home : "") + "/.config";
}

} // namespace velk
