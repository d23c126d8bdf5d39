// The corpus of other programs' iCalendar and vCard files (corpus/, origin and licences in
// corpus/SOURCES.md) through the command-line tool and our readers, compared with a second reader
// (corpus_peer.py: python3-icalendar, recurring_ical_events and python3-vobject), which runs once
// per run of this program, beside the tool runs.
//
// VELK_CORPUS_UPDATE=1 writes corpus/counts.tsv from what the tool and the readers give, for the
// review of its diff, instead of comparing with it.
#include "exchange/ical.h"
#include "exchange/vcard.h"
#include "tests/exchange/corpus_exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <poll.h>
#include <regex>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velk;
namespace fs = std::filesystem;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// The day the series are cut from, for our reader and the peer alike.
constexpr const char *kTodayText = "2026-06-15";
tDate corpusToday()
{
    tDate d;
    d.set(2026, 6, 15);
    return d;
}

// A run that outlasts this is called hung.  Under the sanitizers the largest files (some 30,000
// appointments) take several times as long, and four runs share the machine's cores.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kToolSeconds = 90;
#else
constexpr int kToolSeconds = 20;
#endif
constexpr long kToolMemoryKb = 100 * 1024;

struct tCorpusFile {
    std::string name; // "ical/<project>/<file>"
    std::string path;
    bool ical = false;
};

const std::vector<tCorpusFile> &corpusFiles()
{
    static const std::vector<tCorpusFile> files = [] {
        std::vector<tCorpusFile> v;
        for (const char *kind : {"ical", "vcard"})
            for (const auto &project : fs::directory_iterator(fs::path(VELK_CORPUS_DIR) / kind))
                for (const auto &f : fs::directory_iterator(project.path()))
                    v.push_back({std::string(kind) + "/" + project.path().filename().string() +
                                     "/" + f.path().filename().string(),
                                 f.path().string(), std::string(kind) == "ical"});
        std::sort(v.begin(), v.end(),
                  [](const tCorpusFile &a, const tCorpusFile &b) { return a.name < b.name; });
        return v;
    }();
    return files;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> splitOn(const std::string &line, char sep)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream s(line);
    while (std::getline(s, part, sep)) parts.push_back(part);
    if (!line.empty() && line.back() == sep) parts.push_back("");
    return parts;
}

std::string stamp(const tDateTime &t)
{
    char b[32];
    std::snprintf(b, sizeof b, "%04d%02d%02dT%02d%02d", t.year, t.month, t.day, t.hour, t.minute);
    return b;
}

// A peer time: a DATE "YYYYmmdd" is the appointment from 00:00 of that day.
std::string asStamp(const std::string &peer) { return peer.size() == 8 ? peer + "T0000" : peer; }

std::string orDash(const std::string &s) { return s.empty() ? "-" : s; }

// ---- the peer ----

struct tPeerStart {
    std::string uid, recurrenceId, start, kind;
};
struct tPeerCard {
    std::string family, given, tel, bday;
};
struct tPeerFile {
    std::string error; // the reason python refuses the file
    std::vector<tPeerStart> starts;
    std::vector<std::pair<std::string, std::vector<std::string>>> series; // UID, starts
    std::vector<tPeerCard> cards;
};

std::string runPeer()
{
    int fds[2];
    if (pipe(fds) != 0) return "peer: no pipe";
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        execl("/usr/bin/python3", "python3", VELK_CORPUS_PEER, VELK_CORPUS_DIR, kTodayText,
              (char *)nullptr);
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buf[65536];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) != 0;)
        if (n > 0)
            out.append(buf, (size_t)n);
        else if (errno != EINTR)
            break;
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "peer: exit status " + std::to_string(status);
    return out;
}

std::shared_future<std::string> gPeerRun;

// Starts the peer at the beginning of the run, so that it works while the tool runs.
class tPeerEnvironment : public ::testing::Environment {
public:
    void SetUp() override { gPeerRun = std::async(std::launch::async, runPeer).share(); }
};
const auto *gPeerEnvironment = ::testing::AddGlobalTestEnvironment(new tPeerEnvironment);

const std::map<std::string, tPeerFile> &peer()
{
    static const std::map<std::string, tPeerFile> files = [] {
        std::map<std::string, tPeerFile> m;
        std::istringstream lines(gPeerRun.get());
        for (std::string line; std::getline(lines, line);) {
            std::vector<std::string> f = splitOn(line, '\t');
            if (f.size() < 3) continue;
            tPeerFile &p = m[f[1]];
            if ((f[0] == "ics-error" || f[0] == "vcf-error"))
                p.error = f[2];
            else if (f[0] == "ics-start" && f.size() == 6)
                p.starts.push_back({f[2], f[3], f[4], f[5]});
            else if (f[0] == "ics-series" && f.size() == 4)
                p.series.emplace_back(f[2], f[3].empty() ? std::vector<std::string>{}
                                                         : splitOn(f[3], ','));
            else if (f[0] == "vcf-card" && f.size() == 6)
                p.cards.push_back({f[2], f[3], f[4], f[5]});
        }
        return m;
    }();
    return files;
}

// ---- the tool as a child ----

struct tToolRun {
    int status = -1;
    bool hung = false;
    long maxRssKb = 0;
    std::string output;
};

constexpr size_t kToolsAtOnce = 4;

struct tChild {
    size_t index = 0; // in corpusFiles()
    pid_t pid = -1;
    int fd = -1;
    std::string dir;
    std::chrono::steady_clock::time_point deadline;
    tToolRun run;
};

// velk-exchange imports the file into a fresh database in its own temporary directory.
bool startTool(size_t index, tChild *c)
{
    const tCorpusFile &file = corpusFiles()[index];
    c->index = index;
    char dirName[] = "/tmp/velk-corpus-XXXXXX";
    if (!mkdtemp(dirName)) return false;
    c->dir = dirName;
    int in[2], out[2];
    if (pipe(in) != 0) return false;
    if (pipe(out) != 0) return close(in[0]), close(in[1]), false;
    c->pid = fork();
    if (c->pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        for (int fd = 3; fd < 1024; fd++) close(fd);
        execl(VELK_EXCHANGE_BIN, "velk-exchange", "--password-stdin", dirName, "import",
              file.ical ? "ical" : "vcard", file.path.c_str(), (char *)nullptr);
        _exit(126);
    }
    close(in[0]);
    close(out[1]);
    (void)!write(in[1], "x\n", 2);
    close(in[1]);
    c->fd = out[0];
    c->deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kToolSeconds);
    return c->pid > 0;
}

void finishTool(tChild *c)
{
    close(c->fd);
    rusage use{};
    while (wait4(c->pid, &c->run.status, 0, &use) < 0 && errno == EINTR) {
    }
    c->run.maxRssKb = use.ru_maxrss;
    fs::remove_all(c->dir);
}

// Every corpus file imported by the tool, kToolsAtOnce at a time; each killed after
// kToolSeconds.  The runs in the order of corpusFiles().
std::vector<tToolRun> importAllWithTool()
{
    signal(SIGPIPE, SIG_IGN);
    unsetenv("PROCFILE"); // a process registry named by our environment is not the tool's
    const size_t total = corpusFiles().size();
    std::vector<tToolRun> runs(total);
    std::vector<tChild> active;
    size_t next = 0;
    char buf[4096];
    while (next < total || !active.empty()) {
        while (next < total && active.size() < kToolsAtOnce) {
            tChild c;
            if (startTool(next, &c))
                active.push_back(c);
            else
                runs[next].output = "the tool could not be started";
            next++;
        }
        auto now = std::chrono::steady_clock::now();
        auto first = active.front().deadline;
        std::vector<pollfd> fds;
        for (const tChild &c : active) {
            fds.push_back({c.fd, POLLIN, 0});
            first = std::min(first, c.deadline);
        }
        long wait = std::max(
            0L, (long)std::chrono::duration_cast<std::chrono::milliseconds>(first - now).count());
        if (poll(fds.data(), fds.size(), (int)wait) < 0 && errno != EINTR) break;
        now = std::chrono::steady_clock::now();
        for (size_t i = active.size(); i-- > 0;) {
            tChild &c = active[i];
            bool done = false;
            if (fds[i].revents) {
                ssize_t n = read(c.fd, buf, sizeof buf);
                if (n > 0)
                    c.run.output.append(buf, (size_t)n);
                else if (n == 0 || errno != EINTR)
                    done = true;
            } else if (now >= c.deadline) {
                c.run.hung = true;
                kill(c.pid, SIGKILL);
                done = true;
            }
            if (done) {
                finishTool(&c);
                runs[c.index] = c.run;
                active.erase(active.begin() + (long)i);
            }
        }
    }
    return runs;
}

// One line of counts.tsv: file, outcome, events (cards) read, rows, broken, stored, skipped,
// notes.  An iCalendar import stores, skips and notes as the series run up to the real today, so
// for an iCalendar file the table holds our reader's counts at the fixed day instead (rows,
// skipped, the counters that are not zero as notes; a refusal's reason stays) and the tool's
// figures are checked against our reader at the real today (see judgeRun).
struct tCounts {
    std::string outcome, read, rows, broken, stored, skipped, notes;
    std::string line(const std::string &file) const
    {
        return file + "\t" + outcome + "\t" + read + "\t" + rows + "\t" + broken + "\t" + stored +
               "\t" + skipped + "\t" + notes;
    }
};

std::string countsPath() { return std::string(VELK_CORPUS_DIR) + "/counts.tsv"; }

std::map<std::string, std::string> countsTable()
{
    std::map<std::string, std::string> rows;
    std::istringstream lines(readFile(countsPath()));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '#') rows[line.substr(0, line.find('\t'))] = line;
    return rows;
}

// The events an import skips whatever its database holds.
long skippedOf(const tIcsReadout &in)
{
    return in.broken + in.noStart + in.outside + in.sameUid + in.emptySeries;
}

// The counters of a readout that are not zero, as "name=n ...", "-" when none.
std::string countersOf(const tIcsReadout &r)
{
    std::string out;
    auto add = [&](const char *name, long n) {
        if (n) out += std::string(out.empty() ? "" : " ") + name + "=" + std::to_string(n);
    };
    add("broken", r.broken);
    add("noStart", r.noStart);
    add("outside", r.outside);
    add("sameUid", r.sameUid);
    add("emptySeries", r.emptySeries);
    add("unreadable", r.unreadable);
    add("unknownEnds", r.unknownEnds);
    add("nested", r.nestedCalendars);
    add("lost", r.lost);
    add("titlesCut", r.titlesCut);
    add("cut", r.seriesCut);
    add("unsupported", r.unsupported);
    add("unknownZones", r.unknownZones);
    return orDash(out);
}

long rowsOf(const tIcsReadout &in)
{
    long n = 0;
    for (const tIcsEvent &e : in.events) n += (long)e.rows.size();
    return n;
}

// What is wrong with the run; the counts in *c.
std::string judgeRun(const tCorpusFile &file, const tToolRun &run, tCounts *c)
{
    if (run.hung) return "hangs (killed after " + std::to_string(kToolSeconds) + " s)";
    if (run.status == -1 || (WIFEXITED(run.status) && WEXITSTATUS(run.status) == 126))
        return "the tool did not run: " + run.output;
    if (WIFSIGNALED(run.status))
        return "crashes (signal " + std::to_string(WTERMSIG(run.status)) + ")";
    if (!kSanitized && run.maxRssKb >= kToolMemoryKb)
        return "takes " + std::to_string(run.maxRssKb / 1024) + " MB";
    static const std::regex done("(\\d+) (?:Termine?|Person|Personen) gespeichert(?:, (\\d+) "
                                 "\xC3\xBC"
                                 "bersprungen)?(?:; (.+))?\n");
    std::smatch m;
    std::string refusedPrefix = "velk-exchange: " + file.path + ": ";
    if (WEXITSTATUS(run.status) == 0 && std::regex_match(run.output, m, done)) {
        c->outcome = "ok";
        c->stored = m[1];
        c->skipped = m[2].matched ? std::string(m[2]) : "0";
        c->notes = orDash(m[3]);
    } else if (WEXITSTATUS(run.status) != 0 && run.output.rfind(refusedPrefix, 0) == 0 &&
               run.output.size() > refusedPrefix.size() + 1 &&
               run.output.find('\n') == run.output.size() - 1) {
        c->outcome = "refused";
        c->stored = c->skipped = "-";
        c->notes =
            run.output.substr(refusedPrefix.size(), run.output.size() - refusedPrefix.size() - 1);
    } else {
        return "neither a result nor a refusal with a reason: \"" + run.output + "\"";
    }
    std::string text = readFile(file.path);
    if (file.ical) {
        tIcsReadout in = readICalendarText(text, corpusToday());
        c->read = std::to_string(in.events.size());
        c->rows = std::to_string(rowsOf(in));
        c->broken = std::to_string(in.broken);
        if (c->outcome == "ok") {
            // Stored, skipped and noted as the series run up to the real today: no more
            // appointments than our reader gives then, at least the events it skips then, a cut
            // series noted when it cuts one then.
            tIcsReadout now = readICalendarText(text, tDate::today());
            long rowsNow = rowsOf(now);
            long stored = std::stol(c->stored);
            if (stored > rowsNow || (rowsNow > 0 && stored == 0))
                return "stores " + c->stored + " appointments of " + std::to_string(rowsNow) +
                       " read";
            if (std::stol(c->skipped) < skippedOf(now))
                return "skips " + c->skipped + " events, our reader " +
                       std::to_string(skippedOf(now));
            bool cutNoted = c->notes.find("abgeschnitten") != std::string::npos;
            if (cutNoted != (now.seriesCut > 0))
                return "notes \"" + c->notes + "\" for " + std::to_string(now.seriesCut) +
                       " series cut";
            c->skipped = std::to_string(skippedOf(in));
            c->notes = countersOf(in);
        }
        c->stored = "-";
    } else {
        tVcfReadout in = readVCardText(text);
        c->read = std::to_string(in.cards.size());
        c->rows = "-";
        c->broken = std::to_string(in.broken);
    }
    return "";
}

TEST(CorpusTest, EveryFileIsImportedOrRefusedWithANote)
{
    bool update =
        std::getenv("VELK_CORPUS_UPDATE") && std::string(std::getenv("VELK_CORPUS_UPDATE")) == "1";
    std::map<std::string, std::string> table = countsTable();
    std::string written = "# file\toutcome\tread\trows\tbroken\tstored\tskipped\tnotes\n";
    long ics = 0, vcf = 0;
    std::vector<tToolRun> runs = importAllWithTool();
    for (size_t i = 0; i < corpusFiles().size(); i++) {
        const tCorpusFile &file = corpusFiles()[i];
        (file.ical ? ics : vcf)++;
        tCounts c;
        std::string fault = judgeRun(file, runs[i], &c);
        if (!fault.empty()) {
            ADD_FAILURE() << file.name << ": " << fault;
            continue;
        }
        std::string line = c.line(file.name);
        written += line + "\n";
        if (update) continue;
        auto row = table.find(file.name);
        if (row == table.end())
            ADD_FAILURE() << file.name << ": not in counts.tsv (VELK_CORPUS_UPDATE=1 writes it)\n"
                          << "  now:   " << line;
        else if (row->second != line)
            ADD_FAILURE() << file.name << ": counts differ\n  table: " << row->second
                          << "\n  now:   " << line;
    }
    EXPECT_GE(ics, 300);
    EXPECT_GE(vcf, 50);
    if (update) {
        std::ofstream(countsPath(), std::ios::binary) << written;
        std::printf("%s written\n", countsPath().c_str());
    }
}

std::string trimmed(std::string s)
{
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

bool excepted(const std::string &file, const std::string &uid, const std::string &what)
{
    for (const tException &e : kExceptions)
        if (file == e.file && trimmed(uid) == e.uid &&
            (std::string(e.what) == "both" || what == e.what))
            return true;
    return false;
}

// ---- times against python3-icalendar ----

// The mismatches of one file's starts: per UID the peer's and our first rows, matched as
// multisets; events without UID matched by their order.  The first row of a series may be its
// earliest occurrence that no RECURRENCE-ID event moved, instead of DTSTART (an EXDATE on
// DTSTART, a DTSTART off the rule, DTSTART moved).
std::string compareStarts(const tPeerFile &py, const tIcsReadout &ours)
{
    std::map<std::string, std::vector<std::string>> occurrences; // sorted
    for (const auto &[uid, starts] : py.series) {
        for (const std::string &s : starts) occurrences[uid].push_back(asStamp(s));
        std::sort(occurrences[uid].begin(), occurrences[uid].end());
    }
    for (const tPeerStart &s : py.starts) // moved occurrences are events of their own
        if (s.recurrenceId != "-" && occurrences.count(s.uid)) {
            std::vector<std::string> &o = occurrences[s.uid];
            auto it = std::find(o.begin(), o.end(), asStamp(s.start));
            if (it != o.end()) o.erase(it);
        }
    std::map<std::string, std::vector<std::string>> our;
    for (const tIcsEvent &e : ours.events)
        if (!e.rows.empty()) our[orDash(e.uid)].push_back(stamp(e.rows.front().from));
    std::map<std::string, std::vector<const tPeerStart *>> theirs;
    for (const tPeerStart &s : py.starts) theirs[s.uid].push_back(&s);
    std::ostringstream report;
    long missing = 0, wrong = 0, extra = 0;
    for (auto &[uid, list] : theirs) {
        std::vector<std::string> &mine = our[uid];
        std::vector<const tPeerStart *> unmatched;
        if (uid == "-") { // by order
            size_t i = 0;
            for (; i < list.size() && i < mine.size(); i++)
                if (list[i]->kind != "unknown" && asStamp(list[i]->start) != mine[i] &&
                    !(list[i]->recurrenceId == "-" && !occurrences["-"].empty() &&
                      occurrences["-"].front() == mine[i]))
                    wrong++, report << "\n  (no UID) #" << i + 1 << ": python " << list[i]->start
                                    << " (" << list[i]->kind << "), ours " << mine[i];
            for (; i < list.size(); i++) unmatched.push_back(list[i]);
            mine.erase(mine.begin(), mine.begin() + (long)std::min(list.size(), mine.size()));
        } else {
            // The moved occurrences first: a master's own start may equal one of them.
            std::stable_partition(list.begin(), list.end(),
                                  [](const tPeerStart *s) { return s->recurrenceId != "-"; });
            std::vector<const tPeerStart *> masters;
            for (const tPeerStart *s : list) {
                auto it = std::find(mine.begin(), mine.end(), asStamp(s->start));
                if (it != mine.end())
                    mine.erase(it);
                else if (s->recurrenceId == "-" && occurrences.count(uid))
                    masters.push_back(s);
                else if (s->kind == "unknown" && !mine.empty())
                    mine.erase(mine.begin());
                else
                    unmatched.push_back(s);
            }
            for (const tPeerStart *s : masters) {
                const std::vector<std::string> &o = occurrences[uid];
                auto it = o.empty() ? mine.end() : std::find(mine.begin(), mine.end(), o.front());
                if (it != mine.end())
                    mine.erase(it);
                else
                    unmatched.push_back(s);
            }
        }
        for (const tPeerStart *s : unmatched) {
            if (!mine.empty()) {
                wrong++;
                report << "\n  " << uid << (s->recurrenceId == "-" ? "" : " @" + s->recurrenceId)
                       << ": python " << s->start << " (" << s->kind << "), ours " << mine.front();
                mine.erase(mine.begin());
            } else {
                missing++;
                report << "\n  " << uid << (s->recurrenceId == "-" ? "" : " @" + s->recurrenceId)
                       << ": python " << s->start << " (" << s->kind << "), not read by us";
            }
        }
    }
    for (const auto &[uid, mine] : our)
        for (const std::string &s : mine)
            extra++, report << "\n  " << uid << ": ours " << s << ", python reads no such event";
    long counted = ours.broken + ours.sameUid + ours.emptySeries;
    if (wrong == 0 && extra == 0 && missing <= counted) return "";
    std::ostringstream head;
    head << wrong << " starts differ, " << missing << " events not read (" << counted
         << " counted as skipped), " << extra << " read that python does not:";
    return head.str() + report.str();
}

TEST(CorpusTest, StartsAgreeWithPythonIcalendar)
{
    long files = 0, compared = 0, bad = 0;
    for (const tCorpusFile &file : corpusFiles()) {
        if (!file.ical) continue;
        auto it = peer().find(file.name);
        if (it == peer().end() || !it->second.error.empty() || it->second.starts.empty()) continue;
        files++;
        tPeerFile py = it->second;
        tIcsReadout ours = readICalendarText(readFile(file.path), corpusToday());
        auto out = [&](const std::string &uid) { return excepted(file.name, uid, "start"); };
        std::erase_if(py.starts, [&](const tPeerStart &p) { return out(p.uid); });
        std::erase_if(ours.events, [&](const tIcsEvent &e) { return out(orDash(e.uid)); });
        compared += (long)py.starts.size();
        std::string fault = compareStarts(py, ours);
        if (!fault.empty()) bad++, ADD_FAILURE() << file.name << ": " << fault;
    }
    std::printf("starts: %ld files, %ld events compared, %ld files differ\n", files, compared, bad);
    EXPECT_GE(files, 300) << "the peer reads too few files";
}

// ---- series against recurring_ical_events ----

TEST(CorpusTest, RecurrencesAgreeWithRecurringIcalEvents)
{
    long series = 0, bad = 0, badFiles = 0, exceptions = 0;
    for (const tCorpusFile &file : corpusFiles()) {
        if (!file.ical) continue;
        auto it = peer().find(file.name);
        if (it == peer().end() || it->second.series.empty()) continue;
        tIcsReadout ours = readICalendarText(readFile(file.path), corpusToday());
        std::ostringstream report;
        long badHere = 0;
        for (const auto &[uid, theirs] : it->second.series) {
            if (excepted(file.name, uid, "series")) {
                exceptions++;
                continue;
            }
            series++;
            std::vector<std::string> mine, want;
            for (const tIcsEvent &e : ours.events)
                if (orDash(e.uid) == uid)
                    for (const tTermin &t : e.rows) mine.push_back(stamp(t.from));
            std::sort(mine.begin(), mine.end());
            mine.erase(std::unique(mine.begin(), mine.end()), mine.end());
            for (const std::string &s : theirs) want.push_back(asStamp(s));
            std::sort(want.begin(), want.end());
            if (mine == want) continue;
            badHere++;
            std::vector<std::string> lack, more;
            std::set_difference(want.begin(), want.end(), mine.begin(), mine.end(),
                                std::back_inserter(lack));
            std::set_difference(mine.begin(), mine.end(), want.begin(), want.end(),
                                std::back_inserter(more));
            report << "\n  " << uid << ": python " << want.size() << ", ours " << mine.size();
            if (!lack.empty())
                report << "; missing " << lack.front() << (lack.size() > 1 ? " ..." : "");
            if (!more.empty())
                report << "; extra " << more.front() << (more.size() > 1 ? " ..." : "");
        }
        if (badHere) {
            bad += badHere, badFiles++;
            ADD_FAILURE() << file.name << ": " << badHere << " series differ:" << report.str();
        }
    }
    std::printf("series: %ld compared, %ld differ in %ld files, %ld excepted\n", series, bad,
                badFiles, exceptions);
    EXPECT_GE(series, 100);
}

// ---- persons of the vCard samples ----

std::string trimmedUtf8(const std::string &cp1252)
{
    std::string s = cp1252ToUtf8(cp1252);
    s.erase(0, s.find_first_not_of(' '));
    s.erase(s.find_last_not_of(' ') + 1);
    return orDash(s);
}

// A card as a line of vcard_persons.tsv (without the file); blanks around the names do not count.
std::string cardLine(const tVcfCard &c)
{
    char bday[48] = "-";
    if (c.birth.month > 0 && c.birth.day > 0) {
        if (c.birth.year > 0)
            std::snprintf(bday, sizeof bday, "%04d-%02d-%02d", c.birth.year, c.birth.month,
                          c.birth.day);
        else
            std::snprintf(bday, sizeof bday, "--%02d-%02d", c.birth.month, c.birth.day);
    }
    return trimmedUtf8(c.name) + "\t" + trimmedUtf8(c.chrName) + "\t" + trimmedUtf8(c.tel) + "\t" +
           bday;
}

// A line of persons as our fields hold it: characters without a Windows-1252 one become "?".
std::string stored(const std::string &utf8Line)
{
    std::string out;
    bool first = true;
    for (const std::string &field : splitOn(utf8Line, '\t')) {
        long lost = 0;
        out += (first ? "" : "\t") + cp1252ToUtf8(utf8ToCp1252(field, &lost));
        first = false;
    }
    return out;
}

// The difference of two sorted lists of persons, "" when equal.
std::string comparePersons(std::vector<std::string> want, std::vector<std::string> mine)
{
    std::sort(want.begin(), want.end());
    std::sort(mine.begin(), mine.end());
    if (want == mine) return "";
    std::vector<std::string> lack, more;
    std::set_difference(want.begin(), want.end(), mine.begin(), mine.end(),
                        std::back_inserter(lack));
    std::set_difference(mine.begin(), mine.end(), want.begin(), want.end(),
                        std::back_inserter(more));
    std::string r;
    for (const std::string &l : lack) r += "\n  expected " + l;
    for (const std::string &m : more) r += "\n  ours     " + m;
    return r;
}

TEST(CorpusTest, VCardSamplesGiveTheirPersons)
{
    std::map<std::string, std::vector<std::string>> table;
    std::istringstream lines(readFile(std::string(VELK_CORPUS_DIR) + "/vcard_persons.tsv"));
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#') continue;
        size_t tab = line.find('\t');
        table[line.substr(0, tab)].push_back(stored(line.substr(tab + 1)));
    }
    long files = 0, persons = 0, bad = 0, badPeer = 0;
    for (const tCorpusFile &file : corpusFiles()) {
        if (file.ical) continue;
        files++;
        std::vector<std::string> mine;
        for (const tVcfCard &c : readVCardText(readFile(file.path)).cards)
            mine.push_back(cardLine(c));
        auto want = table.find(file.name);
        if (want == table.end()) {
            ADD_FAILURE() << file.name << ": not in vcard_persons.tsv";
            continue;
        }
        persons += (long)want->second.size();
        if (want->second.size() == 1 && want->second[0] == stored("-\t-\t-\t-"))
            want->second.clear(); // a file without persons
        std::string fault = comparePersons(want->second, mine);
        if (!fault.empty()) bad++, ADD_FAILURE() << file.name << ": persons differ:" << fault;
        auto py = peer().find(file.name);
        if (py == peer().end() || !py->second.error.empty()) continue;
        std::vector<std::string> theirs;
        for (const tPeerCard &c : py->second.cards)
            theirs.push_back(stored(c.family + "\t" + c.given + "\t" + c.tel + "\t" + c.bday));
        fault = comparePersons(theirs, mine);
        if (!fault.empty())
            badPeer++, ADD_FAILURE() << file.name << ": persons differ from vobject's:" << fault;
    }
    std::printf("vcard: %ld files, %ld persons, %ld files differ from the table, %ld from "
                "vobject\n",
                files, persons, bad, badPeer);
    EXPECT_GE(files, 50);
}

} // namespace
