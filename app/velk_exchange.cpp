// velk-exchange: the imports and exports of the "Datei" menu from the command line.
//
//   velk-exchange [--user NAME] [--password-stdin] DIR import|export KIND FILE
//   velk-exchange [--user NAME] [--password-stdin] DIR sync termine|termine-team|personen VDIR
//   velk-exchange [--user NAME] [--password-stdin] DIR export PDF-KIND FILE [--datum TT.MM.JJJJ]
//   velk-exchange [--user NAME] [--password-stdin] DIR suche WORD [--art KIND,...]
//                 [--von TT.MM.JJJJ] [--bis TT.MM.JJJJ]
//   velk-exchange --help | -h          the usage on standard output
//   velk-exchange --version | -V       "velk-exchange 0.1"
//
// DIR is the database directory (one without a database gets a new empty one, as at the
// program's first start; only root may do that, since nobody else can log in to it).  KIND is
// termine-dbf, personen-dbf, portfolio, ical or vcard (both ways), personen-txt or komplett (export
// only; for komplett FILE names a file in the target directory, where every table gets its own
// file).
//
// The PDF kinds write a view's printed pages as the "Datei" menu's "Als PDF sichern..." does
// (views/print_kinds.h): woche-pdf (the week of --datum), monat-pdf (its month), belegung-pdf
// (the occupancy plan of its year, a page per quarter), terminliste-pdf (the list from it),
// personen-pdf and aufgaben-pdf (all persons, all tasks); --datum is today when not given.  The
// heading names the logged-in user and the time of the run.  Qt Gui paints them on its offscreen
// platform unless QT_QPA_PLATFORM names another, so no display is needed.
//
// suche prints what "Bearbeiten > Suchen..." finds for WORD (views/search.h), one result a
// line: kind, ID, date and text, separated by tabs, in UTF-8; --art keeps the kinds named
// (termin, person, gruppe, ressource, projekt, aufgabe), --von and --bis the dated records of
// that range.  Its exit status is 0 with results and 1 without.
//
// The user (root by default) logs in as the login dialog does: the password is read from the
// terminal without echo, or with --password-stdin from the first line of standard input.  What
// the work sees and stores is that user's: the appointments visible to them, OWNER of what is
// imported.
//
// sync keeps the vdir VDIR (a directory of one .ics or .vcf per item, as vdirsyncer, khal and
// khard keep them) in step with the database, both ways (sync.h); its state lives in the user's
// configuration directory.  It prints "in die Datenbank: n neu, n geÃ¤ndert, n gelÃ¶scht,
// n Konflikte; ins Verzeichnis: ..." and a line for each conflict or refused change.
//
// Exit status: 0 done; 1 the work failed or was interrupted part-way (what was imported stays,
// and the message says how much); 2 it could not start (usage, login, database, file, or a
// directory whose file system does not enforce locks).  One line on standard output on
// success, one on standard error otherwise; progress on standard error while it is a terminal.
#include "model/db_path.h"
#include "model/login.h"
#include "base/session.h"
#include "model/model_database.h"
#include "model/share_locks.h"
#include "base/cp1252.h"
#include "exchange/exchange.h"
#include "exchange/file_access.h"
#include "exchange/sync.h"
#include "exchange/sync_state.h"
#include "exchange/sync_user.h"
#include "print/print_painter.h"
#include "views/print_kinds.h"
#include "views/search.h"
#include "views/view_lines.h"
#include "velk_version.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using namespace velk;

namespace {

constexpr int kDone = 0, kPartWay = 1, kNotStarted = 2;

struct tArgs {
    std::string user = kRootName;
    bool passwordStdin = false;
    std::string dir;
    bool import = false;
    std::optional<tSyncKind> sync;     // sync instead of import or export
    bool syncAll = false;              // the whole sync of the user with the server
    std::optional<tSyncServer> server; // the server's set-up
    tExchangeKind kind = tExchangeKind::TermineDbf;
    std::optional<tPrintKind> print; // a view's pages as a PDF file instead of an export
    std::optional<tDate> date;       // --datum
    std::optional<std::string> word; // suche: the word, as typed
    tSearchFilter filter;            // suche: --art, --von, --bis
    bool searchOptions = false;      // one of them was given
    std::string file;
    bool help = false;    // --help: the usage, nothing else
    bool version = false; // --version: the version, nothing else
};

const char *kUsage =
    "Aufruf: velk-exchange [--user NAME] [--password-stdin] VERZEICHNIS import|export ART DATEI\n"
    "  ART: termine-dbf, personen-dbf, portfolio, ical, vcard (import und export),\n"
    "       personen-txt, komplett (nur export)\n"
    "       velk-exchange [--user NAME] [--password-stdin] VERZEICHNIS export PDF-ART DATEI\n"
    "                     [--datum TT.MM.JJJJ]\n"
    "  PDF-ART: woche-pdf, monat-pdf, belegung-pdf (das Jahr), terminliste-pdf (ab dem Datum),\n"
    "           personen-pdf, aufgaben-pdf (nur export; Datum: heute, wenn nicht angegeben)\n"
    "       velk-exchange [--user NAME] [--password-stdin] VERZEICHNIS suche WORT\n"
    "                     [--art ART,...] [--von TT.MM.JJJJ] [--bis TT.MM.JJJJ]\n"
    "  ART: termin, person, gruppe, ressource, projekt, aufgabe\n"
    "       velk-exchange [--user NAME] [--password-stdin] VERZEICHNIS sync ART VDIR\n"
    "  ART: termine, termine-team, personen\n"
    "       velk-exchange [--user NAME] [--password-stdin] VERZEICHNIS sync alle\n"
    "       velk-exchange [--user NAME] [--password-stdin] VERZEICHNIS server URL BENUTZER\n"
    "  (das Kennwort des Servers folgt auf der n\xC3\xA4"
    "chsten Zeile der Eingabe)\n"
    "       velk-exchange --help | -h      diese Hilfe\n"
    "       velk-exchange --version | -V   die Version\n";

// The system's texts are Windows-1252; the terminal speaks UTF-8.
std::string utf8(const std::string &cp1252) { return cp1252ToUtf8(cp1252); }

int fail(int code, const std::string &message)
{
    std::cerr << "velk-exchange: " << message << "\n";
    return code;
}

// The value of option `name` given as "NAME VALUE" or "NAME=VALUE" at argv[i]; nullopt when
// argv[i] is another argument.
std::optional<std::string> optionValue(const char *name, int argc, char **argv, int &i)
{
    std::string arg = argv[i], prefix = std::string(name) + "=";
    if (arg.rfind(prefix, 0) == 0) return arg.substr(prefix.size());
    if (arg != name) return std::nullopt;
    return i + 1 < argc ? argv[++i] : "";
}

// --art, --von and --bis of suche into a.filter; false with the error when one is wrong, nullopt
// when argv[i] is none of them.
std::optional<bool> parseSearchOption(tArgs &a, int argc, char **argv, int &i, std::string *error)
{
    if (std::optional<std::string> kinds = optionValue("--art", argc, argv, i)) {
        a.filter.kinds = 0;
        size_t at = 0;
        while (at <= kinds->size()) {
            size_t comma = std::min(kinds->find(',', at), kinds->size());
            std::string name = kinds->substr(at, comma - at);
            unsigned bit = 0;
            for (int k = 0; k < kSearchKinds; k++)
                if (name == searchKindName(static_cast<tSearchKind>(k)))
                    bit = searchKindBit(static_cast<tSearchKind>(k));
            if (!bit) return *error = "unbekannte Art " + name, false;
            a.filter.kinds |= bit;
            at = comma + 1;
        }
        return a.searchOptions = true;
    }
    for (const char *name : {"--von", "--bis"})
        if (std::optional<std::string> text = optionValue(name, argc, argv, i)) {
            tDate &date = name[2] == 'v' ? a.filter.from : a.filter.till;
            if (!readDeskDate(*text, date))
                return *error = "kein Datum TT.MM.JJJJ: " + *text, false;
            return a.searchOptions = true;
        }
    return std::nullopt;
}

std::optional<tArgs> parseArgs(int argc, char **argv, std::string *error)
{
    tArgs a;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (rest.empty() && (arg == "--help" || arg == "-h")) {
            a.help = true;
            return a;
        }
        if (rest.empty() && (arg == "--version" || arg == "-V")) {
            a.version = true;
            return a;
        }
        if (arg == "--user" && i + 1 < argc)
            a.user = argv[++i];
        else if (arg.rfind("--user=", 0) == 0)
            a.user = arg.substr(7);
        else if (arg == "--password-stdin")
            a.passwordStdin = true;
        else if (arg == "--datum" || arg.rfind("--datum=", 0) == 0) {
            std::string text = arg.size() > 7 ? arg.substr(8) : i + 1 < argc ? argv[++i] : "";
            tDate date;
            if (!readDeskDate(text, date))
                return *error = "kein Datum TT.MM.JJJJ: " + text, std::nullopt;
            a.date = date;
        } else if (std::optional<bool> ok = parseSearchOption(a, argc, argv, i, error)) {
            if (!*ok) return std::nullopt;
        } else if (arg.size() > 1 && arg[0] == '-' && rest.empty())
            return *error = "unbekannte Option " + arg, std::nullopt;
        else
            rest.push_back(arg);
    }
    if (rest.size() == 3 && rest[1] == "sync" && rest[2] == "alle") {
        a.dir = rest[0];
        a.syncAll = true;
        a.import = true;
        return a;
    }
    if (rest.size() == 3 && rest[1] == "suche") {
        a.dir = rest[0];
        a.word = rest[2];
        if (a.date) return *error = "--datum gilt nur f\xC3\xBCr die PDF-Arten", std::nullopt;
        if (a.filter.from.valid() != a.filter.till.valid())
            return *error = "--von und --bis nur zusammen", std::nullopt;
        if (a.filter.till.before(a.filter.from))
            return *error = "--bis liegt vor --von", std::nullopt;
        return a;
    }
    if (a.searchOptions)
        return *error = "--art, --von und --bis gelten nur f\xC3\xBCr suche", std::nullopt;
    if (rest.size() != 4) return *error = "falsche Zahl von Argumenten", std::nullopt;
    a.dir = rest[0];
    if (rest[1] == "server") {
        a.server = tSyncServer{rest[2], rest[3]};
        std::string problem = syncServerProblem(*a.server);
        if (!problem.empty()) return *error = problem, std::nullopt;
        return a;
    }
    if (rest[1] == "sync") {
        a.sync = syncKindNamed(rest[2]);
        if (!a.sync) return *error = "unbekannte Art " + rest[2], std::nullopt;
        a.file = rest[3];
        a.import = true; // it stores
        if (a.user.empty() || a.user.size() > kMaxUserName)
            return *error = "Benutzername leer oder l\xC3\xA4nger als 8 Zeichen", std::nullopt;
        return a;
    }
    if (rest[1] != "import" && rest[1] != "export")
        return *error = "import oder export erwartet, nicht " + rest[1], std::nullopt;
    a.import = rest[1] == "import";
    a.print = printKindNamed(rest[2]);
    if (a.print && a.import) return *error = rest[2] + " kann nur exportiert werden", std::nullopt;
    if (a.date && !a.print)
        return *error = "--datum gilt nur f\xC3\xBCr die PDF-Arten", std::nullopt;
    if (!a.print) {
        std::optional<tExchangeKind> kind = kindNamed(rest[2]);
        if (!kind) return *error = "unbekannte Art " + rest[2], std::nullopt;
        a.kind = *kind;
        if (a.import && !kindImports(a.kind))
            return *error = rest[2] + " kann nur exportiert werden", std::nullopt;
    }
    a.file = rest[3];
    if (a.user.empty() || a.user.size() > kMaxUserName)
        return *error = "Benutzername leer oder l\xC3\xA4nger als 8 Zeichen", std::nullopt;
    return a;
}

// The first line of standard input, or what is typed on the terminal without echo.
std::optional<std::string> readPassword(bool fromStdin)
{
    std::string line;
    if (fromStdin) {
        if (!std::getline(std::cin, line) && line.empty() && !std::cin.eof()) return std::nullopt;
    } else {
        FILE *tty = fopen("/dev/tty", "r+");
        if (!tty) return std::nullopt;
        termios old{}, quiet{};
        bool echoOff = tcgetattr(fileno(tty), &old) == 0;
        quiet = old;
        quiet.c_lflag &= ~(tcflag_t)ECHO;
        if (echoOff) tcsetattr(fileno(tty), TCSAFLUSH, &quiet);
        fputs("Kennwort: ", tty);
        fflush(tty);
        char buf[256];
        bool got = fgets(buf, sizeof buf, tty) != nullptr;
        if (echoOff) tcsetattr(fileno(tty), TCSAFLUSH, &old);
        fputs("\n", tty);
        fclose(tty);
        if (!got) return std::nullopt;
        line = buf;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

volatile std::sig_atomic_t gInterrupted = 0;
void onInterrupt(int) { gInterrupted = 1; }

// From the opening of the database on, SIGINT and SIGTERM only set the flag: the work stops
// between two records and the database is closed as always.
void catchInterrupts()
{
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

// Progress on standard error while it is a terminal, at most every 1% and at the end.
tExchangeProgress progressReport(const char *what)
{
    bool terminal = isatty(2);
    return [terminal, what, last = -1L](long done, long total) mutable {
        if (terminal && total > 0) {
            long percent = done * 100 / total;
            if (percent != last || done == total) {
                std::fprintf(stderr, "\r%s: %ld/%ld", what, done, total);
                if (done == total) std::fputc('\n', stderr);
                last = percent;
            }
        }
        return gInterrupted == 0;
    };
}

int exitCode(const tExchangeResult &r)
{
    switch (r.outcome) {
    case tExchangeResult::Done:
        return kDone;
    case tExchangeResult::NotStarted:
        return kNotStarted;
    case tExchangeResult::Cancelled:
    case tExchangeResult::Failed:
        break;
    }
    return kPartWay;
}

// The sync of the vdir; its summary and remarks on standard output (on standard error when it
// did not complete).
int runSyncCommand(const tArgs &a)
{
    std::string state =
        syncStatePath(userConfigHome(), a.dir, currentUser(), syncKindName(*a.sync), a.file);
    tSyncReport r = runSync(*a.sync, a.file, state, progressReport(syncKindName(*a.sync)));
    tExchangeResult outcome;
    outcome.outcome = r.outcome;
    std::ostream &out = r.ok() ? std::cout : std::cerr;
    for (const std::string &line : r.remarks) out << "velk-exchange: " << utf8(line) << "\n";
    if (r.ok()) {
        std::cout << utf8(describeSync(r)) << "\n";
        return kDone;
    }
    return fail(exitCode(outcome), a.file + ": " + utf8(describeSync(r)));
}

void printLine(const std::string &line) { std::cerr << line << "\n"; }

// The whole sync with the server: vdirsyncer's lines and the steps on standard error, the
// summary of each collection on standard output.
int runSyncAllCommand(const tArgs &a)
{
    tSyncPlaces places = syncPlaces(userConfigHome(), currentUser());
    tUserSync u = syncUser(places, a.dir, printLine, progressReport("sync"));
    for (const std::string &line : u.summary) std::cout << line << "\n";
    if (u.ok) return kDone;
    return fail(u.pulled ? kPartWay : kNotStarted, u.message);
}

// The server's set-up; its password is the next line of standard input (or asked for).
int runServerCommand(const tArgs &a, bool fromStdin)
{
    std::optional<std::string> password = readPassword(fromStdin);
    if (!password) return fail(kNotStarted, "kein Kennwort des Servers gelesen");
    tSyncPlaces places = syncPlaces(userConfigHome(), currentUser());
    tSetupResult r = setUpSyncServer(places, *a.server, *password, tSecret::File, printLine);
    if (!r.ok) return fail(kNotStarted, r.message);
    std::cout << "Server eingerichtet: " << a.server->url << " (" << a.server->user << ")\n";
    return kDone;
}

// The file is written beside the target under a name of its own and renamed over it when
// complete, as the other exports do, so that a failure leaves the old file as it was.
bool writePdfFile(const tPrintDoc &doc, const std::string &file, std::string *problem)
{
    tExportTarget target;
    std::string what;
    if (!exportTarget(file, &target, &what))
        return *problem = "keine gew\xC3\xB6hnliche Datei (" + what + ")", false;
    std::string temp;
    int fd = createTempFile(target, &temp);
    if (fd < 0) return *problem = "die Datei kann nicht angelegt werden", false;
    bool ok = writePdf(doc, temp, doc.title) && adoptTarget(fd, target);
    close(fd);
    if (ok && replaceTarget(temp, target)) return true;
    unlink(temp.c_str());
    return *problem = "die Datei kann nicht geschrieben werden", false;
}

// Qt's own notes (a missing XDG_RUNTIME_DIR, a font it substitutes) are not the tool's
// messages: only its errors reach standard error.
void qtMessage(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << "velk-exchange: " << text.toStdString() << "\n";
}

// A view's printed pages as a PDF file, for the logged-in user, today marked in the platform's
// highlight colour as the window marks it.
int runPrintCommand(const tArgs &a, const std::string &user)
{
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || !*platform) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    char name[] = "velk-exchange";
    char *qtArgv[] = {name, nullptr};
    qInstallMessageHandler(qtMessage);
    QGuiApplication app(qtArgc, qtArgv);

    tPrintHeading heading;
    long lost = 0;
    heading.user = utf8ToCp1252(user, &lost);
    heading.printedAt = printStamp(tDateTime::now());
    const QColor c = QGuiApplication::palette().color(QPalette::Highlight);
    const tDate today = tDate::today();
    tPrintDoc doc = printKindDoc(*a.print, a.date.value_or(today), heading,
                                 {today, {c.red(), c.green(), c.blue()}});
    std::string problem;
    if (!writePdfFile(doc, a.file, &problem)) return fail(kNotStarted, a.file + ": " + problem);
    std::size_t pages = doc.pages.size();
    std::cout << utf8(doc.title) << ": " << pages << (pages == 1 ? " Seite" : " Seiten")
              << " geschrieben\n";
    return kDone;
}

// What "Bearbeiten > Suchen..." finds, a line each; 1 when nothing is found.
int runSearchCommand(const tArgs &a)
{
    long lost = 0;
    std::vector<tSearchHit> hits = searchStores(utf8ToCp1252(*a.word, &lost), a.filter);
    for (const tSearchHit &hit : hits) std::cout << utf8(searchHitLine(hit)) << "\n";
    return hits.empty() ? kPartWay : kDone;
}

} // namespace

int main(int argc, char **argv)
{
    std::string error;
    std::optional<tArgs> args = parseArgs(argc, argv, &error);
    if (!args) {
        std::cerr << "velk-exchange: " << error << "\n" << kUsage;
        return kNotStarted;
    }
    if (args->help) {
        std::cout << kUsage;
        return kDone;
    }
    if (args->version) {
        std::cout << "velk-exchange " << VELK_VERSION << "\n";
        return kDone;
    }
    struct stat st;
    if (stat(args->dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return fail(kNotStarted, "kein Verzeichnis: " + args->dir);
    std::string dictPath = deriveDictPath(args->dir + "/start");
    if (dictPath.empty()) return fail(kNotStarted, "der Pfad ist zu lang: " + args->dir);
    bool exists = access((dictPath + ".dat").c_str(), F_OK) == 0;
    if (!exists && args->user != kRootName)
        return fail(kNotStarted,
                    "keine Datenbank in " + args->dir + " (eine neue legt nur root an)");

    // An import stores, and a new database is made: both need to write (an export reads a
    // database it may only read, as the engine opens such files read-only).
    if ((args->import || !exists) && !databaseWritable(args->dir))
        return fail(kNotStarted,
                    "die Datenbank in " + args->dir + " kann nicht beschrieben werden");
    // Before anything is asked or opened: on a share without working locks a run could overwrite
    // the changes of the copies at work there.
    std::string unlocked = unlockedShareRefusal(args->dir);
    if (!unlocked.empty()) return fail(kNotStarted, unlocked);

    std::optional<std::string> password = readPassword(args->passwordStdin);
    if (!password) return fail(kNotStarted, "kein Kennwort gelesen");

    catchInterrupts();
    setDatabasePath(dictPath.c_str());
    tModelDatabase database;
    if (!database.open(dictPath))
        return fail(kNotStarted, "die Datenbank in " + args->dir +
                                     " kann nicht ge\xC3\xB6"
                                     "ffnet werden (Reparatur im Gang?)");
    if (!database.openUsers()) {
        database.close();
        return fail(kNotStarted, "die Benutzertabelle kann nicht ge\xC3\xB6"
                                 "ffnet werden");
    }
    tLoginDecision login = decideLogin(database.users(), {args->user, *password, "", false});
    if (login.resultName.empty() || login.resultName != args->user.substr(0, kMaxUserName)) {
        database.closeUsers();
        database.close();
        return fail(kNotStarted, "Zugriff verweigert");
    }
    setCurrentUser(login.resultName);

    if (args->sync || args->syncAll || args->server) {
        int code = args->server    ? runServerCommand(*args, args->passwordStdin)
                   : args->syncAll ? runSyncAllCommand(*args)
                                   : runSyncCommand(*args);
        database.closeUsers();
        database.close();
        return code;
    }
    if (args->print || args->word) {
        int code = args->word ? runSearchCommand(*args) : runPrintCommand(*args, login.resultName);
        database.closeUsers();
        database.close();
        return code;
    }
    tExchangeResult r;
    if (gInterrupted) { // before the work began
        r.outcome = tExchangeResult::Cancelled;
        r.unit = "Datens\xE4tze";
    } else if (args->import) {
        r = runImport(args->kind, args->file, progressReport(kindName(args->kind)));
    } else {
        r = runExport(args->kind, args->file, progressReport(kindName(args->kind)));
    }
    database.closeUsers();
    database.close();

    std::string text = args->import ? describeImport(r) : describeExport(r);
    int code = exitCode(r);
    if (code == kDone) {
        std::cout << utf8(text) << "\n";
        return code;
    }
    return fail(code, args->file + ": " + utf8(text));
}
