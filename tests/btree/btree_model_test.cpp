// The B-tree against an ordered in-memory model.
//
// Each configuration (order, key type, duplicates, direction) runs thousands of random inserts,
// deletes, searches, steps and partial searches.  Every answer is compared with what the model
// predicts, and every few operations the structural checker walks the tree and its key list must
// equal the model's.  The run grows, churns and shrinks the tree, reopens the file between phases
// and finally deletes every key, after which every page must be on the free chain.
//
// Seeds are fixed; a failure names the configuration, the seed, the operation number and the
// last operations.
#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <random>

#include "tests/btree/engine_support.h"

namespace velk::apptest {
namespace {

struct ModelConfig {
    const char *name;
    int order;
    int type;     // key type with flags, as given at creation
    int keyLen;   // key length as given at creation
    int universe; // distinct user parts
    int ops;
    int checkEvery; // full structural check every this many operations
    int cacheSlots; // private cache size, 0 = the default
    int maxEntries; // inserts turn into deletes beyond this size (bounds depth at order 1)
    uint32_t seed;
};

void PrintTo(const ModelConfig &c, std::ostream *os)
{
    *os << c.name << " (seed " << c.seed << ")";
}

using Key = std::vector<unsigned char>;

struct Entry {
    Key key; // K bytes as the tree stores them
    int rec;
};

enum class Phase { Grow, Churn, Shrink };
enum Op {
    Insert,
    Delete,
    DeleteCurrent,
    Search,
    First,
    Last,
    Next,
    Prev,
    Partial,
    SerNum,
    OpCount
};

// Operation weights per phase, in the order of Op.
const int kWeights[3][OpCount] = {
    {60, 8, 2, 10, 2, 2, 14, 8, 8, 6},
    {25, 22, 4, 10, 2, 2, 14, 8, 8, 6},
    {8, 40, 6, 10, 2, 2, 14, 8, 8, 6},
};

const unsigned char kAlphabet[4] = {'a', 'm', 0xE4, 'z'};

class ModelRun {
public:
    ModelRun(LioFile *fd, const ModelConfig &c) : c_(c) { attach(fd); }

    // Takes the descriptor after a reopen; the current key is gone.
    void attach(LioFile *fd)
    {
        fd_ = fd;
        state_ = Cur::None;
        geometryErr_ = loadGeometry(fd_, &g_);
    }

    size_t size() const { return model_.size(); }
    int maxDepth() const { return maxDepth_; }
    const tIndexGeometry &geometry() const { return g_; }

    std::string step(std::mt19937 &rng, Phase phase)
    {
        if (!geometryErr_.empty()) return fail("geometry: " + geometryErr_);
        ++ops_;
        const int *w = kWeights[int(phase)];
        int total = 0;
        for (int i = 0; i < OpCount; ++i) total += w[i];
        int pick = int(rng() % uint32_t(total)), op = 0;
        while (pick >= w[op]) pick -= w[op++];
        if (op == Insert && int(model_.size()) >= c_.maxEntries) op = Delete;
        switch (op) {
        case Insert:
            return opInsert(rng);
        case Delete:
            return opDelete(rng);
        case DeleteCurrent:
            return opDeleteCurrent(rng);
        case Search:
            return opSearch(rng);
        case First:
            return opEnd(true);
        case Last:
            return opEnd(false);
        case Next:
            return opStep(true);
        case Prev:
            return opStep(false);
        case Partial:
            return opPartial(rng);
        default:
            return opSerNum(rng);
        }
    }

    // Deletes a key of the model (the first of a duplicate group).
    std::string drainOne(std::mt19937 &rng)
    {
        ++ops_;
        return deleteEntry(size_t(rng() % model_.size()));
    }

    std::string insertOne(std::mt19937 &rng)
    {
        ++ops_;
        return opInsert(rng);
    }

    std::string verify()
    {
        tIndexReport report;
        std::string err = checkIndex(fd_, &report);
        if (!err.empty()) return fail("checker: " + err);
        maxDepth_ = std::max(maxDepth_, report.depth);
        if (report.entries.size() != model_.size())
            return fail("tree holds " + std::to_string(report.entries.size()) + " keys, model " +
                        std::to_string(model_.size()));
        for (size_t i = 0; i < model_.size(); ++i)
            if (report.entries[i].key != model_[i].key || report.entries[i].rec != model_[i].rec)
                return fail("entry " + std::to_string(i) + ": tree " + show(report.entries[i].key) +
                            " rec " + std::to_string(report.entries[i].rec) + ", model " +
                            show(model_[i].key) + " rec " + std::to_string(model_[i].rec));
        if (lioSize(fd_) != int(model_.size()))
            return fail("lioSize " + std::to_string(lioSize(fd_)));
        return "";
    }

private:
    enum class Cur { None, Known, Unknown };

    // ---- keys ----

    Key userOf(int i) const
    {
        Key u(size_t(g_.cmpLen), 0);
        switch (g_.cmpType) {
        case LIO_KEY_CHAR: {
            std::string s; // bijective base 4: every string up to cmpLen - 1 characters
            for (int v = i + 1; v > 0; v = (v - 1) / 4)
                s.insert(s.begin(), char(kAlphabet[(v - 1) % 4]));
            std::memcpy(u.data(), s.data(), std::min(s.size(), u.size() - 1));
            break;
        }
        case LIO_KEY_BINARY:
            u[0] = (unsigned char)((i >> 8) ^ 0xA5);
            u[1] = (unsigned char)(i & 0xFF);
            u[2] = 0;
            u[3] = (unsigned char)(0xFF ^ (i & 15));
            for (size_t b = 4; b < u.size(); ++b) u[b] = (unsigned char)(i * 7 + int(b));
            break;
        case LIO_KEY_INT:
            storeWord(u.data(), (i - c_.universe / 2) * 1000003);
            break;
        default:
            storeWord(u.data(), i - c_.universe / 2);
        }
        return u;
    }

    Key randomUser(std::mt19937 &rng) const { return userOf(int(rng() % uint32_t(c_.universe))); }

    Key userPart(const Key &full) const
    {
        return Key(full.begin() + g_.cmpStart, full.begin() + g_.cmpStart + g_.cmpLen);
    }

    Key withDisc(const Key &user, int32_t disc) const
    {
        Key k(size_t(g_.keyLen));
        if (g_.callerDup) {
            storeWord(k.data(), disc);
            std::copy(user.begin(), user.end(), k.begin() + 4);
        } else {
            std::copy(user.begin(), user.end(), k.begin());
            storeWord(k.data() + g_.keyLen - 4, disc);
        }
        return k;
    }

    // The buffer the engine's key arguments take for a stored key.
    Key argOf(const Key &full) const { return g_.dups && !g_.callerDup ? userPart(full) : full; }

    int cmpFull(const Key &a, const Key &b) const { return compareKeys(g_, a.data(), b.data()); }
    int cmpUser(const Key &user, const Entry &e) const
    {
        return compareUser(g_, user.data(), e.key.data() + g_.cmpStart) * g_.dir;
    }

    // First entry not smaller than `full`.
    size_t lowerBound(const Key &full) const
    {
        return size_t(
            std::partition_point(model_.begin(), model_.end(),
                                 [&](const Entry &e) { return cmpFull(e.key, full) < 0; }) -
            model_.begin());
    }

    // [first, end) of the entries whose user part equals `user`.
    std::pair<size_t, size_t> group(const Key &user) const
    {
        auto b = std::partition_point(model_.begin(), model_.end(),
                                      [&](const Entry &e) { return cmpUser(user, e) > 0; });
        auto e = std::partition_point(b, model_.end(),
                                      [&](const Entry &x) { return cmpUser(user, x) == 0; });
        return {size_t(b - model_.begin()), size_t(e - model_.begin())};
    }

    // The entry a key argument for `user` names: the exact key without duplicates, the first of
    // the group with them; the index or model size when absent.
    size_t target(const Key &user) const
    {
        auto [b, e] = group(user);
        return b < e ? b : model_.size();
    }

    // ---- bookkeeping ----

    void setCurrent(const Key &k)
    {
        cur_ = k;
        state_ = Cur::Known;
    }

    int header(int w) const
    {
        int h[LIO_HDRWORDS];
        lioHeader(fd_, h);
        return h[w];
    }

    std::string show(const Key &k) const
    {
        std::string s;
        char buf[8];
        for (unsigned char b : k) {
            std::snprintf(buf, sizeof buf, "%02x", b);
            s += buf;
        }
        return s;
    }

    void log(const std::string &line)
    {
        log_.push_back(line);
        if (log_.size() > 12) log_.pop_front();
    }

    std::string fail(const std::string &what) const
    {
        std::string s = std::string(c_.name) + " seed " + std::to_string(c_.seed) + " op " +
                        std::to_string(ops_) + ": " + what + "\nlast operations:";
        for (const std::string &l : log_) s += "\n  " + l;
        return s;
    }

    std::string expectRec(const char *what, int got, int want)
    {
        if (got == want) return "";
        return fail(std::string(what) + " answered " + std::to_string(got) + ", expected " +
                    std::to_string(want) + " (last error " + std::to_string(lastCode()) + ")");
    }

    std::string expectEmpty(const char *what, int got, int want)
    {
        if (got != want || lastCode() != LIO_E_EMPTY)
            return fail(std::string(what) + " on an empty index answered " + std::to_string(got) +
                        " with error " + std::to_string(lastCode()));
        state_ = Cur::Unknown;
        return "";
    }

    // The out buffer holds the user part, and nothing behind it is touched.
    std::string expectOut(const char *what, const Key &out, const Entry &e)
    {
        if (g_.callerDup) return "";
        Key user = userPart(e.key);
        if (!std::equal(user.begin(), user.end(), out.begin()))
            return fail(std::string(what) + " copied " +
                        show(Key(out.begin(), out.begin() + g_.cmpLen)) + ", expected " +
                        show(user));
        for (size_t i = user.size(); i < out.size(); ++i)
            if (out[i] != 0xEE) return fail(std::string(what) + " wrote past the user part");
        return "";
    }

    Key outBuffer() const { return Key(size_t(g_.cmpLen + 8), 0xEE); }
    unsigned char *outArg(Key &out) const { return g_.callerDup ? nullptr : out.data(); }

    // ---- operations ----

    std::string opInsert(std::mt19937 &rng)
    {
        const Key user = randomUser(rng);
        const int rec = nextRec_++;
        if (g_.dups && !g_.callerDup) {
            const int before = header(LIO_H_SERIAL);
            const int r = lioInsert(fd_, user.data(), rec);
            log("insert " + show(user) + " rec " + std::to_string(rec) + " -> " +
                std::to_string(r));
            if (std::string err = expectRec("lioInsert", r, rec); !err.empty()) return err;
            const int serial = header(LIO_H_SERIAL);
            if (serial != before + 1)
                return fail("serial went from " + std::to_string(before) + " to " +
                            std::to_string(serial));
            Key full = withDisc(user, serial);
            model_.insert(model_.begin() + long(lowerBound(full)), Entry{full, rec});
            setCurrent(full);
            return "";
        }
        const Key full = g_.callerDup ? withDisc(user, int32_t(rng() % 6) - 2) : user;
        const int r = lioInsert(fd_, full.data(), rec);
        log("insert " + show(full) + " rec " + std::to_string(rec) + " -> " + std::to_string(r));
        const size_t at = lowerBound(full);
        if (at < model_.size() && cmpFull(model_[at].key, full) == 0) {
            setCurrent(model_[at].key);
            return expectRec("lioInsert of an existing key", r, model_[at].rec);
        }
        model_.insert(model_.begin() + long(at), Entry{full, rec});
        setCurrent(full);
        return expectRec("lioInsert", r, rec);
    }

    // A key argument: half the time one in the tree, else any of the universe.  With caller
    // discriminators an existing user part is always given with its group's first key, the one
    // entry both readings of such a key (exact, or first of the user part) agree on.
    Key chooseArg(std::mt19937 &rng, size_t *found)
    {
        Key user = (!model_.empty() && rng() % 2) ? userPart(model_[rng() % model_.size()].key)
                                                  : randomUser(rng);
        *found = target(user);
        if (!g_.callerDup) return user;
        return *found < model_.size() ? model_[*found].key : withDisc(user, int32_t(rng() % 6) - 2);
    }

    void lostAfterMiss(const Key &arg)
    {
        if (g_.dups)
            state_ = Cur::Unknown;
        else
            setCurrent(arg); // the search key itself marks the position
    }

    std::string opSearch(std::mt19937 &rng)
    {
        size_t found;
        const Key arg = chooseArg(rng, &found);
        lioClearErr();
        const int r = lioSearch(fd_, arg.data());
        log("search " + show(arg) + " -> " + std::to_string(r));
        if (model_.empty()) return expectEmpty("lioSearch", r, -1);
        if (found == model_.size()) {
            lostAfterMiss(arg);
            return expectRec("lioSearch of a missing key", r, 0);
        }
        setCurrent(model_[found].key);
        return expectRec("lioSearch", r, model_[found].rec);
    }

    // Deletes the entry a key argument for entry i's user part names.
    std::string deleteEntry(size_t i)
    {
        const size_t named = target(userPart(model_[i].key));
        const Entry e = model_[named];
        const Key arg = argOf(e.key);
        const int r = lioDelete(fd_, arg.data());
        log("delete " + show(arg) + " -> " + std::to_string(r));
        model_.erase(model_.begin() + long(named));
        setCurrent(e.key);
        return expectRec("lioDelete", r, e.rec);
    }

    std::string opDelete(std::mt19937 &rng)
    {
        size_t found;
        const Key arg = chooseArg(rng, &found);
        if (found < model_.size()) return deleteEntry(found);
        lioClearErr();
        const int r = lioDelete(fd_, arg.data());
        log("delete " + show(arg) + " -> " + std::to_string(r));
        if (model_.empty()) return expectEmpty("lioDelete", r, -1);
        lostAfterMiss(arg);
        return expectRec("lioDelete of a missing key", r, 0);
    }

    std::string opDeleteCurrent(std::mt19937 &rng)
    {
        if (state_ != Cur::Known) return opEnd(rng() % 2);
        const size_t at = lowerBound(cur_);
        if (at == model_.size() || cmpFull(model_[at].key, cur_) != 0)
            return opStep(true); // the current key was deleted already
        const Entry e = model_[at];
        const int r = lioDelete(fd_, nullptr);
        log("delete current " + show(e.key) + " -> " + std::to_string(r));
        model_.erase(model_.begin() + long(at));
        return expectRec("lioDelete of the current key", r, e.rec);
    }

    std::string landOn(const char *what, int r, size_t i, const Key &out)
    {
        if (std::string err = expectRec(what, r, model_[i].rec); !err.empty()) return err;
        setCurrent(model_[i].key);
        return expectOut(what, out, model_[i]);
    }

    std::string opEnd(bool first)
    {
        Key out = outBuffer();
        lioClearErr();
        const int r = first ? lioFirst(fd_, outArg(out)) : lioLast(fd_, outArg(out));
        const char *what = first ? "lioFirst" : "lioLast";
        log(std::string(what) + " -> " + std::to_string(r));
        if (model_.empty()) return expectEmpty(what, r, 0);
        return landOn(what, r, first ? 0 : model_.size() - 1, out);
    }

    std::string opStep(bool next)
    {
        Key out = outBuffer();
        lioClearErr();
        const int r = next ? lioNext(fd_, outArg(out)) : lioPrev(fd_, outArg(out));
        const char *what = next ? "lioNext" : "lioPrev";
        log(std::string(what) + (state_ == Cur::Known ? " from " + show(cur_) : std::string()) +
            " -> " + std::to_string(r));
        if (model_.empty()) return expectEmpty(what, r, -1);
        size_t want;
        if (state_ == Cur::None) {
            want = next ? 0 : model_.size() - 1;
        } else if (state_ == Cur::Known) {
            const size_t lb = lowerBound(cur_);
            if (next) {
                size_t ub = lb < model_.size() && cmpFull(model_[lb].key, cur_) == 0 ? lb + 1 : lb;
                want = ub < model_.size() ? ub : model_.size() - 1;
            } else {
                want = lb > 0 ? lb - 1 : 0;
            }
        } else { // position unknown to the model: any key will do, and fixes it
            auto it = std::find_if(model_.begin(), model_.end(),
                                   [&](const Entry &e) { return e.rec == r; });
            if (it == model_.end())
                return fail(std::string(what) + " answered " + std::to_string(r) +
                            ", no such record");
            want = size_t(it - model_.begin());
        }
        return landOn(what, r, want, out);
    }

    // The first key for which direction x compare(given, key) < 1; a character prefix compares
    // only its own characters unless `exact`.
    std::string opPartial(std::mt19937 &rng)
    {
        if (g_.callerDup) return opEnd(true);
        Key given = (!model_.empty() && rng() % 2) ? userPart(model_[rng() % model_.size()].key)
                                                   : randomUser(rng);
        const int exact = !g_.dups && rng() % 3 == 0;
        size_t prefix = given.size();
        if (g_.cmpType == LIO_KEY_CHAR && rng() % 2) {
            size_t len = std::find(given.begin(), given.end(), 0) - given.begin();
            prefix = rng() % (len + 1);
            std::fill(given.begin() + long(prefix), given.end(), 0);
        }
        const bool prefixMatch = g_.cmpType == LIO_KEY_CHAR && !exact;
        auto notSmaller = [&](const Entry &e) {
            if (!prefixMatch) return cmpUser(given, e) <= 0;
            const unsigned char *k = e.key.data() + g_.cmpStart;
            int c = 0;
            for (size_t i = 0; i < given.size() && given[i] && c == 0; ++i)
                c = given[i] < k[i] ? -1 : given[i] > k[i] ? 1 : 0;
            return c * g_.dir <= 0;
        };
        Key out = outBuffer();
        lioClearErr();
        const int r = lioSrPrtl(fd_, given.data(), out.data(), exact);
        log("partial " + show(given) + " exact " + std::to_string(exact) + " -> " +
            std::to_string(r));
        if (model_.empty()) return expectEmpty("lioSrPrtl", r, 0);
        size_t want =
            size_t(std::find_if(model_.begin(), model_.end(), notSmaller) - model_.begin());
        if (want == model_.size()) want = model_.size() - 1;
        return landOn("lioSrPrtl", r, want, out);
    }

    std::string opSerNum(std::mt19937 &rng)
    {
        if (model_.empty()) return opInsert(rng);
        const size_t i = rng() % model_.size();
        auto [b, e] = group(userPart(model_[i].key));
        // with caller discriminators only the given key's own entry and those after it count
        Key arg = argOf(model_[g_.callerDup ? i : b].key);
        const size_t from = g_.callerDup ? i : b;
        int wanted = nextRec_ + 1000000, expected = 0;
        if (rng() % 3) {
            const size_t pick = from + rng() % (e - from);
            wanted = expected = model_[pick].rec;
        }
        const int r = lioSerNum(fd_, arg.data(), wanted);
        log("sernum " + show(arg) + " rec " + std::to_string(wanted) + " -> " + std::to_string(r));
        state_ = Cur::Unknown;
        if (expected) {
            auto it = std::find_if(model_.begin(), model_.end(),
                                   [&](const Entry &x) { return x.rec == expected; });
            setCurrent(it->key);
        }
        return expectRec("lioSerNum", r, expected);
    }

    const ModelConfig &c_;
    LioFile *fd_ = nullptr;
    tIndexGeometry g_;
    std::string geometryErr_;
    std::vector<Entry> model_;
    Cur state_ = Cur::None;
    Key cur_;
    int nextRec_ = 1;
    long ops_ = 0;
    int maxDepth_ = 0;
    std::deque<std::string> log_;
};

LioFile *openIndex(const std::string &path, int cacheSlots)
{
    LioFile *fd = lioOpen(path.c_str(), LIO_EXCL | LIO_RDWR);
    if (fd && cacheSlots > 0 && lioSetCache(fd, LIO_CACHE_PRIVATE, cacheSlots) != 0) {
        lioClose(fd);
        return nullptr;
    }
    return fd;
}

// Runs one configuration; "" or the first discrepancy.  `depth` gets the deepest tree seen.
std::string runModel(const ModelConfig &c, const TempDir &dir, int *depth)
{
    OrderGuard guard(c.order);
    const std::string path = dir.file(c.name);
    if (lioCreat(path.c_str(), c.keyLen, c.type, 0, 1) != 0)
        return "lioCreat failed with " + std::to_string(lastCode());
    OpenFile file(openIndex(path, c.cacheSlots));
    if (!file.get()) return "open failed with " + std::to_string(lastCode());
    ModelRun run(file.get(), c);
    std::mt19937 rng(c.seed);
    const Phase plan[] = {Phase::Grow,   Phase::Churn, Phase::Grow,
                          Phase::Shrink, Phase::Churn, Phase::Shrink};
    long count = 0;
    std::string err;
    for (Phase phase : plan) {
        for (int i = 0; i < c.ops / 6; ++i) {
            if (!(err = run.step(rng, phase)).empty()) return err;
            if (++count % c.checkEvery == 0 && !(err = run.verify()).empty()) return err;
        }
        if (!(err = run.verify()).empty()) return err;
        if (file.close() != 0) return "close failed with " + std::to_string(lastCode());
        if (headerWord(path, 0, LIO_H_MARK) != LIO_MARK_CLEAN)
            return "file not marked clean after close";
        file.reset(openIndex(path, c.cacheSlots));
        if (!file.get()) return "reopen failed with " + std::to_string(lastCode());
        run.attach(file.get());
        if (!(err = run.verify()).empty()) return "after reopen: " + err;
    }
    while (run.size() > 0) {
        if (!(err = run.drainOne(rng)).empty()) return err;
        if (++count % c.checkEvery == 0 && !(err = run.verify()).empty()) return err;
    }
    if (!(err = run.verify()).empty()) return err;
    *depth = run.maxDepth();

    // Empty again: every page ever allocated is on the free chain, and new keys reuse them.
    int h[LIO_HDRWORDS];
    lioHeader(file.get(), h);
    const tIndexGeometry &g = run.geometry();
    if (h[LIO_H_ROOT] != 0 || h[LIO_H_LIVE] != 0 || h[LIO_H_KEYS] != 0)
        return "drained index not empty";
    if (long(h[LIO_H_DELETED]) * g.pageSize != h[LIO_H_EOF] - g.headerArea)
        return "after draining " + std::to_string(h[LIO_H_DELETED]) +
               " free pages do not fill the file";
    const int eof = h[LIO_H_EOF];
    for (int i = 0; i < 20; ++i)
        if (!(err = run.insertOne(rng)).empty()) return err;
    if (!(err = run.verify()).empty()) return err;
    lioHeader(file.get(), h);
    if (h[LIO_H_EOF] != eof)
        return "new keys after draining grew the file instead of reusing free pages";
    return "";
}

// clang-format off
const ModelConfig kConfigs[] = {
    // name                       order type                                              K   universe ops  every cache max   seed
    {"o1_char_unique_asc",         1, LIO_KEY_CHAR,                                       6,   300,  3000, 1, 0,  400, 1101},
    {"o1_binary_unique_desc",      1, LIO_KEY_BINARY | LIO_KEY_DESC,                      6,   300,  3000, 1, 0,  400, 1102},
    {"o1_int_dups_asc",            1, LIO_KEY_INT | LIO_KEY_DUPS,                         4,    60,  3000, 1, 0,  400, 1103},
    {"o1_char_dups_desc",          1, LIO_KEY_CHAR | LIO_KEY_DUPS | LIO_KEY_DESC,         5,    80,  3000, 1, 0,  400, 1104},
    {"o2_char_unique_desc",        2, LIO_KEY_CHAR | LIO_KEY_DESC,                        6,   600,  4000, 1, 1,  800, 1201},
    {"o2_intsub_unique_asc",       2, LIO_KEY_INTSUB,                                     4,   600,  4000, 1, 0,  800, 1202},
    {"o2_binary_dups_asc",         2, LIO_KEY_BINARY | LIO_KEY_DUPS,                      5,   150,  4000, 1, 0,  800, 1203},
    {"o2_char_dups_desc",          2, LIO_KEY_CHAR | LIO_KEY_DUPS | LIO_KEY_DESC,         6,   150,  4000, 1, 0,  800, 1204},
    {"o2_char_callerdup_asc",      2, LIO_KEY_CHAR | LIO_KEY_DUPS | LIO_KEY_CALLERDUP,    8,    80,  4000, 1, 0,  800, 1205},
    {"o7_char_unique_asc",         7, LIO_KEY_CHAR,                                       8,  2000,  6000, 2, 0, 3000, 1701},
    {"o7_int_unique_desc",         7, LIO_KEY_INT | LIO_KEY_DESC,                         4,  2000,  6000, 2, 2, 3000, 1702},
    {"o7_char_dups_asc",           7, LIO_KEY_CHAR | LIO_KEY_DUPS,                        6,   400,  6000, 2, 0, 3000, 1703},
    {"o7_binary_dups_desc",        7, LIO_KEY_BINARY | LIO_KEY_DUPS | LIO_KEY_DESC,       8,   400,  6000, 2, 0, 3000, 1704},
    {"o7_binary_callerdup_desc",   7, LIO_KEY_BINARY | LIO_KEY_DUPS | LIO_KEY_CALLERDUP | LIO_KEY_DESC, 10, 300, 6000, 2, 0, 3000, 1705},
    {"o12_binary_unique_asc",     12, LIO_KEY_BINARY,                                     6,  3000, 9000, 8, 0, 3000, 1901},
    {"o12_int_unique_desc",       12, LIO_KEY_INT | LIO_KEY_DESC,                         4,  3000, 9000, 8, 0, 3000, 1902},
    {"o12_intsub_dups_asc",       12, LIO_KEY_INTSUB | LIO_KEY_DUPS,                      4,   500, 9000, 8, 0, 3000, 1903},
    {"o12_char_dups_desc",        12, LIO_KEY_CHAR | LIO_KEY_DUPS | LIO_KEY_DESC,         7,   500, 9000, 8, 0, 3000, 1904},
};
// clang-format on

class BtreeModelTest : public EngineTest, public ::testing::WithParamInterface<ModelConfig> {};

TEST_P(BtreeModelTest, RandomOperationsMatchOrderedModel)
{
    const ModelConfig &c = GetParam();
    SCOPED_TRACE(std::string(c.name) + " seed " + std::to_string(c.seed));
    int depth = 0;
    const std::string err = runModel(c, dir_, &depth);
    EXPECT_EQ(err, "");
    if (err.empty()) {
        EXPECT_GE(depth, 3) << "the run should build a tree at least three levels deep";
    }
}

INSTANTIATE_TEST_SUITE_P(Configs, BtreeModelTest, ::testing::ValuesIn(kConfigs),
                         [](const ::testing::TestParamInfo<ModelConfig> &info) {
                             return info.param.name;
                         });

// Three indices of different orders and key types share one file: their pages interleave, and
// after every operation the whole file must tile into tree and free pages.
class IndexFileModelTest : public EngineTest {};

TEST_F(IndexFileModelTest, InterleavedIndicesStayConsistent)
{
    const ModelConfig sub[3] = {
        {"sub1_o1_char", 1, LIO_KEY_CHAR, 5, 200, 0, 5, 0, 300, 2101},
        {"sub2_o3_int_dups_desc", 3, LIO_KEY_INT | LIO_KEY_DUPS | LIO_KEY_DESC, 4, 50, 0, 5, 0, 600,
         2101},
        {"sub3_o2_binary", 2, LIO_KEY_BINARY, 6, 400, 0, 5, 0, 600, 2101},
    };
    const uint32_t seed = 2101;
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::string path = dir_.file("shared");
    {
        OrderGuard guard(sub[0].order);
        ASSERT_EQ(lioCreat(path.c_str(), sub[0].keyLen, sub[0].type, 0, 4), 0);
    }
    OpenFile file(lioOpen(path.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(file.get(), nullptr);
    for (int i = 1; i < 3; ++i) {
        OrderGuard guard(sub[i].order);
        ASSERT_NE(lioInxCreat(file.get(), sub[i].keyLen, sub[i].type), nullptr) << lastCode();
    }
    std::vector<std::unique_ptr<ModelRun>> runs;
    for (int i = 0; i < 3; ++i)
        runs.push_back(std::make_unique<ModelRun>(lioSubFile(file.get(), i + 1), sub[i]));

    std::mt19937 rng(seed);
    const Phase plan[] = {Phase::Grow, Phase::Churn, Phase::Shrink};
    for (int round = 0; round < 2; ++round) {
        for (Phase phase : plan) {
            for (int op = 0; op < 700; ++op) {
                ModelRun &run = *runs[rng() % 3];
                std::string err = run.step(rng, phase);
                ASSERT_EQ(err, "");
                ASSERT_EQ(checkIndexFile(file.get()), "") << "after: " << op;
                if (op % 5 == 0) {
                    for (auto &r : runs) ASSERT_EQ(r->verify(), "");
                }
            }
            ASSERT_EQ(file.close(), 0);
            file.reset(lioOpen(path.c_str(), LIO_EXCL | LIO_RDWR));
            ASSERT_NE(file.get(), nullptr);
            for (int i = 0; i < 3; ++i) runs[size_t(i)]->attach(lioSubFile(file.get(), i + 1));
            ASSERT_EQ(checkIndexFile(file.get()), "");
        }
    }
    for (auto &r : runs) {
        while (r->size() > 0) ASSERT_EQ(r->drainOne(rng), "");
        ASSERT_EQ(r->verify(), "");
    }
    EXPECT_EQ(checkIndexFile(file.get()), "") << "every page of the file is on a free chain";
}

} // namespace
} // namespace velk::apptest
