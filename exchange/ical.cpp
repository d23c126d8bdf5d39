#include "exchange/ical.h"

#include "address/group.h"
#include "address/person.h"
#include "address/resource.h"
#include "calendar/alarm.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "exchange/batch_hold.h"
#include "exchange/file_access.h"
#include "exchange/ical_time.h"
#include "exchange/termin_exchange.h"
#include "exchange/text_out.h"
#include "exchange/uid_register.h"
#include "model/tables.h"

#include <cstdio>
#include <ctime>
#include <map>
#include <set>

namespace velk {

namespace {

constexpr const char *kTermine = "Termine";

// Adds "n what" to the notes, in the singular for one.
void note(std::string &notes, long n, const char *one, const char *more)
{
    if (n <= 0) return;
    if (!notes.empty()) notes += "; ";
    notes += counted(n, n == 1 ? one : more);
}

} // namespace

tExchangeResult importICalendar(const std::string &fileName, const tExchangeProgress &progress)
{
    std::string text;
    switch (readForImport(fileName, kMaxFile, &text)) {
    case tFileStatus::Ok:
        break;
    case tFileStatus::TooBig:
        return notStarted(kTermine, "Fehler beim Lesen",
                          "die Datei ist gr\xF6\xDF"
                          "er als 32 MB");
    case tFileStatus::CannotOpen:
    case tFileStatus::NotRegular:
        return notStarted(kTermine, "Fehler beim Lesen", "die Datei kann nicht gelesen werden");
    }
    tIcsReadout in = readICalendarText(text, tDate::today());
    text = std::string();
    if (!in.calendars)
        return notStarted(kTermine, "Fehler beim Lesen",
                          "keine iCalendar-Datei (ohne BEGIN:VCALENDAR)");
    tUidRegister reg;
    std::map<std::string, std::string> resourceOfTitle;
    for (const tResource &res : allResources()) resourceOfTitle.emplace(res.TITLE, res.ID);
    tExchangeResult r;
    r.unit = kTermine;
    r.skipped = in.broken + in.noStart + in.outside + in.sameUid + in.emptySeries;
    long known = 0, refused = 0;
    std::set<std::string> storedNow;
    long total = (long)in.events.size();
    std::string user = currentUser();
    tTerminStore &store = tTerminStore::instance();
    tBatchHold hold(tTermTable::instance(), progress);
    for (long n = 0; n < total; n++) {
        if (!hold.before(n, total)) {
            r.outcome = tExchangeResult::Cancelled;
            return r;
        }
        tIcsEvent &e = in.events[n];
        std::string ownId;
        tTermin stored;
        // A UID this import stored already is a moved repetition (RECURRENCE-ID) of its series.
        bool earlier = reg.known(e.uid) && !storedNow.count(e.uid);
        if (!e.uid.empty() &&
            (earlier || (ownIdOfUid(e.uid, reg.identity(), &ownId) && store.find(ownId, stored)))) {
            known++;
            continue;
        }
        auto res = resourceOfTitle.find(e.location);
        for (tTermin &t : e.rows) {
            t.ID[0] = 0;
            if (res != resourceOfTitle.end() && !e.location.empty()) t.setResource(res->second);
            if (t.READ[0] == 'P') t.setRead("P" + user);
            if (t.WITH[0] == 'P' && !tPerson().find(t.WITH + 1)) t.setWith("");
            tInsertResult ins = store.insert(t);
            if (ins.status == tStoreStatus::Stored)
                r.done++;
            else if (ins.status == tStoreStatus::Duplicate)
                refused++;
            else {
                r.outcome = tExchangeResult::Failed;
                r.message = "Fehler beim Speichern";
                r.detail = t.TITLE;
                return r;
            }
        }
        if (!e.uid.empty() && storedNow.insert(e.uid).second) reg.add(e.uid);
    }
    hold.release();
    r.skipped += known + refused;
    const char *lostChars = "Zeichen nicht \xFC"
                            "bernommen (nicht in Windows-1252, als ?)";
    note(r.notes, in.lost, lostChars, lostChars);
    note(r.notes, in.broken,
         "fehlerhafter oder unvollst\xE4ndiger Termin \xFC"
         "bersprungen",
         "fehlerhafte oder unvollst\xE4ndige Termine \xFC"
         "bersprungen");
    note(r.notes, in.noStart,
         "Termin ohne lesbaren Beginn \xFC"
         "bersprungen",
         "Termine ohne lesbaren Beginn \xFC"
         "bersprungen");
    note(r.notes, in.outside,
         "Termin au\xDF"
         "erhalb eines Kalenders \xFC"
         "bersprungen",
         "Termine au\xDF"
         "erhalb eines Kalenders \xFC"
         "bersprungen");
    note(r.notes, in.unreadable,
         "Angabe nicht lesbar, \xFC"
         "bersprungen",
         "Angaben nicht lesbar, \xFC"
         "bersprungen");
    note(r.notes, in.unknownEnds, "unbekanntes END als Ende des offenen Teils gelesen",
         "unbekannte END als Ende des offenen Teils gelesen");
    note(r.notes, in.nestedCalendars, "verschachtelter Kalender mitgelesen",
         "verschachtelte Kalender mitgelesen");
    note(r.notes, known, "Termin schon fr\xFCher importiert", "Termine schon fr\xFCher importiert");
    note(r.notes, refused + in.sameUid, "Termin doppelt", "Termine doppelt");
    note(r.notes, in.seriesCut, "Serie nach 2 Jahren oder 500 Terminen abgeschnitten",
         "Serien nach 2 Jahren oder 500 Terminen abgeschnitten");
    note(r.notes, in.emptySeries,
         "Serie ohne Termine \xFC"
         "bersprungen (alle ausgenommen oder verschoben)",
         "Serien ohne Termine \xFC"
         "bersprungen (alle ausgenommen oder verschoben)");
    note(r.notes, in.unsupported, "Serie mit unbekannter Regel nur einmal gespeichert",
         "Serien mit unbekannter Regel nur einmal gespeichert");
    note(r.notes, in.unknownZones, "Termin mit unbekannter Zeitzone als Ortszeit gelesen",
         "Termine mit unbekannter Zeitzone als Ortszeit gelesen");
    note(r.notes, in.titlesCut, "Titel auf 40 Zeichen gek\xFCrzt",
         "Titel auf 40 Zeichen gek\xFCrzt");
    goOn(progress, total, total);
    return r;
}

} // namespace velk
