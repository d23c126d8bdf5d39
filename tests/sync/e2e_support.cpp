// e2e_support.cpp - velk-exchange runs of simulated users, and the events and persons of files.
#include "tests/sync/e2e_support.h"

#include "base/session.h"
#include "exchange/sync_server.h"
#include "model/blob.h"
#include "model/db_path.h"
#include "model/login.h"
#include "model/users.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace velk::synctest {

int tToolRun::code() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
bool tToolRun::killed() const { return WIFSIGNALED(status); }

tToolRun runTool(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                 const std::string &input, long killAfterMs, int sig)
{
    tToolRun r;
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return r;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]), close(in[1]);
        return r;
    }
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        for (const std::string &e : env) putenv(const_cast<char *>(e.c_str()));
        unsetenv("PROCFILE");
        alarm(170); // a child that hangs ends instead of the whole test
        std::vector<char *> args;
        for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(126);
    }
    close(in[0]);
    close(out[1]);
    signal(SIGPIPE, SIG_IGN);
    if (!input.empty()) (void)!write(in[1], input.data(), input.size());
    close(in[1]);
    if (killAfterMs >= 0) {
        usleep(useconds_t(killAfterMs * 1000));
        kill(pid, sig);
    }
    char buf[4096];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) != 0;)
        if (n > 0)
            r.output.append(buf, size_t(n));
        else if (errno != EINTR)
            break;
    close(out[0]);
    while (waitpid(pid, &r.status, 0) < 0 && errno == EINTR) {
    }
    return r;
}

bool makeDatabase(const std::string &dir,
                  const std::vector<std::pair<std::string, std::string>> &users)
{
    // root logs in with any password while it has no record; the export makes the database.
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    tToolRun made = runTool(
        {VELK_EXCHANGE_BIN, "--password-stdin", dir, "export", "ical", dir + "/../velk-leer.ics"},
        {}, "x\n");
    if (made.code() != 0) {
        fprintf(stderr, "%s", made.output.c_str());
        return false;
    }
    bool ok = true;
    withDatabase(dir, kRootName, [&] {
        ok = openUserTable();
        for (const auto &[id, password] : users) {
            tUser u = newUser();
            snprintf(u.ID, sizeof u.ID, "%s", id.c_str());
            snprintf(u.PASSWORD, sizeof u.PASSWORD, "%s", storedPassword(password).c_str());
            ok = ok && writeUser(u);
        }
        closeUserTable();
    });
    return ok;
}

void withDatabase(const std::string &dir, const std::string &user,
                  const std::function<void()> &work)
{
    std::string dict = deriveDictPath(dir + "/start");
    setDatabasePath(dict.c_str());
    if (!openDatabase(dict.c_str())) return;
    setCurrentUser(user);
    work();
    closeDatabase();
}

tVelkUser::tVelkUser(std::string name, std::string password, std::string databaseDir)
    : name_(std::move(name)), password_(std::move(password)), dir_(std::move(databaseDir))
{}

tToolRun tVelkUser::exchange(const std::vector<std::string> &args, const std::string &more,
                             long killAfterMs) const
{
    std::vector<std::string> argv = {VELK_EXCHANGE_BIN, "--user", name_, "--password-stdin", dir_};
    argv.insert(argv.end(), args.begin(), args.end());
    return runTool(argv,
                   {"XDG_CONFIG_HOME=" + config_.path(), "HOME=" + config_.path(),
                    "TZ=Europe/Berlin", "LC_ALL=C.UTF-8"},
                   password_ + "\n" + more, killAfterMs);
}

tToolRun tVelkUser::server(const std::string &url, const tDavUser &login) const
{
    return exchange({"server", url, login.name}, std::string(login.password) + "\n");
}

tToolRun tVelkUser::syncAll(long killAfterMs) const
{
    return exchange({"sync", "alle"}, "", killAfterMs);
}

tToolRun tVelkUser::importIcs(const std::string &calendarText) const
{
    std::string file = config_.sub("import.ics");
    writeTextFile(file, calendarText);
    return exchange({"import", "ical", file});
}

tToolRun tVelkUser::importVcf(const std::string &vcardText) const
{
    std::string file = config_.sub("import.vcf");
    writeTextFile(file, vcardText);
    return exchange({"import", "vcard", file});
}

std::string tVelkUser::exportIcs() const
{
    std::string file = config_.sub("export.ics");
    std::remove(file.c_str());
    tToolRun r = exchange({"export", "ical", file});
    if (r.code() != 0) fprintf(stderr, "export ical: %s", r.output.c_str());
    return readTextFile(file);
}

std::string tVelkUser::exportVcf() const
{
    std::string file = config_.sub("export.vcf");
    std::remove(file.c_str());
    tToolRun r = exchange({"export", "vcard", file});
    if (r.code() != 0) fprintf(stderr, "export vcard: %s", r.output.c_str());
    return readTextFile(file);
}

std::string tVelkUser::termineVdir() const
{
    return velk::termineVdir(syncPlaces(config_.path(), name_));
}

std::string tVelkUser::teamVdir(const std::string &serverUser) const
{
    return termineTeamVdir(syncPlaces(config_.path(), name_), {"", serverUser});
}

std::string tVelkUser::personenVdir() const
{
    return velk::personenVdir(syncPlaces(config_.path(), name_));
}

namespace {

// The lines of an iCalendar or vCard text, folded lines joined.
std::vector<std::string> unfolded(const std::string &text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!lines.empty() && !line.empty() && (line[0] == ' ' || line[0] == '\t'))
            lines.back() += line.substr(1);
        else
            lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

// The value of a property line ("NAME;PARAMS:VALUE") when its name is name.
bool valueOf(const std::string &line, const std::string &name, std::string *value)
{
    if (line.compare(0, name.size(), name) != 0 || line.size() <= name.size()) return false;
    char next = line[name.size()];
    if (next != ':' && next != ';') return false;
    size_t colon = line.find(':', name.size());
    if (colon == std::string::npos) return false;
    *value = line.substr(colon + 1);
    return true;
}

} // namespace

std::vector<tEventSeen> eventsOf(const std::string &text)
{
    std::vector<tEventSeen> out;
    int depth = 0; // inside a VEVENT, not inside its VALARM
    tEventSeen e;
    std::string value;
    for (const std::string &line : unfolded(text)) {
        if (line == "BEGIN:VEVENT") {
            depth = 1;
            e = {};
        } else if (depth > 0 && line.rfind("BEGIN:", 0) == 0) {
            ++depth;
        } else if (depth > 1 && line.rfind("END:", 0) == 0) {
            --depth;
        } else if (depth == 1 && line == "END:VEVENT") {
            depth = 0;
            out.push_back(e);
        } else if (depth == 1 && valueOf(line, "SUMMARY", &value)) {
            e.summary = value;
        } else if (depth == 1 && valueOf(line, "DTSTART", &value)) {
            if (!value.empty() && value.back() == 'Z') value.pop_back();
            e.start = value;
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> namesOf(const std::string &vcards)
{
    std::vector<std::string> out;
    std::string value;
    for (const std::string &line : unfolded(vcards))
        if (valueOf(line, "FN", &value)) out.push_back(value);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<tEventSeen> eventsIn(const std::string &folder)
{
    std::vector<tEventSeen> out;
    for (const std::string &name : filesIn(folder, ".ics")) {
        std::vector<tEventSeen> some = eventsOf(readTextFile(folder + "/" + name));
        out.insert(out.end(), some.begin(), some.end());
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> namesIn(const std::string &folder)
{
    std::vector<std::string> out;
    for (const std::string &name : filesIn(folder, ".vcf")) {
        std::vector<std::string> some = namesOf(readTextFile(folder + "/" + name));
        out.insert(out.end(), some.begin(), some.end());
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> summaries(const std::vector<tEventSeen> &events)
{
    std::vector<std::string> out;
    for (const tEventSeen &e : events) out.push_back(e.summary);
    std::sort(out.begin(), out.end());
    return out;
}

std::string calendarOf(const std::vector<tNewEvent> &events)
{
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//VELK Test//DE\r\n";
    for (const tNewEvent &e : events) {
        // One hour: the hour digits of the start, plus one.
        std::string end = e.start;
        int hour = std::stoi(e.start.substr(9, 2)) + 1;
        std::string hh = std::to_string(hour % 24);
        end.replace(9, 2, hh.size() < 2 ? "0" + hh : hh);
        text += "BEGIN:VEVENT\r\nUID:" + e.uid +
                "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:" + e.start + "\r\nDTEND:" + end +
                "\r\nSUMMARY:" + e.summary + "\r\n";
        if (e.isPrivate) text += "CLASS:PRIVATE\r\n";
        text += "END:VEVENT\r\n";
    }
    return text + "END:VCALENDAR\r\n";
}

std::string vcardOf(const std::string &uid, const std::string &first, const std::string &last)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + first + " " + last +
           "\r\nN:" + last + ";" + first + ";;;\r\nEND:VCARD\r\n";
}

bool replaceFile(const std::string &path, const std::string &text)
{
    std::string fresh = path + ".neu";
    return writeTextFile(fresh, text) && rename(fresh.c_str(), path.c_str()) == 0;
}

std::string withLine(const std::string &text, const std::string &key, const std::string &line)
{
    std::string out;
    for (const std::string &l : unfolded(text))
        if (l.rfind(key, 0) != 0)
            out += l + "\r\n";
        else if (!line.empty())
            out += line + "\r\n";
    return out;
}

} // namespace velk::synctest
