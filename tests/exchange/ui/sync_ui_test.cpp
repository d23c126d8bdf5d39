// "Synchronisieren" and "Server einrichten..." in the main frame, the background sync, and what
// they decide without a window: the set-up's check and the period in VELK.INI.  The set-up and
// the sync run against a real Radicale on 127.0.0.1, with vdirsyncer; a second client puts an
// appointment on the server through a vdirsyncer of its own.
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include "base/session.h"
#include "calendar/termin_store.h"
#include "exchange/sync_choice.h"
#include "exchange/termin_exchange.h"
#include "shell/core/commands.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "widgets/exchange/exchange_frame.h"
#include "widgets/exchange/sync_frame.h"
#include "tests/address/address_ui_support.h"
#include "tests/app/views_test_support.h"
#include "tests/sync/peer_clients.h"
#include "tests/sync/radicale_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

using namespace velk;
using namespace velk::apptest;
using velk::synctest::kAnna;
using velk::synctest::tPeer;
using velk::synctest::tRadicale;

namespace {

constexpr int kWatcherType = 99;

// Fills the set-up dialog and presses a button ("buttonOk", "buttonCancel").
std::function<void(QDialog &)> fillSetup(QString url, QString user, QString password,
                                         const char *button = "buttonOk")
{
    return [=](QDialog &d) {
        d.findChild<QLineEdit *>(QStringLiteral("editUrl"))->setText(url);
        d.findChild<QLineEdit *>(QStringLiteral("editUser"))->setText(user);
        d.findChild<QLineEdit *>(QStringLiteral("editPassword"))->setText(password);
        d.findChild<QPushButton *>(QLatin1String(button))->click();
    };
}

std::string readAll(const std::string &path) { return synctest::readTextFile(path); }

class SyncUiTest : public AddressUiTest {
protected:
    void SetUp() override
    {
        AddressUiTest::SetUp();
        const char *old = getenv("XDG_CONFIG_HOME");
        oldConfig_ = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
        setUser("anna");
        client = new TMyMDIClient;
        frame = std::make_unique<tMainFrame>(client);
        exchangeFrameSetup(*frame, *client);
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
        if (oldConfig_)
            setenv("XDG_CONFIG_HOME", oldConfig_->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        setCurrentUser("");
        AddressUiTest::TearDown();
    }
    void requireServer()
    {
        for (const char *program : {"radicale", "vdirsyncer"})
            if (!programInPath(program)) GTEST_SKIP() << program << " is not installed";
        radicale = std::make_unique<tRadicale>();
        ASSERT_TRUE(radicale->running()) << radicale->error();
    }
    void addAppointment(const char *title, int day)
    {
        tTermin t;
        t.setTitle(title);
        t.from.set(2026, 3, day);
        t.from.hour = 9;
        t.till = t.from;
        t.till.hour = 10;
        ASSERT_TRUE(tTerminStore::instance().insert(t).complete());
    }
    std::vector<std::string> titles()
    {
        std::vector<std::string> out;
        for (const tTermin &t : visibleAppointments()) out.push_back(t.TITLE);
        std::sort(out.begin(), out.end());
        return out;
    }
    QString lastMessage() const
    {
        return host.messages.empty() ? QString() : host.messages.back().text;
    }

    synctest::tTempDir config_{"velk-syncui"};
    std::optional<std::string> oldConfig_;
    std::unique_ptr<tRadicale> radicale;
    QStringList log;
    TMyMDIClient *client = nullptr;
    std::unique_ptr<tMainFrame> frame;
};

} // namespace

TEST(SyncChoice, CheckOfTheSetUpNamesTheFieldAtFault)
{
    const struct {
        const char *url, *user, *password;
        tSetupField field;
    } rows[] = {
        {"http://127.0.0.1:5232/", "anna", "geheim", tSetupField::None},
        {"https://cloud.example.org/remote.php/dav/", "anna", "x", tSetupField::None},
        {"", "anna", "geheim", tSetupField::Url},
        {"ftp://host/", "anna", "geheim", tSetupField::Url},
        {"http://", "anna", "geheim", tSetupField::Url},
        {"http://host /", "anna", "geheim", tSetupField::Url},
        {"http://host/", "", "geheim", tSetupField::User},
        {"http://host/", "an na", "geheim", tSetupField::User},
        {"http://host/", "anna", "", tSetupField::Password},
        {"", "", "", tSetupField::Url},
    };
    for (const auto &r : rows) {
        tSetupCheck c = checkSyncSetup({r.url, r.user}, r.password);
        EXPECT_EQ(c.field, r.field) << r.url << " | " << r.user << " | " << r.password;
        EXPECT_EQ(c.ok(), c.message.empty()) << r.url;
    }
}

TEST(SyncChoice, PeriodOfTheBackgroundSync)
{
    const struct {
        const char *value;
        int minutes;
    } rows[] = {{"", 0},     {"0", 0},         {"15", 15},       {" 30 ", 30},
                {"+5", 5},   {"-5", 0},        {"abc", 0},       {"5min", 0},
                {"1.5", 0},  {"10080", 10080}, {"10081", 10080}, {"99999999999", 10080},
                {"\t60", 60}};
    for (const auto &r : rows) EXPECT_EQ(syncPeriodMinutes(r.value), r.minutes) << r.value;
}

TEST(SyncChoice, DirectoryOfTheDatabaseAndTheEndMessage)
{
    EXPECT_EQ(databaseDirOf("/data/velk/datadict"), "/data/velk");
    EXPECT_EQ(databaseDirOf("/datadict"), "/");
    EXPECT_EQ(databaseDirOf("datadict"), ".");
    tUserSync u;
    u.message = "Der Server antwortet nicht";
    EXPECT_EQ(syncEndMessage(u), "Der Server antwortet nicht");
    u.summary = {"Termine: a", "Personen: b"};
    EXPECT_EQ(syncEndMessage(u), "Der Server antwortet nicht\nTermine: a\nPersonen: b");
    u.ok = true;
    u.message.clear();
    EXPECT_EQ(syncEndMessage(u), "Termine: a\nPersonen: b");
    u.termine.in.added = 2;
    u.personen.in.changed = 1;
    u.team.out.conflicts = 1;
    EXPECT_EQ(syncStatusLine(u, 9, 5),
              "Abgleich um 09:05: 2 neu, 1 ge\xC3\xA4ndert, 0 gel\xC3\xB6scht, 1 Konflikte");
    u.ok = false;
    u.message = "Abgebrochen";
    EXPECT_EQ(syncStatusLine(u, 23, 59), "Abgleich um 23:59: Abgebrochen");
}

TEST_F(SyncUiTest, IniKeyGivesThePeriodOfTheBackgroundSync)
{
    const struct {
        const char *value; // nullptr: no key
        int minutes;
    } rows[] = {{nullptr, 0}, {"20", 20}, {"-1", 0}, {"x", 0}, {"5,5", 0}, {"200000", 10080}};
    for (const auto &r : rows) {
        QString ini = QString::fromStdString(config_.sub("VELK.INI"));
        QFile::remove(ini);
        if (r.value) {
            QSettings s(ini, QSettings::IniFormat);
            s.setValue(QStringLiteral("V.E.L.K/Path"), QStringLiteral("/x/datadict"));
            s.setValue(QStringLiteral("V.E.L.K/Synchronisieren"), QString::fromLatin1(r.value));
        }
        EXPECT_EQ(readSyncPeriod(ini), r.minutes) << (r.value ? r.value : "(none)");
        syncLoginSetup(*frame, *client, ini);
        auto *timer = frame->findChild<tBackgroundSync *>(QStringLiteral("backgroundSync"));
        ASSERT_NE(timer, nullptr);
        EXPECT_EQ(timer->active(), r.minutes > 0) << (r.value ? r.value : "(none)");
        EXPECT_EQ(timer->periodMinutes(), r.minutes);
        delete timer;
    }
}

TEST_F(SyncUiTest, FileMenuHoldsTheSyncCommandsBeforeThePrintOnesAndBeenden)
{
    const tMenuDef &file = mainMenu().front();
    std::vector<int> ids;
    for (const tMenuEntry &e : file.entries) ids.push_back(e.id);
    EXPECT_EQ(ids, (std::vector<int>{CmFileOpen, CmFileSaveAs, CmFileSync, CmFileSyncServer,
                                     CmPrint, CmPrintPreview, CmPrintPdf, CmExit}));
    for (int id : {CmFileSync, CmFileSyncServer}) {
        ASSERT_NE(frame->action(id), nullptr) << id;
        EXPECT_TRUE(frame->action(id)->isEnabled()) << id;
    }
    EXPECT_EQ(frame->action(CmFileSync)->text(), QStringLiteral("S&ynchronisieren"));
    EXPECT_EQ(frame->action(CmFileSyncServer)->text(), QStringLiteral("Server &einrichten..."));
}

TEST_F(SyncUiTest, SyncWithoutSetUpSaysSoAndOffersIt)
{
    // Declined: nothing else happens.
    frame->execute(CmFileSync);
    ASSERT_EQ(host.eventsOf("question:").size(), 1);
    EXPECT_TRUE(host.eventsOf("question:").first().contains("kein Server eingerichtet"));
    EXPECT_TRUE(host.eventsOf("dialog:").isEmpty());
    EXPECT_TRUE(log.isEmpty());
    // Accepted: the set-up dialog opens (and is cancelled here).
    host.questionAnswers.push_back(true);
    host.dialogScripts.push_back(fillSetup("http://h/", "anna", "x", "buttonCancel"));
    frame->execute(CmFileSync);
    EXPECT_EQ(host.eventsOf("dialog:"), QStringList{"dialog:diaSyncServer"});
    EXPECT_FALSE(loadSyncServer(currentSyncPlaces()));
}

TEST_F(SyncUiTest, SetUpDialogRefusesWhatTheCheckFindsAndHasHelp)
{
    bool keyring = keyringAnswers();
    host.dialogScripts.push_back([&](QDialog &d) {
        auto *check = d.findChild<QCheckBox *>(QStringLiteral("checkKeyring"));
        ASSERT_NE(check, nullptr);
        EXPECT_EQ(check->isEnabled(), keyring);
        fillSetup("ftp://host/", "anna", "geheim")(d);
        EXPECT_FALSE(d.result() == QDialog::Accepted);
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(d.focusWidget() == d.findChild<QLineEdit *>(QStringLiteral("editUrl")));
        fillSetup("http://host/", "anna", "")(d);
        EXPECT_TRUE(d.focusWidget() == d.findChild<QLineEdit *>(QStringLiteral("editPassword")));
        d.findChild<QPushButton *>(QStringLiteral("buttonHelp"))->click();
        d.findChild<QPushButton *>(QStringLiteral("buttonCancel"))->click();
    });
    EXPECT_FALSE(setUpServerFromMenu(frame.get()));
    QStringList messages;
    for (const auto &m : host.messages) messages << m.text;
    EXPECT_EQ(messages, (QStringList{"Die Adresse des Servers beginnt mit http:// oder https://",
                                     "Bitte das Kennwort für den Server eingeben."}));
    EXPECT_EQ(host.eventsOf("help:"), QStringList{"help:keyword:Abgleich"});
    EXPECT_FALSE(loadSyncServer(currentSyncPlaces()));
}

TEST_F(SyncUiTest, SetUpAndSyncThroughTheMenuReachTheServerAndBack)
{
    requireServer();
    addAppointment("Zahnarzt", 5);
    QString url = QString::fromStdString(radicale->url());
    host.dialogScripts.push_back(fillSetup(url, "anna", "geheim1"));
    frame->execute(CmFileSyncServer);
    ASSERT_TRUE(lastMessage().startsWith("Der Server ist eingerichtet"))
        << lastMessage().toStdString();
    std::optional<tSyncServer> kept = loadSyncServer(currentSyncPlaces());
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->url, radicale->url());

    // A second client puts an appointment on the server.
    tPeer peer(tPeer::Calendar, radicale->url(), kAnna, kTermineCollection);
    ASSERT_TRUE(peer.discover().result.ok());
    ASSERT_TRUE(synctest::writeTextFile(peer.vdir() + "peer-besuch-1.ics",
                                        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//peer//DE\r\n"
                                        "BEGIN:VEVENT\r\nUID:peer-besuch-1\r\n"
                                        "DTSTAMP:20260301T080000Z\r\n"
                                        "DTSTART:20260306T100000Z\r\nDTEND:20260306T110000Z\r\n"
                                        "SUMMARY:Besuch\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"));
    synctest::tPeerRun put = peer.sync();
    ASSERT_TRUE(put.result.ok()) << put.output;

    frame->execute(CmFileSync);
    QString done = lastMessage();
    EXPECT_TRUE(done.contains("Termine: in die Datenbank: 1 neu")) << done.toStdString();
    EXPECT_EQ(host.messages.back().caption, appName()) << done.toStdString();
    EXPECT_EQ(log, QStringList{"watch:31"});
    EXPECT_EQ(titles(), (std::vector<std::string>{"Besuch", "Zahnarzt"}));
    // Our appointment is in the server's own storage.
    bool found = false;
    std::string folder = radicale->collectionFolder("anna", kTermineCollection);
    for (const std::string &name : synctest::filesIn(folder, ".ics"))
        found = found || readAll(folder + "/" + name).find("SUMMARY:Zahnarzt") != std::string::npos;
    EXPECT_TRUE(found) << folder;

    // The background sync: skipped under a modal window, else silent with a status line.
    addAppointment("Konferenz", 9);
    log.clear();
    tBackgroundSync background(frame.get(), client, 0);
    {
        QDialog modal(frame.get());
        modal.setWindowModality(Qt::ApplicationModal);
        modal.show();
        EXPECT_FALSE(background.tick());
    }
    size_t messages = host.messages.size();
    ASSERT_TRUE(background.tick());
    EXPECT_EQ(host.messages.size(), messages); // no window
    QStringList status = host.eventsOf("status:");
    ASSERT_FALSE(status.isEmpty());
    EXPECT_TRUE(status.back().startsWith("status:Abgleich um ")) << status.back().toStdString();
    EXPECT_EQ(log, QStringList{"watch:31"});
    found = false;
    for (const std::string &name : synctest::filesIn(folder, ".ics"))
        found =
            found || readAll(folder + "/" + name).find("SUMMARY:Konferenz") != std::string::npos;
    EXPECT_TRUE(found);
}

TEST_F(SyncUiTest, SyncAgainstAServerThatIsGoneSaysWhatFailed)
{
    requireServer();
    host.dialogScripts.push_back(
        fillSetup(QString::fromStdString(radicale->url()), "anna", "geheim1"));
    ASSERT_TRUE(setUpServerFromMenu(frame.get())) << lastMessage().toStdString();
    radicale->stop();
    EXPECT_FALSE(syncFromMenu(frame.get(), client));
    EXPECT_EQ(host.messages.back().caption, QStringLiteral("Fehler"));
    EXPECT_FALSE(lastMessage().isEmpty());
    EXPECT_EQ(log, QStringList{"watch:31"});
}

TEST_F(SyncUiTest, AbbrechenInTheProgressWindowStopsBeforeTheNextStep)
{
    requireServer();
    addAppointment("Zahnarzt", 5);
    host.dialogScripts.push_back(
        fillSetup(QString::fromStdString(radicale->url()), "anna", "geheim1"));
    ASSERT_TRUE(setUpServerFromMenu(frame.get())) << lastMessage().toStdString();
    // "Abbrechen" pressed as soon as the window shows the first line: while the first step runs.
    QStringList shown;
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *lines = w->findChild<QPlainTextEdit *>(QStringLiteral("syncLines"));
            if (w->objectName() != QStringLiteral("syncProgress") || !w->isVisible() || !lines ||
                lines->toPlainText().isEmpty())
                continue;
            shown << lines->toPlainText();
            w->findChild<QPushButton *>(QStringLiteral("buttonCancel"))->click();
            press.stop();
        }
    });
    press.start(0);
    EXPECT_FALSE(syncFromMenu(frame.get(), client));
    EXPECT_EQ(host.messages.back().caption, QStringLiteral("Fehler"));
    EXPECT_TRUE(lastMessage().startsWith("Abgebrochen")) << lastMessage().toStdString();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(shown.front().startsWith("Vom Server holen...")) << shown.front().toStdString();
    // Nothing went out, and the next sync is free to run.
    std::string folder = radicale->collectionFolder("anna", kTermineCollection);
    EXPECT_TRUE(synctest::filesIn(folder, ".ics").empty());
    EXPECT_FALSE(syncRunning());
    EXPECT_TRUE(syncFromMenu(frame.get(), client)) << lastMessage().toStdString();
    EXPECT_EQ(synctest::filesIn(folder, ".ics").size(), 1u);
}
