// verify_vl.cpp - the variable-length store of a file set, read raw.
//
// Checked against the store's invariants: the header's parameters agree with each other and with
// the store's copy of them; the freed record numbers form one list of word 3 numbers; every other
// map entry points to an area in use that starts with its stored length; each delete-heap list
// holds free areas of its class with the marker, adding up to word 5; and the areas in use, the
// free ones and the unlisted freed ones of the one size without a head tile the area region.
#include "btree/check/vlstore.h"

#include <algorithm>
#include <map>
#include <set>

namespace velkcheck {

std::string loadVlLayout(const tRawFile &mp, const tRawFile &st, tVlLayout *v, bool *unusable)
{
    *unusable = true;
    unsigned char raw[VL_HDRSIZE];
    if (mp.size() == 0) return "leere Datei, keine Zuordnung der Datenbank";
    if (!mp.read(0, sizeof raw, raw))
        return counted(long(mp.size()), "Byte", "Bytes") +
               ", zu kurz für den Kopf einer Zuordnung; keine Datei der Datenbank";
    for (int i = 0; i < VL_HDRWORDS; ++i) v->h[i] = loadWord(raw + 4 * i);
    const int32_t *h = v->h;
    if (h[VL_H_MAGIC] != LIO_MAGIC)
        return format("keine Zuordnung der Datenbank (Kennung %d)", h[VL_H_MAGIC]);
    if (st.size() == 0) return "ihr Speicher (.st) ist eine leere Datei";
    *unusable = false;
    const int32_t mn = h[VL_H_MIN], mx = h[VL_H_MAX], g = h[VL_H_GRAN];
    if (g < 1 || g > 1024 || mn < VL_FREEFORM || mn % g != 0 || mx < mn || mx > 30004)
        return format("Kopf beschädigt: Minimum %d, Maximum %d, Körnung %d", mn, mx, g);
    v->classes = (mx - mn + 1) / g + 1;
    if (h[VL_H_MAPOFF] != VL_HDRSIZE + 4 * v->classes)
        return format("Kopf beschädigt: Zuordnungstabelle bei %d, die Parameter legen sie auf %d",
                      h[VL_H_MAPOFF], VL_HDRSIZE + 4 * v->classes);
    if (h[VL_H_STASH] < BT3_STASH || h[VL_H_STASH] > 1000000)
        return format("Kopf beschädigt: Ablagegröße %d, der Schlüsselblock braucht %d",
                      h[VL_H_STASH], int(BT3_STASH));
    v->region = VL_STOREHDR + (long long)h[VL_H_STASH];
    if (h[VL_H_HIGHEST] < 0 || h[VL_H_END] < v->region)
        return format("Kopf beschädigt: höchster Satz %d, Speicherende %d", h[VL_H_HIGHEST],
                      h[VL_H_END]);
    v->mapEntries =
        std::min<long long>(h[VL_H_HIGHEST], std::max(0LL, (mp.size() - h[VL_H_MAPOFF]) / 8));
    return "";
}

std::string checkArea(const tVlLayout &v, const tRawFile &st, int32_t off, int32_t stored,
                      long long end)
{
    if (stored < 4 + BT3_SERIAL || stored > v.h[VL_H_MAX])
        return format("gespeicherte Länge %d außerhalb %d..%d", stored, 4 + int(BT3_SERIAL),
                      v.h[VL_H_MAX]);
    const long long areaEnd = (long long)off + v.areaSize(stored);
    if (off < v.region || areaEnd > end)
        return format("Bereich %d..%lld außerhalb der Bereichszone %lld..%lld", off, areaEnd,
                      v.region, end);
    unsigned char w[4];
    if (!st.read(off, 4, w) || areaEnd > st.size())
        return format("Bereich bei %d liegt hinter dem Ende der Speicherdatei", off);
    if (loadWord(w) != stored)
        return format("Bereich bei %d beginnt mit Länge %d, die Zuordnung sagt %d", off,
                      loadWord(w), stored);
    return "";
}

namespace {

struct tArea {
    long long off, size;
    bool used;
};

// The freed record numbers; fills `freed`.
void walkFreedNumbers(tSetState &st, const std::string &file, const tRawFile &mp,
                      const tVlLayout &v, std::set<long> *freed)
{
    long count = 0;
    for (long n = v.h[VL_H_FREEHEAD]; n != 0; ++count) {
        unsigned char e[8];
        if (n < 1 || n > v.mapEntries || !mp.read(v.mapAt(n), 8, e)) {
            st.find(file, format("freigegebene Satznummer %ld außerhalb 1..%lld", n, v.mapEntries),
                    "Liste der freien Nummern");
            st.dataDamaged = true;
            return;
        }
        if (!freed->insert(n).second) {
            st.find(file, format("die Liste der freien Nummern nennt Satz %ld erneut", n),
                    "Liste der freien Nummern");
            st.dataDamaged = true;
            return;
        }
        if (loadWord(e + 4) != 0) {
            st.find(file, format("freigegebener Satz %ld hat noch einen Bereich", n),
                    "Liste der freien Nummern");
            st.dataDamaged = true;
        }
        n = loadWord(e);
    }
    if (count != v.h[VL_H_FREECOUNT]) {
        st.find(file,
                "die Liste der freien Nummern hält " + counted(count, "Nummer", "Nummern") +
                    format(", Wort 3 sagt %d", v.h[VL_H_FREECOUNT]),
                "Liste der freien Nummern");
        st.dataDamaged = true;
    }
}

// The delete heap: each class's list; adds the free areas.
void walkDeleteHeap(tSetState &st, const std::string &file, const tRawFile &mp, const tRawFile &sf,
                    const tVlLayout &v, std::vector<tArea> *areas)
{
    long long bytes = 0;
    std::set<long long> seen;
    for (int i = 0; i < v.classes; ++i) {
        unsigned char w[4];
        if (!mp.read(VL_HDRSIZE + 4LL * i, 4, w)) break;
        const long long size = v.classSize(i);
        for (long long off = loadWord(w); off != 0;) {
            unsigned char a[VL_FREEFORM];
            const std::string where = format("Löschhalde Klasse %d", i);
            if (off < v.region || off + size > v.h[VL_H_END] || !sf.read(off, sizeof a, a)) {
                st.find(file, format("freier Bereich bei %lld außerhalb der Bereichszone", off),
                        where);
                st.dataDamaged = true;
                break;
            }
            if (!seen.insert(off).second) {
                st.find(file, format("die Liste nennt den freien Bereich bei %lld erneut", off),
                        where);
                st.dataDamaged = true;
                break;
            }
            if (loadWord(a) != size || !hasDeletionMarker(a + 4)) {
                st.find(file,
                        format("freier Bereich bei %lld ist kein freier Bereich mit %lld Bytes",
                               off, size),
                        where);
                st.dataDamaged = true;
                break;
            }
            areas->push_back({off, size, false});
            bytes += size;
            off = loadWord(a + 9);
        }
    }
    if (bytes != v.h[VL_H_HEAPBYTES]) {
        st.find(file,
                "die Löschhalde hält " + counted(long(bytes), "Byte", "Bytes") +
                    format(", Wort 5 sagt %d", v.h[VL_H_HEAPBYTES]),
                "Löschhalde");
        st.dataDamaged = true;
    }
}

// Rule: the areas tile the region; a gap may only be a freed area of the size without a head.
void checkTiling(tSetState &st, const std::string &file, const tRawFile &sf, const tVlLayout &v,
                 std::vector<tArea> &areas)
{
    std::sort(areas.begin(), areas.end(),
              [](const tArea &a, const tArea &b) { return a.off < b.off; });
    long long at = v.region, unlisted = 0;
    const long long headless = v.classSize(v.classes);
    for (size_t i = 0; i <= areas.size(); ++i) {
        const long long next = i < areas.size() ? areas[i].off : v.h[VL_H_END];
        while (at < next) {
            unsigned char a[VL_FREEFORM];
            if (at + headless <= next && sf.read(at, sizeof a, a) && loadWord(a) == headless &&
                hasDeletionMarker(a + 4)) {
                at += headless;
                continue;
            }
            unlisted += next - at;
            at = next;
        }
        if (i == areas.size()) break;
        if (areas[i].off < at) {
            st.find(file, format("Bereiche überlappen bei %lld", areas[i].off), "Speicher");
            st.dataDamaged = true;
        }
        at = std::max(at, areas[i].off + areas[i].size);
    }
    if (unlisted > 0) {
        st.find(file,
                counted(long(unlisted), "Byte", "Bytes") + " des Speichers " +
                    (unlisted == 1 ? "gehört" : "gehören") + " zu keinem Satz und keiner Freiliste",
                "Speicher");
        st.dataDamaged = true;
    }
}

void readRecords(tSetState &st, const std::string &file, const tRawFile &mp, const tRawFile &sf,
                 const tVlLayout &v, const std::set<long> &freed, std::vector<tArea> *areas)
{
    std::map<int32_t, int32_t> serials;
    for (long n = 1; n <= v.mapEntries; ++n) {
        if (freed.count(n)) continue;
        unsigned char e[8];
        mp.read(v.mapAt(n), 8, e);
        const int32_t off = loadWord(e), stored = loadWord(e + 4);
        const std::string where = format("Satz %ld", n);
        if (stored == 0) {
            st.find(file, "Satz ohne Bereich, nicht auf der Liste der freien Nummern", where);
            st.dataDamaged = true;
            continue;
        }
        std::string bad = checkArea(v, sf, off, stored, v.h[VL_H_END]);
        if (!bad.empty()) {
            st.find(file, bad, where);
            st.dataDamaged = true;
            continue;
        }
        areas->push_back({off, v.areaSize(stored), true});
        tDataRecord r{int32_t(n), 0, Bytes(size_t(stored - 4))};
        sf.read(off + 4LL, r.stored.size(), r.stored.data());
        r.serial = loadWord(r.stored.data());
        if (r.serial < 1 || r.serial > v.h[VL_H_SERIAL]) {
            st.find(file, format("Seriennummer %d außerhalb 1..%d", r.serial, v.h[VL_H_SERIAL]),
                    where);
            st.dataDamaged = true;
        }
        auto [it, fresh] = serials.emplace(r.serial, r.rec);
        if (!fresh) {
            st.find(file, format("Seriennummer %d trägt auch Satz %d", r.serial, it->second),
                    where);
            st.dataDamaged = true;
        }
        st.records.push_back(std::move(r));
    }
}

} // namespace

tSetState verifyVlData(const std::string &dir, const std::string &name)
{
    tSetState st;
    st.name = name;
    st.variable = true;
    const std::string file = name + ".mp";
    tRawFile mp, sf;
    std::string why;
    if (!mp.open(dir + "/" + file, false, &why) ||
        !sf.open(dir + "/" + name + ".st", false, &why)) {
        st.cannotRun = name + ": Speicher kann nicht geöffnet werden: " + why;
        return st;
    }
    tVlLayout v;
    bool unusable = false;
    std::string bad = loadVlLayout(mp, sf, &v, &unusable);
    if (!bad.empty()) {
        if (unusable)
            st.cannotRun = file + ": " + bad;
        else
            st.find(file, bad, "Kopf");
        st.dataDamaged = true;
        return st;
    }
    const int32_t *h = v.h;
    unsigned char copy[VL_STOREHDR];
    if (!sf.read(0, sizeof copy, copy) || loadWord(copy) != h[VL_H_MIN] ||
        loadWord(copy + 4) != h[VL_H_MAX] || loadWord(copy + 8) != h[VL_H_GRAN]) {
        st.find(name + ".st",
                "der Kopf des Speichers widerspricht Minimum, Maximum und Körnung der Zuordnung",
                "Kopf");
        st.dataDamaged = true;
    }
    if (h[VL_H_MARK] != LIO_MARK_CLEAN) {
        st.find(file, format("nicht sauber geschlossen (Marke %d)", h[VL_H_MARK]), "Kopfwort 6");
        st.dataDamaged = true;
    }
    checkLockState(st, file, &h[VL_H_OPENCOUNT], &h[VL_H_OWNER], &h[VL_H_NLOCKS], &h[VL_H_LOCKS],
                   h[VL_H_HIGHEST]);
    if (v.mapEntries < h[VL_H_HIGHEST]) {
        st.find(file,
                format("die Zuordnung hält %lld Einträge, der höchste Satz ist %d (abgeschnitten)",
                       v.mapEntries, h[VL_H_HIGHEST]),
                "Zuordnung");
        st.dataDamaged = true;
    }
    if (sf.size() < h[VL_H_END]) {
        st.find(name + ".st",
                format("die Datei hat %lld Bytes, weniger als das Speicherende %d (abgeschnitten)",
                       sf.size(), h[VL_H_END]),
                "Dateiende");
        st.dataDamaged = true;
    }
    st.dataCount = long(h[VL_H_HIGHEST]) - h[VL_H_FREECOUNT];

    std::set<long> freed;
    std::vector<tArea> areas;
    walkFreedNumbers(st, file, mp, v, &freed);
    readRecords(st, file, mp, sf, v, freed, &areas);
    walkDeleteHeap(st, file, mp, sf, v, &areas);
    checkTiling(st, name + ".st", sf, v, areas);

    Bytes stash(static_cast<size_t>(h[VL_H_STASH]));
    if (!sf.read(VL_STOREHDR, stash.size(), stash.data())) {
        st.find(name + ".st", "Ablage abgeschnitten: der Schlüsselblock ist verloren", "Ablage");
        return st;
    }
    std::string keys = parseKeyBlock(stash, &st.keys);
    if (!keys.empty()) {
        st.find(name + ".st", keys, "Schlüsselblock");
        return st;
    }
    st.keysKnown = true;
    return st;
}

} // namespace velkcheck
