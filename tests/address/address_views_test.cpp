// The person and resource lists in the main frame on a real database: lines and columns, the
// commands they enable, the delete rule, the notices between views, and a second process.
#include <QAction>
#include <QImage>
#include <QMdiSubWindow>

#include "address/dialog_rules.h"
#include "address/group.h"
#include "address/resource.h"
#include "widgets/address/address_frame.h"
#include "widgets/address/pers_list_win.h"
#include "widgets/address/res_list_win.h"
#include "shell/core/commands.h"
#include "shell/core/tab_stops.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/tab_list.h"
#include "tests/address/address_ui_support.h"
#include "tests/btree/process_support.h"

using namespace velk;
using namespace velk::apptest;

namespace {

class ViewsTest : public AddressUiTest {
protected:
    void SetUp() override
    {
        AddressUiTest::SetUp();
        client = new TMyMDIClient;
        frame = std::make_unique<tMainFrame>(client);
        addressFrameSetup(*frame, *client);
        frame->updateMenus();
        frame->resize(900, 600);
        frame->show();
    }
    void TearDown() override
    {
        frame.reset();
        AddressUiTest::TearDown();
    }

    bool enabled(int id) { return frame->action(id)->isEnabled(); }
    tPersListWin *openPersons()
    {
        frame->execute(CmPersonList);
        return tPersListWin::openList();
    }
    static QStringList texts(tTabList *list)
    {
        QStringList out;
        for (int i = 0; i < list->lines()->count(); ++i)
            out << fromCp1252(list->lines()->line(i).text);
        return out;
    }
    static QStringList columns(tTabList *list, int row)
    {
        QStringList out;
        for (int c = 0; c < list->model()->columnCount(); ++c)
            out << list->model()->index(row, c).data().toString();
        return out;
    }

    TMyMDIClient *client = nullptr;
    std::unique_ptr<tMainFrame> frame;
};

} // namespace

TEST_F(ViewsTest, PersonListShowsOneLineAPersonInNameOrderInColumns)
{
    ASSERT_EQ(person("zb", "Berg", "Zoe", {1, 2, 1990}, "0711 22").insert(), tStoreStatus::Stored);
    ASSERT_EQ(person("ab", "Berg", "Anna").insert(), tStoreStatus::Stored);
    ASSERT_EQ(person("mu", "M\xfcller", "J\xfcrgen", {24, 12, 0}).insert(), tStoreStatus::Stored);

    tPersListWin *win = openPersons();
    ASSERT_TRUE(win);
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Person"));
    EXPECT_EQ(win->helpKeyword(), QStringLiteral("Personenliste"));
    tTabList *list = win->list();
    EXPECT_EQ(texts(list),
              (QStringList{"ab\tAnna Berg\t 0. 0.0000\t0711 1", "zb\tZoe Berg\t 1. 2.1990\t0711 22",
                           QString::fromLatin1("mu\tJ\xfcrgen M\xfcller\t24.12.0000\t0711 1")}));
    EXPECT_EQ(columns(list, 1), (QStringList{"zb", "Zoe Berg", " 1. 2.1990", "0711 22"}));
    EXPECT_EQ(columns(list, 2)[1], QStringLiteral("Jürgen Müller")) << "shown from Windows-1252";

    // Columns at the tab stops 48, 198 and 252 dialog units of the list's font.
    std::vector<int> widths =
        tabColumnWidths({48, 198, 252}, list->fontMetrics().averageCharWidth());
    for (int c = 0; c < 3; ++c) EXPECT_EQ(list->columnWidth(c), widths[std::size_t(c)]) << c;

    // Rendered: the birthday of the first line is drawn inside its column, and the selected
    // line in the highlight colour across its columns.
    list->selectRow(1);
    QImage shot = list->viewport()->grab().toImage();
    auto darkPixels = [&](QRect r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += qGray(shot.pixel(x, y)) < 100;
        return n;
    };
    QRect birth0 = list->visualRect(list->model()->index(0, 2));
    EXPECT_EQ(birth0.left(), widths[0] + widths[1]);
    EXPECT_GT(darkPixels(birth0), 10) << "the birthday is drawn in its column";
    EXPECT_EQ(darkPixels(birth0.translated(0, 3 * birth0.height())), 0) << "no fourth line";
    QRect selected = list->visualRect(list->model()->index(1, 1));
    EXPECT_EQ(shot.pixelColor(selected.right() - 2, selected.center().y()),
              list->palette().color(QPalette::Highlight));

    // One window at most; "Öffnen..." waits for the data exchange.
    EXPECT_EQ(openPersons(), win);
    EXPECT_EQ(client->subWindowList().size(), 1);
    EXPECT_FALSE(enabled(CmFileOpen));
}

TEST_F(ViewsTest, PersonListCommandsAsTheUserMay)
{
    ASSERT_EQ(person("ab", "Berg", "Anna").insert(), tStoreStatus::Stored);
    for (const char *user : {"root", "anna", "ROOT"}) {
        SCOPED_TRACE(user);
        setUser(user);
        client->closeAllSubWindows();
        tPersListWin *win = openPersons();
        ASSERT_TRUE(win);
        EXPECT_TRUE(enabled(CmNew));
        EXPECT_FALSE(enabled(CmEdit));
        EXPECT_FALSE(enabled(CmDelete));
        EXPECT_EQ(enabled(CmSetPassword), std::string(user) == "root") << "root alone";
        win->list()->selectRow(0);
        EXPECT_TRUE(enabled(CmEdit));
        EXPECT_TRUE(enabled(CmDelete));
        EXPECT_FALSE(enabled(CmForward));
    }
    // Root's "Anmelden..." runs the login dialog in new-password mode on the selected line.
    setUser("root");
    frame->updateMenus(); // the user is fixed for a run; here it changed under the frame
    host.dialogScripts.push_back([](QDialog &d) {
        EXPECT_TRUE(d.findChild<QWidget *>("editConfirm")->isVisible());
        d.reject();
    });
    frame->execute(CmSetPassword);
    EXPECT_EQ(host.eventsOf("dialog:"), QStringList{"dialog:tDiaLogin"});
}

TEST_F(ViewsTest, DeleteRuleForUsersPersons)
{
    struct Case {
        const char *user;
        bool personIsUser;
        bool refused;
    } cases[] = {{"anna", true, true}, {"anna", false, false}, {"root", true, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.user) + (c.personIsUser ? " deletes a user" : " deletes"));
        ASSERT_EQ(person("bo", "Bauer", "Bo").insert(), tStoreStatus::Stored);
        ASSERT_TRUE(addMember("g1", "bo"));
        ASSERT_TRUE(addMember("g2", "bo"));
        if (c.personIsUser) makeUser("bo");
        setUser(c.user);
        host.messages.clear();
        tPersListWin *win = openPersons();
        win->fill();
        win->list()->selectRow(win->list()->lines()->rowOfKey("bo"));
        frame->execute(CmDelete);

        tPerson p;
        EXPECT_EQ(p.find("bo"), c.refused);
        EXPECT_EQ(personIsUser("bo"), c.refused && c.personIsUser);
        EXPECT_EQ(isMember("g1", "bo") || isMember("g2", "bo"), c.refused);
        EXPECT_EQ(win->list()->lines()->rowOfKey("bo") >= 0, c.refused);
        if (c.refused) {
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_EQ(
                host.messages[0].text,
                QStringLiteral("Diese Person ist Anwender und darf nur von root entfernt werden"));
            EXPECT_EQ(host.messages[0].caption, appName());
            setUser("root");
            frame->execute(CmDelete);
        } else {
            EXPECT_TRUE(host.messages.empty());
        }
    }
}

// "Person ..." from the menu: the new person is in the open list once, and the list's lines
// stay one a person after the notice.
TEST_F(ViewsTest, NewPersonFromTheMenuAppearsOnceInTheOpenList)
{
    ASSERT_EQ(person("zz", "Zorn", "Zara").insert(), tStoreStatus::Stored);
    tPersListWin *win = openPersons();
    host.dialogScripts.push_back(
        fillAndPress({{"editId", "neu"}, {"editName", "Adler"}, {"editChrName", "Ada"}}));
    frame->execute(CmNewPerson);
    EXPECT_EQ(texts(win->list()),
              (QStringList{"neu\tAda Adler\t 0. 0.0000\t", "zz\tZara Zorn\t 0. 0.0000\t0711 1"}));

    // From the list itself, and changed there: still one line a person.
    host.dialogScripts.push_back(fillAndPress({{"editId", "b"}, {"editName", "Bach"}}));
    frame->execute(CmNew);
    win->list()->selectRow(win->list()->lines()->rowOfKey("b"));
    host.dialogScripts.push_back(fillAndPress({{"editName", "Zzz"}}));
    frame->execute(CmEdit);
    EXPECT_EQ(texts(win->list()),
              (QStringList{"neu\tAda Adler\t 0. 0.0000\t", "zz\tZara Zorn\t 0. 0.0000\t0711 1",
                           "b\t Zzz\t 0. 0.0000\t"}));
}

TEST_F(ViewsTest, ResourceListAfterChanges)
{
    for (const char *id : {"R3", "R1", "R2"}) {
        tResource r;
        r.setId(id);
        r.setTitle(std::string("Raum ") + id);
        ASSERT_EQ(r.insert(), tStoreStatus::Stored);
    }
    frame->execute(CmResourceList);
    tResListWin *win = tResListWin::openList();
    ASSERT_TRUE(win);
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Ressourcen"));
    EXPECT_EQ(texts(win->list()), (QStringList{"R1\tRaum R1", "R2\tRaum R2", "R3\tRaum R3"}));
    EXPECT_FALSE(enabled(CmDelete));

    win->list()->selectRow(1);
    frame->execute(CmDelete);
    EXPECT_EQ(texts(win->list()), (QStringList{"R1\tRaum R1", "R3\tRaum R3"}));

    host.dialogScripts.push_back(fillAndPress({{"editId", "a0"}, {"editTitle", "Beamer"}}));
    frame->execute(CmNewResource);
    EXPECT_EQ(texts(win->list()), (QStringList{"a0\tBeamer", "R1\tRaum R1", "R3\tRaum R3"}))
        << "a sorting list, case aside; the new one once";
    frame->execute(CmResourceList);
    EXPECT_EQ(client->subWindowList().size(), 1);
}

// Two copies of the program on one directory: a person another copy stores is in this copy's
// person list after its next refill.
TEST_F(ViewsTest, PersonStoredByAnotherProcessShowsAfterTheNextRefill)
{
    ASSERT_EQ(person("ab", "Berg", "Anna").insert(), tStoreStatus::Stored);
    tPersListWin *win = openPersons();
    ASSERT_EQ(win->list()->lines()->count(), 1);
    const std::string dict = dictPath();
    closeDatabase(); // the other copy opens its own files, as another program would
    pid_t other = spawn([&] {
        if (!openDatabase(dict.c_str())) return 1;
        tPerson p = person("cz", "Czerny", "Carl");
        bool ok = p.insert() == tStoreStatus::Stored;
        closeDatabase();
        return ok ? 0 : 2;
    });
    ASSERT_EQ(waitFor(other), 0);
    ASSERT_TRUE(openDatabase(dict.c_str()));
    EXPECT_EQ(texts(win->list()).size(), 1) << "nothing announces the other copy's change";
    sendNotice(client, NoticePersons);
    EXPECT_EQ(texts(win->list()), (QStringList{"ab\tAnna Berg\t 0. 0.0000\t0711 1",
                                               "cz\tCarl Czerny\t 0. 0.0000\t0711 1"}));
    sendNotice(client, NoticeResources | NoticeAppointments);
    EXPECT_EQ(texts(win->list()).size(), 2) << "other bits leave it alone";
}
