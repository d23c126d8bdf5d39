// The appointment side of the sync: the user's own appointments (or, for the team collection,
// those of others the user may see) as items of .ics files.
#include "address/person.h"
#include "address/resource.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "exchange/ical.h"
#include "exchange/ical_item.h"
#include "exchange/ical_parts.h"
#include "exchange/ical_time.h"
#include "exchange/sync_side.h"
#include "exchange/uid_register.h"
#include "exchange/vdir.h"

#include <algorithm>
#include <cstdio>

namespace velk {

namespace {

constexpr const char *kTermine = "Termine";

// The values an appointment shows, as a text to hash and to compare.
std::string contentOf(const tTermin &t)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d|%04d%02d%02d%02d%02d|", t.from.year,
                  t.from.month, t.from.day, t.from.hour, t.from.minute, t.till.year, t.till.month,
                  t.till.day, t.till.hour, t.till.minute);
    return std::string(buf) + t.TITLE + "|" + t.RESOURCE + "|" + t.WITH + "|" + t.READ;
}

std::string alarmText(const tAlarm *a)
{
    if (!a) return {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d|", a->when.year, a->when.month,
                  a->when.day, a->when.hour, a->when.minute);
    return buf + std::string(a->MESSAGE);
}

class tAppointmentSide : public tSyncSide {
public:
    explicit tAppointmentSide(bool team) : team_(team), user_(currentUser())
    {
        identity_ = tUidRegister::databaseIdentity();
        for (const tResource &res : allResources()) {
            titleOf_[res.ID] = res.TITLE;
            idOfTitle_.emplace(res.TITLE, res.ID);
        }
    }

    const char *extension() const override { return ".ics"; }

    std::map<std::string, std::vector<tSyncRecord>>
    ours(const std::map<std::string, std::string> &uidOfId) override
    {
        alarms_ = alarmsOfUser();
        std::map<std::string, std::vector<tSyncRecord>> out;
        tTerminStore &store = tTerminStore::instance();
        tTermin t;
        for (long pos = store.first(tTerminStore::ById, t); pos;
             pos = store.next(tTerminStore::ById, pos, t)) {
            if (t.isCounter() || (user_ == t.OWNER) == team_) continue;
            auto known = uidOfId.find(t.ID);
            std::string uid = known != uidOfId.end() ? known->second : ownUid(t.ID, identity_);
            rows_[t.ID] = t;
            out[uid].push_back({t.ID, 0, hashOf(t)});
        }
        return out;
    }

    std::string uidOf(const std::string &text) override
    {
        const tIcsReadout &in = parsed(text);
        for (const tIcsEvent &e : in.events)
            if (!e.uid.empty()) return e.uid;
        return {};
    }

    std::string textOf(const std::string &uid, const std::vector<tSyncRecord> &records,
                       const std::vector<tSyncRecord> &before, const std::string &existing) override
    {
        std::vector<tIcsItemRow> rows;
        for (const tSyncRecord &rec : records) {
            tIcsItemRow r;
            r.row = rows_[rec.id];
            r.occurrence = rec.occurrence;
            auto a = alarms_.find(rec.id);
            r.alarm = a != alarms_.end() ? &a->second : nullptr;
            auto was = std::find_if(before.begin(), before.end(),
                                    [&](const tSyncRecord &b) { return b.id == rec.id; });
            r.changed = was == before.end() || was->hash != rec.hash;
            rows.push_back(r);
        }
        for (const tSyncRecord &b : before)
            if (std::none_of(records.begin(), records.end(),
                             [&](const tSyncRecord &rec) { return rec.id == b.id; })) {
                tIcsItemRow r;
                r.occurrence = b.occurrence;
                r.gone = true;
                rows.push_back(r);
            }
        return icsItemText(existing, uid, rows, titleOf_);
    }

    bool store(const std::string &uid, const std::string &text,
               const std::vector<tSyncRecord> &before, std::vector<tSyncRecord> *after,
               tSyncReport &r) override
    {
        std::vector<std::pair<tTermin, long long>> rows = rowsOf(text, uid);
        changed_ = false;
        std::map<long long, std::string> idOfOccurrence;
        for (const tSyncRecord &b : before) idOfOccurrence[b.occurrence] = b.id;
        after->clear();
        for (auto &[t, occurrence] : rows) {
            std::string id;
            if (auto was = idOfOccurrence.find(occurrence); was != idOfOccurrence.end()) {
                id = was->second;
                idOfOccurrence.erase(was);
            }
            tPut put = this->put(t, id, r);
            if (put == tPut::Failed) return false;
            if (put == tPut::Refused) continue;
            rows_[t.ID] = t;
            after->push_back({t.ID, occurrence, hashOf(t)});
        }
        for (const auto &[occurrence, id] : idOfOccurrence) {
            removeRow(id);
            changed_ = true;
        }
        return true;
    }

    bool storeChanged() const override { return changed_; }

    bool removeRecords(const std::vector<tSyncRecord> &records) override
    {
        bool ok = true;
        for (const tSyncRecord &rec : records) ok = removeRow(rec.id) && ok;
        return ok;
    }

    bool sameContent(const std::string &text, const std::vector<tSyncRecord> &records) override
    {
        std::string uid = uidOf(text);
        std::vector<std::string> theirs, mine;
        for (auto &[t, occurrence] : rowsOf(text, uid)) {
            t.setRead(t.READ[0] == 'P' ? "P" + user_ : "");
            theirs.push_back(contentOf(t));
        }
        for (const tSyncRecord &rec : records) {
            tTermin t = rows_[rec.id];
            // The file says only whether the appointment is private.
            t.setRead(t.READ[0] == 'P' && std::string_view(t.READ + 1) == t.OWNER ? "P" + user_
                                                                                  : "");
            mine.push_back(contentOf(t));
        }
        std::sort(theirs.begin(), theirs.end());
        std::sort(mine.begin(), mine.end());
        return theirs == mine;
    }

    std::string withUid(const std::string &text, const std::string &uid,
                        const std::string &newUid) override
    {
        return icsWithUid(text, uid, newUid);
    }

    std::string nameOf(const std::vector<tSyncRecord> &records) override
    {
        for (const tSyncRecord &rec : records)
            if (auto t = rows_.find(rec.id); t != rows_.end())
                return std::string("Termin \x84") + t->second.TITLE + "\x93";
        return "Termin";
    }

private:
    uint64_t hashOf(const tTermin &t)
    {
        auto a = alarms_.find(t.ID);
        return syncHash(contentOf(t) + "|" + alarmText(a != alarms_.end() ? &a->second : nullptr));
    }

    const tIcsReadout &parsed(const std::string &text)
    {
        if (text != parsedText_) {
            parsed_ = readICalendarText(text, tDate::today());
            parsedText_ = text;
        }
        return parsed_;
    }

    // The appointments of the item uid in a file, as they are to be stored, with the
    // occurrences they stand for.
    std::vector<std::pair<tTermin, long long>> rowsOf(const std::string &text,
                                                      const std::string &uid)
    {
        std::vector<std::pair<tTermin, long long>> out;
        for (const tIcsEvent &e : parsed(text).events) {
            if (e.uid != uid) continue;
            auto res = idOfTitle_.find(e.location);
            for (size_t i = 0; i < e.rows.size(); i++) {
                tTermin t = e.rows[i];
                t.ID[0] = 0;
                t.setResource(res != idOfTitle_.end() && !e.location.empty() ? res->second : "");
                if (t.READ[0] == 'P') t.setRead("P" + user_);
                if (t.WITH[0] == 'P' && !tPerson().find(t.WITH + 1)) t.setWith("");
                out.push_back({t, e.occurrences[i]});
            }
        }
        return out;
    }

    enum class tPut { Stored, Refused, Failed };

    // Stores t over the row id (a new row when id is empty or the row is gone); t receives the
    // row's ID.  A new row the store refuses as a duplicate of one of the user's own rows with
    // the same values (a run cut off after it stored it) is taken as that row; one that only
    // shares start, title and resource with another is refused and reported.
    tPut put(tTermin &t, const std::string &id, tSyncReport &r)
    {
        tTerminStore &store = tTerminStore::instance();
        tTermin stored;
        if (!id.empty() && store.find(id, stored)) {
            t.setType(stored.TYPE);
            std::snprintf(t.OWNER, sizeof t.OWNER, "%s", stored.OWNER);
            std::snprintf(t.ID, sizeof t.ID, "%s", stored.ID);
            // The file tells only "private" or not: a visibility for the participants stays.
            bool storedPrivate =
                stored.READ[0] == 'P' && std::string_view(stored.READ + 1) == t.OWNER;
            if (!t.READ[0] && !storedPrivate) t.setRead(stored.READ);
            if (contentOf(t) == contentOf(stored)) return tPut::Stored;
            changed_ = true;
            if (store.update(id, t) == tStoreStatus::Stored) return tPut::Stored;
        } else if (!id.empty()) {
            r.remarks.push_back(std::string("Termin \x84") + t.TITLE +
                                "\x93: w\xE4hrend des Abgleichs anderswo gel\xF6scht, wieder "
                                "gespeichert");
        }
        t.ID[0] = 0;
        tInsertResult ins = store.insert(t);
        if (ins.status == tStoreStatus::Stored) return changed_ = true, tPut::Stored;
        if (ins.status == tStoreStatus::Duplicate) {
            if (adopt(t)) return tPut::Stored;
            r.remarks.push_back(std::string("Termin \x84") + t.TITLE +
                                "\x93: schon vorhanden (gleicher Beginn, Titel und Raum), nicht "
                                "gespeichert");
            return tPut::Refused;
        }
        r.message = "Fehler beim Speichern";
        r.detail = t.TITLE;
        return tPut::Failed;
    }

    bool adopt(tTermin &t)
    {
        for (const tTermin &same : tTerminStore::instance().ofDay(t.from))
            if (contentOf(same) == contentOf(t) && user_ == same.OWNER) {
                t = same;
                return true;
            }
        return false;
    }

    bool removeRow(const std::string &id)
    {
        tTermin t;
        tTerminStore &store = tTerminStore::instance();
        if (!store.find(id, t)) return true;
        if (user_ != t.OWNER) return true; // never another's
        return store.remove(t) == 0;
    }

    bool team_;
    bool changed_ = false;
    std::string user_, identity_;
    std::map<std::string, std::string> titleOf_;
    std::map<std::string, std::string> idOfTitle_;
    std::map<std::string, tAlarm> alarms_;
    std::map<std::string, tTermin> rows_;
    std::string parsedText_;
    tIcsReadout parsed_;
};

} // namespace

std::unique_ptr<tSyncSide> appointmentSide(bool team)
{
    return std::make_unique<tAppointmentSide>(team);
}

} // namespace velk
