// repair_vl.cpp - a variable-length store put right from its map.
//
// A map entry is kept when it points to a well-formed area that no entry before it (by offset)
// already covers; every other record number goes onto the freed-number list.  The delete heap is
// built anew from the gaps between the kept areas, each gap cut into pieces of listed sizes; the
// store ends after the last kept area.
#include "btree/check/vlstore.h"

#include <algorithm>
#include <set>

namespace velkcheck {

namespace {

const unsigned char kMarker[5] = {0x1B, 'd', 'e', 'l', 0x1B};

// An area rewritten in place starts with the new record's length before the map entry takes it:
// a process cut off between the two leaves a whole area whose own length word is the truth.
// Answers that length when the area holds a sound record of the same area size, else the map's.
template <class Entry>
int32_t areaLength(const tVlLayout &v, const tRawFile &sf, const Entry &en, const std::string &bad)
{
    unsigned char w[4];
    if (bad.empty() || en.stored < 4 + BT3_SERIAL || en.stored > v.h[VL_H_MAX] ||
        !sf.read(en.off, 4, w))
        return en.stored;
    int32_t own = loadWord(w);
    if (own < 4 + BT3_SERIAL || own > v.h[VL_H_MAX] || v.areaSize(own) != v.areaSize(en.stored) ||
        !checkArea(v, sf, en.off, own, sf.size()).empty())
        return en.stored;
    return own;
}

// The live records of the map, in offset order without overlaps; fresh serials where needed.
void collectRecords(tSetState &st, const tRawFile &mp, const tRawFile &sf, const tVlLayout &v,
                    int32_t *maxSerial, std::vector<std::string> &actions)
{
    st.records.clear();
    struct Entry {
        int32_t rec, off, stored;
    };
    std::vector<Entry> entries;
    for (long n = 1; n <= v.mapEntries; ++n) {
        unsigned char e[8];
        mp.read(v.mapAt(n), 8, e);
        Entry en{int32_t(n), loadWord(e), loadWord(e + 4)};
        if (en.stored == 0) continue;
        std::string bad = checkArea(v, sf, en.off, en.stored, sf.size());
        int32_t own = areaLength(v, sf, en, bad);
        if (own != en.stored) {
            actions.push_back(format(
                "%s.mp: Satz %d übernimmt die Länge %d seines Bereichs (die Zuordnung sagte %d)",
                st.name.c_str(), en.rec, own, en.stored));
            en.stored = own;
        } else if (!bad.empty()) {
            actions.push_back(
                format("%s.mp: Satz %d verworfen: %s", st.name.c_str(), en.rec, bad.c_str()));
            continue;
        }
        entries.push_back(en);
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry &a, const Entry &b) { return a.off < b.off; });
    long long at = v.region;
    std::set<int32_t> serials;
    for (const Entry &en : entries) {
        if (en.off < at) continue;
        at = en.off + v.areaSize(en.stored);
        tDataRecord r{en.rec, 0, Bytes(size_t(en.stored - 4))};
        sf.read(en.off + 4LL, r.stored.size(), r.stored.data());
        r.serial = loadWord(r.stored.data());
        *maxSerial = std::max(*maxSerial, r.serial);
        st.records.push_back(std::move(r));
    }
    for (tDataRecord &r : st.records)
        if (r.serial <= 0 || !serials.insert(r.serial).second) {
            r.serial = ++*maxSerial;
            storeWord(r.stored.data(), r.serial);
            actions.push_back(format("%s.mp: Satz %d erhält die neue Seriennummer %d",
                                     st.name.c_str(), r.rec, r.serial));
        }
}

// Cuts a gap into free areas of listed sizes; pieces that cannot be listed stay unlisted.
std::vector<long long> cutGap(const tVlLayout &v, long long gap)
{
    std::vector<long long> pieces;
    const long long largest = v.classSize(v.classes - 1);
    while (gap >= v.min()) {
        long long piece = std::min(gap, largest);
        if (gap - piece > 0 && gap - piece < v.min()) piece = gap - v.min();
        if (piece < v.min() || (piece - v.min()) % v.g() != 0) break;
        pieces.push_back(piece);
        gap -= piece;
    }
    return pieces;
}

// The delete heap anew from the gaps between the areas in use; *end becomes the end of the
// last one, *heap the bytes listed.
bool rebuildHeap(tRawFile &mp, tRawFile &sf, const tVlLayout &v,
                 std::vector<std::pair<long long, long long>> used, long long *end, long long *heap)
{
    std::sort(used.begin(), used.end());
    std::vector<int32_t> heads(size_t(v.classes), 0);
    long long at = v.region;
    bool ok = true;
    for (const auto &[off, size] : used) {
        for (long long piece : cutGap(v, off - at)) {
            const int cls = int((piece - v.min()) / v.g());
            unsigned char a[VL_FREEFORM];
            storeWord(a, int32_t(piece));
            std::copy(kMarker, kMarker + 5, a + 4);
            storeWord(a + 9, heads[size_t(cls)]);
            ok = ok && sf.write(at, sizeof a, a);
            heads[size_t(cls)] = int32_t(at);
            *heap += piece;
            at += piece;
        }
        at = off + size;
    }
    for (int i = 0; i < v.classes && ok; ++i) {
        unsigned char w[4];
        storeWord(w, heads[size_t(i)]);
        ok = mp.write(VL_HDRSIZE + 4LL * i, 4, w);
    }
    *end = at;
    return ok;
}

} // namespace

bool repairVlData(const std::string &dir, tSetState &st, std::vector<std::string> &actions,
                  std::string *why)
{
    tRawFile mp, sf;
    if (!mp.open(dir + "/" + st.name + ".mp", true, why) ||
        !sf.open(dir + "/" + st.name + ".st", true, why)) {
        *why = st.name + ": " + *why;
        return false;
    }
    tVlLayout v;
    bool unusable = false;
    std::string bad = loadVlLayout(mp, sf, &v, &unusable);
    if (!bad.empty()) {
        *why = st.name + ".mp: " + bad + "; nicht reparierbar";
        return false;
    }
    int32_t *h = v.h;
    // record numbers beyond the map the file holds never had an area
    h[VL_H_HIGHEST] = int32_t(v.mapEntries);
    int32_t maxSerial = std::max(h[VL_H_SERIAL], 0);
    collectRecords(st, mp, sf, v, &maxSerial, actions);
    if (!settleUniqueKeys(dir, st, actions, why)) return false;
    std::sort(st.records.begin(), st.records.end(),
              [](const tDataRecord &a, const tDataRecord &b) { return a.rec < b.rec; });

    bool ok = true;
    std::vector<std::pair<long long, long long>> used; // (offset, area size)
    std::set<int32_t> live;
    for (const tDataRecord &r : st.records) {
        unsigned char e[8];
        mp.read(v.mapAt(r.rec), 8, e);
        const int32_t off = loadWord(e), stored = int32_t(r.stored.size()) + 4;
        used.emplace_back(off, v.areaSize(stored));
        live.insert(r.rec);
        // map entry and area agree on the length again
        unsigned char len[4];
        storeWord(len, stored);
        storeWord(e + 4, stored);
        ok = ok && mp.write(v.mapAt(r.rec), 8, e) && sf.write(off, 4, len) &&
             sf.write(off + 4LL, r.stored.size(), r.stored.data());
    }
    // freed-number list in ascending order
    int32_t head = 0, count = 0;
    for (long n = h[VL_H_HIGHEST]; n >= 1 && ok; --n) {
        if (live.count(int32_t(n))) continue;
        unsigned char e[8];
        storeWord(e, head);
        storeWord(e + 4, 0);
        ok = mp.write(v.mapAt(n), 8, e);
        head = int32_t(n);
        ++count;
    }
    long long at = v.region, heap = 0;
    ok = ok && rebuildHeap(mp, sf, v, used, &at, &heap);
    h[VL_H_FREEHEAD] = head;
    h[VL_H_FREECOUNT] = count;
    h[VL_H_END] = int32_t(at);
    h[VL_H_HEAPBYTES] = int32_t(heap);
    h[VL_H_MARK] = LIO_MARK_CLEAN;
    h[VL_H_SERIAL] = maxSerial;
    for (int w = VL_H_OPENCOUNT; w < VL_HDRWORDS; ++w) h[w] = 0;
    unsigned char raw[VL_HDRSIZE];
    for (int i = 0; i < VL_HDRWORDS; ++i) storeWord(raw + 4 * i, h[i]);
    unsigned char copy[VL_STOREHDR];
    storeWord(copy, h[VL_H_MIN]);
    storeWord(copy + 4, h[VL_H_MAX]);
    storeWord(copy + 8, h[VL_H_GRAN]);
    ok = ok && sf.write(0, sizeof copy, copy) && sf.truncate(at) && sf.sync() &&
         mp.write(0, sizeof raw, raw) && mp.truncate(v.mapAt(h[VL_H_HIGHEST] + 1)) && mp.sync();
    if (!ok) {
        *why = st.name + ": das Schreiben des reparierten Speichers ist gescheitert";
        return false;
    }
    st.dataCount = long(st.records.size());
    actions.push_back(
        st.name + ".mp: " + counted(long(st.records.size()), "Satz", "Sätze") + " behalten, " +
        counted(count, "Satznummer", "Satznummern") + " freigegeben, Löschhalde mit " +
        counted(long(heap), "Byte", "Bytes") +
        " neu aufgebaut, Kopf neu geschrieben (Marke 42, keine Sperren, Öffnungszähler 0)");
    return true;
}

} // namespace velkcheck
