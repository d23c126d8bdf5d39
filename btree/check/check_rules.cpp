#include "btree/check/check_rules.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <utility>

namespace velkcheck {

namespace {

const unsigned char kMarker[5] = {0x1B, 'd', 'e', 'l', 0x1B};

int32_t word(const unsigned char *p)
{
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                   uint32_t(p[3]) << 24);
}

std::string fmt(const char *f, long a = 0, long b = 0, long c = 0, long d = 0)
{
    char buf[256];
    std::snprintf(buf, sizeof buf, f, a, b, c, d);
    return buf;
}

int sign(long v) { return (v > 0) - (v < 0); }

bool orderable(const tIndexGeometry &g, LioCompare custom)
{
    switch (g.cmpType) {
    case LIO_KEY_CHAR:
    case LIO_KEY_INTSUB:
    case LIO_KEY_INT:
    case LIO_KEY_BINARY:
        return true;
    default:
        return custom != nullptr;
    }
}

// Rule (10) for one stored key.
std::string checkNormalised(const tIndexGeometry &g, const unsigned char *key, long page, int item)
{
    if (g.dups && !g.callerDup) {
        int32_t serial = word(key + g.discOffset);
        if (serial < 1 || serial > g.words[LIO_H_SERIAL])
            return fmt(
                "(10) Seite %ld Eintrag %ld: Seriennummer %ld des Duplikats außerhalb 1..%ld", page,
                item, serial, g.words[LIO_H_SERIAL]);
    }
    if (g.cmpType == LIO_KEY_CHAR) {
        const unsigned char *user = key + g.cmpStart;
        const unsigned char *nul =
            static_cast<const unsigned char *>(std::memchr(user, 0, g.cmpLen));
        if (nul)
            for (const unsigned char *p = nul; p < user + g.cmpLen; ++p)
                if (*p)
                    return fmt("(10) Seite %ld Eintrag %ld: Zeichenschlüssel nach seiner NUL nicht "
                               "mit Nullen aufgefüllt",
                               page, item);
    }
    return "";
}

class tTreeWalker {
public:
    tTreeWalker(tFileSource &src, int sub, const tIndexGeometry &g, LioCompare custom,
                tIndexReport *report)
        : src_(src), sub_(sub), g_(g), custom_(custom), ordered_(orderable(g, custom)),
          report_(report)
    {}

    std::string walk(long root)
    {
        std::string err = visit(root, 1, true);
        if (!err.empty()) return err;
        if (report_) report_->depth = leafDepth_;
        return "";
    }

    long pages() const { return long(visited_.size()); }
    long items() const { return items_; }
    const std::set<long> &visited() const { return visited_; }

private:
    std::string emit(const tPageItem &item, long page)
    {
        if (ordered_ && havePrev_ && compareKeys(g_, prev_.data(), item.key.data(), custom_) >= 0)
            return fmt(
                "(7) Schlüsselfolge gestört auf Seite %ld: Schlüssel nicht größer als der davor",
                page);
        prev_ = item.key;
        havePrev_ = true;
        ++items_;
        if (report_) report_->entries.push_back({item.key, item.rec});
        return "";
    }

    std::string visit(long offset, int depth, bool isRoot)
    {
        if (depth > LIO_MAXDEPTH)
            return fmt("(6) Baum tiefer als %ld Ebenen bei Seite %ld", LIO_MAXDEPTH, offset);
        if (visited_.count(offset)) return fmt("(3) Seite %ld zweimal erreicht", offset);
        visited_.insert(offset);
        if (report_) report_->treePages.push_back(offset);

        tPageImage page;
        std::string err = readPageImage(src_, sub_, g_, offset, &page);
        if (!err.empty()) return err;
        const int n = g_.order;
        if (page.m < (isRoot ? 1 : n))
            return fmt("(4) Seite %ld: Zahl der Einträge %ld, weniger als %ld", offset, page.m,
                       isRoot ? 1 : n);

        const bool leaf = page.p0 == 0;
        for (int i = 0; i < page.m; ++i) {
            if (leaf && page.items[i].child != 0)
                return fmt("(5) Blatt %ld Eintrag %ld hat das Kind %ld", offset, i,
                           page.items[i].child);
            if (!leaf && page.items[i].child == 0)
                return fmt("(5) innere Seite %ld Eintrag %ld hat kein Kind", offset, i);
            if (ordered_ && i > 0 &&
                compareKeys(g_, page.items[i - 1].key.data(), page.items[i].key.data(), custom_) >=
                    0)
                return fmt("(7) Seite %ld: Eintrag %ld nicht größer als Eintrag %ld", offset, i,
                           i - 1);
            err = checkNormalised(g_, page.items[i].key.data(), offset, i);
            if (!err.empty()) return err;
        }

        if (leaf) {
            if (leafDepth_ == 0)
                leafDepth_ = depth;
            else if (leafDepth_ != depth)
                return fmt("(6) Blatt %ld in Tiefe %ld, ein anderes Blatt in Tiefe %ld", offset,
                           depth, leafDepth_);
            for (const tPageItem &item : page.items)
                if (!(err = emit(item, offset)).empty()) return err;
            return "";
        }
        if (!(err = visit(page.p0, depth + 1, false)).empty()) return err;
        for (const tPageItem &item : page.items) {
            if (!(err = emit(item, offset)).empty()) return err;
            if (!(err = visit(item.child, depth + 1, false)).empty()) return err;
        }
        return "";
    }

    tFileSource &src_;
    int sub_;
    const tIndexGeometry &g_;
    LioCompare custom_;
    bool ordered_;
    tIndexReport *report_;
    std::set<long> visited_;
    std::vector<unsigned char> prev_;
    bool havePrev_ = false;
    long items_ = 0;
    int leafDepth_ = 0;
};

bool inPageArea(const tIndexGeometry &g, long offset)
{
    return offset >= g.headerArea && offset + g.pageSize <= g.eof;
}

} // namespace

bool hasDeletionMarker(const unsigned char *p)
{
    return std::memcmp(p, kMarker, sizeof kMarker) == 0;
}

std::string loadGeometry(tFileSource &src, int sub, tIndexGeometry *g)
{
    if (!src.header(sub, g->words)) return fmt("(1) kein Kopf der Unterdatei %ld", sub);
    const int *w = g->words;
    if (w[LIO_H_MAGIC] != LIO_MAGIC || w[LIO_H_HDRSIZE] != LIO_HDRSIZE)
        return fmt("(1) Kennung %ld, Kopfgröße %ld", w[LIO_H_MAGIC], w[LIO_H_HDRSIZE]);
    if (w[LIO_H_TYPE] == LIO_DATAFILE) return "(1) eine Datendatei, kein Index";
    g->keyLen = w[LIO_H_KEYLEN];
    g->typeByte = w[LIO_H_TYPE];
    g->cmpType = g->typeByte & LIO_KEY_TYPEMASK;
    g->dups = w[LIO_H_DUPS] != 0;
    g->callerDup = (g->typeByte & LIO_KEY_CALLERDUP) != 0;
    g->dir = w[LIO_H_DIR];
    g->order = w[LIO_H_ORDER];
    g->pageSize = w[LIO_H_RECLEN];
    g->maxFiles = w[LIO_H_MAXFILES];
    if (w[LIO_H_DUPS] != 0 && w[LIO_H_DUPS] != 1)
        return fmt("(1) Duplikatmerkmal %ld", w[LIO_H_DUPS]);
    if (g->dups != ((g->typeByte & LIO_KEY_DUPS) != 0))
        return fmt("(1) Duplikatmerkmal %ld passt nicht zum Schlüsseltyp %ld", w[LIO_H_DUPS],
                   g->typeByte);
    if (g->dir != ((g->typeByte & LIO_KEY_DESC) ? -1 : 1))
        return fmt("(1) Richtung %ld passt nicht zum Schlüsseltyp %ld", g->dir, g->typeByte);
    if (g->order < 1 || g->order > LIO_MAXORDER) return fmt("(1) Ordnung %ld", g->order);
    if (g->keyLen < (g->dups ? 5 : 1) || g->keyLen > LIO_MAXKEY)
        return fmt("(1) Schlüssellänge %ld", g->keyLen);
    if (g->pageSize != (g->keyLen + 8) * 2 * g->order + 8)
        return fmt("(1) Seitengröße %ld bei Schlüssellänge %ld und Ordnung %ld", g->pageSize,
                   g->keyLen, g->order);
    if (g->maxFiles < 1 || g->maxFiles > LIO_MAXFILES)
        return fmt("(1) Höchstzahl der Unterdateien %ld", g->maxFiles);
    if (!g->dups) {
        g->cmpStart = 0;
        g->cmpLen = g->keyLen;
        g->discOffset = -1;
    } else if (g->callerDup) {
        g->cmpStart = 4;
        g->cmpLen = g->keyLen - 4;
        g->discOffset = 0;
    } else {
        g->cmpStart = 0;
        g->cmpLen = g->keyLen - 4;
        g->discOffset = g->keyLen - 4;
    }
    int fw[LIO_HDRWORDS];
    if (!src.header(1, fw)) return "(1) Unterdatei 1 nicht erreichbar";
    g->headerArea = long(g->maxFiles) * LIO_HDRSIZE;
    g->eof = fw[LIO_H_EOF];
    if (g->eof < g->headerArea)
        return fmt("(1) Dateiende %ld im Kopfbereich von %ld Bytes", g->eof, g->headerArea);
    return "";
}

int compareUser(const tIndexGeometry &g, const unsigned char *a, const unsigned char *b,
                LioCompare custom)
{
    switch (g.cmpType) {
    case LIO_KEY_CHAR:
        for (int i = 0; i < g.cmpLen; ++i) {
            if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
            if (a[i] == 0) return 0;
        }
        return 0;
    case LIO_KEY_BINARY:
        return sign(std::memcmp(a, b, size_t(g.cmpLen)));
    case LIO_KEY_INTSUB:
        return sign(int32_t(uint32_t(word(a)) - uint32_t(word(b))));
    case LIO_KEY_INT: {
        int32_t x = word(a), y = word(b);
        return (x > y) - (x < y);
    }
    default:
        return custom ? sign(custom(g.cmpLen, g.typeByte, a, b)) : 0;
    }
}

int compareKeys(const tIndexGeometry &g, const unsigned char *a, const unsigned char *b,
                LioCompare custom)
{
    int c = compareUser(g, a + g.cmpStart, b + g.cmpStart, custom) * g.dir;
    if (c != 0 || !g.dups) return c;
    int32_t da = word(a + g.discOffset), db = word(b + g.discOffset);
    return da < db ? -g.dir : da > db ? g.dir : 0;
}

std::string readPageImage(tFileSource &src, int sub, const tIndexGeometry &g, long offset,
                          tPageImage *page)
{
    if (!inPageArea(g, offset))
        return fmt("(3) Seitenadresse %ld außerhalb des Seitenbereichs %ld..%ld", offset,
                   g.headerArea, g.eof);
    page->offset = offset;
    page->raw.assign(size_t(g.pageSize), 0);
    if (!src.read(sub, offset, g.pageSize, page->raw.data()))
        return fmt("(3) Seite %ld kann nicht gelesen werden", offset);
    const unsigned char *p = page->raw.data();
    page->m = p[0];
    page->p0 = word(p + 1);
    if (page->m > 2 * g.order)
        return fmt("(4) Seite %ld: Zahl der Einträge %ld, mehr als %ld", offset, page->m,
                   2 * g.order);
    page->items.resize(size_t(page->m));
    const int itemSize = g.keyLen + 8;
    for (int i = 0; i < page->m; ++i) {
        const unsigned char *it = p + 5 + i * itemSize;
        tPageItem &item = page->items[size_t(i)];
        item.key.assign(it, it + g.keyLen);
        item.child = word(it + g.keyLen);
        item.rec = word(it + g.keyLen + 4);
    }
    return "";
}

std::string checkIndex(tFileSource &src, int sub, tIndexReport *report, LioCompare custom)
{
    tIndexGeometry g;
    std::string err = loadGeometry(src, sub, &g);
    if (!err.empty()) return err;
    if (report) *report = tIndexReport();
    const int *w = g.words;
    const long root = w[LIO_H_ROOT], pages = w[LIO_H_LIVE], keys = w[LIO_H_KEYS];
    if ((root == 0 || pages == 0 || keys == 0) && (root | pages | keys) != 0)
        return fmt(
            "(2) Wurzel %ld, belegte Seiten %ld, Schlüssel %ld: ein leerer Index hat alle drei 0",
            root, pages, keys);

    tTreeWalker walker(src, sub, g, custom, report);
    if (root != 0 && !(err = walker.walk(root)).empty()) return err;
    if (walker.items() != keys)
        return fmt("(8) Schlüsselzahl %ld, der Baum hält %ld", keys, walker.items());
    if (walker.pages() != pages)
        return fmt("(8) belegte Seiten %ld, der Baum hält %ld", pages, walker.pages());

    const long deleted = w[LIO_H_DELETED];
    std::set<long> freeSeen;
    std::vector<unsigned char> buf(size_t(g.pageSize));
    for (long cur = w[LIO_H_FREE]; cur != 0;) {
        if (freeSeen.count(cur)) return fmt("(9) die Freikette erreicht Seite %ld erneut", cur);
        if (long(freeSeen.size()) >= deleted)
            return fmt("(9) Freikette länger als die Löschzahl %ld (bei Seite %ld)", deleted, cur);
        if (!inPageArea(g, cur))
            return fmt("(9) freie Seite %ld außerhalb des Seitenbereichs", cur);
        if (walker.visited().count(cur))
            return fmt("(9) Seite %ld ist frei und zugleich im Baum", cur);
        freeSeen.insert(cur);
        if (report) report->freePages.push_back(cur);
        if (!src.read(sub, cur, g.pageSize, buf.data()))
            return fmt("(9) freie Seite %ld kann nicht gelesen werden", cur);
        if (!hasDeletionMarker(buf.data()))
            return fmt("(9) freier Seite %ld fehlt die Löschmarke", cur);
        for (int i = 9; i < g.pageSize; ++i)
            if (buf[size_t(i)] != 0)
                return fmt("(9) freie Seite %ld: Byte %ld ist nicht null", cur, i);
        cur = word(buf.data() + 5);
    }
    if (long(freeSeen.size()) != deleted)
        return fmt("(9) Seiten in der Freikette: %ld, Löschzahl %ld", long(freeSeen.size()),
                   deleted);
    return "";
}

std::string checkIndexFile(tFileSource &src, LioCompare custom)
{
    int fw[LIO_HDRWORDS];
    if (!src.header(1, fw)) return "(1) Unterdatei 1 nicht erreichbar";
    const int nfiles = fw[LIO_H_NFILES], maxFiles = fw[LIO_H_MAXFILES];
    if (nfiles < 1 || nfiles > maxFiles || maxFiles > LIO_MAXFILES)
        return fmt("(1) Zahl der Unterdateien %ld, Höchstzahl %ld", nfiles, maxFiles);

    std::vector<std::pair<long, long>> spans; // [begin, end) of every tree and free page
    for (int n = 1; n <= nfiles; ++n) {
        tIndexReport report;
        std::string err = checkIndex(src, n, &report, custom);
        if (!err.empty()) return fmt("Unterdatei %ld: ", n) + err;
        tIndexGeometry g;
        loadGeometry(src, n, &g);
        if (g.maxFiles != maxFiles)
            return fmt("(11) Unterdatei %ld nennt die Höchstzahl %ld der Unterdateien, Unterdatei "
                       "1 nennt %ld",
                       n, g.maxFiles, maxFiles);
        for (long p : report.treePages) spans.emplace_back(p, p + g.pageSize);
        for (long p : report.freePages) spans.emplace_back(p, p + g.pageSize);
    }
    std::sort(spans.begin(), spans.end());
    long at = long(maxFiles) * LIO_HDRSIZE;
    for (const auto &[begin, end] : spans) {
        if (begin < at)
            return fmt("(11) Seite %ld überlappt die Seite, die bei %ld endet", begin, at);
        if (begin > at)
            return fmt("(11) Bytes %ld..%ld gehören zu keinem Baum und keiner Freikette", at,
                       begin);
        at = end;
    }
    if (at != fw[LIO_H_EOF])
        return fmt("(11) die Seiten enden bei %ld, das Dateiende ist %ld", at, fw[LIO_H_EOF]);
    return "";
}

std::string checkDataFile(tFileSource &src)
{
    int w[LIO_HDRWORDS];
    if (!src.header(1, w)) return "(12) kein Kopf";
    if (w[LIO_H_TYPE] != LIO_DATAFILE) return "(12) keine Datendatei";
    const long reclen = w[LIO_H_RECLEN], stash = w[LIO_H_STASH];
    const long live = w[LIO_H_LIVE], deleted = w[LIO_H_DELETED];
    if (w[LIO_H_EOF] != LIO_HDRSIZE + stash + (live + deleted) * reclen)
        return fmt("(12) Dateiende %ld, erwartet %ld", w[LIO_H_EOF],
                   LIO_HDRSIZE + stash + (live + deleted) * reclen);
    std::set<long> seen;
    if (reclen < 9 && w[LIO_H_FREE] != 0)
        return fmt("(13) Satzlänge %ld, zu kurz für die Löschmarke", reclen);
    std::vector<unsigned char> buf(size_t(std::max(reclen, 16L)));
    for (long cur = w[LIO_H_FREE]; cur != 0;) {
        if (seen.count(cur)) return fmt("(13) die Freikette erreicht Satz %ld erneut", cur);
        if (long(seen.size()) >= deleted)
            return fmt("(13) Freikette länger als die Löschzahl %ld", deleted);
        if (cur < 1 || cur > live + deleted)
            return fmt("(13) freier Satz %ld außerhalb 1..%ld", cur, live + deleted);
        seen.insert(cur);
        if (!src.read(1, cur, int(reclen), buf.data()))
            return fmt("(13) freier Satz %ld kann nicht gelesen werden", cur);
        if (!hasDeletionMarker(buf.data()))
            return fmt("(13) freiem Satz %ld fehlt die Löschmarke", cur);
        for (long i = 9; i < reclen; ++i)
            if (buf[size_t(i)] != 0)
                return fmt("(13) freier Satz %ld: Byte %ld ist nicht null", cur, i);
        cur = word(buf.data() + 5);
    }
    if (long(seen.size()) != deleted)
        return fmt("(13) Sätze in der Freikette: %ld, Löschzahl %ld", long(seen.size()), deleted);
    return "";
}

// ---- the same rules over an open engine descriptor ----

tLioSource::tLioSource(LioFile *fd) : first_(fd ? lioSubFile(fd, 1) : nullptr)
{
    if (fd && !first_) first_ = fd; // a data file
}

bool tLioSource::header(int sub, int *words)
{
    LioFile *fd = first_ ? lioSubFile(first_, sub) : nullptr;
    if (!fd && sub == 1) fd = first_;
    return fd && lioHeader(fd, words) == 0;
}

bool tLioSource::read(int sub, long where, int len, unsigned char *buf)
{
    LioFile *fd = first_ ? lioSubFile(first_, sub) : nullptr;
    if (!fd && sub == 1) fd = first_;
    return fd && lioPageSize(fd) == len && lioRead(fd, int(where), buf) == len;
}

int tLioSource::subOf(LioFile *fd) const
{
    for (int n = 1; first_ && n <= LIO_MAXFILES; ++n) {
        LioFile *s = lioSubFile(first_, n);
        if (s == fd || (n == 1 && first_ == fd)) return n;
        if (!s) break;
    }
    return 0;
}

std::string loadGeometry(LioFile *fd, tIndexGeometry *g)
{
    if (!fd) return "(1) kein Deskriptor";
    tLioSource src(fd);
    return loadGeometry(src, src.subOf(fd), g);
}

std::string readPageImage(LioFile *fd, const tIndexGeometry &g, long offset, tPageImage *page)
{
    tLioSource src(fd);
    return readPageImage(src, src.subOf(fd), g, offset, page);
}

std::string checkIndex(LioFile *fd, tIndexReport *report, LioCompare custom)
{
    if (!fd) return "(1) kein Deskriptor";
    tLioSource src(fd);
    return checkIndex(src, src.subOf(fd), report, custom);
}

std::string checkIndexFile(LioFile *fd, LioCompare custom)
{
    if (!fd) return "(1) kein Deskriptor";
    tLioSource src(fd);
    return checkIndexFile(src, custom);
}

std::string checkDataFile(LioFile *fd)
{
    if (!fd) return "(12) kein Deskriptor";
    tLioSource src(fd);
    return checkDataFile(src);
}

} // namespace velkcheck
