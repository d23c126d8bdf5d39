#include "exchange/ical.h"

#include "address/group.h"
#include "address/person.h"
#include "address/resource.h"
#include "calendar/alarm.h"
#include "base/session.h"
#include "calendar/termin_store.h"
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

// Whether the event was stored by an earlier import, or is one this database exported and still
// holds; such an event is passed over.
bool importedBefore(const tIcsEvent &e, const tUidRegister &reg, const std::set<std::string> &now)
{
    std::string ownId;
    tTermin stored;
    // A UID this import stored already is a moved repetition (RECURRENCE-ID) of its series.
    bool earlier = reg.known(e.uid) && !now.count(e.uid);
    return !e.uid.empty() && (earlier || (ownIdOfUid(e.uid, reg.identity(), &ownId) &&
                                          tTerminStore::instance().find(ownId, stored)));
}

// An event's row as the import stores it: the resource named by LOCATION, a private READ for the
// user, WITH only for a person of this database.
void prepareRow(tTermin &t, const tIcsEvent &e, const std::map<std::string, std::string> &resources,
                const std::string &user)
{
    t.ID[0] = 0;
    auto res = resources.find(e.location);
    if (res != resources.end() && !e.location.empty()) t.setResource(res->second);
    if (t.READ[0] == 'P') t.setRead("P" + user);
    if (t.WITH[0] == 'P' && !tPerson().find(t.WITH + 1)) t.setWith("");
}

std::map<std::string, std::string> resourcesByTitle()
{
    std::map<std::string, std::string> out;
    for (const tResource &res : allResources()) out.emplace(res.TITLE, res.ID);
    return out;
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
    std::map<std::string, std::string> resourceOfTitle = resourcesByTitle();
    long known = 0, refused = 0;
    std::set<std::string> storedNow;
    std::string user = currentUser();
    tTerminStore &store = tTerminStore::instance();
    tExchangeResult r = readEach(kTermine, tTermTable::instance(), (long)in.events.size(), progress,
                                 [&](long n, tExchangeResult &r) {
                                     tIcsEvent &e = in.events[n];
                                     if (importedBefore(e, reg, storedNow)) {
                                         known++;
                                         return tRead::Passed;
                                     }
                                     // The event's appointments are counted here, one by one.
                                     for (tTermin &t : e.rows) {
                                         prepareRow(t, e, resourceOfTitle, user);
                                         tInsertResult ins = store.insert(t);
                                         if (ins.status == tStoreStatus::Stored)
                                             r.done++;
                                         else if (ins.status == tStoreStatus::Duplicate)
                                             refused++;
                                         else {
                                             r.message = "Fehler beim Speichern";
                                             r.detail = t.TITLE;
                                             return tRead::Failed;
                                         }
                                     }
                                     if (!e.uid.empty() && storedNow.insert(e.uid).second)
                                         reg.add(e.uid);
                                     return tRead::Passed;
                                 });
    r.skipped = in.broken + in.noStart + in.outside + in.sameUid + in.emptySeries;
    if (!r.ok()) return r;
    r.skipped += known + refused;
    const char *lostChars = "Zeichen nicht \xFC"
                            "bernommen (nicht in Windows-1252, als ?)";
    addNotes(
        r.notes,
        {
            {in.lost, lostChars, lostChars},
            {in.broken,
             "fehlerhafter oder unvollst\xE4ndiger Termin \xFC"
             "bersprungen",
             "fehlerhafte oder unvollst\xE4ndige Termine \xFC"
             "bersprungen"},
            {in.noStart,
             "Termin ohne lesbaren Beginn \xFC"
             "bersprungen",
             "Termine ohne lesbaren Beginn \xFC"
             "bersprungen"},
            {in.outside,
             "Termin au\xDF"
             "erhalb eines Kalenders \xFC"
             "bersprungen",
             "Termine au\xDF"
             "erhalb eines Kalenders \xFC"
             "bersprungen"},
            {in.unreadable,
             "Angabe nicht lesbar, \xFC"
             "bersprungen",
             "Angaben nicht lesbar, \xFC"
             "bersprungen"},
            {in.unknownEnds, "unbekanntes END als Ende des offenen Teils gelesen",
             "unbekannte END als Ende des offenen Teils gelesen"},
            {in.nestedCalendars, "verschachtelter Kalender mitgelesen",
             "verschachtelte Kalender mitgelesen"},
            {known, "Termin schon fr\xFCher importiert", "Termine schon fr\xFCher importiert"},
            {refused + in.sameUid, "Termin doppelt", "Termine doppelt"},
            {in.seriesCut, "Serie nach 2 Jahren oder 500 Terminen abgeschnitten",
             "Serien nach 2 Jahren oder 500 Terminen abgeschnitten"},
            {in.emptySeries,
             "Serie ohne Termine \xFC"
             "bersprungen (alle ausgenommen oder verschoben)",
             "Serien ohne Termine \xFC"
             "bersprungen (alle ausgenommen oder verschoben)"},
            {in.unsupported, "Serie mit unbekannter Regel nur einmal gespeichert",
             "Serien mit unbekannter Regel nur einmal gespeichert"},
            {in.unknownZones, "Termin mit unbekannter Zeitzone als Ortszeit gelesen",
             "Termine mit unbekannter Zeitzone als Ortszeit gelesen"},
            {in.titlesCut, "Titel auf 40 Zeichen gek\xFCrzt", "Titel auf 40 Zeichen gek\xFCrzt"},
        });
    return r;
}

std::vector<tTermin> termineOfICalendar(const std::string &fileName)
{
    std::vector<tTermin> out;
    std::string text;
    if (readForImport(fileName, kMaxFile, &text) != tFileStatus::Ok) return out;
    tIcsReadout in = readICalendarText(text, tDate::today());
    std::map<std::string, std::string> resourceOfTitle = resourcesByTitle();
    bool books = false;
    for (const tIcsEvent &e : in.events) books = books || resourceOfTitle.count(e.location);
    // Without a booking nothing can collide; the register is left alone then.
    if (!books) return out;
    tUidRegister reg;
    std::set<std::string> storedNow;
    std::string user = currentUser();
    for (tIcsEvent &e : in.events) {
        if (importedBefore(e, reg, storedNow)) continue;
        for (tTermin &t : e.rows) {
            prepareRow(t, e, resourceOfTitle, user);
            out.push_back(t);
        }
        if (!e.uid.empty()) storedNow.insert(e.uid);
    }
    return out;
}

} // namespace velk
