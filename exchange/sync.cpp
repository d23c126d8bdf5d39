#include "exchange/sync.h"

#include "exchange/sync_side.h"
#include "exchange/vdir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>

namespace velk {

namespace {

constexpr long kMaxItemFile = 4L << 20; // bytes of one item's file
constexpr long kSaveEvery = 200;        // changes between two saves of the state, and
constexpr double kSaveSeconds = 2;      // at least the seconds between two saves

struct tFileSide {
    tVdirFile stat;
    bool changed = false;
    std::string text; // read when changed
};

std::string hex(uint64_t v)
{
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", (unsigned long long)v);
    return buf;
}

bool sameRecords(const std::vector<tSyncRecord> &a, const std::vector<tSyncRecord> &b)
{
    std::set<std::pair<std::string, uint64_t>> x, y;
    for (const tSyncRecord &r : a) x.insert({r.id, r.hash});
    for (const tSyncRecord &r : b) y.insert({r.id, r.hash});
    return x == y;
}

// Our records with the occurrences the last run knew of them.
std::vector<tSyncRecord> withOccurrences(std::vector<tSyncRecord> records,
                                         const std::vector<tSyncRecord> &before)
{
    for (tSyncRecord &r : records)
        for (const tSyncRecord &b : before)
            if (b.id == r.id && r.occurrence == 0) r.occurrence = b.occurrence;
    return records;
}

class tSyncRun {
public:
    tSyncRun(tSyncKind kind, const std::string &vdir, const std::string &statePath,
             const tExchangeProgress &progress)
        : kind_(kind), vdir_(vdir), statePath_(statePath), progress_(progress),
          side_(kind == tSyncKind::Personen ? personSide()
                                            : appointmentSide(kind == tSyncKind::TermineTeam))
    {}

    tSyncReport run();

private:
    bool readSides();
    void readFile(const tVdirFile &f, const std::map<std::string, std::string> &uidOfFile);
    tSyncSides sidesOf(const std::string &uid) const;
    bool handle(const std::string &uid);
    bool writeFile(const std::string &uid, const std::string &existing);
    bool storeFile(const std::string &uid, const std::string &text, bool known);
    bool keepConflict(const std::string &uid, const std::string &text);
    bool write(const std::string &name, const std::string &text, tVdirFile *written);
    std::string freeName(const std::string &name) const;
    std::string textOfFile(const std::string &uid);
    void remark(const std::string &what, const std::string &uid);
    bool saveNow();

    tSyncKind kind_;
    std::string vdir_, statePath_;
    const tExchangeProgress &progress_;
    std::unique_ptr<tSyncSide> side_;
    tSyncState state_;
    tSyncReport r_;
    std::map<std::string, std::vector<tSyncRecord>> ours_;
    std::map<std::string, tFileSide> files_;
    std::set<std::string> names_;   // every file name of the vdir
    std::set<std::string> skip_;    // UIDs whose file could not be read: left as they are
    std::vector<std::string> late_; // UIDs of the copies of conflicts, stored at the end
    long sinceSave_ = 0;
    std::chrono::steady_clock::time_point savedAt_ = std::chrono::steady_clock::now();
};

tSyncReport tSyncRun::run()
{
    if (!state_.load(statePath_)) {
        r_.outcome = tExchangeResult::NotStarted;
        r_.message = "Fehler beim Lesen";
        r_.detail = "der Stand des letzten Abgleichs kann nicht gelesen werden: " + statePath_;
        return r_;
    }
    if (!readSides()) return r_;
    std::set<std::string> uids;
    for (const auto &[uid, item] : state_.items) uids.insert(uid);
    for (const auto &[uid, records] : ours_) uids.insert(uid);
    for (const auto &[uid, file] : files_) uids.insert(uid);
    // New files first: what they store may be records a run cut off stored before, which then
    // are theirs and no new items of ours.
    std::vector<std::string> order;
    for (const std::string &uid : uids)
        if (files_.count(uid) && !state_.items.count(uid) && !ours_.count(uid))
            order.push_back(uid);
    for (const std::string &uid : uids)
        if (!(files_.count(uid) && !state_.items.count(uid) && !ours_.count(uid)))
            order.push_back(uid);
    long done = 0, total = (long)order.size();
    for (const std::string &uid : order) {
        if (!goOn(progress_, done++, total)) {
            saveNow();
            r_.outcome = tExchangeResult::Cancelled;
            return r_;
        }
        if (skip_.count(uid)) continue;
        if (!handle(uid)) break;
    }
    for (size_t i = 0; i < late_.size() && r_.ok(); i++) handle(late_[i]);
    if (!saveNow() && r_.ok()) {
        r_.outcome = tExchangeResult::Failed;
        r_.message = "Fehler beim Schreiben";
        r_.detail = "der Stand des Abgleichs kann nicht gesichert werden: " + statePath_;
    }
    if (r_.ok()) goOn(progress_, total, total);
    return r_;
}

bool tSyncRun::readSides()
{
    std::vector<tVdirFile> list;
    if (!listVdir(vdir_, side_->extension(), &list)) {
        r_.outcome = tExchangeResult::NotStarted;
        r_.message = "Fehler beim Lesen";
        r_.detail = "das Verzeichnis kann nicht gelesen werden: " + vdir_;
        return false;
    }
    std::map<std::string, std::string> uidOfId, uidOfFile;
    for (const auto &[uid, item] : state_.items) {
        uidOfFile[item.file] = uid;
        for (const tSyncRecord &rec : item.records) uidOfId[rec.id] = uid;
    }
    for (const tVdirFile &f : list) {
        names_.insert(f.name);
        readFile(f, uidOfFile);
    }
    ours_ = side_->ours(uidOfId);
    return true;
}

void tSyncRun::readFile(const tVdirFile &f, const std::map<std::string, std::string> &uidOfFile)
{
    auto known = uidOfFile.find(f.name);
    const tSyncItem *item = known != uidOfFile.end() ? &state_.items[known->second] : nullptr;
    if (item && item->size == f.size && item->mtime == f.mtime) {
        files_[known->second] = {f, false, {}};
        return;
    }
    std::optional<std::string> text = readVdirFile(vdir_, f.name, kMaxItemFile);
    uint64_t hash = text ? syncHash(*text) : 0;
    if (item && text && hash == item->fileHash) {
        files_[known->second] = {f, false, {}};
        return;
    }
    std::string uid = text ? side_->uidOf(*text) : std::string();
    if (uid.empty()) {
        // Unreadable, cut off or without an item: the item it stood for stays as it is.
        remark("Datei nicht lesbar, nicht abgeglichen", f.name);
        if (item) skip_.insert(known->second);
        return;
    }
    if (files_.count(uid)) {
        remark("zweite Datei mit derselben UID nicht abgeglichen", f.name);
        return;
    }
    files_[uid] = {f, true, std::move(*text)};
}

tSyncSides tSyncRun::sidesOf(const std::string &uid) const
{
    tSyncSides s;
    auto item = state_.items.find(uid);
    auto ours = ours_.find(uid);
    auto file = files_.find(uid);
    s.known = item != state_.items.end();
    s.ours = ours != ours_.end() && !ours->second.empty();
    s.file = file != files_.end();
    if (s.known) {
        s.oursChanged = !s.ours || !sameRecords(ours->second, item->second.records);
        s.fileChanged = !s.file || file->second.changed;
    } else {
        s.oursChanged = s.ours;
        s.fileChanged = s.file;
    }
    return s;
}

std::string tSyncRun::textOfFile(const std::string &uid)
{
    auto file = files_.find(uid);
    if (file == files_.end()) return {};
    if (!file->second.changed && file->second.text.empty())
        if (std::optional<std::string> text =
                readVdirFile(vdir_, file->second.stat.name, kMaxItemFile))
            file->second.text = *text;
    return file->second.text;
}

bool tSyncRun::handle(const std::string &uid)
{
    tSyncSides s = sidesOf(uid);
    tSyncAction a = kind_ == tSyncKind::TermineTeam ? decideWrittenOnly(s) : decideSync(s);
    const std::vector<tSyncRecord> none;
    auto item = state_.items.find(uid);
    const std::vector<tSyncRecord> &before = s.known ? item->second.records : none;
    bool ok = true;
    switch (a) {
    case tSyncAction::Nothing:
        if (s.file && s.known) { // rewritten with the same bytes: its new time
            item->second.size = files_[uid].stat.size;
            item->second.mtime = files_[uid].stat.mtime;
        }
        r_.unchanged++;
        return true;
    case tSyncAction::Forget:
        state_.items.erase(uid);
        return true;
    case tSyncAction::RestoreFile:
        r_.out.conflicts++;
        remark(kind_ == tSyncKind::TermineTeam
                   ? "auf dem Server gel\xF6scht oder ge\xE4ndert, nicht \xFC"
                     "bernommen"
                   : "auf dem Server gel\xF6scht, hier ge\xE4ndert: wieder geschrieben",
               side_->nameOf(ours_[uid]));
        ok = writeFile(uid, textOfFile(uid));
        break;
    case tSyncAction::WriteFile:
        ok = writeFile(uid, textOfFile(uid));
        break;
    case tSyncAction::DeleteFile:
        if (!removeVdirFile(vdir_, files_[uid].stat.name)) {
            remark("Datei kann nicht gel\xF6scht werden", files_[uid].stat.name);
            return true;
        }
        if (s.fileChanged && kind_ == tSyncKind::TermineTeam && !s.known)
            remark("auf dem Server angelegt, nicht \xFC"
                   "bernommen",
                   files_[uid].stat.name);
        else
            r_.out.deleted++;
        state_.items.erase(uid);
        break;
    case tSyncAction::RestoreRecords:
        r_.in.conflicts++;
        remark("hier gel\xF6scht, auf dem Server ge\xE4ndert: wieder gespeichert", uid);
        ok = storeFile(uid, textOfFile(uid), false);
        break;
    case tSyncAction::StoreFile:
        ok = storeFile(uid, textOfFile(uid), s.known);
        break;
    case tSyncAction::DeleteRecords:
        if (!side_->removeRecords(before)) {
            remark("kann nicht gel\xF6scht werden", side_->nameOf(before));
            return true;
        }
        r_.in.deleted++;
        state_.items.erase(uid);
        break;
    case tSyncAction::Compare: {
        std::string text = textOfFile(uid);
        if (side_->sameContent(text, ours_[uid])) {
            tSyncItem &it = state_.items[uid];
            it = {files_[uid].stat.name, syncHash(text), files_[uid].stat.size,
                  files_[uid].stat.mtime, withOccurrences(ours_[uid], before)};
            r_.unchanged++;
            break;
        }
        ok = keepConflict(uid, text) && writeFile(uid, text);
        break;
    }
    }
    if (++sinceSave_ >= kSaveEvery &&
        std::chrono::steady_clock::now() - savedAt_ >= std::chrono::duration<double>(kSaveSeconds))
        saveNow();
    return ok;
}

bool tSyncRun::writeFile(const std::string &uid, const std::string &existing)
{
    auto item = state_.items.find(uid);
    std::vector<tSyncRecord> before;
    if (item != state_.items.end()) before = item->second.records;
    std::vector<tSyncRecord> records = withOccurrences(ours_[uid], before);
    std::string text = side_->textOf(uid, records, before, existing);
    if (text.empty()) {
        remark("kann nicht geschrieben werden (ohne g\xFCltigen Beginn)", side_->nameOf(records));
        return true;
    }
    auto file = files_.find(uid);
    bool had = file != files_.end();
    std::string name =
        had ? file->second.stat.name : freeName(vdirNameOfUid(uid, side_->extension()));
    tVdirFile written;
    if (!write(name, text, &written)) return false;
    files_[uid] = {written, false, text};
    state_.items[uid] = {name, syncHash(text), written.size, written.mtime, records};
    (had || item != state_.items.end() ? r_.out.changed : r_.out.added)++;
    return true;
}

bool tSyncRun::storeFile(const std::string &uid, const std::string &text, bool known)
{
    auto item = state_.items.find(uid);
    std::vector<tSyncRecord> before, after;
    if (known && item != state_.items.end()) before = item->second.records;
    if (!side_->store(uid, text, before, &after, r_)) {
        r_.outcome = tExchangeResult::Failed;
        return false;
    }
    const tVdirFile &f = files_[uid].stat;
    state_.items[uid] = {f.name, syncHash(text), f.size, f.mtime, after};
    // Records taken over from another item of ours (stored by a run cut off) leave it.
    for (auto &[other, records] : ours_)
        if (other != uid)
            std::erase_if(records, [&](const tSyncRecord &rec) {
                return std::any_of(after.begin(), after.end(),
                                   [&](const tSyncRecord &a) { return a.id == rec.id; });
            });
    ours_[uid] = after;
    if (side_->storeChanged())
        (known ? r_.in.changed : r_.in.added)++;
    else
        r_.unchanged++;
    return true;
}

// Both sides changed the item differently: the file's version goes beside it with a UID of its
// own and is stored at the end of the run as a new item; ours is written over it.
bool tSyncRun::keepConflict(const std::string &uid, const std::string &text)
{
    std::string newUid = uid + "-konflikt-" + hex(syncHash(text)).substr(0, 8);
    std::string copy = side_->withUid(text, uid, newUid);
    std::string ext = side_->extension();
    const std::string &name = files_[uid].stat.name;
    std::string stem = name.substr(0, name.size() - ext.size());
    std::string conflictName = freeName(stem + ".konflikt" + ext);
    tVdirFile written;
    if (!write(conflictName, copy, &written)) return false;
    files_[newUid] = {written, true, copy};
    late_.push_back(newUid);
    r_.out.conflicts++;
    remark("auf beiden Seiten ge\xE4ndert: unsere Fassung gilt, die andere als " + conflictName,
           side_->nameOf(ours_[uid]));
    return true;
}

// Writes a file of the vdir; a failure ends the run.
bool tSyncRun::write(const std::string &name, const std::string &text, tVdirFile *written)
{
    if (!writeVdirFile(vdir_, name, text, written)) {
        r_.outcome = tExchangeResult::Failed;
        r_.message = "Fehler beim Schreiben";
        r_.detail = "die Datei kann nicht geschrieben werden: " + vdir_ + "/" + name;
        return false;
    }
    names_.insert(name);
    return true;
}

std::string tSyncRun::freeName(const std::string &name) const
{
    if (!names_.count(name)) return name;
    std::string ext = side_->extension();
    std::string stem = name.substr(0, name.size() - ext.size());
    for (int n = 2;; n++) {
        std::string next = stem + "-" + std::to_string(n) + ext;
        if (!names_.count(next)) return next;
    }
}

void tSyncRun::remark(const std::string &what, const std::string &uid)
{
    r_.remarks.push_back(uid + ": " + what);
}

// The files written so far reach the disk before the state that counts on them.
bool tSyncRun::saveNow()
{
    sinceSave_ = 0;
    savedAt_ = std::chrono::steady_clock::now();
    return syncVdir(vdir_) && state_.save(statePath_);
}

std::string countsText(const tSyncCounts &c)
{
    return std::to_string(c.added) + " neu, " + std::to_string(c.changed) + " ge\xE4ndert, " +
           std::to_string(c.deleted) + " gel\xF6scht, " + std::to_string(c.conflicts) +
           (c.conflicts == 1 ? " Konflikt" : " Konflikte");
}

} // namespace

const char *syncKindName(tSyncKind kind)
{
    switch (kind) {
    case tSyncKind::Termine:
        return "termine";
    case tSyncKind::TermineTeam:
        return "termine-team";
    case tSyncKind::Personen:
        return "personen";
    }
    return "";
}

std::optional<tSyncKind> syncKindNamed(std::string_view name)
{
    for (tSyncKind k : {tSyncKind::Termine, tSyncKind::TermineTeam, tSyncKind::Personen})
        if (name == syncKindName(k)) return k;
    return std::nullopt;
}

tSyncAction decideSync(const tSyncSides &s)
{
    if (!s.known) {
        if (s.ours && s.file) return tSyncAction::Compare;
        if (s.ours) return tSyncAction::WriteFile;
        if (s.file) return tSyncAction::StoreFile;
        return tSyncAction::Nothing;
    }
    if (!s.ours && !s.file) return tSyncAction::Forget;
    if (!s.ours) return s.fileChanged ? tSyncAction::RestoreRecords : tSyncAction::DeleteFile;
    if (!s.file) return s.oursChanged ? tSyncAction::RestoreFile : tSyncAction::DeleteRecords;
    if (s.oursChanged && s.fileChanged) return tSyncAction::Compare;
    if (s.oursChanged) return tSyncAction::WriteFile;
    if (s.fileChanged) return tSyncAction::StoreFile;
    return tSyncAction::Nothing;
}

tSyncAction decideWrittenOnly(const tSyncSides &s)
{
    if (!s.ours) {
        if (s.file) return tSyncAction::DeleteFile;
        return s.known ? tSyncAction::Forget : tSyncAction::Nothing;
    }
    if (!s.file) return s.known ? tSyncAction::RestoreFile : tSyncAction::WriteFile;
    if (s.known && s.fileChanged) return tSyncAction::RestoreFile;
    if (s.oursChanged || s.fileChanged) return tSyncAction::WriteFile;
    return tSyncAction::Nothing;
}

tSyncReport runSync(tSyncKind kind, const std::string &vdir, const std::string &statePath,
                    const tExchangeProgress &progress)
{
    return tSyncRun(kind, vdir, statePath, progress).run();
}

std::string describeSync(const tSyncReport &r)
{
    std::string out =
        "in die Datenbank: " + countsText(r.in) + "; ins Verzeichnis: " + countsText(r.out);
    if (!r.ok()) out = r.message + (r.detail.empty() ? "" : " (" + r.detail + ")") + "; " + out;
    return out;
}

} // namespace velk
