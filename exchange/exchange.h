// exchange.h - what every import and export of the "Datei" menu and of velk-exchange answers.
//
// Each operation works on a file name and the stores of the open database, for the calendar user
// (calendar_user.h) where appointments are concerned.  It reports its progress to an optional
// callback between records; the callback answers false to cancel.  An import keeps what it stored
// before a failure or a cancel; an export never leaves a file that looks complete when it is not:
// it writes under a temporary name and gives the file its name only when everything was written.
#ifndef VELK_EXCHANGE_EXCHANGE_H
#define VELK_EXCHANGE_EXCHANGE_H

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace velk {

class tTable;

// Called with the records done so far and the records expected (an estimate; 0 when unknown).
// Answers false to stop the work between two records.
using tExchangeProgress = std::function<bool(long done, long total)>;

struct tExchangeResult {
    enum Outcome {
        Done,      // everything was read or written
        Cancelled, // stopped by the progress callback; `done` records stay stored (import) or
                   // nothing was written (export)
        Failed,    // stopped part-way by an error; an import keeps the `done` records
        NotStarted // the file could not be opened or created, or is of the wrong kind
    };
    Outcome outcome = Done;
    long done = 0;           // records exported, or stored by an import
    long skipped = 0;        // import: records deleted in the file, duplicates, rows without a date
    bool fileWritten = true; // export: false when there was nothing to write and no file was made
    const char *unit = "Datens\xE4tze"; // what `done` counts, plural (Windows-1252)
    // Windows-1252, one line each; empty when Done.  `message` is what the menu shows (for a file
    // that cannot be read "Fehler beim Lesen"); `detail` says more, for the command line.
    std::string message;
    std::string detail;
    // Windows-1252: what a Done import or export could not keep or left out ("3 Zeichen nicht
    // übernommen; ..."), empty when nothing; the menu shows it.
    std::string notes;

    bool ok() const { return outcome == Done; }
};

// The menu's and the tool's kinds of file.
enum class tExchangeKind {
    TermineDbf,  // appointments, dBASE (import and export)
    PersonenDbf, // persons, dBASE (import and export)
    Portfolio,   // appointments, Portfolio diary (import and export)
    PersonenTxt, // persons, text file (export only)
    Komplett,    // every table into its own dBASE file (export only)
    ICalendar,   // appointments, iCalendar (import and export)
    VCard,       // persons, vCard (import and export)
};

// The filter list of "Öffnen..." and "Sichern als..." in the "Name|pattern|" form, and of the
// person list's "Öffnen...".
constexpr const char *kExchangeFilter =
    "Termine (*.dbf)|*.dbf|Personen (*.dbf)|*.dbf|Atari Portfolio (*.dry)|*.dry|"
    "Personen ASCII (*.txt)|*.txt|Komplett-Export(*.dbf)|*.dbf|iCalendar (*.ics)|*.ics|"
    "vCard (*.vcf)|*.vcf|";
constexpr const char *kPersonListFilter =
    "dBase (*.dbf)|*.dbf|Atari Portfolio (*.xxx)|*.xxx|Texte|*.txt;*.asc|";

// What a filter of that list (counting from 1) imports or exports; nothing for an import of
// filter 4 or 5 and for an index outside the list.
// "1 Termin", "2 Termine": a count with its unit (a plural of tExchangeResult::unit), in the
// singular for one; Windows-1252.
std::string counted(long n, const char *unit);

std::optional<tExchangeKind> importKindOfFilter(int filter);
std::optional<tExchangeKind> exportKindOfFilter(int filter);

// The kind's name on the command line ("termine-dbf", ...), and the kind of a name.
const char *kindName(tExchangeKind kind);
std::optional<tExchangeKind> kindNamed(std::string_view name);
// Persons as text and the complete export are written only.
bool kindImports(tExchangeKind kind);

// The import or export of that kind.  An import of a kind that has none does nothing and answers
// NotStarted.  The complete export writes "<TABLE>.DBF" for each table into the directory of
// fileName (everything up to its last "/" or "\"); its progress counts tables.
tExchangeResult runImport(tExchangeKind kind, const std::string &fileName,
                          const tExchangeProgress &progress = {});
tExchangeResult runExport(tExchangeKind kind, const std::string &fileName,
                          const tExchangeProgress &progress = {});

// The result of an export with nothing to write: Done, and no file made.
tExchangeResult nothingToWrite(const char *unit);

// The result of an operation that did not start.
tExchangeResult notStarted(const char *unit, std::string message, std::string detail = {});

// Reports progress every record; tells whether to go on.  Null callbacks always go on.
bool goOn(const tExchangeProgress &progress, long done, long total);

// What writing one item of an export came to.
enum class tWritten { Yes, Skipped, Failed };

// The loop of every export: before each of `total` items the progress is asked (a cancel drops
// the file through `discard` and answers Cancelled), then `write(i)` writes item i; after the
// last one `commit` names the file.  When an item or the commit fails: Failed, "Fehler beim
// Schreiben, die Datei wurde nicht angelegt".  done and skipped count the items.
tExchangeResult writeEach(const char *unit, long total, const tExchangeProgress &progress,
                          const std::function<tWritten(long)> &write,
                          const std::function<void()> &discard,
                          const std::function<bool()> &commit);

// What reading one item of an import came to: stored, skipped, passed over (nothing to store, or
// counted by the import itself), or failed (the reader has set the result's message and detail).
enum class tRead { Stored, Skipped, Passed, Failed };

// The loop of every import: the table is held a batch of items at a time (batch_hold.h) and the
// progress asked between batches (a cancel answers Cancelled with what was stored so far), then
// `read(i, r)` reads and stores item i; Stored and Skipped are counted in r.  A failed item ends
// the loop with Failed; the import keeps what it stored.  After the last item the progress is
// told that all `total` are done.
tExchangeResult readEach(const char *unit, tTable *table, long total,
                         const tExchangeProgress &progress,
                         const std::function<tRead(long, tExchangeResult &)> &read);

// One remark of an import's or export's notes: a count and what it counts, in the singular and
// the plural.
struct tNote {
    long n;
    const char *one;
    const char *more;
};
// Adds "n what" to the notes for each note with a count above 0, "; " between them.
void addNotes(std::string &notes, std::initializer_list<tNote> list);

// A one-line summary for the user: what was done, and what went wrong.
std::string describeImport(const tExchangeResult &r);
std::string describeExport(const tExchangeResult &r);

} // namespace velk

#endif
