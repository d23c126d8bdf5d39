// velk_check.cpp - a database directory as a whole: which file sets it holds, whether anyone
// is at work in it, and the three runs of velk-check (verify, repair, reset locks).
//
// A file set is named by its data file: "<name>.dat", or "<name>.mp" with "<name>.st"; its
// indices are "<name>.ndx".  "proc.id" is the process registry (4 bytes, the next process
// number).  Temporary index files (".nx$") are only probed for a process at work on them.
// Other files and sub-directories (backups, lost+found) are not looked at.
#include "btree/check/velk_check.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "btree/check/fileset.h"

namespace velkcheck {

namespace {

struct tDirContents {
    std::vector<std::string> fixedSets, vlSets;
    std::vector<std::string> files; // every engine file, for the byte-0 probe and backups
    std::vector<tFinding> orphans;  // files that belong to no complete file set
    bool procId = false;
};

bool endsWith(const std::string &s, const std::string &tail)
{
    return s.size() > tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string stem(const std::string &s, size_t tail) { return s.substr(0, s.size() - tail); }

// Lists the directory; "" or why it cannot be read.
std::string listDir(const std::string &dir, tDirContents *dc)
{
    struct stat st;
    if (stat(dir.c_str(), &st) != 0) return "velk-check: " + dir + ": Verzeichnis existiert nicht";
    if (!S_ISDIR(st.st_mode)) return "velk-check: " + dir + ": kein Verzeichnis";
    DIR *d = opendir(dir.c_str());
    if (!d) return "velk-check: " + dir + ": kann nicht gelesen werden";
    std::set<std::string> names;
    while (struct dirent *e = readdir(d)) {
        std::string name = e->d_name;
        struct stat fs;
        if (stat((dir + "/" + name).c_str(), &fs) == 0 && S_ISREG(fs.st_mode)) names.insert(name);
    }
    closedir(d);
    for (const std::string &n : names) {
        if (n == "proc.id") {
            dc->procId = true;
        } else if (endsWith(n, ".dat")) {
            dc->fixedSets.push_back(stem(n, 4));
        } else if (endsWith(n, ".mp")) {
            if (names.count(stem(n, 3) + ".st"))
                dc->vlSets.push_back(stem(n, 3));
            else
                dc->orphans.push_back(
                    {n, "Zuordnung variabler Sätze ohne ihren Speicher (.st)", "Datei"});
        } else if (endsWith(n, ".st")) {
            if (!names.count(stem(n, 3) + ".mp"))
                dc->orphans.push_back(
                    {n, "Speicher variabler Sätze ohne seine Zuordnung (.mp)", "Datei"});
        } else if (endsWith(n, ".nx$")) {
            // temporary indices: not checked, but no one may be at work on them either
        } else if (endsWith(n, ".ndx")) {
            std::string b = stem(n, 4);
            if (!names.count(b + ".dat") && !names.count(b + ".mp"))
                dc->orphans.push_back({n, "Indexdatei ohne ihre Datendatei", "Datei"});
        } else {
            continue;
        }
        dc->files.push_back(n);
    }
    if (dc->files.empty())
        return "velk-check: " + dir +
               ": hier liegen keine Datenbankdateien (keine .dat, .ndx, .mp, .st oder proc.id)";
    return "";
}

// Why the directory cannot be touched now, and with which code; none when nobody is at work.
struct tRefusal {
    int code = Clean;
    std::string why;
    bool any() const { return code != Clean; }
};

// The line for a directory whose file system does not enforce locks (muProbeLocks).
std::string unlockedText(const std::string &dir, const std::string &why)
{
    return "velk-check: " + dir + ": sein Dateisystem setzt keine Bereichssperren durch (" + why +
           "); Kopien des Programms, die dort arbeiten, können einander die Änderungen "
           "überschreiben. Bitte die Freigabe mit Sperren einbinden (NFSv4, oder NFSv3 mit lockd "
           "ohne „nolock“ und „local_lock“; SMB 3 ohne „nobrl“).";
}

// A running copy of the program holds the in-use byte of the dictionary's data file for its
// whole run; every file is probed, so that a dictionary of another name is seen as well.  A
// process inside an operation holds byte 0 of the file it works on.
tRefusal probeBusy(const std::string &dir, const tDirContents &dc)
{
    const std::string after = "; bitte jedes Programm schließen, das mit diesem Verzeichnis "
                              "arbeitet, und es erneut versuchen";
    for (const std::string &f : dc.files) {
        const std::string path = dir + "/" + f;
        int copy = muInUse(path.c_str());
        int inside = copy == 1 ? 0 : byteZeroHeld(path);
        if (copy == 1)
            return {InUse,
                    "velk-check: " + dir +
                        ": in Benutzung durch eine laufende Kopie des Programms (ihre Sperre auf " +
                        f + ")" + after};
        if (inside == 1)
            return {InUse,
                    "velk-check: " + path +
                        ": ein anderer Prozess hält ihre Sperre (die Datenbank ist in Benutzung)" +
                        after};
        if (copy < 0 || inside < 0)
            return {CannotRun,
                    "velk-check: " + path + ": kann zum Prüfen ihrer Sperre nicht geöffnet werden"};
    }
    return {};
}

void verifyProcId(const std::string &dir, tSetState &st)
{
    tRawFile f;
    std::string why;
    if (!f.open(dir + "/proc.id", false, &why)) {
        st.find("proc.id", "kann nicht geöffnet werden: " + why, "Datei");
        return;
    }
    unsigned char b[4];
    if (f.size() != 4 || !f.read(0, 4, b)) {
        st.find("proc.id", counted(long(f.size()), "Byte", "Bytes") + ", das Prozessregister hat 4",
                "Datei");
        st.dataDamaged = true;
    } else if (loadWord(b) < 1) {
        st.find("proc.id", format("nächste Prozessnummer %d", loadWord(b)), "Byte 0");
        st.dataDamaged = true;
    }
}

// Byte 0 and the in-use byte of every file write-locked for the time of a repair or reset, so
// that no operation starts and no copy of the program starts (its in-use lock waits, then its
// start-up fails) meanwhile.  The probe of a later verify would see these locks: release() first.
class tDirLock {
public:
    tRefusal take(const std::string &dir, const std::vector<std::string> &files)
    {
        for (const std::string &f : files) {
            int fd = open((dir + "/" + f).c_str(), O_RDWR | O_CLOEXEC);
            if (fd < 0)
                return {CannotRun, "velk-check: " + dir + "/" + f + ": kann nicht geöffnet werden"};
            fds_.push_back(fd);
            for (off_t at : {off_t(0), off_t(MU_INUSE_BYTE)}) {
                struct flock fl = {};
                fl.l_type = F_WRLCK;
                fl.l_whence = SEEK_SET;
                fl.l_start = at;
                fl.l_len = 1;
                if (fcntl(fd, F_OFD_SETLK, &fl) == 0) continue;
                if (errno != EAGAIN && errno != EACCES)
                    return {CannotRun,
                            "velk-check: " + dir + "/" + f + ": kann nicht gesperrt werden"};
                return {InUse, "velk-check: " + dir + "/" + f +
                                   ": kann nicht gesperrt werden; vielleicht startet gerade "
                                   "eine Kopie des Programms darauf"};
            }
        }
        return {};
    }
    void release()
    {
        for (int fd : fds_) close(fd);
        fds_.clear();
    }
    ~tDirLock() { release(); }

private:
    std::vector<int> fds_;
};

struct tDirState {
    std::string dir;
    tDirContents dc;
    std::vector<tSetState> sets;
    tSetState procId;
    std::string cannotRun;
    int refusal = CannotRun; // the code that goes with cannotRun
    std::string unlocked;    // the directory's file system does not enforce locks: why
    long records = 0;
};

// Lists, probes, takes `lock` when given (so that what is verified stays so) and verifies;
// cannotRun set when that is the answer.
tDirState examine(const std::string &dir, tDirLock *lock = nullptr)
{
    tDirState ds;
    ds.dir = dir;
    ds.cannotRun = listDir(dir, &ds.dc);
    if (!ds.cannotRun.empty()) return ds;
    char why[64];
    if (muProbeLocks(dir.c_str(), why, int(sizeof why)) == 1) {
        ds.unlocked = unlockedText(dir, why);
        // Nothing that needs a lock is done there; a verify only reads, and says what it missed.
        if (lock) {
            ds.cannotRun = ds.unlocked + " Nichts wurde geändert.";
            ds.refusal = NoLocks;
            return ds;
        }
    }
    tRefusal busy = ds.unlocked.empty() ? probeBusy(dir, ds.dc) : tRefusal{};
    if (!busy.any() && lock) busy = lock->take(dir, ds.dc.files);
    if (busy.any()) {
        ds.cannotRun = busy.why;
        ds.refusal = busy.code;
        return ds;
    }
    for (const std::string &name : ds.dc.fixedSets) ds.sets.push_back(verifyFixedData(dir, name));
    for (const std::string &name : ds.dc.vlSets) ds.sets.push_back(verifyVlData(dir, name));
    for (tSetState &st : ds.sets) {
        if (!st.cannotRun.empty()) {
            ds.cannotRun = "velk-check: " + dir + "/" + st.cannotRun;
            return ds;
        }
        verifyIndexFile(dir, st);
        st.finish();
        ds.records += long(st.records.size());
    }
    ds.procId.name = "proc.id";
    if (ds.dc.procId) verifyProcId(dir, ds.procId);
    ds.procId.finish();
    return ds;
}

tResult resultOf(const tDirState &ds, std::vector<std::string> actions = {})
{
    tResult r{Clean, {}, std::move(actions), ""};
    if (!ds.cannotRun.empty()) {
        r.code = ds.refusal;
        r.message = ds.cannotRun;
        return r;
    }
    r.findings = ds.dc.orphans;
    for (const tSetState &st : ds.sets)
        r.findings.insert(r.findings.end(), st.findings.begin(), st.findings.end());
    r.findings.insert(r.findings.end(), ds.procId.findings.begin(), ds.procId.findings.end());
    r.code = r.findings.empty() ? Clean : Damaged;
    r.message = summaryText(ds.dir, long(ds.sets.size()), ds.records, long(r.findings.size()));
    if (!ds.unlocked.empty()) {
        r.code = NoLocks;
        r.message += "\n" + ds.unlocked +
                     " Ob dort eine Kopie des Programms arbeitet, lässt sich nicht sagen; diese "
                     "Prüfung kann halb ausgeführte Änderungen gesehen haben.";
    }
    return r;
}

std::string backupName(const std::string &dir)
{
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    std::string name = std::string("backup-") + stamp;
    struct stat st;
    for (int i = 2; stat((dir + "/" + name).c_str(), &st) == 0; ++i)
        name = std::string("backup-") + stamp + "-" + std::to_string(i);
    return name;
}

std::vector<std::string> filesOf(const tDirContents &dc, const tSetState &st)
{
    std::vector<std::string> out;
    const std::vector<std::string> tails = st.variable
                                               ? std::vector<std::string>{".mp", ".st", ".ndx"}
                                               : std::vector<std::string>{".dat", ".ndx"};
    for (const std::string &t : tails)
        if (std::find(dc.files.begin(), dc.files.end(), st.name + t) != dc.files.end())
            out.push_back(st.name + t);
    return out;
}

// Copies every file that the repair may change; "" or why not.
std::string backUp(const tDirState &ds, std::vector<std::string> &actions)
{
    std::vector<std::string> files;
    for (const tSetState &st : ds.sets)
        if (!st.findings.empty())
            for (const std::string &f : filesOf(ds.dc, st)) files.push_back(f);
    if (!ds.procId.findings.empty()) files.push_back("proc.id");
    if (files.empty()) return "";
    const std::string name = backupName(ds.dir);
    if (mkdir((ds.dir + "/" + name).c_str(), kDirMode) != 0)
        return "velk-check: " + ds.dir + "/" + name + ": kann nicht angelegt werden";
    for (const std::string &f : files)
        if (!copyFile(ds.dir + "/" + f, ds.dir + "/" + name + "/" + f))
            return "velk-check: " + ds.dir + "/" + f + ": kann nicht nach " + name +
                   " kopiert werden";
    actions.push_back(copiedText(long(files.size()), name));
    return "";
}

// The repair of one set; false with the reason.
bool repairSet(const std::string &dir, const tScratchDir &work, tSetState &st,
               std::vector<std::string> &actions, std::string *why)
{
    if (!st.dataDamaged && !st.indexDamaged) return resetSetLocks(dir, st, true, actions, why);
    if (!st.keysKnown) {
        actions.push_back(st.name + ": Kopf oder Schlüsselblock ihrer Datendatei ist nicht lesbar; "
                                    "die Dateigruppe bleibt, wie sie ist");
        return true;
    }
    bool ok =
        st.variable ? repairVlData(dir, st, actions, why) : repairFixedData(dir, st, actions, why);
    return ok && rebuildIndex(dir, work, st, actions, why);
}

bool repairProcId(const std::string &dir, std::vector<std::string> &actions)
{
    tRawFile f;
    std::string why;
    unsigned char b[4] = {};
    int32_t next = 1;
    if (!f.open(dir + "/proc.id", true, &why)) return false;
    if (f.size() >= 4 && f.read(0, 4, b) && loadWord(b) > 0) next = loadWord(b);
    storeWord(b, next);
    bool ok = f.write(0, 4, b) && f.truncate(4) && f.sync();
    if (ok) actions.push_back(format("proc.id: nächste Prozessnummer %d", next));
    return ok;
}

} // namespace

std::string counted(long n, const char *one, const char *many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string summaryText(const std::string &dir, long sets, long records, long findings)
{
    return "velk-check: " + dir + ": " + counted(sets, "Dateigruppe", "Dateigruppen") + ", " +
           counted(records, "Satz", "Sätze") + ": " +
           (findings == 0 ? std::string("in Ordnung") : counted(findings, "Befund", "Befunde"));
}

std::string copiedText(long files, const std::string &backup)
{
    return counted(files, "Datei", "Dateien") + " nach " + backup + "/ kopiert";
}

tResult repairDir(const std::string &dir)
{
    tDirLock lock;
    tDirState ds = examine(dir, &lock);
    if (!ds.cannotRun.empty()) return resultOf(ds);
    tResult before = resultOf(ds);
    if (before.code == Clean) return resultOf(ds, {"nichts zu reparieren"});
    std::vector<std::string> actions;
    {
        std::string refusal = backUp(ds, actions);
        if (!refusal.empty()) return tResult{CannotRun, {}, actions, refusal};
        tScratchDir work(dir);
        if (!work.ok())
            return tResult{CannotRun,
                           {},
                           actions,
                           "velk-check: " + dir + ": kein Platz für ein Arbeitsverzeichnis"};
        for (tSetState &st : ds.sets) {
            std::string why;
            if (!st.findings.empty() && !repairSet(dir, work, st, actions, &why))
                return tResult{CannotRun, {}, actions, "velk-check: " + dir + ": " + why};
        }
        if (!ds.procId.findings.empty() && !repairProcId(dir, actions))
            return tResult{CannotRun,
                           {},
                           actions,
                           "velk-check: " + dir + "/proc.id: kann nicht geschrieben werden"};
        for (const tFinding &f : ds.dc.orphans)
            actions.push_back(f.file + ": " + f.what + "; nicht angetastet");
    }
    lock.release();
    return resultOf(examine(dir), actions);
}

tResult verifyDir(const std::string &dir) { return resultOf(examine(dir)); }

tResult resetLocks(const std::string &dir)
{
    tDirLock lock;
    tDirState ds = examine(dir, &lock);
    if (!ds.cannotRun.empty()) return resultOf(ds);
    std::vector<std::string> actions;
    std::string why;
    for (const tSetState &st : ds.sets)
        if (st.locksStale && !resetSetLocks(dir, st, false, actions, &why))
            return tResult{CannotRun, {}, actions, "velk-check: " + dir + ": " + why};
    if (actions.empty())
        actions.push_back("keine Sperrtabellen, Besitzermarken oder Öffnungszähler zurückzusetzen");
    lock.release();
    return resultOf(examine(dir), actions);
}

} // namespace velkcheck
