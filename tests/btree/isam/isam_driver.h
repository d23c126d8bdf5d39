// isam_driver.h - runs random operations on an open file set and on the model side by side and
// checks after every one: the answer, the current record, the status, and then the whole file
// set (every record found by every key, both walks of every index, the counts).
#ifndef VELK_TESTS_ISAM_DRIVER_H
#define VELK_TESTS_ISAM_DRIVER_H

#include <random>
#include <sstream>

#include "tests/btree/isam/isam_support.h"

namespace isamtest {

class Driver {
public:
    using Gen = std::function<Bytes(std::mt19937 &)>;
    using Mutate = std::function<Bytes(std::mt19937 &, const Bytes &, const Model &)>;

    Driver(Bt3File *fd, std::vector<tKeyDef> keys, bool vl, Gen gen, Mutate mutate, unsigned seed)
        : fd_(fd), vl_(vl), gen_(std::move(gen)), mutate_(std::move(mutate)), rng_(seed), buf_(fd),
          probe_(fd)
    {
        m_.keys = std::move(keys);
    }

    const Model &model() const { return m_; }
    int refusedAdds = 0, refusedWrites = 0, deletes = 0;

    // One random operation and its checks; every other time a step from where it left the
    // current index, which must be on the current record (the full check repositions).
    void step()
    {
        operation();
        if (!::testing::Test::HasFatalFailure() && pick(2)) walkStep();
    }

    void operation()
    {
        int op = pick(100);
        if (op < 34)
            add();
        else if (op < 50)
            rewrite();
        else if (op < 60)
            remove();
        else if (op < 74)
            find();
        else if (op < 88)
            walkStep();
        else if (op < 94)
            select();
        else
            setCur();
    }

    void add()
    {
        Bytes r = gen_(rng_);
        if (!m_.recs.empty() && pick(4) == 0) r = mutate_(rng_, r, m_); // often a taken key
        int len = (int)r.size(), coll = m_.collision(r, 0);
        buf_.set(r);
        int got = vl_ ? bt3VlAdd(fd_, buf_.get(), len) : bt3Add(fd_, buf_.get());
        if (coll) {
            refusedAdds++;
            ASSERT_EQ(got, 0) << "add over the key of record " << coll;
            ASSERT_EQ(lastCode(), BT3_E_DUPKEY);
            expectState();
            return;
        }
        ASSERT_EQ(got, len) << err();
        int rec = bt3GetCur(fd_);
        ASSERT_EQ(m_.recs.count(rec), 0u) << "record number " << rec << " handed out twice";
        m_.recs[rec] = Model::Rec{r, buf_.serial()};
        cur_ = rec;
        read_ = true;
        status_ = BT3_SAMEKEY;
        expectState();
    }

    void rewrite()
    {
        if (!cur_ || !read_) {
            buf_.set(gen_(rng_));
            ASSERT_EQ(vl_ ? bt3VlWrite(fd_, buf_.get(), 20) : bt3Write(fd_, buf_.get()), -1);
            ASSERT_EQ(lastCode(), cur_ ? BT3_E_NOTREAD : BT3_E_NOCUR);
            return;
        }
        Bytes r = mutate_(rng_, m_.recs[cur_].bytes, m_);
        int len = (int)r.size(), coll = m_.collision(r, cur_);
        buf_.set(r);
        int got = vl_ ? bt3VlWrite(fd_, buf_.get(), len) : bt3Write(fd_, buf_.get());
        if (coll) {
            refusedWrites++;
            ASSERT_EQ(got, 0) << "rewrite over the key of record " << coll;
            ASSERT_EQ(lastCode(), BT3_E_DUPKEY);
        } else {
            ASSERT_EQ(got, len) << err();
            m_.recs[cur_].bytes = r;
        }
        expectState();
    }

    void remove()
    {
        if (!cur_ || !read_) {
            ASSERT_EQ(bt3Delete(fd_), -1);
            ASSERT_EQ(lastCode(), cur_ ? BT3_E_NOTREAD : BT3_E_NOCUR);
            return;
        }
        std::vector<int> w = m_.walk(inx_);
        size_t p = std::find(w.begin(), w.end(), cur_) - w.begin();
        int next = p + 1 < w.size() ? w[p + 1] : p > 0 ? w[p - 1] : 0;
        ASSERT_EQ(bt3Delete(fd_), 0) << err();
        deletes++;
        m_.recs.erase(cur_);
        cur_ = next;
        read_ = false;
        status_ = BT3_SAMEKEY;
        expectState();
    }

    void find()
    {
        int mode = 1 + pick(7);
        bool noread = pick(5) == 0;
        Bytes probe = gen_(rng_);
        if (!m_.recs.empty() && pick(3)) probe = any().bytes;
        buf_.set(probe);
        int want = m_.find(inx_, probe, mode);
        int got = bt3Find(fd_, buf_.get(), mode + (noread ? BT3_NOREAD : 0));
        SCOPED_TRACE("find mode " + std::to_string(mode) + " in index " + std::to_string(inx_));
        if (!want) {
            ASSERT_EQ(got, 0) << "found record " << bt3GetCur(fd_);
            cur_ = 0;
            expectState();
            return;
        }
        ASSERT_EQ(got, (int)m_.recs[want].bytes.size()) << err();
        cur_ = want;
        read_ = !noread;
        status_ = BT3_SAMEKEY;
        expectState();
        if (!noread) {
            ASSERT_EQ(buf_.take(got), m_.recs[want].bytes);
        }
    }

    void walkStep()
    {
        bool fwd = pick(2);
        std::vector<int> w = m_.walk(inx_);
        int want, st;
        if (!cur_) {
            want = w.empty() ? 0 : fwd ? w.front() : w.back();
            st = fwd ? BT3_ATSTART : BT3_SAMEKEY;
        } else {
            size_t p = std::find(w.begin(), w.end(), cur_) - w.begin();
            bool edge = fwd ? p + 1 == w.size() : p == 0;
            want = edge ? cur_ : w[fwd ? p + 1 : p - 1];
            st = edge                           ? (fwd ? BT3_ATEND : BT3_ATSTART)
                 : m_.sameKey(inx_, cur_, want) ? BT3_SAMEKEY
                                                : BT3_NEWKEY;
        }
        int got = fwd ? bt3Next(fd_, buf_.get()) : bt3Prev(fd_, buf_.get());
        if (!want) {
            ASSERT_EQ(got, 0);
            return expectState();
        }
        ASSERT_EQ(got, (int)m_.recs[want].bytes.size()) << err();
        ASSERT_EQ(buf_.take(got), m_.recs[want].bytes);
        cur_ = want;
        read_ = true;
        status_ = st;
        expectState();
    }

    void select()
    {
        if (pick(10) == 0) {
            ASSERT_EQ(bt3Select(fd_, (int)m_.keys.size()), -1);
            ASSERT_EQ(lastCode(), BT3_E_BADINX);
            return;
        }
        inx_ = pick((int)m_.keys.size());
        ASSERT_EQ(bt3Select(fd_, inx_), 0) << err();
        expectState();
    }

    void setCur()
    {
        int top = m_.recs.empty() ? 1 : m_.recs.rbegin()->first + 2;
        int rec = 1 + pick(top);
        int got = bt3SetCur(fd_, rec, buf_.get());
        if (!m_.recs.count(rec)) {
            ASSERT_EQ(got, -1) << "record " << rec << " is not in the file set";
            cur_ = 0;
            return expectState();
        }
        ASSERT_EQ(got, (int)m_.recs[rec].bytes.size()) << err();
        ASSERT_EQ(buf_.take(got), m_.recs[rec].bytes);
        cur_ = rec;
        read_ = true;
        status_ = BT3_SAMEKEY;
        expectState();
    }

    // The whole file set against the model; the current record and index are restored.
    void checkAll()
    {
        ASSERT_EQ(bt3Count(fd_), (int)m_.recs.size());
        Buf b(fd_);
        for (size_t i = 0; i < m_.keys.size(); i++) {
            SCOPED_TRACE("index " + std::to_string(i));
            ASSERT_EQ(bt3Select(fd_, (int)i), 0) << err();
            std::vector<int> w = m_.walk((int)i);
            checkWalk(b, w, (int)i, true);
            std::reverse(w.begin(), w.end());
            checkWalk(b, w, (int)i, false);
            std::reverse(w.begin(), w.end());
            std::map<int, int> first; // record -> the first record of its key in the walk
            for (size_t p = 0; p < w.size(); p++)
                first[w[p]] = p && m_.sameKey((int)i, w[p - 1], w[p]) ? first[w[p - 1]] : w[p];
            for (auto &[rec, r] : m_.recs) {
                b.set(r.bytes);
                int want = first[rec];
                ASSERT_EQ(bt3Find(fd_, b.get(), 5), (int)r.bytes.size())
                    << "record " << rec << err();
                ASSERT_EQ(bt3GetCur(fd_), want);
                ASSERT_EQ(bt3SetCur(fd_, rec, nullptr), (int)r.bytes.size()) << err();
            }
        }
        ASSERT_EQ(bt3Select(fd_, inx_), 0);
        if (cur_) {
            ASSERT_EQ(bt3SetCur(fd_, cur_, read_ ? buf_.get() : nullptr),
                      (int)m_.recs[cur_].bytes.size());
            status_ = BT3_SAMEKEY;
        } else {
            clearCurrent();
        }
    }

    // A find that fails leaves no record current.
    void clearCurrent()
    {
        for (int tries = 0; tries < 50; tries++) {
            Bytes probe = gen_(rng_);
            if (m_.find(inx_, probe, 5)) continue;
            probe_.set(probe);
            ASSERT_EQ(bt3Find(fd_, probe_.get(), 5), 0);
            ASSERT_EQ(bt3GetCur(fd_), 0);
            return;
        }
        cur_ = bt3GetCur(fd_); // every probe taken: stay on the record checked last
        read_ = false;
        status_ = BT3_SAMEKEY;
    }

private:
    int pick(int n) { return (int)(rng_() % (unsigned)n); }
    const Model::Rec &any()
    {
        auto it = m_.recs.begin();
        std::advance(it, pick((int)m_.recs.size()));
        return it->second;
    }
    static std::string err()
    {
        char b[200];
        lioErrReport(b, sizeof b);
        return std::string(" (") + b + ")";
    }
    void expectState()
    {
        ASSERT_EQ(bt3GetCur(fd_), cur_);
        if (cur_) {
            ASSERT_EQ(bt3Status(fd_), status_);
        }
    }
    // Start/End, then Next/Prev to the end: the records in order, the statuses on the way.
    void checkWalk(Buf &b, const std::vector<int> &w, int i, bool fwd)
    {
        int got = fwd ? bt3Start(fd_, b.get()) : bt3End(fd_, b.get());
        if (w.empty()) {
            ASSERT_EQ(got, 0);
            return;
        }
        for (size_t p = 0; p <= w.size(); p++) {
            int want = p < w.size() ? w[p] : w.back();
            int st = p == 0                          ? (fwd ? BT3_ATSTART : BT3_SAMEKEY)
                     : p == w.size()                 ? (fwd ? BT3_ATEND : BT3_ATSTART)
                     : m_.sameKey(i, w[p - 1], w[p]) ? BT3_SAMEKEY
                                                     : BT3_NEWKEY;
            ASSERT_EQ(got, (int)m_.recs[want].bytes.size()) << "step " << p << err();
            ASSERT_EQ(bt3GetCur(fd_), want) << "step " << p << (fwd ? " forward" : " backward");
            ASSERT_EQ(bt3Status(fd_), st) << "step " << p;
            ASSERT_EQ(b.take(got), m_.recs[want].bytes);
            if (p < w.size()) got = fwd ? bt3Next(fd_, b.get()) : bt3Prev(fd_, b.get());
        }
    }

    Bt3File *fd_;
    bool vl_;
    Gen gen_;
    Mutate mutate_;
    std::mt19937 rng_;
    Model m_;
    Buf buf_, probe_;
    int cur_ = 0, inx_ = 0, status_ = BT3_SAMEKEY;
    bool read_ = false;
};

} // namespace isamtest

#endif
