#include "exchange/sync_user.h"

#include "base/cp1252.h"
#include "base/session.h"
#include "exchange/sync_side.h"
#include "exchange/sync_state.h"
#include "exchange/vdir.h"

#include <cerrno>
#include <fstream>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace velk {

namespace {

std::string serverFile(const tSyncPlaces &places) { return places.dir + "server"; }

bool saveSyncServer(const tSyncPlaces &places, const tSyncServer &server)
{
    std::string path = serverFile(places), temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << server.url << "\n" << server.user << "\n";
        if (!out.flush()) return false;
    }
    return rename(temp.c_str(), path.c_str()) == 0;
}

bool makeDirs(const std::string &path)
{
    for (size_t at = 1; at <= path.size(); at++) {
        if (at < path.size() && path[at] != '/') continue;
        if (mkdir(path.substr(0, at).c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// One collection against the database; its summary line.
tSyncReport syncOne(tSyncKind kind, const char *title, const std::string &vdir,
                    const std::string &databaseDir, const tLineSink &onLine,
                    std::vector<std::string> *summary)
{
    tSyncReport r;
    if (!makeDirs(vdir)) {
        r.outcome = tExchangeResult::NotStarted;
        r.message = "Fehler beim Schreiben";
        r.detail = "das Verzeichnis kann nicht angelegt werden: " + vdir;
    } else {
        std::string state =
            syncStatePath(userConfigHome(), databaseDir, currentUser(), syncKindName(kind), vdir);
        r = runSync(kind, vdir, state);
    }
    for (const std::string &line : r.remarks)
        if (onLine) onLine(std::string(title) + ": " + cp1252ToUtf8(line));
    std::string line = std::string(title) + ": " + cp1252ToUtf8(describeSync(r));
    if (onLine) onLine(line);
    summary->push_back(line);
    return r;
}

// Before vdirsyncer runs: a file of our vdir that the last run left in step and that no longer
// holds its item (cut off, emptied) is written again from our records.  vdirsyncer would take
// it for a change, send it (the server refuses it, and every later sync stops there) and drop
// the server's copy of the item.  The state takes the written file as in step; a change of our
// records since goes out with the sync as usual.
void rewriteDamagedFiles(tSyncKind kind, const char *title, const std::string &vdir,
                         const std::string &databaseDir, const tLineSink &onLine)
{
    constexpr long kMaxItemFile = 4L << 20;
    std::string statePath =
        syncStatePath(userConfigHome(), databaseDir, currentUser(), syncKindName(kind), vdir);
    tSyncState state;
    if (!state.load(statePath) || state.items.empty()) return;
    std::unique_ptr<tSyncSide> side = kind == tSyncKind::Personen
                                          ? personSide()
                                          : appointmentSide(kind == tSyncKind::TermineTeam);
    std::map<std::string, std::vector<tSyncRecord>> ours;
    bool oursRead = false, rewritten = false;
    for (auto &[uid, item] : state.items) {
        std::optional<std::string> text = readVdirFile(vdir, item.file, kMaxItemFile);
        if (!text || syncHash(*text) == item.fileHash || !side->uidOf(*text).empty()) continue;
        if (!oursRead) {
            std::map<std::string, std::string> uidOfId;
            for (const auto &[u, it] : state.items)
                for (const tSyncRecord &rec : it.records) uidOfId[rec.id] = u;
            ours = side->ours(uidOfId);
            oursRead = true;
        }
        auto records = ours.find(uid);
        if (records == ours.end() || records->second.empty()) continue;
        std::string fresh = side->textOf(uid, records->second, item.records, "");
        tVdirFile written;
        if (fresh.empty() || !writeVdirFile(vdir, item.file, fresh, &written)) continue;
        item.fileHash = syncHash(fresh);
        item.size = written.size;
        item.mtime = written.mtime;
        rewritten = true;
        if (onLine)
            onLine(std::string(title) +
                   ": Datei nicht lesbar, aus der Datenbank neu geschrieben: " + item.file);
    }
    if (rewritten) {
        syncVdir(vdir);
        state.save(statePath);
    }
}

} // namespace

std::optional<tSyncServer> loadSyncServer(const tSyncPlaces &places)
{
    std::ifstream in(serverFile(places));
    tSyncServer s;
    if (!std::getline(in, s.url) || !std::getline(in, s.user) || s.url.empty()) return std::nullopt;
    return s;
}

std::string syncServerProblem(const tSyncServer &server)
{
    for (const std::string *text : {&server.url, &server.user})
        for (unsigned char c : *text)
            if (c <= ' ' || c == 0x7f) return "Adresse und Benutzername ohne Leerzeichen angeben";
    const std::string &u = server.url;
    size_t scheme = u.rfind("https://", 0) == 0 ? 8 : u.rfind("http://", 0) == 0 ? 7 : 0;
    if (!scheme) return "Die Adresse des Servers beginnt mit http:// oder https://";
    if (u.size() == scheme || u[scheme] == '/' || u[scheme] == ':')
        return "Die Adresse nennt keinen Server";
    if (server.user.empty()) return "Bitte den Benutzernamen auf dem Server angeben";
    return {};
}

tSetupResult setUpSyncServer(const tSyncPlaces &places, const tSyncServer &server,
                             const std::string &password, tSecret how, const tLineSink &onLine,
                             int timeoutSeconds)
{
    tSetupResult r;
    r.message = syncServerProblem(server);
    if (!r.message.empty()) return r;
    r = writeSyncSetup(places, server, password, how);
    if (!r.ok) return r;
    if (!saveSyncServer(places, server)) {
        r.ok = false;
        r.message = "Die Einrichtung kann nicht gesichert werden: " + serverFile(places);
        return r;
    }
    tRunResult discover = runDiscover(places, {}, onLine, timeoutSeconds);
    if (!discover.ok()) {
        r.ok = false;
        r.message = discover.message;
    }
    return r;
}

tUserSync syncUser(const tSyncPlaces &places, const std::string &databaseDir,
                   const tLineSink &onLine, const tExchangeProgress &progress, int timeoutSeconds)
{
    tUserSync u;
    auto say = [&](const std::string &line) {
        if (onLine) onLine(line);
    };
    std::optional<tSyncServer> server = loadSyncServer(places);
    if (!server) {
        u.message = "Noch kein Server eingerichtet (Datei > Server einrichten...)";
        return u;
    }
    auto cancelled = [&](long step) {
        if (goOn(progress, step, 5)) return false;
        u.message = "Abgebrochen";
        return true;
    };
    rewriteDamagedFiles(tSyncKind::Termine, "Termine", termineVdir(places), databaseDir, onLine);
    rewriteDamagedFiles(tSyncKind::TermineTeam, "Termine der anderen",
                        termineTeamVdir(places, *server), databaseDir, onLine);
    rewriteDamagedFiles(tSyncKind::Personen, "Personen", personenVdir(places), databaseDir, onLine);
    say("Vom Server holen...");
    tRunResult pull = runSync(places, {}, onLine, timeoutSeconds);
    if (!pull.ok()) {
        u.message = pull.message;
        return u;
    }
    u.pulled = true;
    if (cancelled(1)) return u;
    u.termine = syncOne(tSyncKind::Termine, "Termine", termineVdir(places), databaseDir, onLine,
                        &u.summary);
    if (cancelled(2)) return u;
    u.team = syncOne(tSyncKind::TermineTeam, "Termine der anderen",
                     termineTeamVdir(places, *server), databaseDir, onLine, &u.summary);
    if (cancelled(3)) return u;
    u.personen = syncOne(tSyncKind::Personen, "Personen", personenVdir(places), databaseDir, onLine,
                         &u.summary);
    for (const tSyncReport *r : {&u.termine, &u.team, &u.personen})
        if (!r->ok() && u.message.empty())
            u.message = cp1252ToUtf8(r->message + (r->detail.empty() ? "" : ": " + r->detail));
    if (cancelled(4)) return u;
    say("Zum Server senden...");
    tRunResult push = runSync(places, {}, onLine, timeoutSeconds);
    u.pushed = push.ok();
    if (!u.pushed && u.message.empty()) u.message = push.message;
    u.ok = u.message.empty();
    goOn(progress, 5, 5);
    return u;
}

} // namespace velk
