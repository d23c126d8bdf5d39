#include "btree/check/fileset.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace velkcheck {

int tKeyDef::end() const
{
    int e = 0;
    for (const auto &[off, len] : segs) e = std::max(e, off + len);
    return e;
}

std::string parseKeyBlock(const Bytes &stash, std::vector<tKeyDef> *keys)
{
    const long words = long(stash.size() / 4);
    auto at = [&](long w) { return loadWord(stash.data() + 4 * w); };
    keys->clear();
    if (words < 2) return "Ablage zu klein für einen Schlüsselblock";
    const int n = at(0);
    if (n < 1 || n > BT3_MAXKEYS) return format("der Schlüsselblock hält %d Schlüssel", n);
    long w = 1;
    for (int i = 0; i < n; ++i) {
        tKeyDef k;
        if (w >= words) return format("der Schlüsselblock endet in Schlüssel %d", i);
        k.flags = at(w++);
        const int type = k.flags & LIO_KEY_TYPEMASK;
        if (k.flags < 0 || (k.flags & ~(LIO_KEY_TYPEMASK | LIO_KEY_DESC | LIO_KEY_DUPS)) ||
            (type != LIO_KEY_CHAR && type != LIO_KEY_INTSUB && type != LIO_KEY_INT &&
             type != LIO_KEY_BINARY))
            return format("Schlüssel %d hat die Merkmale %d", i, k.flags);
        while (w < words && at(w) != -1) {
            if (w + 1 >= words) return format("der Schlüsselblock endet in Schlüssel %d", i);
            int off = at(w), len = at(w + 1);
            if (off < 0 || len < 1 || len > LIO_MAXKEY)
                return format("Schlüssel %d hat ein Segment bei %d mit %d Bytes", i, off, len);
            k.segs.emplace_back(off, len);
            k.klen += len;
            w += 2;
        }
        if (w >= words) return format("der Schlüsselblock endet in Schlüssel %d", i);
        ++w;
        if (k.segs.empty() || k.klen > LIO_MAXKEY)
            return format("Schlüssel %d ist %d Bytes lang", i, k.klen);
        if ((type == LIO_KEY_INT || type == LIO_KEY_INTSUB) && k.klen != 4)
            return format("ganzzahliger Schlüssel %d ist %d Bytes lang", i, k.klen);
        keys->push_back(k);
    }
    if (w >= words || at(w) != -1)
        return "der Schlüsselblock endet nicht nach seinem letzten Schlüssel";
    return "";
}

Bytes buildKey(const tKeyDef &k, const Bytes &stored)
{
    Bytes key;
    key.reserve(size_t(k.storedLen()));
    if (k.dups()) key.insert(key.end(), stored.begin(), stored.begin() + 4);
    for (const auto &[off, len] : k.segs)
        for (int i = 0; i < len; ++i) {
            size_t at = size_t(4 + off + i);
            key.push_back(at < stored.size() ? stored[at] : 0);
        }
    if (k.type() == LIO_KEY_CHAR) {
        auto user = key.begin() + k.userOff();
        auto nul = std::find(user, key.end(), 0);
        std::fill(nul, key.end(), 0);
    }
    return key;
}

std::vector<int> keyDefinitionList(const std::vector<tKeyDef> &keys)
{
    std::vector<int> rows;
    for (const tKeyDef &k : keys)
        for (size_t s = 0; s < k.segs.size(); ++s)
            rows.insert(rows.end(),
                        {k.segs[s].first, k.segs[s].second, s ? int(BT3_CONT) : k.flags});
    rows.insert(rows.end(), {-1, 0, 0});
    return rows;
}

std::string format(const char *f, ...)
{
    char buf[512];
    va_list ap;
    va_start(ap, f);
    std::vsnprintf(buf, sizeof buf, f, ap);
    va_end(ap);
    return buf;
}

void tSetState::find(const std::string &file, const std::string &what, const std::string &where)
{
    if (++perFile[file] <= kListedPerFile) findings.push_back({file, what, where});
}

void tSetState::finish()
{
    for (const auto &[file, n] : perFile)
        if (n > kListedPerFile)
            findings.push_back({file,
                                counted(n - kListedPerFile, "weiterer Befund", "weitere Befunde") +
                                    " nicht aufgeführt",
                                "Datei"});
    perFile.clear();
}

void checkLockState(tSetState &st, const std::string &file, const int32_t *openCount,
                    const int32_t *owner, const int32_t *nlocks, const int32_t *table, long maxRec)
{
    if (*openCount != 0)
        st.find(file, format("Öffnungszähler %d: nicht geschlossen oder gerade offen", *openCount),
                "Kopf");
    if (*owner != 0)
        st.find(file, format("exklusiver Besitzerprozess %d eingetragen", *owner), "Kopf");
    if (*nlocks < 0 || *nlocks > LIO_MAXLOCKS) {
        st.find(
            file,
            format("die Sperrtabelle nennt %d Einträge, höchstens %d", *nlocks, int(LIO_MAXLOCKS)),
            "Sperrtabelle");
    } else {
        for (int i = 0; i < *nlocks; ++i) {
            int32_t rec = table[2 * i], proc = table[2 * i + 1];
            std::string what = format("Satz %d gesperrt von Prozess %d", rec, proc);
            if (rec < 1 || rec > maxRec || proc < 1) what += " (kein solcher Satz oder Prozess)";
            st.find(file, what, format("Sperreintrag %d", i + 1));
        }
    }
    if (*openCount != 0 || *owner != 0 || *nlocks != 0) st.locksStale = true;
}

} // namespace velkcheck
