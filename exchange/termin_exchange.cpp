#include "exchange/termin_exchange.h"

#include "calendar/termin_store.h"
#include "exchange/dbf_exchange.h"
#include "exchange/ical.h"
#include "exchange/portfolio.h"
#include "exchange/text_out.h"
#include "model/tables.h"

namespace velk {

namespace {

constexpr const char *kTermine = "Termine";

// A date the TERMIN fields can hold ("%04d%02d%02d"): a calendar date of the years 0 to 9999.
bool storable(const tDate &d) { return d.valid() && d.year >= 0 && d.year <= 9999; }
bool validStart(const tDateTime &t) { return storable(t) && t.validTime(); }

// Stores t under a new ID: Stored, Skipped when the store refuses it as a duplicate, else Failed.
tRead store(tTermin &t)
{
    t.ID[0] = 0;
    switch (tTerminStore::instance().insert(t).status) {
    case tStoreStatus::Stored:
        return tRead::Stored;
    case tStoreStatus::Duplicate:
        return tRead::Skipped;
    default:
        return tRead::Failed;
    }
}

// The current record as the appointment the import stores; false when it has no start.
bool entryOf(tTerminDBF &file, tTermin &t)
{
    file.get(t);
    if (!validStart(t.from)) return false;
    if (!storable(t.till)) static_cast<tDate &>(t.till) = t.from;
    if (!t.till.validTime()) t.till.hour = t.till.minute = 0;
    return true;
}

// A failed item's message and detail.
tRead failed(tExchangeResult &r, std::string message, std::string detail)
{
    r.message = std::move(message);
    r.detail = std::move(detail);
    return tRead::Failed;
}

} // namespace

// ---- tTerminDBF ----

std::vector<tFeld *> tTerminDBF::handles()
{
    return {&FROMDAY,   &FROMMONTH, &FROMYEAR, &FROMHOUR, &FROMMIN, &TILLDAY,
            &TILLMONTH, &TILLYEAR,  &TILLHOUR, &TILLMIN,  &TITLE,   &TYPE,
            &RESOURCE,  &WITH,      &OWNER,    &READ,     &WRITE};
}

bool tTerminDBF::hasStart() const
{
    return FROMDAY.index() >= 0 && FROMMONTH.index() >= 0 && FROMYEAR.index() >= 0;
}

void tTerminDBF::put(const tTermin &t)
{
    FROMDAY.set(t.from.day);
    FROMMONTH.set(t.from.month);
    FROMYEAR.set(t.from.year);
    FROMHOUR.set(t.from.hour);
    FROMMIN.set(t.from.minute);
    TILLDAY.set(t.till.day);
    TILLMONTH.set(t.till.month);
    TILLYEAR.set(t.till.year);
    TILLHOUR.set(t.till.hour);
    TILLMIN.set(t.till.minute);
    TITLE.set(t.TITLE);
    RESOURCE.set(t.RESOURCE);
    WITH.set(t.WITH);
}

void tTerminDBF::get(tTermin &t)
{
    t.from.day = (int)FROMDAY.get();
    t.from.month = (int)FROMMONTH.get();
    t.from.year = (int)FROMYEAR.get();
    t.from.hour = (int)FROMHOUR.get();
    t.from.minute = (int)FROMMIN.get();
    t.till.day = (int)TILLDAY.get();
    t.till.month = (int)TILLMONTH.get();
    t.till.year = (int)TILLYEAR.get();
    t.till.hour = (int)TILLHOUR.get();
    t.till.minute = (int)TILLMIN.get();
    t.setTitle(TITLE.get());
    t.setResource(RESOURCE.get());
    t.setWith(WITH.get());
}

// ---- walks ----

std::vector<tTermin> visibleAppointments()
{
    std::vector<tTermin> out;
    tTerminStore &store = tTerminStore::instance();
    tTableHold hold(tTermTable::instance(), tTableHold::Read);
    tTermin t;
    for (long pos = store.first(tTerminStore::ById, t); pos;
         pos = store.next(tTerminStore::ById, pos, t))
        if (!t.isCounter()) out.push_back(t);
    return out;
}

// ---- dBASE ----

tExchangeResult exportTermineDbf(const std::string &fileName, const tExchangeProgress &progress)
{
    return exportDbf<tTerminDBF>(fileName, kTermine, visibleAppointments(), progress);
}

tExchangeResult importTermineDbf(const std::string &fileName, const tExchangeProgress &progress)
{
    tTerminDBF file;
    if (std::optional<tExchangeResult> refused = refusedDbf(
            file, fileName, kTermine, [&] { return file.hasStart(); },
            "keine Termindatei (ohne FROMDAY, FROMMONTH, FROMYEAR)"))
        return *refused;
    tTermin t; // one buffer for every record: what the file does not carry stays
    return readEach(kTermine, tTermTable::instance(), file.recordCount(), progress,
                    [&](long n, tExchangeResult &r) {
                        if (std::optional<tRead> record = recordAt(file, n, r)) {
                            // A record that cannot be read reports the stored ones only.
                            if (*record == tRead::Failed) r.skipped = 0;
                            return *record;
                        }
                        if (!entryOf(file, t)) return tRead::Skipped;
                        tRead stored = store(t);
                        if (stored != tRead::Failed) return stored;
                        return failed(r, "Fehler beim Speichern", t.TITLE);
                    });
}

std::vector<tTermin> termineOfDbf(const std::string &fileName)
{
    std::vector<tTermin> out;
    tTerminDBF file;
    if (refusedDbf(
            file, fileName, kTermine, [&] { return file.hasStart(); }, ""))
        return out;
    tTermin t;
    tExchangeResult ignored;
    for (long n = 0; n < file.recordCount(); n++) {
        if (recordAt(file, n, ignored)) continue; // deleted or unreadable
        if (entryOf(file, t)) out.push_back(t);
    }
    return out;
}

std::vector<tTermin> termineOfFile(tExchangeKind kind, const std::string &fileName)
{
    switch (kind) {
    case tExchangeKind::TermineDbf:
        return termineOfDbf(fileName);
    case tExchangeKind::ICalendar:
        return termineOfICalendar(fileName);
    default:
        return {}; // Portfolio entries book no resource
    }
}

// ---- Portfolio ----

tExchangeResult importPortfolio(const std::string &fileName, const tExchangeProgress &progress,
                                int currentYear)
{
    std::vector<std::string> lines;
    if (!readDryFile(fileName, &lines))
        return notStarted(kTermine, "Fehler beim Lesen", "die Datei kann nicht gelesen werden");
    tDryReader reader(currentYear ? currentYear : tDate::today().year);
    tTermin t;
    return readEach(kTermine, tTermTable::instance(), (long)lines.size(), progress,
                    [&](long n, tExchangeResult &r) {
                        tDryEntry e;
                        switch (reader.feed(lines[n], &e)) {
                        case tDryReader::Nothing:
                            return tRead::Passed;
                        case tDryReader::Error:
                            return failed(r, "Fehler beim Lesen",
                                          "Zeile " + std::to_string(n + 1) +
                                              ": Uhrzeit vor dem ersten Datum oder kein Datum");
                        case tDryReader::Store:
                            break;
                        }
                        static_cast<tDate &>(t.from) = e.date;
                        static_cast<tDate &>(t.till) = e.date;
                        t.from.hour = e.fromHour, t.from.minute = e.fromMinute;
                        t.till.hour = e.tillHour, t.till.minute = e.tillMinute;
                        t.setTitle(e.title);
                        tRead stored = store(t);
                        if (stored != tRead::Failed) return stored;
                        return failed(r, "Fehler beim Speichern", "Zeile " + std::to_string(n + 1));
                    });
}

tExchangeResult exportPortfolio(const std::string &fileName, const tExchangeProgress &progress)
{
    std::vector<tTermin> list = visibleAppointments();
    tTextOut out;
    if (!out.open(fileName)) return notStarted(kTermine, "Die Datei kann nicht angelegt werden");
    return writeEach(
        kTermine, (long)list.size(), progress,
        [&](long i) {
            const tTermin &t = list[i];
            tDryEntry e{t.from, t.from.hour, t.from.minute, t.till.hour, t.till.minute, t.TITLE};
            return out.write(formatDryEntry(e)) ? tWritten::Yes : tWritten::Failed;
        },
        [&] { out.discard(); }, [&] { return out.commit(); });
}

} // namespace velk
