// "Öffnen..." and "Sichern als..." in the main frame on a real database, the file dialogs
// scripted through the recorder: what each filter imports and exports, the notice after an
// import, the messages, the person list's own import, and a long import cancelled.
#include <QApplication>
#include <QLabel>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTimer>

#include "widgets/address/address_frame.h"
#include "widgets/address/pers_list_win.h"
#include "shell/core/commands.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/tab_list.h"
#include "address/resource.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "exchange/person_exchange.h"
#include "exchange/termin_exchange.h"
#include "widgets/exchange/exchange_frame.h"
#include "widgets/exchange/exchange_status.h"
#include "tests/address/address_ui_support.h"
#include "tests/app/views_test_support.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace velk;
using namespace velk::apptest;

namespace {

const QString kFilter = QStringLiteral(
    "Termine (*.dbf)|*.dbf|Personen (*.dbf)|*.dbf|Atari Portfolio (*.dry)|*.dry|Personen ASCII "
    "(*.txt)|*.txt|Komplett-Export(*.dbf)|*.dbf|iCalendar (*.ics)|*.ics|vCard (*.vcf)|*.vcf|");
constexpr int kWatcherType = 99;

std::string text(const std::string &path)
{
    Bytes b = readFileBytes(path);
    return std::string(b.begin(), b.end());
}

class ExchangeUiTest : public AddressUiTest {
protected:
    void SetUp() override
    {
        AddressUiTest::SetUp();
        client = new TMyMDIClient;
        frame = std::make_unique<tMainFrame>(client);
        addressFrameSetup(*frame, *client);
        exchangeFrameSetup(*frame, *client);
        // A view that hears every notice bit, to see what the commands send.
        client->registerView(kWatcherType, [this](const tViewArgs &) {
            return new TestView(QStringLiteral("watch"), NoticeAll, {}, &log);
        });
        client->createView(kWatcherType, {});
        frame->updateMenus();
        frame->show();
    }
    void TearDown() override
    {
        frame.reset();
        setCurrentUser("");
        AddressUiTest::TearDown();
    }

    // Runs a menu command with the file dialog answering `name` under `filter`.
    void run(int command, std::optional<QString> name, int filter = 1)
    {
        host.fileAnswers.push_back(name);
        host.filterAnswers.push_back(filter);
        frame->execute(command);
    }
    QString path(const std::string &name) { return QString::fromStdString(file(name)); }

    // anna's private appointment and two of carl's that everybody sees.
    void addAppointments()
    {
        tTerminStore &store = tTerminStore::instance();
        const struct {
            const char *owner, *title, *read;
            int day;
        } rows[] = {{"anna", "Arzt", "Panna", 2},
                    {"carl", "Besprechung", "", 3},
                    {"carl",
                     "\xDC"
                     "bergabe",
                     "", 4}};
        for (const auto &r : rows) {
            setCurrentUser(r.owner);
            tTermin t;
            t.setTitle(r.title);
            t.setRead(r.read);
            t.from.set(2026, 3, r.day);
            t.from.hour = 9;
            t.till = t.from;
            t.till.hour = 10;
            ASSERT_TRUE(store.insert(t).complete());
        }
    }
    std::vector<std::string> titlesSeenBy(const char *user)
    {
        setCurrentUser(user);
        std::vector<std::string> out;
        for (const tTermin &t : visibleAppointments()) out.push_back(t.TITLE);
        std::sort(out.begin(), out.end());
        return out;
    }

    QStringList log;
    velk::apptest::TempDir second_;
    TMyMDIClient *client = nullptr;
    std::unique_ptr<tMainFrame> frame;
};

} // namespace

TEST_F(ExchangeUiTest, OpenImportsByTheChosenFilterAndRefreshesEveryView)
{
    // The three kinds of file, made from another user's data in this database.
    addAppointments();
    ASSERT_EQ(person("mue", "M\xFCller", "J\xFCrgen").insert(), tStoreStatus::Stored);
    setCurrentUser("carl");
    ASSERT_TRUE(exportTermineDbf(file("t.dbf")).ok());
    ASSERT_TRUE(exportPortfolio(file("t.dry")).ok());
    ASSERT_TRUE(exportPersonsDbf(file("p.dbf")).ok());
    closeDatabase();
    ASSERT_TRUE(openDatabase((second_.path() + "/datadict").c_str()));
    setUser("bert");

    run(CmFileOpen, path("t.dbf"), 1);
    EXPECT_EQ(host.events.first(), QStringLiteral("open:") + kFilter);
    EXPECT_TRUE(host.lastMustExist);
    EXPECT_EQ(log, QStringList{"watch:31"});
    EXPECT_EQ(titlesSeenBy("bert"), (std::vector<std::string>{"Besprechung", "\xDC"
                                                                             "bergabe"}));

    run(CmFileOpen, path("p.dbf"), 2);
    tPerson p;
    EXPECT_TRUE(p.find("mue"));
    EXPECT_STREQ(p.NAME, "M\xFCller");

    // The Portfolio file holds the same appointments: refused as already stored.
    run(CmFileOpen, path("t.dry"), 3);
    EXPECT_EQ(titlesSeenBy("bert").size(), 2u);
    EXPECT_EQ(log.size(), 3);
    EXPECT_TRUE(host.messages.empty());

    // Filters 4 and 5 and a cancelled dialog do nothing at all.
    for (int filter : {4, 5}) run(CmFileOpen, path("p.dbf"), filter);
    run(CmFileOpen, std::nullopt);
    EXPECT_EQ(log.size(), 3);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ExchangeUiTest, FilesThatCannotBeReadSayFehlerBeimLesen)
{
    const char timedFirst[] = "    09:00 Zu fr\xFCh\r\n   01/02/26 Danach\r\n";
    writeFileBytes(file("bad.dry"), Bytes(timedFirst, timedFirst + sizeof timedFirst - 1));
    writeFileBytes(file("bad.dbf"), Bytes(100, 'x'));
    const struct {
        const char *file;
        int filter;
    } cases[] = {{"bad.dry", 3}, {"bad.dbf", 1}, {"bad.dbf", 2}, {"none.dbf", 1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        host.messages.clear();
        log.clear();
        run(CmFileOpen, path(c.file), c.filter);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, QStringLiteral("Fehler beim Lesen"));
        EXPECT_EQ(host.messages[0].caption, QStringLiteral("Fehler"));
        EXPECT_EQ(log, QStringList{"watch:31"}) << "views refill after a failed import too";
    }
    setCurrentUser("root");
    EXPECT_TRUE(visibleAppointments().empty());

    // With no appointment "Sichern als..." makes no file, and says so.
    host.messages.clear();
    run(CmFileSaveAs, path("leer.dbf"), 1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              QStringLiteral("Keine Termine vorhanden, keine Datei angelegt"));
    EXPECT_FALSE(fileExists(file("leer.dbf")));
}

TEST_F(ExchangeUiTest, SaveAsExportsByTheChosenFilter)
{
    addAppointments();
    ASSERT_EQ(person("mue", "M\xFCller", "J\xFCrgen").insert(), tStoreStatus::Stored);
    setUser("carl");
    ASSERT_EQ(std::filesystem::create_directory(file("dump")), true);
    const struct {
        int filter;
        const char *name;
    } cases[] = {{1, "t.dbf"}, {2, "p.dbf"}, {3, "t.dry"}, {4, "p.txt"}, {5, "dump/egal.dbf"}};
    for (const auto &c : cases) run(CmFileSaveAs, path(c.name), c.filter);
    EXPECT_EQ(host.eventsOf("save:"), QStringList(5, QStringLiteral("save:") + kFilter));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(log.isEmpty()) << "an export changes nothing";

    tTerminDBF t;
    ASSERT_TRUE(t.openFile(file("t.dbf")));
    EXPECT_EQ(t.recordCount(), 2) << "carl's two, not anna's private one, not the counter";
    t.close();
    tPersonDBF p;
    ASSERT_TRUE(p.openFile(file("p.dbf")));
    EXPECT_EQ(p.recordCount(), 1);
    p.close();
    EXPECT_EQ(text(file("t.dry")), "   03/03/26\r\n    09:00 - 10:00 Besprechung\r\n"
                                   "   04/03/26\r\n    09:00 - 10:00 \xDC"
                                   "bergabe\r\n");
    EXPECT_EQ(text(file("p.txt")).substr(0, 3), "ID;");
    for (const char *table :
         {"PERSON", "RESOURCE", "GROUP", "MEMBER", "TERMIN", "ALARM", "PROJECT", "TASK"})
        EXPECT_TRUE(fileExists(file(std::string("dump/") + table + ".DBF"))) << table;
    EXPECT_FALSE(fileExists(file("dump/egal.dbf")));

    // A place where nothing can be written: a message, and no file.
    run(CmFileSaveAs, path("none/t.dry"), 3);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, QStringLiteral("Fehler"));
    EXPECT_TRUE(host.messages[0].text.contains(QStringLiteral("kann nicht angelegt werden")))
        << host.messages[0].text.toStdString();
}

TEST_F(ExchangeUiTest, ThePersonListImportsWithItsOwnFilter)
{
    tPersonDBF f;
    ASSERT_TRUE(f.createFile(file("p.dbf")));
    for (const char *id : {"pa", "pb"}) {
        ASSERT_TRUE(f.append());
        f.put(person(id, "Neu", id));
    }
    ASSERT_TRUE(f.close());
    frame->execute(CmPersonList);
    tPersListWin *list = tPersListWin::openList();
    ASSERT_TRUE(list);
    client->setActiveSubWindow(client->subWindowList().last());
    ASSERT_EQ(client->activeView(), list);
    ASSERT_EQ(list->list()->lines()->count(), 0);

    run(CmFileOpen, path("p.dbf"), 1);
    EXPECT_EQ(host.events.first(),
              QStringLiteral("open:dBase (*.dbf)|*.dbf|Atari Portfolio (*.xxx)|*.xxx|Texte|"
                             "*.txt;*.asc|"));
    EXPECT_EQ(list->list()->lines()->count(), 2) << "the list refilled";
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(log, QStringList{"watch:4"}) << "the persons bit, not 31";

    for (int filter : {2, 3}) {
        host.messages.clear();
        run(CmFileOpen, path("p.dbf"), filter);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, QStringLiteral("noch nicht implementiert"));
    }
    host.messages.clear();
    writeFileBytes(file("bad.dbf"), Bytes{1, 2, 3});
    run(CmFileOpen, path("bad.dbf"), 1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, QStringLiteral("Fehler beim Lesen"));
    EXPECT_EQ(list->list()->lines()->count(), 2);
}

TEST_F(ExchangeUiTest, ALongImportCanBeCancelledAndKeepsWhatItStored)
{
    constexpr int kCount = 4000;
    tTerminDBF f;
    ASSERT_TRUE(f.createFile(file("many.dbf")));
    for (int i = 0; i < kCount; i++) {
        ASSERT_TRUE(f.append());
        f.FROMDAY.set(1 + i % 28), f.FROMMONTH.set(1 + i / 28 % 12), f.FROMYEAR.set(2026);
        f.FROMHOUR.set(i % 24);
        f.TITLE.set("T" + std::to_string(i));
    }
    ASSERT_TRUE(f.close());

    // Clicks "Abbrechen" once the dialog shows that some records are stored.
    bool sawDialog = false;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *d = qobject_cast<QProgressDialog *>(w);
            if (!d || d->objectName() != QStringLiteral("exchangeProgress")) continue;
            if (d->isVisible() && d->windowModality() == Qt::WindowModal) sawDialog = true;
            if (d->value() > 0) d->cancel();
        }
    });
    clicker.start(1);
    run(CmFileOpen, path("many.dbf"), 1);
    clicker.stop();

    EXPECT_TRUE(sawDialog);
    setCurrentUser("root");
    long stored = (long)visibleAppointments().size();
    EXPECT_GT(stored, 0);
    EXPECT_LT(stored, kCount);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              QStringLiteral("Import abgebrochen, %1 Termine gespeichert").arg(stored));
    EXPECT_EQ(log, QStringList{"watch:31"});
}

TEST_F(ExchangeUiTest, ICalendarAndVCardAreFiltersSixAndSeven)
{
    addAppointments();
    ASSERT_EQ(person("mue", "M\xFCller", "J\xFCrgen").insert(), tStoreStatus::Stored);
    setUser("carl");
    run(CmFileSaveAs, path("t.ics"), 6);
    run(CmFileSaveAs, path("p.vcf"), 7);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_NE(text(file("t.ics"))
                  .find("SUMMARY:\xC3\x9C"
                        "bergabe\r\n"),
              std::string::npos);
    EXPECT_NE(text(file("p.vcf"))
                  .find("N:M\xC3\xBC"
                        "ller;J\xC3\xBC"
                        "rgen;;;\r\n"),
              std::string::npos);

    closeDatabase();
    ASSERT_TRUE(openDatabase((second_.path() + "/datadict").c_str()));
    setUser("bert");
    run(CmFileOpen, path("t.ics"), 6);
    run(CmFileOpen, path("p.vcf"), 7);
    EXPECT_EQ(log, (QStringList{"watch:31", "watch:31"}));
    EXPECT_TRUE(host.messages.empty()) << "nothing lost, nothing to say";
    EXPECT_EQ(titlesSeenBy("bert"), (std::vector<std::string>{"Besprechung", "\xDC"
                                                                             "bergabe"}));
    tPerson p;
    EXPECT_TRUE(p.find("mue"));

    // A letter Windows-1252 lacks is imported as "?", and the import says so.
    std::string ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:l@x\r\n"
                      "DTSTART:20260310T100000Z\r\nSUMMARY:\xC5\x81\xC3\xB3"
                      "d\xC5\xBA\r\n"
                      "END:VEVENT\r\nEND:VCALENDAR\r\n";
    writeFileBytes(file("l.ics"), Bytes(ics.begin(), ics.end()));
    run(CmFileOpen, path("l.ics"), 6);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              QStringLiteral("1 Termin gespeichert; 2 Zeichen nicht \u00FCbernommen (nicht in "
                             "Windows-1252, als ?)"));
    EXPECT_EQ(titlesSeenBy("bert").size(), 3u);
}

// The status line after an import or export: what was done, how many, with which file.
TEST(ExchangeStatus, SaysWhatWasDoneHowManyAndWithWhichFile)
{
    auto result = [](tExchangeResult::Outcome outcome, long done, long skipped,
                     const char *unit = "Termine", bool written = true) {
        tExchangeResult r;
        r.outcome = outcome;
        r.done = done;
        r.skipped = skipped;
        r.unit = unit;
        r.fileWritten = written;
        return r;
    };
    using R = tExchangeResult;
    const struct {
        tExchangeResult r;
        bool import;
        const char *line;
    } cases[] = {
        {result(R::Done, 5000, 0), true,
         "5000 Termine aus termine.dry gespeichert, 0 übersprungen"},
        {result(R::Done, 0, 5000), true,
         "0 Termine aus termine.dry gespeichert, 5000 übersprungen"},
        {result(R::Done, 1, 1, "Personen"), true,
         "1 Person aus termine.dry gespeichert, 1 übersprungen"},
        {result(R::Cancelled, 300, 2), true,
         "Import abgebrochen: 300 Termine aus termine.dry gespeichert, 2 übersprungen"},
        {result(R::Failed, 7, 0), true,
         "Import unvollständig: 7 Termine aus termine.dry gespeichert, 0 übersprungen"},
        {result(R::NotStarted, 0, 0), true, "Nichts aus termine.dry gespeichert"},
        {result(R::Done, 120, 0), false, "120 Termine nach termine.dry geschrieben"},
        {result(R::Done, 1, 0, "Datens\xE4tze"), false, "1 Datensatz nach termine.dry geschrieben"},
        {result(R::Done, 0, 0, "Personen", false), false,
         "Keine Personen vorhanden, keine Datei angelegt"},
        {result(R::Cancelled, 0, 0), false,
         "Export abgebrochen, nichts nach termine.dry geschrieben"},
        {result(R::Failed, 3, 0), false, "Nichts nach termine.dry geschrieben"},
    };
    for (const auto &c : cases) EXPECT_EQ(exchangeStatus(c.r, c.import, "termine.dry"), c.line);

    EXPECT_EQ(shownFileName("/home/anna/termine.ics", tExchangeKind::ICalendar), "termine.ics");
    EXPECT_EQ(shownFileName("termine.ics", tExchangeKind::ICalendar), "termine.ics");
    EXPECT_EQ(shownFileName("/home/anna/dump/egal.dbf", tExchangeKind::Komplett), "dump");
    EXPECT_EQ(shownFileName("egal.dbf", tExchangeKind::Komplett), ".");
}

// "Öffnen..." and "Sichern als..." through the menu leave their line in the frame's status bar; a
// second import of the same file says that everything was skipped.
TEST_F(ExchangeUiTest, ImportAndExportSayInTheStatusBarWhatTheyDid)
{
    addAppointments();
    setUser("carl");
    ASSERT_EQ(std::filesystem::create_directory(file("dump")), true);
    run(CmFileSaveAs, path("termine.dry"), 3);
    run(CmFileSaveAs, path("dump/egal.dbf"), 5);
    long tables = 0;
    for (const auto &entry : std::filesystem::directory_iterator(file("dump")))
        tables += entry.path().extension() == ".DBF";
    ASSERT_GT(tables, 1);
    setUser("bert");
    run(CmFileOpen, path("termine.dry"), 3);
    run(CmFileOpen, path("termine.dry"), 3);
    run(CmFileOpen, std::nullopt); // cancelled: nothing to say
    EXPECT_EQ(host.eventsOf("status:"),
              (QStringList{"status:2 Termine nach termine.dry geschrieben",
                           QStringLiteral("status:%1 Tabellen nach dump geschrieben").arg(tables),
                           "status:2 Termine aus termine.dry gespeichert, 0 übersprungen",
                           "status:0 Termine aus termine.dry gespeichert, 2 übersprungen"}));
    const QString last = QStringLiteral("0 Termine aus termine.dry gespeichert, 2 übersprungen");
    EXPECT_EQ(frame->statusText(), last);
    // A menu entry's tip covers the line only for a while: it is still there afterwards.
    frame->statusBar()->showMessage(QStringLiteral("Tipp"));
    frame->statusBar()->clearMessage();
    EXPECT_EQ(frame->statusText(), last);
    EXPECT_TRUE(frame->findChild<QLabel *>(QStringLiteral("statusText"))->isVisible());
}

// An import that would book a resource a second time asks once, before anything is stored:
// "Nein" imports nothing, "Ja" imports as before.  Both kinds that carry a resource are asked.
TEST_F(ExchangeUiTest, AnImportThatBooksAResourceTwiceAsksFirst)
{
    tResource beamer;
    beamer.setId("beamer");
    beamer.setTitle("Beamer");
    ASSERT_EQ(beamer.insert(), tStoreStatus::Stored);
    setUser("carl");
    tTerminStore &store = tTerminStore::instance();
    auto booking = [](const char *title, int day, int from, int till) {
        tTermin t;
        t.setTitle(title);
        t.setResource("beamer");
        t.from.set(2026, 3, day);
        t.from.hour = from;
        t.till = t.from;
        t.till.hour = till;
        return t;
    };
    // A dBASE file of two bookings, made by an export and the rows removed again.
    std::vector<tTermin> rows = {booking("Vortrag", 2, 9, 11), booking("Kurs", 3, 9, 10)};
    for (tTermin &t : rows) ASSERT_TRUE(store.insert(t).complete());
    ASSERT_TRUE(exportTermineDbf(file("b.dbf")).ok());
    for (tTermin &t : rows) ASSERT_EQ(store.remove(t), 0);
    std::ofstream(file("b.ics")) << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//b//DE\r\n"
                                    "BEGIN:VEVENT\r\nUID:b1@test\r\nDTSTAMP:20260101T000000Z\r\n"
                                    "DTSTART:20260302T100000\r\nDTEND:20260302T120000\r\n"
                                    "SUMMARY:Film\r\nLOCATION:Beamer\r\nEND:VEVENT\r\n"
                                    "END:VCALENDAR\r\n";
    tTermin stored = booking("Sitzung", 2, 10, 12);
    setUser("anna");
    ASSERT_TRUE(store.insert(stored).complete());
    setUser("carl");
    auto seen = [&] { return visibleAppointments().size(); };

    host.questionAnswers = {false, false};
    run(CmFileOpen, path("b.dbf"), 1);
    run(CmFileOpen, path("b.ics"), 6);
    QStringList asked = host.eventsOf(QStringLiteral("question:"));
    ASSERT_EQ(asked.size(), 2);
    const QString head =
        QStringLiteral("question:Die Datei belegt Ressourcen, die in dieser Zeit schon belegt sind:"
                       "\nBeamer: 02.03.2026 10:00-12:00 Sitzung\nTrotzdem importieren?");
    EXPECT_EQ(asked[0], head);
    EXPECT_EQ(asked[1], head);
    EXPECT_EQ(seen(), 1u) << "Nein imports nothing";
    EXPECT_EQ(host.eventsOf(QStringLiteral("status:")).last(),
              QStringLiteral("status:Nichts importiert"));

    host.questionAnswers = {true, true};
    run(CmFileOpen, path("b.dbf"), 1);
    EXPECT_EQ(seen(), 3u) << "Ja imports both";
    // The file again: its rows are refused as stored before, not asked about as bookings.
    run(CmFileOpen, path("b.dbf"), 1);
    EXPECT_EQ(host.eventsOf(QStringLiteral("question:")).size(), 3);
    run(CmFileOpen, path("b.ics"), 6);
    EXPECT_EQ(host.eventsOf(QStringLiteral("question:")).size(), 4);
    EXPECT_EQ(
        host.eventsOf(QStringLiteral("question:")).last(),
        QStringLiteral("question:Die Datei belegt Ressourcen, die in dieser Zeit schon belegt "
                       "sind:\nBeamer: 02.03.2026 09:00-11:00 Vortrag\nBeamer: 02.03.2026 "
                       "10:00-12:00 Sitzung\nTrotzdem importieren?"));
    EXPECT_EQ(seen(), 4u);
}
