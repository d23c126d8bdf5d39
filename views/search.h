// search.h - finding records by a word: appointments, persons, groups, resources, projects and
// tasks, as the current user (base/session.h) may see them.
//
// A word matches a field when its folded form occurs anywhere in the field's folded text.
// Folding (searchFold) works on Windows-1252 bytes: letters lose their case, ä, ö, ü (and Ä, Ö,
// Ü) become ae, oe, ue, ß becomes ss, and the other accented letters their plain letter (é e,
// ç c, ñ n).  So "Müller", "MUELLER" and "mueller" find each other, and "Strasse" finds
// "Straße".  Blanks at either end of the word are dropped; an empty word finds nothing.
//
//   kind        fields searched (the label tSearchHit::field names)
//   appointment Titel, Ressource (the booked resource's title and ID), Teilnehmer (the person's
//               first name and name, or the group's title and its members' names)
//   person      Name, Vorname, ID, Firma (the titles of the person's groups), Ort, Straße,
//               Telefon, Anmerkung (the record's comment, as other programs may have stored it)
//   group       Titel, ID, Ort, Straße, Telefon, Anmerkung
//   resource    Titel, ID
//   project     Titel, ID
//   task        Titel, ID, Anmerkung
//
// Another user's appointment the visibility rule hides is never read into the results, nor
// counted.  Results come in sections in the kind order above: appointments newest first,
// persons by name and first name, the others by ID.  Each kind's dated records carry their date:
// an appointment its start, a project or task its ENDDATE, a person its birthday.  A date range
// keeps the appointments that touch it and the projects and tasks whose ENDDATE lies in it;
// persons, groups and resources are not filtered by date.
//
// The tables must be open (an opened database).
#ifndef VELK_VIEWS_SEARCH_H
#define VELK_VIEWS_SEARCH_H

#include "base/date.h"

#include <array>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

enum class tSearchKind : int { Termin, Person, Group, Resource, Project, Task };
constexpr int kSearchKinds = 6;
constexpr unsigned kAllSearchKinds = (1u << kSearchKinds) - 1;
constexpr unsigned searchKindBit(tSearchKind kind) { return 1u << static_cast<int>(kind); }

// "termin", "person", "gruppe", "ressource", "projekt", "aufgabe": what velk-exchange prints.
const char *searchKindName(tSearchKind kind);
// "Termine", "Personen", "Gruppen", "Ressourcen", "Projekte", "Aufgaben": the section headings.
const char *searchKindTitle(tSearchKind kind);
// The notice bits (base/notice_bits.h) of the data a kind's results are made of: a change with
// one of them may change the kind's results.
int searchKindNotices(tSearchKind kind);

// The folded form of Windows-1252 text (see above).
std::string searchFold(std::string_view text);

struct tSearchFilter {
    unsigned kinds = kAllSearchKinds; // searchKindBit of each kind wanted
    tDate from;                       // the date range, when both dates are valid
    tDate till;

    bool wants(tSearchKind kind) const { return kinds & searchKindBit(kind); }
    bool hasRange() const { return from.valid() && till.valid(); }
};

struct tSearchHit {
    tSearchKind kind = tSearchKind::Termin;
    std::string id;
    tDate date;        // zero when the record has none
    std::string title; // the record's name: an appointment "hh:mm TITLE", a person "CHRNAME NAME"
    std::string field; // the label of the first field that matched
    std::string match; // that field's text

    friend bool operator==(const tSearchHit &, const tSearchHit &) = default;
};

// A result's text: the title, followed by " (FIELD: MATCH)" when the word was found in a field
// other than the one the title shows.  Windows-1252, like everything above.
std::string searchHitText(const tSearchHit &hit);
// velk-exchange's line of a result: "KIND\tID\tTT.MM.JJJJ\tTEXT" (the date empty when none).
std::string searchHitLine(const tSearchHit &hit);

// The records of each kind, read once and kept with their folded fields, so that a search as
// the user types reads nothing again.  Before each search the index looks at the modification
// counters of the tables a kind is made of (no lock, nothing read but the counters) and reads
// again the kinds that changed, in this copy or in another one, and all of them when the user
// changed.
class tSearchIndex {
public:
    tSearchIndex();
    ~tSearchIndex();
    tSearchIndex(const tSearchIndex &) = delete;
    tSearchIndex &operator=(const tSearchIndex &) = delete;

    std::vector<tSearchHit> find(std::string_view word, const tSearchFilter &filter = {});
    // Drops the kinds whose notices carry one of these bits (after a data-changed notice); the
    // next find reads them again.
    void forget(int noticeBits);
    // How many times each kind was read from the tables.
    int reads(tSearchKind kind) const { return reads_[static_cast<int>(kind)]; }

    struct tEntry;
    struct tKindData;

private:
    void refresh(const tSearchFilter &filter);

    std::array<std::unique_ptr<tKindData>, kSearchKinds> kinds_;
    std::array<int, kSearchKinds> reads_{};
    std::string user_;
};

// One search that keeps nothing: velk-exchange's.
std::vector<tSearchHit> searchStores(std::string_view word, const tSearchFilter &filter = {});

} // namespace velk

#endif
