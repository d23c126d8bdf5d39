// verify_index.cpp - the index file of a file set against its key block and live records.
//
// Each sub-file must pass the B-tree rules (1)-(10) of check_rules.h and all of them together
// rule (11); the sub-files must be the keys of the key block in order, with their stored key
// lengths and types; every live record must have exactly its key in every index and no index a
// key without its record; each index holds as many keys as the data file says it has records (the
// count an open compares, error 361).
#include "btree/check/fileset.h"

#include <algorithm>
#include <map>

namespace velkcheck {

namespace {

const size_t kMaxListed = 5; // mismatches listed per index before a count

using Entry = std::pair<Bytes, int32_t>;

std::string recList(const std::vector<int32_t> &recs)
{
    std::string s;
    for (size_t i = 0; i < recs.size() && i < kMaxListed; ++i)
        s += (i ? ", " : "") + std::to_string(recs[i]);
    if (recs.size() > kMaxListed) s += format(" und %zu weitere", recs.size() - kMaxListed);
    return s;
}

// Records that share a key of a unique index: found on the data side, settled by a repair.
void findUniqueClashes(tSetState &st, const std::string &datFile)
{
    for (size_t i = 0; i < st.keys.size(); ++i) {
        if (st.keys[i].dups()) continue;
        std::map<Bytes, int32_t> owner;
        for (const tDataRecord &r : st.records) {
            auto [it, fresh] = owner.emplace(buildKey(st.keys[i], r.stored), r.rec);
            if (!fresh) {
                st.find(
                    datFile,
                    format(
                        "die Sätze %d und %d tragen denselben Schlüssel des eindeutigen Index %zu",
                        it->second, r.rec, i),
                    format("Satz %d", r.rec));
                st.dataDamaged = true;
            }
        }
    }
}

void compareEntries(tSetState &st, const std::string &file, size_t inx,
                    const std::vector<tIndexEntry> &entries)
{
    std::vector<Entry> want, have;
    for (const tDataRecord &r : st.records)
        want.emplace_back(buildKey(st.keys[inx], r.stored), r.rec);
    for (const tIndexEntry &e : entries) have.emplace_back(e.key, e.rec);
    std::sort(want.begin(), want.end());
    std::sort(have.begin(), have.end());
    std::vector<Entry> missing, extra;
    std::set_difference(want.begin(), want.end(), have.begin(), have.end(),
                        std::back_inserter(missing));
    std::set_difference(have.begin(), have.end(), want.begin(), want.end(),
                        std::back_inserter(extra));
    auto recs = [](const std::vector<Entry> &v) {
        std::vector<int32_t> r;
        for (const Entry &e : v) r.push_back(e.second);
        std::sort(r.begin(), r.end());
        return r;
    };
    const std::string where = format("Index %zu", inx);
    if (!missing.empty())
        st.find(file,
                std::string(missing.size() == 1 ? "kein Schlüssel für Satz "
                                                : "keine Schlüssel für die Sätze ") +
                    recList(recs(missing)),
                where);
    if (!extra.empty())
        st.find(file,
                std::string(extra.size() == 1
                                ? "Schlüssel ohne seinen Satz, er zeigt auf Satz "
                                : "Schlüssel ohne ihre Sätze, sie zeigen auf die Sätze ") +
                    recList(recs(extra)),
                where);
    if (!missing.empty() || !extra.empty()) st.indexDamaged = true;
}

// Header-level checks of the index file; false when its sub-files cannot be read at all.
bool checkIndexHeaders(tSetState &st, const std::string &file, const tRawFile &f, int32_t *first)
{
    if (f.size() < LIO_HDRSIZE) {
        st.find(file, f.size() == 0 ? "leere Datei" : "zu kurz für einen Kopf", "Kopf");
        return false;
    }
    unsigned char raw[LIO_HDRSIZE];
    f.read(0, sizeof raw, raw);
    for (int i = 0; i < LIO_HDRWORDS; ++i) first[i] = loadWord(raw + 4 * i);
    const int maxf = first[LIO_H_MAXFILES], nfiles = first[LIO_H_NFILES];
    if (first[LIO_H_MAGIC] != LIO_MAGIC || first[LIO_H_HDRSIZE] != LIO_HDRSIZE ||
        first[LIO_H_TYPE] == LIO_DATAFILE) {
        st.find(file,
                format("kein Kopf einer Indexdatei (Kennung %d, Kopfgröße %d, Typ %d)",
                       first[LIO_H_MAGIC], first[LIO_H_HDRSIZE], first[LIO_H_TYPE]),
                "Kopf");
        return false;
    }
    if (maxf < 1 || maxf > LIO_MAXFILES || nfiles < 1 || nfiles > maxf) {
        st.find(file, format("%d von höchstens %d Unterdateien", nfiles, maxf), "Kopfwörter 2, 6");
        return false;
    }
    if (f.size() < (long long)maxf * LIO_HDRSIZE) {
        st.find(file,
                "die Datei hat " + counted(long(f.size()), "Byte", "Bytes") +
                    format(", ihre Köpfe brauchen %d (abgeschnitten)", maxf * int(LIO_HDRSIZE)),
                "Kopfbereich");
        return false;
    }
    for (int n = 1; n <= nfiles; ++n) {
        f.read((long long)(n - 1) * LIO_HDRSIZE, sizeof raw, raw);
        int32_t mark = loadWord(raw + 4 * LIO_H_MARK);
        if (mark != LIO_MARK_CLEAN) {
            st.find(file, format("nicht sauber geschlossen (Marke %d)", mark),
                    format("Unterdatei %d", n));
            st.indexDamaged = true;
        }
    }
    checkLockState(st, file, &first[LIO_H_OPENCOUNT], &first[LIO_H_OWNER], &first[LIO_H_NLOCKS],
                   &first[LIO_H_LOCKS], 0x7fffffff);
    if (f.size() < first[LIO_H_EOF]) {
        st.find(file,
                format("die Datei hat %lld Bytes, weniger als ihr Dateiende %d (abgeschnitten)",
                       f.size(), first[LIO_H_EOF]),
                "Dateiende");
        st.indexDamaged = true;
    } else if (f.size() > first[LIO_H_EOF]) {
        st.find(file,
                format("%lld Bytes hinter dem Dateiende %d", f.size() - first[LIO_H_EOF],
                       first[LIO_H_EOF]),
                "Dateiende");
        st.indexDamaged = true;
    }
    return true;
}

} // namespace

void verifyIndexFile(const std::string &dir, tSetState &st)
{
    const std::string file = st.name + ".ndx";
    if (st.keysKnown) findUniqueClashes(st, st.variable ? st.name + ".mp" : st.name + ".dat");
    tRawFile f;
    std::string why;
    if (!f.open(dir + "/" + file, false, &why)) {
        st.find(file, "Indexdatei kann nicht geöffnet werden: " + why, "Datei");
        st.indexDamaged = true;
        return;
    }
    int32_t first[LIO_HDRWORDS];
    if (!checkIndexHeaders(st, file, f, first)) {
        st.indexDamaged = true;
        return;
    }
    if (st.keysKnown && size_t(first[LIO_H_NFILES]) != st.keys.size()) {
        st.find(file,
                format("%d Indizes, der Schlüsselblock legt %zu fest", first[LIO_H_NFILES],
                       st.keys.size()),
                "Kopfwort 2");
        st.indexDamaged = true;
    }
    tRecordFileSource src(f);
    bool allClean = true;
    for (int n = 1; n <= first[LIO_H_NFILES]; ++n) {
        const size_t inx = size_t(n - 1);
        const std::string where = format("Index %zu", inx);
        int32_t h[LIO_HDRWORDS];
        src.header(n, h);
        if (st.keysKnown && inx < st.keys.size() &&
            (h[LIO_H_KEYLEN] != st.keys[inx].storedLen() ||
             h[LIO_H_TYPE] != st.keys[inx].storedType())) {
            st.find(file,
                    format("Schlüssellänge %d und Typ %d, der Schlüsselblock sagt %d und %d",
                           h[LIO_H_KEYLEN], h[LIO_H_TYPE], st.keys[inx].storedLen(),
                           st.keys[inx].storedType()),
                    where);
            st.indexDamaged = true;
            allClean = false;
            continue;
        }
        tIndexReport report;
        std::string err = checkIndex(src, n, &report);
        if (!err.empty()) {
            st.find(file, err, where);
            st.indexDamaged = true;
            allClean = false;
            continue;
        }
        if (h[LIO_H_KEYS] != st.dataCount) {
            st.find(file,
                    format("%d Schlüssel, die Datendatei zählt ", h[LIO_H_KEYS]) +
                        counted(st.dataCount, "Satz", "Sätze"),
                    where);
            st.indexDamaged = true;
        }
        if (st.keysKnown && inx < st.keys.size()) compareEntries(st, file, inx, report.entries);
    }
    if (allClean) {
        std::string err = checkIndexFile(src);
        if (!err.empty()) {
            st.find(file, err, "Seitenbereich");
            st.indexDamaged = true;
        }
    }
}

} // namespace velkcheck
