#include "exchange/exchange.h"

#include "exchange/batch_hold.h"
#include "exchange/file_access.h"
#include "exchange/fullexport.h"
#include "exchange/ical.h"
#include "exchange/person_exchange.h"
#include "exchange/termin_exchange.h"
#include "exchange/vcard.h"
#include "model/blob.h"

#include <iterator>
#include <unistd.h>

namespace velk {

tExchangeResult notStarted(const char *unit, std::string message, std::string detail)
{
    tExchangeResult r;
    r.outcome = tExchangeResult::NotStarted;
    r.unit = unit;
    r.message = std::move(message);
    r.detail = std::move(detail);
    return r;
}

tExchangeResult nothingToWrite(const char *unit)
{
    tExchangeResult r;
    r.unit = unit;
    r.fileWritten = false;
    return r;
}

bool goOn(const tExchangeProgress &progress, long done, long total)
{
    return !progress || progress(done, total);
}

tExchangeResult writeEach(const char *unit, long total, const tExchangeProgress &progress,
                          const std::function<tWritten(long)> &write,
                          const std::function<void()> &discard, const std::function<bool()> &commit)
{
    tExchangeResult r;
    r.unit = unit;
    for (long i = 0; i < total; i++) {
        if (!goOn(progress, r.done, total)) {
            discard();
            r.outcome = tExchangeResult::Cancelled;
            return r;
        }
        tWritten w = write(i);
        if (w == tWritten::Failed) break;
        (w == tWritten::Yes ? r.done : r.skipped)++;
    }
    if (!commit() || r.done + r.skipped < total) {
        r.outcome = tExchangeResult::Failed;
        r.message = "Fehler beim Schreiben, die Datei wurde nicht angelegt";
        return r;
    }
    goOn(progress, r.done, total);
    return r;
}

tExchangeResult readEach(const char *unit, tTable *table, long total,
                         const tExchangeProgress &progress,
                         const std::function<tRead(long, tExchangeResult &)> &read)
{
    tExchangeResult r;
    r.unit = unit;
    tBatchHold hold(table, progress);
    for (long n = 0; n < total; n++) {
        if (!hold.before(n, total)) {
            r.outcome = tExchangeResult::Cancelled;
            return r;
        }
        switch (read(n, r)) {
        case tRead::Stored:
            r.done++;
            break;
        case tRead::Skipped:
            r.skipped++;
            break;
        case tRead::Passed:
            break;
        case tRead::Failed:
            r.outcome = tExchangeResult::Failed;
            return r;
        }
    }
    hold.release();
    goOn(progress, total, total);
    return r;
}

std::string counted(long n, const char *unit)
{
    static const char *const kSingular[][2] = {{"Termine", "Termin"},
                                               {"Personen", "Person"},
                                               {"Datens\xE4tze", "Datensatz"},
                                               {"Tabellen", "Tabelle"}};
    std::string word = unit;
    if (n == 1)
        for (const auto &pair : kSingular)
            if (word == pair[0]) word = pair[1];
    return std::to_string(n) + " " + word;
}

void addNotes(std::string &notes, std::initializer_list<tNote> list)
{
    for (const tNote &note : list) {
        if (note.n <= 0) continue;
        if (!notes.empty()) notes += "; ";
        notes += counted(note.n, note.n == 1 ? note.one : note.more);
    }
}

namespace {

std::string withDetail(const tExchangeResult &r)
{
    return r.detail.empty() ? r.message : r.message + ": " + r.detail;
}

} // namespace

std::string describeImport(const tExchangeResult &r)
{
    std::string stored = counted(r.done, r.unit) + " gespeichert";
    if (r.skipped > 0)
        stored += ", " + std::to_string(r.skipped) +
                  " \xFC"
                  "bersprungen";
    switch (r.outcome) {
    case tExchangeResult::Done:
        return r.notes.empty() ? stored : stored + "; " + r.notes;
    case tExchangeResult::Cancelled:
        return "Import abgebrochen, " + stored;
    case tExchangeResult::Failed:
        return withDetail(r) + " (" + stored + ")";
    case tExchangeResult::NotStarted:
        break;
    }
    return withDetail(r);
}

std::string describeExport(const tExchangeResult &r)
{
    switch (r.outcome) {
    case tExchangeResult::Done:
        if (!r.fileWritten)
            return "Keine " + std::string(r.unit) + " vorhanden, keine Datei angelegt";
        return counted(r.done, r.unit) + " geschrieben" + (r.notes.empty() ? "" : "; " + r.notes);
    case tExchangeResult::Cancelled:
        return r.message.empty() ? "Export abgebrochen, keine Datei geschrieben" : r.message;
    case tExchangeResult::Failed:
    case tExchangeResult::NotStarted:
        break;
    }
    return withDetail(r);
}

namespace {

tExchangeResult exportComplete(const std::string &fileName, const tExchangeProgress &progress)
{
    constexpr long kTables = 8;
    tExchangeResult r;
    r.unit = "Tabellen";
    std::vector<std::string> failedTables;
    bool stopped = false;
    goOn(progress, 0, kTables);
    bool all = exportAllTables(fileName, &failedTables, [&](int done) {
        r.done = done - (long)failedTables.size();
        stopped = !goOn(progress, done, kTables);
        return !stopped;
    });
    if (all) return r;
    std::string names;
    for (const std::string &t : failedTables) names += (names.empty() ? "" : ", ") + t;
    if (!failedTables.empty()) {
        r.outcome = tExchangeResult::Failed;
        r.message = "Fehler beim Schreiben";
        r.detail = "nicht geschrieben: " + names;
    } else if (stopped) {
        r.outcome = tExchangeResult::Cancelled;
        r.message = "Export abgebrochen nach " + std::to_string(r.done) + " von 8 Tabellen";
    }
    return r;
}

using tRun = tExchangeResult (*)(const std::string &fileName, const tExchangeProgress &progress);

// The kinds in the order of the filter list, each with its name on the command line and its
// import (none for a kind that is written only) and export.
struct tKindRuns {
    tExchangeKind kind;
    const char *name;
    tRun import;
    tRun exportTo;
};
const tKindRuns kKinds[] = {
    {tExchangeKind::TermineDbf, "termine-dbf", importTermineDbf, exportTermineDbf},
    {tExchangeKind::PersonenDbf, "personen-dbf", importPersonsDbf, exportPersonsDbf},
    {tExchangeKind::Portfolio, "portfolio",
     [](const std::string &fileName, const tExchangeProgress &progress) {
         return importPortfolio(fileName, progress);
     },
     exportPortfolio},
    {tExchangeKind::PersonenTxt, "personen-txt", nullptr, exportPersonsText},
    {tExchangeKind::Komplett, "komplett", nullptr, exportComplete},
    {tExchangeKind::ICalendar, "ical", importICalendar, exportICalendar},
    {tExchangeKind::VCard, "vcard", importVCard, exportVCard},
};

const tKindRuns *runsOf(tExchangeKind kind)
{
    for (const tKindRuns &k : kKinds)
        if (k.kind == kind) return &k;
    return nullptr;
}

} // namespace

const char *kindName(tExchangeKind kind)
{
    const tKindRuns *runs = runsOf(kind);
    return runs ? runs->name : "";
}

std::optional<tExchangeKind> kindNamed(std::string_view name)
{
    for (const tKindRuns &k : kKinds)
        if (name == k.name) return k.kind;
    return std::nullopt;
}

std::optional<tExchangeKind> exportKindOfFilter(int filter)
{
    if (filter < 1 || filter > (int)std::size(kKinds)) return std::nullopt;
    return kKinds[filter - 1].kind;
}

std::optional<tExchangeKind> importKindOfFilter(int filter)
{
    std::optional<tExchangeKind> kind = exportKindOfFilter(filter);
    if (kind && !kindImports(*kind)) return std::nullopt;
    return kind;
}

bool kindImports(tExchangeKind kind)
{
    const tKindRuns *runs = runsOf(kind);
    return runs && runs->import;
}

namespace {

// An import reads a regular file only; the readers check again on the descriptor they read.
std::optional<tExchangeResult> refusedSource(const std::string &fileName)
{
    tFileStatus status;
    std::string kind;
    int fd = openForImport(fileName, &status, &kind);
    if (fd >= 0) {
        ::close(fd);
        return std::nullopt;
    }
    return notStarted("Datens\xE4tze", "Fehler beim Lesen", fileStatusText(status, kind, 0));
}

// An export replaces a regular file or makes a new one, and nothing else; for the complete
// export each of its files.
std::optional<tExchangeResult> refusedTarget(tExchangeKind kind, const std::string &fileName)
{
    std::vector<std::string> names;
    if (kind == tExchangeKind::Komplett)
        for (const char *table : kExportTables)
            names.push_back(directoryOf(fileName) + table + ".DBF");
    else
        names.push_back(fileName);
    for (const std::string &name : names) {
        tExportTarget target;
        std::string what;
        if (exportTarget(name, &target, &what)) continue;
        std::string detail = "keine gew\xF6hnliche Datei (" + what + ")";
        if (kind == tExchangeKind::Komplett) detail = name + ": " + detail;
        return notStarted("Datens\xE4tze", "Die Datei kann nicht angelegt werden", detail);
    }
    return std::nullopt;
}

} // namespace

tExchangeResult runImport(tExchangeKind kind, const std::string &fileName,
                          const tExchangeProgress &progress)
{
    if (!kindImports(kind))
        return notStarted("Datens\xE4tze", "Diese Art Datei wird nur geschrieben");
    if (std::optional<tExchangeResult> refused = refusedSource(fileName)) return *refused;
    const std::string &dir = tBlob::instance().directory();
    if (!databaseWritable(dir))
        return notStarted("Datens\xE4tze", "Die Datenbank kann nicht beschrieben werden", dir);
    return runsOf(kind)->import(fileName, progress);
}

tExchangeResult runExport(tExchangeKind kind, const std::string &fileName,
                          const tExchangeProgress &progress)
{
    if (std::optional<tExchangeResult> refused = refusedTarget(kind, fileName)) return *refused;
    const tKindRuns *runs = runsOf(kind);
    if (!runs) return notStarted("Datens\xE4tze", "Unbekannte Art Datei");
    return runs->exportTo(fileName, progress);
}

} // namespace velk
