// repair.cpp - putting one file set right, with its data file as the truth.
//
// Order of a repair: read every whole record slot of the data file (also those past a stale
// end-of-file); give a record whose serial another record already carries a fresh one; move the
// later of two records that share a unique key to lost+found; rewrite the data file's free chain
// and header from what is left; build the index file anew beside the old one through the engine
// (bt3Creat for the geometry, lioInsert for the keys, records in serial order) and rename it over
// the old one.  The engine's process registry is pointed at a private file meanwhile, so that the
// directory's own proc.id is not advanced.
#include "btree/check/fileset.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace velkcheck {

namespace {

const unsigned char kMarker[5] = {0x1B, 'd', 'e', 'l', 0x1B};

std::string engineError()
{
    char buf[256] = "";
    lioErrReport(buf, sizeof buf);
    return buf;
}

bool appendLostFixed(const std::string &path, const Bytes &stash, int reclen,
                     const std::vector<tDataRecord> &lost, std::string *why)
{
    struct stat sb;
    if (stat(path.c_str(), &sb) != 0 &&
        lioCreat(path.c_str(), reclen, LIO_DATAFILE, int(stash.size()), 0) != 0) {
        *why = path + ": " + engineError();
        return false;
    }
    LioFile *f = lioOpen(path.c_str(), LIO_EXCL | LIO_RDWR);
    bool ok = f && lioPageSize(f) == reclen && lioWStash(f, stash.data()) == int(stash.size());
    for (size_t i = 0; ok && i < lost.size(); ++i) {
        int n = lioAvl(f);
        ok = n > 0 && lioWrite(f, n, lost[i].stored.data()) == reclen;
    }
    if (f && lioClose(f) != 0) ok = false;
    if (!ok)
        *why = path + ": " +
               (f ? engineError() : "kann nicht als Satzdatei geöffnet werden: " + engineError());
    return ok;
}

bool appendLostVl(const std::string &base, const int32_t *mp, const Bytes &stash,
                  const std::vector<tDataRecord> &lost, std::string *why)
{
    struct stat sb;
    if (stat((base + ".mp").c_str(), &sb) != 0 &&
        vlCreat(base.c_str(), mp[VL_H_MIN], mp[VL_H_MAX] - 4, mp[VL_H_GRAN], int(stash.size())) !=
            0) {
        *why = base + ": " + engineError();
        return false;
    }
    VlFile *f = vlOpen(base.c_str(), LIO_EXCL | LIO_RDWR);
    bool ok = f && vlWStash(f, stash.data()) == int(stash.size());
    for (size_t i = 0; ok && i < lost.size(); ++i) {
        int n = vlAvl(f);
        int len = int(lost[i].stored.size());
        ok = n > 0 && vlWrite(f, n, lost[i].stored.data(), len) == len;
    }
    if (f && vlClose(f) != 0) ok = false;
    if (!ok) *why = base + ": " + engineError();
    return ok;
}

} // namespace

tScratchDir::tScratchDir(const std::string &dir)
{
    std::string pattern = dir + "/.velk-check-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    // mkdtemp makes it 0700: a scratch directory left by a velk-check that was killed must be
    // removable by the other users of the database directory.
    if (mkdtemp(buf.data())) {
        path_ = buf.data();
        chmod(buf.data(), kDirMode & ~processUmask());
    }
    const char *old = getenv("PROCFILE");
    hadOld_ = old != nullptr;
    if (old) old_ = old;
    if (!path_.empty()) setenv("PROCFILE", (path_ + "/proc.id").c_str(), 1);
}

tScratchDir::~tScratchDir()
{
    if (hadOld_)
        setenv("PROCFILE", old_.c_str(), 1);
    else
        unsetenv("PROCFILE");
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

// The stash of the set's data file (of the store, with the mapper header).
static bool readStash(const std::string &dir, const tSetState &st, Bytes *stash, int32_t *mp)
{
    tRawFile f;
    std::string why;
    unsigned char raw[LIO_HDRSIZE];
    if (!st.variable) {
        if (!f.open(dir + "/" + st.name + ".dat", false, &why) || !f.read(0, sizeof raw, raw))
            return false;
        stash->resize(size_t(loadWord(raw + 4 * LIO_H_STASH)));
        return f.read(LIO_HDRSIZE, stash->size(), stash->data());
    }
    if (!f.open(dir + "/" + st.name + ".mp", false, &why) || !f.read(0, VL_HDRSIZE, raw))
        return false;
    for (int i = 0; i < VL_HDRWORDS; ++i) mp[i] = loadWord(raw + 4 * i);
    stash->resize(size_t(mp[VL_H_STASH]));
    return f.open(dir + "/" + st.name + ".st", false, &why) &&
           f.read(VL_STOREHDR, stash->size(), stash->data());
}

bool settleUniqueKeys(const std::string &dir, tSetState &st, std::vector<std::string> &actions,
                      std::string *why)
{
    std::sort(st.records.begin(), st.records.end(),
              [](const tDataRecord &a, const tDataRecord &b) { return a.serial < b.serial; });
    std::vector<std::map<Bytes, const tDataRecord *>> seen(st.keys.size());
    std::vector<tDataRecord> kept, lost;
    std::vector<std::string> notes;
    for (const tDataRecord &r : st.records) {
        std::string clash;
        for (size_t i = 0; i < st.keys.size() && clash.empty(); ++i) {
            if (st.keys[i].dups()) continue;
            auto it = seen[i].find(buildKey(st.keys[i], r.stored));
            if (it != seen[i].end())
                clash =
                    format("Satz %d (Seriennummer %d) hat den Schlüssel des eindeutigen Index %zu, "
                           "den Satz %d (Seriennummer %d) hat",
                           r.rec, r.serial, i, it->second->rec, it->second->serial);
        }
        if (!clash.empty()) {
            lost.push_back(r);
            notes.push_back(clash);
            continue;
        }
        kept.push_back(r);
        for (size_t i = 0; i < st.keys.size(); ++i)
            if (!st.keys[i].dups()) seen[i].emplace(buildKey(st.keys[i], r.stored), &r);
    }
    if (lost.empty()) return true;
    const std::string lf = dir + "/lost+found";
    if (mkdir(lf.c_str(), kDirMode) != 0 && errno != EEXIST) {
        *why = lf + ": kann nicht angelegt werden";
        return false;
    }
    Bytes stash;
    int32_t mp[VL_HDRWORDS] = {};
    if (!readStash(dir, st, &stash, mp)) {
        *why = st.name + ": Ablage kann nicht gelesen werden";
        return false;
    }
    const std::string target =
        st.variable ? "lost+found/" + st.name + ".mp" : "lost+found/" + st.name + ".dat";
    bool ok = st.variable ? appendLostVl(lf + "/" + st.name, mp, stash, lost, why)
                          : appendLostFixed(lf + "/" + st.name + ".dat", stash,
                                            int(lost[0].stored.size()), lost, why);
    if (!ok) return false;
    for (const std::string &n : notes)
        actions.push_back(st.name + ": " + n + "; verschoben nach " + target);
    st.records = kept; // a copy: `seen` pointed into the old vector
    return true;
}

bool rebuildIndex(const std::string &dir, const tScratchDir &work, tSetState &st,
                  std::vector<std::string> &actions, std::string *why)
{
    lioInit();
    int maxrec = 1;
    for (const tKeyDef &k : st.keys) maxrec = std::max(maxrec, k.end());
    std::vector<int> defs = keyDefinitionList(st.keys);
    const std::string base = work.path() + "/" + st.name;
    if (bt3Creat(base.c_str(), maxrec, defs.data()) != 0) {
        *why = st.name + ".ndx: eine neue Indexdatei kann nicht angelegt werden: " + engineError();
        return false;
    }
    LioFile *f = lioOpen((base + ".ndx").c_str(), LIO_EXCL | LIO_RDWR);
    bool ok = f != nullptr;
    std::vector<tDataRecord> order = st.records;
    std::sort(order.begin(), order.end(),
              [](const tDataRecord &a, const tDataRecord &b) { return a.serial < b.serial; });
    for (size_t i = 0; ok && i < st.keys.size(); ++i) {
        LioFile *sub = lioSubFile(f, int(i + 1));
        ok = sub != nullptr;
        for (size_t j = 0; ok && j < order.size(); ++j) {
            Bytes key = buildKey(st.keys[i], order[j].stored);
            ok = lioInsert(sub, key.data(), order[j].rec) == order[j].rec;
        }
    }
    if (!ok) *why = st.name + ".ndx: der Aufbau des neuen Index ist gescheitert: " + engineError();
    if (f && lioClose(f) != 0 && ok) {
        *why = st.name + ".ndx: das Schließen des neuen Index ist gescheitert: " + engineError();
        ok = false;
    }
    if (ok) keepAccessOf(base + ".ndx", dir + "/" + st.name + ".ndx");
    if (ok && rename((base + ".ndx").c_str(), (dir + "/" + st.name + ".ndx").c_str()) != 0) {
        *why = st.name + ".ndx: der neue Index kann den alten nicht ersetzen";
        ok = false;
    }
    if (ok)
        actions.push_back(st.name + ".ndx: " + counted(long(st.keys.size()), "Index", "Indizes") +
                          " neu aufgebaut aus " + counted(long(order.size()), "Satz", "Sätzen"));
    return ok;
}

namespace {

// Every whole slot of the data file: live unless it carries the marker or is all zeros (taken,
// never written); a record without a serial of its own gets a fresh one.  Answers the highest
// serial now in use.
int32_t collectFixed(const tRawFile &f, const int32_t *h, long slots, tSetState &st,
                     std::vector<std::string> &actions)
{
    const long reclen = h[LIO_H_RECLEN], stash = h[LIO_H_STASH];
    st.records.clear();
    std::set<int32_t> serials;
    int32_t maxSerial = std::max(h[LIO_H_SERIAL], 0);
    std::vector<size_t> renumber;
    Bytes buf(static_cast<size_t>(reclen));
    for (long n = 1; n <= slots; ++n) {
        f.read(LIO_HDRSIZE + stash + (n - 1) * reclen, buf.size(), buf.data());
        if (hasDeletionMarker(buf.data()) ||
            std::all_of(buf.begin(), buf.end(), [](unsigned char c) { return c == 0; }))
            continue;
        int32_t serial = loadWord(buf.data());
        if (serial <= 0 || !serials.insert(serial).second) renumber.push_back(st.records.size());
        maxSerial = std::max(maxSerial, serial);
        st.records.push_back({int32_t(n), serial, buf});
    }
    for (size_t i : renumber) {
        tDataRecord &r = st.records[i];
        r.serial = ++maxSerial;
        storeWord(r.stored.data(), r.serial);
        actions.push_back(format("%s.dat: Satz %d erhält die neue Seriennummer %d", st.name.c_str(),
                                 r.rec, r.serial));
    }
    return maxSerial;
}

// Writes the kept records, chains every other slot as free (lowest first) and rewrites the
// header; answers the number of free records, -1 on a failed write.
long rewriteFixed(tRawFile &f, int32_t *h, long slots, int32_t maxSerial, const tSetState &st)
{
    const long reclen = h[LIO_H_RECLEN], stash = h[LIO_H_STASH];
    std::vector<bool> live(size_t(slots + 1), false);
    bool ok = true;
    for (const tDataRecord &r : st.records) {
        live[size_t(r.rec)] = true;
        ok = ok &&
             f.write(LIO_HDRSIZE + stash + (r.rec - 1) * reclen, r.stored.size(), r.stored.data());
    }
    int32_t next = 0;
    long freed = 0;
    Bytes gone(static_cast<size_t>(reclen), 0);
    std::copy(kMarker, kMarker + 5, gone.begin());
    for (long n = slots; n >= 1 && ok; --n) {
        if (live[size_t(n)]) continue;
        storeWord(gone.data() + 5, next);
        ok = f.write(LIO_HDRSIZE + stash + (n - 1) * reclen, gone.size(), gone.data());
        next = int32_t(n);
        ++freed;
    }
    h[LIO_H_EOF] = int32_t(LIO_HDRSIZE + stash + slots * reclen);
    h[LIO_H_MARK] = LIO_MARK_CLEAN;
    h[LIO_H_LIVE] = int32_t(st.records.size());
    h[LIO_H_DELETED] = int32_t(freed);
    h[LIO_H_FREE] = next;
    h[LIO_H_SERIAL] = maxSerial;
    h[LIO_H_NFILES] = h[LIO_H_MAXFILES] = 1;
    ++h[LIO_H_MODCOUNT];
    for (int w = LIO_H_OPENCOUNT; w < LIO_HDRWORDS; ++w) h[w] = 0;
    unsigned char raw[LIO_HDRSIZE];
    for (int i = 0; i < LIO_HDRWORDS; ++i) storeWord(raw + 4 * i, h[i]);
    ok = ok && f.write(0, sizeof raw, raw) && f.truncate(h[LIO_H_EOF]) && f.sync();
    return ok ? freed : -1;
}

} // namespace

bool repairFixedData(const std::string &dir, tSetState &st, std::vector<std::string> &actions,
                     std::string *why)
{
    const std::string file = st.name + ".dat";
    tRawFile f;
    if (!f.open(dir + "/" + file, true, why)) {
        *why = file + ": " + *why;
        return false;
    }
    unsigned char raw[LIO_HDRSIZE];
    f.read(0, sizeof raw, raw);
    int32_t h[LIO_HDRWORDS];
    for (int i = 0; i < LIO_HDRWORDS; ++i) h[i] = loadWord(raw + 4 * i);
    const long slots = long((f.size() - LIO_HDRSIZE - h[LIO_H_STASH]) / h[LIO_H_RECLEN]);
    const int32_t maxSerial = collectFixed(f, h, slots, st, actions);
    if (!settleUniqueKeys(dir, st, actions, why)) return false;
    const long freed = rewriteFixed(f, h, slots, maxSerial, st);
    if (freed < 0) {
        *why = file + ": das Schreiben der reparierten Sätze ist gescheitert";
        return false;
    }
    st.dataCount = h[LIO_H_LIVE];
    actions.push_back(file + ": " + counted(h[LIO_H_LIVE], "lebender Satz", "lebende Sätze") +
                      " behalten, " + counted(freed, "freier Satz", "freie Sätze") +
                      " verkettet, Kopf neu geschrieben (Marke 42, keine Sperren, "
                      "Öffnungszähler 0)");
    return true;
}

bool resetSetLocks(const std::string &dir, const tSetState &st, bool clean,
                   std::vector<std::string> &actions, std::string *why)
{
    struct Target {
        std::string file;
        int first, last, mark; // words to clear, the mark word (-1 none)
    };
    std::vector<Target> targets;
    if (st.variable)
        targets.push_back({st.name + ".mp", VL_H_OPENCOUNT, VL_HDRWORDS - 1, VL_H_MARK});
    else
        targets.push_back({st.name + ".dat", LIO_H_OPENCOUNT, LIO_HDRWORDS - 1, LIO_H_MARK});
    targets.push_back({st.name + ".ndx", LIO_H_OPENCOUNT, LIO_HDRWORDS - 1, LIO_H_MARK});
    for (const Target &t : targets) {
        tRawFile f;
        const size_t words = size_t(t.last + 1);
        Bytes raw(words * 4);
        // an index file that is missing or no index file is left to a repair
        if (!f.open(dir + "/" + t.file, true, why) || !f.read(0, raw.size(), raw.data()) ||
            loadWord(raw.data()) != LIO_MAGIC) {
            if (t.file == st.name + ".ndx") continue;
            *why = t.file + ": Kopf kann nicht gelesen werden";
            return false;
        }
        for (int w = t.first; w <= t.last; ++w) storeWord(raw.data() + 4 * w, 0);
        int subs = 1;
        if (clean) {
            storeWord(raw.data() + 4 * t.mark, LIO_MARK_CLEAN);
            if (!st.variable || t.file != st.name + ".mp")
                subs =
                    std::clamp(int(loadWord(raw.data() + 4 * LIO_H_NFILES)), 1, int(LIO_MAXFILES));
        }
        bool ok = f.write(0, raw.size(), raw.data());
        for (int s = 1; ok && s < subs; ++s) {
            unsigned char m[4];
            storeWord(m, LIO_MARK_CLEAN);
            ok = f.write((long long)s * LIO_HDRSIZE + 4 * t.mark, 4, m);
        }
        if (!ok || !f.sync()) {
            *why = t.file + ": Kopf kann nicht geschrieben werden";
            return false;
        }
        actions.push_back(t.file + ": Sperrtabelle, Besitzermarke und Öffnungszähler geleert" +
                          std::string(clean ? ", als sauber markiert" : ""));
    }
    return true;
}

} // namespace velkcheck
