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
        return format("Satzlänge %d", h[LIO_H_RECLEN]);
    if (h[LIO_H_STASH] < BT3_STASH || h[LIO_H_STASH] > 1000000)
        return format("Ablagegröße %d, der Schlüsselblock braucht %d", h[LIO_H_STASH],
                      int(BT3_STASH));
    return "";
}

void checkHeader(tSetState &st, const std::string &file, const int32_t *h, long long size)
{
    if (h[LIO_H_NFILES] != 1 || h[LIO_H_MAXFILES] != 1)
        st.find(file,
                format("der Kopf nennt %d von %d Unterdateien, eine Datendatei hat 1 von 1",
                       h[LIO_H_NFILES], h[LIO_H_MAXFILES]),
                "Kopfwörter 2, 6");
    if (h[LIO_H_NFILES] != 1 || h[LIO_H_MAXFILES] != 1) st.dataDamaged = true;
    if (h[LIO_H_MARK] != LIO_MARK_CLEAN)
        st.find(file, format("nicht sauber geschlossen (Marke %d)", h[LIO_H_MARK]), "Kopfwort 5");
    const long long expect = LIO_HDRSIZE + (long long)h[LIO_H_STASH] +
                             ((long long)h[LIO_H_LIVE] + h[LIO_H_DELETED]) * h[LIO_H_RECLEN];
    if (h[LIO_H_LIVE] < 0 || h[LIO_H_DELETED] < 0 || h[LIO_H_EOF] != expect)
        st.find(file,
                format("Dateiende %d, aber %d lebende und %d gelöschte Sätze enden bei %lld",
                       h[LIO_H_EOF], h[LIO_H_LIVE], h[LIO_H_DELETED], expect),
                "Kopfwort 3");
    if (size < h[LIO_H_EOF])
        st.find(file,
                "die Datei hat " + counted(long(size), "Byte", "Bytes") +
                    format(", weniger als ihr Dateiende %d (abgeschnitten)", h[LIO_H_EOF]),
                "Dateiende");
    else if (size > h[LIO_H_EOF])
        st.find(file,
                counted(long(size - h[LIO_H_EOF]), "Byte", "Bytes") +
                    format(" hinter dem Dateiende %d", h[LIO_H_EOF]),
                "Dateiende");
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
            st.find(file, "Satzplatz nie geschrieben (Seriennummer 0)", format("Satz %ld", n));
            st.dataDamaged = true;
            continue;
        }
        if (serial < 0 || serial > h[LIO_H_SERIAL]) {
            st.find(file, format("Seriennummer %d über dem Zähler %d", serial, h[LIO_H_SERIAL]),
                    format("Satz %ld", n));
            st.dataDamaged = true;
        }
        auto [it, fresh] = serials.emplace(serial, int32_t(n));
        if (!fresh) {
            st.find(file, format("Seriennummer %d trägt auch Satz %d", serial, it->second),
                    format("Satz %ld", n));
            st.dataDamaged = true;
        }
        st.records.push_back({int32_t(n), serial, buf});
    }
    if (long(st.records.size()) != h[LIO_H_LIVE] && h[LIO_H_LIVE] >= 0)
        st.find(file,
                format("der Kopf zählt %d lebende Sätze, die Datei hält %zu", h[LIO_H_LIVE],
                       st.records.size()),
                "Kopfwort 8");
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
        st.cannotRun = file + ": kann nicht geöffnet werden: " + why;
        return st;
    }
    if (f.size() == 0) {
        st.cannotRun = file + ": leere Datei, keine Datendatei der Datenbank";
        return st;
    }
    unsigned char raw[LIO_HDRSIZE];
    if (!f.read(0, sizeof raw, raw)) {
        st.cannotRun = file + ": " + counted(long(f.size()), "Byte", "Bytes") +
                       ", zu kurz für den Kopf einer Satzdatei; keine Datendatei der Datenbank";
        return st;
    }
    int32_t h[LIO_HDRWORDS];
    for (int i = 0; i < LIO_HDRWORDS; ++i) h[i] = loadWord(raw + 4 * i);
    if (h[LIO_H_MAGIC] != LIO_MAGIC || h[LIO_H_HDRSIZE] != LIO_HDRSIZE ||
        h[LIO_H_TYPE] != LIO_DATAFILE) {
        st.cannotRun = format("%s: keine Datendatei der Datenbank (Kennung %d, Kopfgröße %d, "
                              "Typ %d)",
                              file.c_str(), h[LIO_H_MAGIC], h[LIO_H_HDRSIZE], h[LIO_H_TYPE]);
        return st;
    }
    std::string bad = layoutProblem(h);
    if (!bad.empty()) {
        st.find(file, "Kopf beschädigt: " + bad, "Kopf");
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
        st.find(file, chain, "Freikette");
        st.dataDamaged = true;
    }

    Bytes stash(static_cast<size_t>(h[LIO_H_STASH]));
    if (!f.read(LIO_HDRSIZE, stash.size(), stash.data())) {
        st.find(file, "Ablage abgeschnitten: der Schlüsselblock ist verloren", "Ablage");
        st.dataDamaged = true;
        return st;
    }
    std::string keys = parseKeyBlock(stash, &st.keys);
    if (!keys.empty()) {
        st.find(file, keys, "Schlüsselblock");
        st.dataDamaged = true;
        return st;
    }
    for (const tKeyDef &k : st.keys)
        if (k.end() > h[LIO_H_RECLEN] - BT3_SERIAL) {
            st.find(file,
                    format("ein Schlüssel reicht bis Byte %d von Sätzen mit %d Bytes", k.end(),
                           h[LIO_H_RECLEN] - BT3_SERIAL),
                    "Schlüsselblock");
            st.dataDamaged = true;
            return st;
        }
    st.keysKnown = true;
    scanRecords(st, file, f, h);
    return st;
}

} // namespace velkcheck
