// verify_fixed.cpp - the data file of a fixed-length file set, read raw.
//
// The header must agree with itself and with the file's size (record-file invariants (1)-(4)),
// the free chain must hold exactly the deleted records, each with the deletion marker, and every
// other record must carry a serial the header has handed out.  A record slot is live when it does
// not begin with the marker and its serial is not 0 (a slot taken but never written).
#include "btree/check/fileset.h"

#include <map>
#include <set>

namespace velkcheck {

namespace {

bool hasMarker(const Bytes &b) { return b.size() >= 5 && hasDeletionMarker(b.data()); }

// Header fields that locate the records; anything else here makes the file unusable.
std::string layoutProblem(const int32_t *h)
{
    if (h[LIO_H_RECLEN] <= BT3_SERIAL || h[LIO_H_RECLEN] > 1000000)
        return format("record length %d", h[LIO_H_RECLEN]);
    if (h[LIO_H_STASH] < BT3_STASH || h[LIO_H_STASH] > 1000000)
        return format("stash size %d, the key block needs %d", h[LIO_H_STASH], int(BT3_STASH));
    return "";
}

void checkHeader(tSetState &st, const std::string &file, const int32_t *h, long long size)
{
    if (h[LIO_H_NFILES] != 1 || h[LIO_H_MAXFILES] != 1)
        st.find(file,
                format("header says %d of %d sub-files, a data file has 1 of 1", h[LIO_H_NFILES],
                       h[LIO_H_MAXFILES]),
                "header words 2, 6");
    if (h[LIO_H_NFILES] != 1 || h[LIO_H_MAXFILES] != 1) st.dataDamaged = true;
    if (h[LIO_H_MARK] != LIO_MARK_CLEAN)
        st.find(file, format("not closed cleanly (mark %d)", h[LIO_H_MARK]), "header word 5");
    const long long expect = LIO_HDRSIZE + (long long)h[LIO_H_STASH] +
                             ((long long)h[LIO_H_LIVE] + h[LIO_H_DELETED]) * h[LIO_H_RECLEN];
    if (h[LIO_H_LIVE] < 0 || h[LIO_H_DELETED] < 0 || h[LIO_H_EOF] != expect)
        st.find(file,
                format("end-of-file %d, but %d live and %d deleted records end at %lld",
                       h[LIO_H_EOF], h[LIO_H_LIVE], h[LIO_H_DELETED], expect),
                "header word 3");
    if (size < h[LIO_H_EOF])
        st.find(file,
                format("file is %lld bytes, shorter than its end-of-file %d (truncated)", size,
                       h[LIO_H_EOF]),
                "end of file");
    else if (size > h[LIO_H_EOF])
        st.find(file,
                format("%lld bytes past the end-of-file %d", size - h[LIO_H_EOF], h[LIO_H_EOF]),
                "end of file");
    if (h[LIO_H_MARK] != LIO_MARK_CLEAN || h[LIO_H_EOF] != expect || size != h[LIO_H_EOF])
        st.dataDamaged = true;
}

// Reads the record slots the header counts (as far as the file reaches); fills st.records.
void scanRecords(tSetState &st, const std::string &file, const tRawFile &f, const int32_t *h)
{
    const long reclen = h[LIO_H_RECLEN], stash = h[LIO_H_STASH];
    long slots =
        long(std::max<long long>(0, h[LIO_H_LIVE]) + std::max<long long>(0, h[LIO_H_DELETED]));
    slots = std::min<long>(slots, long((f.size() - LIO_HDRSIZE - stash) / reclen));
    std::map<int32_t, int32_t> serials;
    long freeSlots = 0;
    Bytes buf(static_cast<size_t>(reclen));
    for (long n = 1; n <= slots; ++n) {
        if (!f.read(LIO_HDRSIZE + stash + (n - 1) * reclen, buf.size(), buf.data())) break;
        if (hasMarker(buf)) {
            ++freeSlots;
            continue;
        }
        int32_t serial = loadWord(buf.data());
        if (serial == 0) {
            st.find(file, "record slot never written (serial 0)", format("record %ld", n));
            st.dataDamaged = true;
            continue;
        }
        if (serial < 0 || serial > h[LIO_H_SERIAL]) {
            st.find(file, format("serial %d beyond the counter %d", serial, h[LIO_H_SERIAL]),
                    format("record %ld", n));
            st.dataDamaged = true;
        }
        auto [it, fresh] = serials.emplace(serial, int32_t(n));
        if (!fresh) {
            st.find(file, format("serial %d also carried by record %d", serial, it->second),
                    format("record %ld", n));
            st.dataDamaged = true;
        }
        st.records.push_back({int32_t(n), serial, buf});
    }
    if (long(st.records.size()) != h[LIO_H_LIVE] && h[LIO_H_LIVE] >= 0)
        st.find(file,
                format("header counts %d live records, the file holds %zu", h[LIO_H_LIVE],
                       st.records.size()),
                "header word 8");
    if (long(st.records.size()) != h[LIO_H_LIVE] || freeSlots != h[LIO_H_DELETED])
        st.dataDamaged = true;
}

} // namespace

tSetState verifyFixedData(const std::string &dir, const std::string &name)
{
    tSetState st;
    st.name = name;
    const std::string file = name + ".dat";
    tRawFile f;
    std::string why;
    if (!f.open(dir + "/" + file, false, &why)) {
        st.cannotRun = file + ": cannot be opened: " + why;
        return st;
    }
    if (f.size() == 0) {
        st.cannotRun = file + ": empty file, not a data file of the database";
        return st;
    }
    unsigned char raw[LIO_HDRSIZE];
    if (!f.read(0, sizeof raw, raw)) {
        st.cannotRun = format("%s: %lld bytes, too short for a record file header; not a data "
                              "file of the database",
                              file.c_str(), f.size());
        return st;
    }
    int32_t h[LIO_HDRWORDS];
    for (int i = 0; i < LIO_HDRWORDS; ++i) h[i] = loadWord(raw + 4 * i);
    if (h[LIO_H_MAGIC] != LIO_MAGIC || h[LIO_H_HDRSIZE] != LIO_HDRSIZE ||
        h[LIO_H_TYPE] != LIO_DATAFILE) {
        st.cannotRun = format("%s: not a data file of the database (magic %d, header size %d, "
                              "type %d)",
                              file.c_str(), h[LIO_H_MAGIC], h[LIO_H_HDRSIZE], h[LIO_H_TYPE]);
        return st;
    }
    std::string bad = layoutProblem(h);
    if (!bad.empty()) {
        st.find(file, "header damaged: " + bad, "header");
        st.dataDamaged = true;
        return st;
    }
    st.dataCount = h[LIO_H_LIVE];
    checkHeader(st, file, h, f.size());
    checkLockState(st, file, &h[LIO_H_OPENCOUNT], &h[LIO_H_OWNER], &h[LIO_H_NLOCKS],
                   &h[LIO_H_LOCKS], long(h[LIO_H_LIVE]) + h[LIO_H_DELETED]);

    tRecordFileSource src(f);
    std::string chain = checkDataFile(src);
    if (!chain.empty() && chain.compare(0, 4, "(12)") != 0) {
        st.find(file, chain, "free chain");
        st.dataDamaged = true;
    }

    Bytes stash(static_cast<size_t>(h[LIO_H_STASH]));
    if (!f.read(LIO_HDRSIZE, stash.size(), stash.data())) {
        st.find(file, "stash cut off: the key block is lost", "stash");
        st.dataDamaged = true;
        return st;
    }
    std::string keys = parseKeyBlock(stash, &st.keys);
    if (!keys.empty()) {
        st.find(file, keys, "key block");
        st.dataDamaged = true;
        return st;
    }
    for (const tKeyDef &k : st.keys)
        if (k.end() > h[LIO_H_RECLEN] - BT3_SERIAL) {
            st.find(file,
                    format("a key reaches byte %d of %d-byte records", k.end(),
                           h[LIO_H_RECLEN] - BT3_SERIAL),
                    "key block");
            st.dataDamaged = true;
            return st;
        }
    st.keysKnown = true;
    scanRecords(st, file, f, h);
    return st;
}

} // namespace velkcheck
