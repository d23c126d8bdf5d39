// sync_server.cpp - places, the vdirsyncer configuration, the password, and vdirsyncer's runs.
#include "sync_server.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velk {

const char *const kTermineCollection = "velk-termine";
const char *const kPersonenCollection = "velk-personen";
// The storages of a pair are <pair>_local and <pair>_server.
const char *const kPairTermine = "velk_termine";
const char *const kPairTeam = "velk_team";
const char *const kPairPersonen = "velk_personen";

namespace {

const char *const kKeyringService = "velk";

std::string withSlash(std::string s)
{
    if (s.empty() || s.back() != '/') s.push_back('/');
    return s;
}

// A JSON string literal (vdirsyncer reads every value as JSON).
std::string json(const std::string &s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(char(c));
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out.push_back(char(c));
        }
    }
    return out + "\"";
}

std::string jsonList(const std::vector<std::string> &items)
{
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + json(items[i]);
    return out + "]";
}

std::string safeDirName(const std::string &name)
{
    std::string out = name.empty() ? std::string("_") : name;
    for (char &c : out)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '_';
    if (out[0] == '.') out[0] = '_';
    return out;
}

// The keyring's "user" attribute: the server user, where vdirsyncer would not pass it on as it
// is.  It hands every word of a password command through expanduser and normpath, so a '/' or
// a leading '~' would look up another entry than the one stored; an empty one becomes ".".
std::string keyringUser(const tSyncServer &server)
{
    std::string user = server.user.empty() ? std::string("_") : server.user;
    for (char &c : user)
        if (c == '/') c = '_';
    if (user[0] == '~') user[0] = '_';
    return user;
}

std::vector<std::string> passwordFetch(const tSyncPlaces &places, const tSyncServer &server,
                                       tSecret how)
{
    if (how == tSecret::Keyring)
        return {"command",       "secret-tool", "lookup",           "service",
                kKeyringService, "user",        keyringUser(server)};
    return {"command", "cat", places.password};
}

// One pair: VELK's filesystem storage (a) and the server's storage (b).
std::string pairSection(const std::string &pair, const std::string &root, const char *fileext,
                        const char *davType, const std::string &collection, bool oneWay,
                        const tSyncServer &server, const std::vector<std::string> &fetch)
{
    std::string s;
    s += "[pair " + pair + "]\n";
    s += "a = " + json(pair + "_local") + "\n";
    s += "b = " + json(pair + "_server") + "\n";
    s += "collections = " + jsonList({collection}) + "\n";
    s += "conflict_resolution = \"a wins\"\n";
    if (oneWay) s += "partial_sync = \"revert\"\n";
    s += "\n[storage " + pair + "_local]\n";
    s += "type = \"filesystem\"\n";
    s += "path = " + json(root) + "\n";
    s += "fileext = " + json(fileext) + "\n";
    if (oneWay) s += "read_only = true\n";
    s += "\n[storage " + pair + "_server]\n";
    s += "type = " + json(davType) + "\n";
    s += "url = " + json(server.url) + "\n";
    s += "username = " + json(server.user) + "\n";
    s += "password.fetch = " + jsonList(fetch) + "\n\n";
    return s;
}

bool makeDir(const std::string &path, mode_t mode, std::string &message)
{
    std::string sofar;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        sofar = path.substr(0, pos);
        if (sofar.empty()) continue;
        if (mkdir(sofar.c_str(), mode) != 0 && errno != EEXIST) {
            message = "Das Verzeichnis „" + sofar +
                      "“ kann nicht angelegt werden: " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

// Writes text into a new file beside path (O_EXCL, mode) and renames it over path.
bool replaceFile(const std::string &path, const std::string &text, mode_t mode,
                 std::string &message)
{
    std::string temp = path + "." + std::to_string(getpid()) + ".tmp";
    unlink(temp.c_str());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    int err = fd < 0 || fchmod(fd, mode) != 0 ? errno : 0;
    for (size_t done = 0; err == 0 && done < text.size();) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n > 0)
            done += size_t(n);
        else if (n < 0 && errno != EINTR)
            err = errno;
    }
    if (err == 0 && fsync(fd) != 0) err = errno;
    if (fd >= 0 && close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err == 0) return true;
    message = "Die Datei „" + path + "“ kann nicht geschrieben werden: " + std::strerror(err);
    unlink(temp.c_str());
    return false;
}

bool storeInKeyring(const tSyncServer &server, const std::string &password, std::string &message)
{
    tRunRequest request;
    request.argv = {"secret-tool",      "store",         "--label=VELK Abgleich " + server.user,
                    "service",          kKeyringService, "user",
                    keyringUser(server)};
    request.input = password;
    request.timeoutSeconds = 10;
    tRunResult r = runProgram(request, {});
    if (r.ok()) return true;
    message = "Der Schlüsselbund nimmt das Passwort nicht an" +
              (r.lastLine.empty() ? std::string() : ": " + r.lastLine);
    return false;
}

bool contains(const std::string &line, const char *what)
{
    return line.find(what) != std::string::npos;
}

// A line of aiohttp's or the system's saying that the connection failed or broke off.
bool unreachable(const std::string &line)
{
    for (const char *what : {"Cannot connect to host", "Connect call failed", "Connection refused",
                             "Name or service not known", "Temporary failure in name resolution",
                             "Server disconnected", "ServerDisconnectedError", "Connection reset",
                             "Broken pipe", "No route to host", "Network is unreachable"})
        if (contains(line, what)) return true;
    return false;
}

// An "error:" or "critical:" line that says more than where to find the traceback.
bool isErrorLine(const std::string &line)
{
    return (line.rfind("error:", 0) == 0 || line.rfind("critical:", 0) == 0) &&
           !contains(line, "-vdebug");
}

} // namespace

std::string teamCollection(const tSyncServer &server)
{
    std::string name = "velk-team-";
    for (unsigned char c : server.user) {
        bool keep = (c < 0x80 && std::isalnum(c)) || c == '-' || c == '_';
        name.push_back(keep ? char(c) : '_');
    }
    return name;
}

std::string termineVdir(const tSyncPlaces &places)
{
    return places.termine + kTermineCollection + "/";
}

std::string termineTeamVdir(const tSyncPlaces &places, const tSyncServer &server)
{
    return places.termineTeam + teamCollection(server) + "/";
}

std::string personenVdir(const tSyncPlaces &places)
{
    return places.personen + kPersonenCollection + "/";
}

std::string defaultConfigHome()
{
    const char *xdg = getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char *home = getenv("HOME");
    return std::string(home ? home : "") + "/.config";
}

tSyncPlaces syncPlaces(const std::string &configHome, const std::string &velkUser)
{
    tSyncPlaces p;
    p.dir = withSlash(configHome) + "velk/sync/" + safeDirName(velkUser) + "/";
    p.config = p.dir + "vdirsyncer/config";
    p.status = p.dir + "vdirsyncer/status/";
    p.password = p.dir + "password";
    p.termine = p.dir + "termine/";
    p.termineTeam = p.dir + "termine-team/";
    p.personen = p.dir + "personen/";
    return p;
}

std::string vdirsyncerConfig(const tSyncPlaces &places, const tSyncServer &server, tSecret how)
{
    std::vector<std::string> fetch = passwordFetch(places, server, how);
    std::string s = "# Written by VELK; it is written anew when the server set-up changes.\n"
                    "[general]\n"
                    "status_path = " +
                    json(places.status) + "\n\n";
    s += pairSection(kPairTermine, places.termine, ".ics", "caldav", kTermineCollection, false,
                     server, fetch);
    s += pairSection(kPairTeam, places.termineTeam, ".ics", "caldav", teamCollection(server), true,
                     server, fetch);
    s += pairSection(kPairPersonen, places.personen, ".vcf", "carddav", kPersonenCollection, false,
                     server, fetch);
    return s;
}

bool keyringAnswers()
{
    if (!programInPath("secret-tool")) return false;
    tRunRequest request;
    request.argv = {"secret-tool", "lookup", "service", kKeyringService, "user", "-velk-probe-"};
    request.timeoutSeconds = 5;
    tRunResult r = runProgram(request, {});
    // Found (0) or not found (1, silent); an error says something.
    return r.started && !r.timedOut && (r.exitStatus == 0 || r.exitStatus == 1) &&
           r.lastLine.empty();
}

tSetupResult writeSyncSetup(const tSyncPlaces &places, const tSyncServer &server,
                            const std::string &password, tSecret how)
{
    tSetupResult result;
    std::string &msg = result.message;
    if (!makeDir(places.dir, 0700, msg)) return result;
    chmod(places.dir.c_str(), 0700);
    for (const std::string &d :
         {places.status, places.termine, places.termineTeam, places.personen, termineVdir(places),
          termineTeamVdir(places, server), personenVdir(places)})
        if (!makeDir(d, 0700, msg)) return result;
    result.secret = how == tSecret::Keyring && keyringAnswers() ? tSecret::Keyring : tSecret::File;
    if (result.secret == tSecret::Keyring) {
        if (!storeInKeyring(server, password, msg)) return result;
        if (unlink(places.password.c_str()) != 0 && errno != ENOENT) {
            msg = "Die alte Passwortdatei „" + places.password +
                  "“ kann nicht entfernt werden: " + std::strerror(errno);
            return result;
        }
    } else if (!replaceFile(places.password, password, 0600, msg)) {
        return result;
    }
    if (!replaceFile(places.config, vdirsyncerConfig(places, server, result.secret), 0600, msg))
        return result;
    result.ok = true;
    return result;
}

tRunResult runVdirsyncer(const tSyncPlaces &places, std::vector<std::string> args,
                         const tLineSink &onLine, int timeoutSeconds, const std::string &input)
{
    tRunRequest request;
    request.argv = {"vdirsyncer", "-c", places.config};
    request.argv.insert(request.argv.end(), args.begin(), args.end());
    request.input = input;
    request.timeoutSeconds = timeoutSeconds;
    // Its messages in English whatever the desktop's language, as they are recognised below.
    request.setEnv = {"LC_ALL=C.UTF-8", "LANG=C.UTF-8", "PYTHONIOENCODING=utf-8"};
    std::vector<std::string> lines;
    tRunResult r = runProgram(request, [&](const std::string &line) {
        lines.push_back(line);
        if (onLine) onLine(line);
    });
    for (const std::string &line : lines)
        if (isErrorLine(line)) r.errorLine = line;
    if (!r.ok()) r.message = syncFailureMessage(r, lines, timeoutSeconds);
    return r;
}

tRunResult runDiscover(const tSyncPlaces &places, const std::vector<std::string> &pairs,
                       const tLineSink &onLine, int timeoutSeconds)
{
    std::vector<std::string> args = {"discover", "--no-list"};
    args.insert(args.end(), pairs.begin(), pairs.end());
    // One "y" for each collection it may offer to create (two sides of three pairs), and more.
    std::string yes;
    for (int i = 0; i < 16; ++i) yes += "y\n";
    return runVdirsyncer(places, args, onLine, timeoutSeconds, yes);
}

tRunResult runSync(const tSyncPlaces &places, const std::vector<std::string> &pairs,
                   const tLineSink &onLine, int timeoutSeconds)
{
    std::vector<std::string> args = {"sync"};
    args.insert(args.end(), pairs.begin(), pairs.end());
    return runVdirsyncer(places, args, onLine, timeoutSeconds);
}

std::string syncFailureMessage(const tRunResult &result, const std::vector<std::string> &lines,
                               int timeoutSeconds)
{
    if (!result.started)
        return result.spawnError == ENOENT
                   ? "vdirsyncer ist nicht installiert"
                   : std::string("vdirsyncer kann nicht gestartet werden: ") +
                         std::strerror(result.spawnError);
    if (result.timedOut)
        return "vdirsyncer hat nach " + std::to_string(timeoutSeconds) +
               " Sekunden nicht geendet und wurde abgebrochen";
    std::string last;
    for (const std::string &line : lines) {
        if (unreachable(line)) return "Der Server ist nicht erreichbar";
        if (contains(line, "401") && (contains(line, "Unauthorized") || contains(line, "401,")))
            return "Der Server hat die Anmeldung abgelehnt (Benutzername oder Passwort falsch)";
        if (contains(line, "403") && contains(line, "Forbidden"))
            return "Der Server verweigert den Zugriff auf den Kalender oder das Adressbuch";
        if (contains(line, "CERTIFICATE_VERIFY_FAILED") || contains(line, "certificate verify"))
            return "Das Zertifikat des Servers wird nicht anerkannt";
        if (contains(line, "Please run `vdirsyncer discover"))
            return "Der Abgleich ist noch nicht eingerichtet: die Kalender und Adressbücher des "
                   "Servers wurden noch nicht ermittelt";
        if (isErrorLine(line)) last = line;
    }
    if (last.empty()) last = result.lastLine;
    if (last.empty())
        return "Abgleich fehlgeschlagen (Status " + std::to_string(result.exitStatus) + ")";
    return "Abgleich fehlgeschlagen: " + last;
}

} // namespace velk
