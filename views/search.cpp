#include "views/search.h"

#include "address/group.h"
#include "address/person.h"
#include "address/resource.h"
#include "base/fill_hold.h"
#include "base/notice_bits.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "model/blob.h"
#include "model/tables.h"
#include "projects/project.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>

namespace velk {

namespace {

struct tKindInfo {
    const char *name;
    const char *title;
    int notices;
};

// In the order of tSearchKind.  An appointment shows its resource's title and its participants'
// names, so changes of resources and persons reach its results too.
constexpr tKindInfo kKindInfo[kSearchKinds] = {
    {"termin", "Termine", NoticeAppointments | NoticeResources | NoticePersons},
    {"person", "Personen", NoticePersons},
    {"gruppe", "Gruppen", NoticePersons},
    {"ressource", "Ressourcen", NoticeResources},
    {"projekt", "Projekte", NoticeProjects},
    {"aufgabe", "Aufgaben", NoticeProjects},
};

const tKindInfo &infoOf(tSearchKind kind) { return kKindInfo[static_cast<int>(kind)]; }

// The folded form of each Windows-1252 byte: one or two bytes.
struct tFoldTable {
    char of[256][3] = {};

    void set(int c, const char *folded)
    {
        of[c][0] = folded[0];
        of[c][1] = folded[0] ? folded[1] : 0;
    }

    tFoldTable()
    {
        for (int c = 0; c < 256; c++) of[c][0] = static_cast<char>(c);
        for (int c = 'A'; c <= 'Z'; c++) of[c][0] = static_cast<char>(c - 'A' + 'a');
        // From 0xC0 on, the capitals and then the small letters in the same order.
        const char *const accented[32] = {"a", "a", "a", "a", "ae", "a", "ae", "c",
                                          "e", "e", "e", "e", "i",  "i", "i",  "i",
                                          "d", "n", "o", "o", "o",  "o", "oe", nullptr,
                                          "o", "u", "u", "u", "ue", "y", "th", nullptr};
        for (int i = 0; i < 32; i++)
            if (accented[i]) set(0xC0 + i, accented[i]), set(0xE0 + i, accented[i]);
        set(0xDF, "ss");
        set(0xFF, "y");
        set(0x8A, "s"), set(0x9A, "s");   // Š š
        set(0x8C, "oe"), set(0x9C, "oe"); // Œ œ
        set(0x8E, "z"), set(0x9E, "z");   // Ž ž
        set(0x9F, "y");                   // Ÿ
    }
};

const tFoldTable &foldTable()
{
    static const tFoldTable table;
    return table;
}

std::string trimmed(std::string_view text)
{
    size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) return "";
    size_t end = text.find_last_not_of(' ');
    return std::string(text.substr(begin, end - begin + 1));
}

// The words of a search, folded; blanks separate them.
std::vector<std::string> foldedWords(std::string_view word)
{
    std::vector<std::string> words;
    std::string folded = searchFold(word);
    std::replace_if(
        folded.begin(), folded.end(), [](char c) { return c == '\n' || c == '\t'; }, ' ');
    size_t at = 0;
    while (at < folded.size()) {
        size_t blank = folded.find(' ', at);
        if (blank == std::string::npos) blank = folded.size();
        if (blank > at) words.push_back(folded.substr(at, blank - at));
        at = blank + 1;
    }
    return words;
}

std::string dateText(const tDate &d)
{
    if (d.day == 0) return "";
    char text[16];
    if (d.year == 0)
        std::snprintf(text, sizeof text, "%02d.%02d.", d.day, d.month);
    else
        std::snprintf(text, sizeof text, "%02d.%02d.%04d", d.day, d.month, d.year);
    return text;
}

std::string joined(std::string_view first, std::string_view second)
{
    std::string a = trimmed(first), b = trimmed(second);
    if (a.empty()) return b;
    return b.empty() ? a : a + " " + b;
}

} // namespace

const char *searchKindName(tSearchKind kind) { return infoOf(kind).name; }
const char *searchKindTitle(tSearchKind kind) { return infoOf(kind).title; }
int searchKindNotices(tSearchKind kind) { return infoOf(kind).notices; }

// Appends the folded form of text to out.
void appendFolded(std::string &out, std::string_view text)
{
    const tFoldTable &fold = foldTable();
    for (char c : text) {
        const char *f = fold.of[static_cast<unsigned char>(c)];
        out += f[0];
        if (f[1]) out += f[1];
    }
}

std::string searchFold(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    appendFolded(out, text);
    return out;
}

std::string searchHitText(const tSearchHit &hit)
{
    if (hit.match.empty() || hit.title.find(hit.match) != std::string::npos) return hit.title;
    return hit.title + " (" + hit.field + ": " + hit.match + ")";
}

std::string searchHitLine(const tSearchHit &hit)
{
    return std::string(searchKindName(hit.kind)) + "\t" + hit.id + "\t" + dateText(hit.date) +
           "\t" + searchHitText(hit);
}

// ---------------------------------------------------------------------------------------------
// The records of a kind as the index keeps them.

// A record's fields are kept one after the other, each ended by a line feed, as typed and
// folded; a word never holds a line feed, so a match never spans two fields.
struct tSearchIndex::tEntry {
    static constexpr int kMaxFields = 10;

    std::string id;
    tDate date;
    tDateTime from, till; // an appointment's span
    long long order = 0;  // an appointment's start as one number, later ones greater
    std::string title;
    std::string text;
    std::string folded;
    std::array<const char *, kMaxFields> labels{};
    std::array<int, kMaxFields> textEnds{}, foldedEnds{};
    int count = 0;

    void add(const char *label, std::string_view value)
    {
        size_t begin = value.find_first_not_of(' ');
        if (begin == std::string_view::npos || count == kMaxFields) return;
        value = value.substr(begin, value.find_last_not_of(' ') - begin + 1);
        text += value;
        text += '\n';
        appendFolded(folded, value);
        folded += '\n';
        labels[count] = label;
        textEnds[count] = static_cast<int>(text.size());
        foldedEnds[count] = static_cast<int>(folded.size());
        count++;
    }
    // The field whose folded text holds position `at`.
    int fieldAt(size_t at) const
    {
        int f = 0;
        while (f + 1 < count && static_cast<size_t>(foldedEnds[f]) <= at) f++;
        return f;
    }
    std::string fieldText(int f) const
    {
        int begin = f ? textEnds[f - 1] : 0;
        return text.substr(begin, textEnds[f] - begin - 1);
    }
};

struct tSearchIndex::tKindData {
    std::vector<tEntry> entries;
    std::vector<int> stamp; // the counters of the kind's tables when it was read
};

namespace {

using tEntry = tSearchIndex::tEntry;

// The tables each kind is read from.
std::vector<tTable *> tablesOf(tSearchKind kind)
{
    switch (kind) {
    case tSearchKind::Termin:
        return {tTermTable::instance(), tResTable::instance(), tPersTable::instance(),
                tGrpTable::instance(), tMemTable::instance()};
    case tSearchKind::Person:
        return {tPersTable::instance(), tGrpTable::instance(), tMemTable::instance()};
    case tSearchKind::Group:
        return {tGrpTable::instance()};
    case tSearchKind::Resource:
        return {tResTable::instance()};
    case tSearchKind::Project:
        return {tPrjTable::instance()};
    case tSearchKind::Task:
        return {tTaskTable::instance()};
    }
    return {};
}

// The modification counters of a kind's tables on disk; a table not open counts as -1.
std::vector<int> stampOf(tSearchKind kind)
{
    std::vector<int> stamp;
    std::vector<tFileCount> counts;
    for (tTable *table : tablesOf(kind)) {
        if (!table || !table->peekCounts(counts)) {
            stamp.push_back(-1);
            continue;
        }
        for (const tFileCount &c : counts) stamp.push_back(c.onDisk);
    }
    return stamp;
}

// What the appointments and persons show of the address book: names by ID, each group's title
// and members, each person's groups.
struct tAddressNames {
    std::map<std::string, std::string, std::less<>> person;    // "CHRNAME NAME"
    std::map<std::string, std::string, std::less<>> group;     // TITLE
    std::map<std::string, std::string, std::less<>> members;   // "name, name"
    std::map<std::string, std::string, std::less<>> groupsOf;  // "title, title" by person
    std::map<std::string, std::string, std::less<>> resources; // TITLE
};

void appendListed(std::string &list, std::string_view item)
{
    if (item.empty()) return;
    if (!list.empty()) list += ", ";
    list += item;
}

tAddressNames addressNames(bool withResources)
{
    tAddressNames n;
    tPerson p;
    for (long c = p.first(PersonById); c; c = p.next(c))
        n.person[trimmed(p.ID)] = joined(p.CHRNAME, p.NAME);
    for (const tGroup &g : allGroups()) {
        std::string gid = trimmed(g.ID);
        n.group[gid] = trimmed(g.TITLE);
        std::string &members = n.members[gid];
        for (const std::string &member : membersOf(g.ID)) {
            std::string mid = trimmed(member);
            auto name = n.person.find(mid);
            if (name != n.person.end()) appendListed(members, name->second);
            appendListed(n.groupsOf[mid], n.group[gid]);
        }
    }
    if (withResources)
        for (const tResource &r : allResources()) n.resources[trimmed(r.ID)] = trimmed(r.TITLE);
    return n;
}

std::string found(const std::map<std::string, std::string, std::less<>> &map, std::string_view key)
{
    auto it = map.find(key);
    return it == map.end() ? std::string() : it->second;
}

std::vector<tEntry> readTermine(const tAddressNames &names)
{
    std::vector<tEntry> out;
    tTerminStore &store = tTerminStore::instance();
    tTermin t;
    for (long pos = store.first(tTerminStore::ById, t); pos;
         pos = store.next(tTerminStore::ById, pos, t)) {
        if (t.isCounter()) continue;
        tEntry e;
        e.id = trimmed(t.ID);
        e.date = t.from;
        e.from = t.from;
        e.till = t.till;
        e.order = ((t.from.year * 16LL + t.from.month) * 32 + t.from.day) * 1440 +
                  t.from.hour * 60 + t.from.minute;
        char time[8];
        std::snprintf(time, sizeof time, "%02d:%02d ", t.from.hour, t.from.minute);
        e.title = time + trimmed(t.TITLE);
        e.add("Titel", t.TITLE);
        std::string resource = trimmed(t.RESOURCE);
        if (!resource.empty())
            e.add("Ressource", joined(found(names.resources, resource), resource));
        std::string_view with = t.WITH;
        std::string who = with.size() > 1 ? trimmed(with.substr(1)) : "";
        if (with.size() > 1 && with[0] == 'P') e.add("Teilnehmer", found(names.person, who));
        if (with.size() > 1 && with[0] == 'G') {
            e.add("Teilnehmer", found(names.group, who));
            e.add("Teilnehmer", found(names.members, who));
        }
        out.push_back(std::move(e));
    }
    // Newest first; among equal starts by ID.
    std::sort(out.begin(), out.end(), [](const tEntry &a, const tEntry &b) {
        return a.order != b.order ? a.order > b.order : a.id < b.id;
    });
    return out;
}

std::vector<tEntry> readPersons(const tAddressNames &names)
{
    std::vector<tEntry> out;
    tPersTable *table = tPersTable::instance();
    if (!table) return out;
    // The comment field is stored with the record but has no field of its own: read in place.
    tFieldDef comment = tBlob::instance().findField(tPersTable::kName, "COMMENT");
    bool hasComment = comment.length > 0 && comment.offset + comment.length <= table->rec.size();
    tPerson p;
    for (long c = p.first(PersonByName); c; c = p.next(c)) {
        tEntry e;
        e.id = trimmed(p.ID);
        e.date = p.BIRTH;
        e.title = joined(p.CHRNAME, p.NAME);
        e.add("Name", p.NAME);
        e.add("Vorname", p.CHRNAME);
        e.add("ID", p.ID);
        e.add("Firma", found(names.groupsOf, e.id));
        e.add("Ort", p.CITY);
        e.add("Stra\xDF"
              "e",
              p.STREET);
        e.add("Telefon", p.TEL);
        if (hasComment)
            e.add("Anmerkung",
                  std::string_view(table->rec.data() + comment.offset, comment.length));
        out.push_back(std::move(e));
    }
    return out;
}

std::string oneLine(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }, ' ');
    return text;
}

// A record known by its ID and TITLE, both searched.
tEntry titledEntry(std::string_view id, std::string_view title)
{
    tEntry e;
    e.id = trimmed(id);
    e.title = trimmed(title);
    e.add("Titel", title);
    e.add("ID", id);
    return e;
}

std::vector<tEntry> readGroups()
{
    std::vector<tEntry> out;
    for (const tGroup &g : allGroups()) {
        tEntry e = titledEntry(g.ID, g.TITLE);
        e.add("Ort", g.CITY);
        e.add("Stra\xDF"
              "e",
              g.STREET);
        e.add("Telefon", g.TEL);
        e.add("Anmerkung", oneLine(g.COMMENT.text));
        out.push_back(std::move(e));
    }
    return out;
}

std::vector<tEntry> readResources()
{
    std::vector<tEntry> out;
    for (const tResource &r : allResources()) {
        out.push_back(titledEntry(r.ID, r.TITLE));
    }
    return out;
}

std::vector<tEntry> readProjects()
{
    std::vector<tEntry> out;
    for (const tProject &p : allProjects()) {
        tEntry e = titledEntry(p.ID, p.TITLE);
        e.date = p.ENDDATE;
        out.push_back(std::move(e));
    }
    return out;
}

// A task's comment from the text store (the walk brings its ID only).
std::string taskComment(const tTextValue &comment)
{
    tTextStore *store = tBlob::instance().textStore();
    if (!store || !comment.id[0]) return "";
    std::string text(kTextMaxLength + 1, '\0');
    int n = store->readText(comment.id, text.data(), static_cast<int>(text.size()));
    text.resize(n > 0 ? n - 1 : 0);
    return oneLine(text);
}

std::vector<tEntry> readTasks()
{
    std::vector<tEntry> out;
    tTextReadHold hold(tBlob::instance().textStore());
    for (const tTask &t : allTasks()) {
        tEntry e = titledEntry(t.ID, t.TITLE);
        e.date = t.ENDDATE;
        e.add("Anmerkung", taskComment(t.COMMENT));
        out.push_back(std::move(e));
    }
    return out;
}

std::vector<tEntry> readKind(tSearchKind kind, const tAddressNames *names)
{
    switch (kind) {
    case tSearchKind::Termin:
        return readTermine(*names);
    case tSearchKind::Person:
        return readPersons(*names);
    case tSearchKind::Group:
        return readGroups();
    case tSearchKind::Resource:
        return readResources();
    case tSearchKind::Project:
        return readProjects();
    case tSearchKind::Task:
        return readTasks();
    }
    return {};
}

// Whether a record lies in the filter's date range.
bool inRange(tSearchKind kind, const tEntry &e, const tSearchFilter &filter)
{
    if (!filter.hasRange()) return true;
    switch (kind) {
    case tSearchKind::Termin:
        return !e.till.before(tDateTime::at(filter.from)) &&
               !tDateTime::at(filter.till, 23, 59).before(e.from);
    case tSearchKind::Project:
    case tSearchKind::Task:
        return e.date.valid() && !e.date.before(filter.from) && !filter.till.before(e.date);
    default:
        return true;
    }
}

// The hit of a record when every word occurs in one of its fields: the field where the first
// word first occurs is the one named.
std::optional<tSearchHit> hitOf(tSearchKind kind, const tEntry &e,
                                const std::vector<std::string> &words)
{
    size_t first = std::string::npos;
    for (const std::string &word : words) {
        size_t at = e.folded.find(word);
        if (at == std::string::npos) return std::nullopt;
        if (first == std::string::npos) first = at;
    }
    int f = e.fieldAt(first);
    return tSearchHit{kind, e.id, e.date, e.title, e.labels[f], e.fieldText(f)};
}

} // namespace

tSearchIndex::tSearchIndex() = default;
tSearchIndex::~tSearchIndex() = default;

void tSearchIndex::forget(int noticeBits)
{
    for (int k = 0; k < kSearchKinds; k++)
        if (searchKindNotices(static_cast<tSearchKind>(k)) & noticeBits) kinds_[k].reset();
}

void tSearchIndex::refresh(const tSearchFilter &filter)
{
    if (user_ != currentUser()) {
        for (auto &k : kinds_) k.reset();
        user_ = currentUser();
    }
    std::vector<tSearchKind> stale;
    std::array<std::vector<int>, kSearchKinds> stamps;
    for (int k = 0; k < kSearchKinds; k++) {
        tSearchKind kind = static_cast<tSearchKind>(k);
        if (!filter.wants(kind)) continue;
        stamps[k] = stampOf(kind);
        if (!kinds_[k] || kinds_[k]->stamp != stamps[k]) stale.push_back(kind);
    }
    if (stale.empty()) return;
    // One read bracket per table for everything read now.
    tFillHold hold({tTermTable::instance(), tResTable::instance(), tPersTable::instance(),
                    tGrpTable::instance(), tMemTable::instance(), tPrjTable::instance(),
                    tTaskTable::instance()});
    std::optional<tAddressNames> names;
    for (tSearchKind kind : stale) {
        bool needsNames = kind == tSearchKind::Termin || kind == tSearchKind::Person;
        if (needsNames && !names) names = addressNames(true);
        int k = static_cast<int>(kind);
        kinds_[k] = std::make_unique<tKindData>();
        kinds_[k]->entries = readKind(kind, names ? &*names : nullptr);
        kinds_[k]->stamp = std::move(stamps[k]);
        reads_[k]++;
    }
}

std::vector<tSearchHit> tSearchIndex::find(std::string_view word, const tSearchFilter &filter)
{
    std::vector<std::string> words = foldedWords(word);
    if (words.empty()) return {};
    refresh(filter);
    std::vector<tSearchHit> hits;
    for (int k = 0; k < kSearchKinds; k++) {
        tSearchKind kind = static_cast<tSearchKind>(k);
        if (!filter.wants(kind) || !kinds_[k]) continue;
        for (const tEntry &e : kinds_[k]->entries) {
            if (!inRange(kind, e, filter)) continue;
            if (std::optional<tSearchHit> hit = hitOf(kind, e, words)) hits.push_back(*hit);
        }
    }
    return hits;
}

std::vector<tSearchHit> searchStores(std::string_view word, const tSearchFilter &filter)
{
    tSearchIndex index;
    return index.find(word, filter);
}

} // namespace velk
