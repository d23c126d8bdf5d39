// The help window and its document: a section for every keyword, contents, index, context.
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>

#include "shell/core/help_keywords.h"
#include "shell/core/help_text.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/help_viewer.h"
#include "shell/ui/shell_host.h"
#include "tests/app/recorder_host.h"
#include "velk_version.h"

using namespace velk;

static QString helpDocument()
{
    initResources();
    QFile file(QStringLiteral(":/help/velk.html"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll());
}

TEST(HelpDocument, HasASectionForEveryKeyword)
{
    QString html = helpDocument();
    ASSERT_FALSE(html.isEmpty());
    for (const char *k : helpKeywords())
        EXPECT_TRUE(html.contains(QStringLiteral("<a name=\"%1\"></a>").arg(QLatin1String(k))))
            << k;
    EXPECT_EQ(helpKeywords().size(), 23u);
}

TEST(HelpDocument, InfoNamesTheVersion)
{
    QString html = helpDocument();
    qsizetype at = html.indexOf(QStringLiteral("<a name=\"Copyright\"></a>"));
    ASSERT_GE(at, 0);
    EXPECT_TRUE(html.mid(at).contains(QStringLiteral("Version " VELK_VERSION "<")))
        << html.mid(at).toStdString();
    EXPECT_FALSE(html.contains(QLatin1Char('@'))) << "a placeholder left unreplaced";
}

TEST(HelpViewer, KeywordJumpsToItsSection)
{
    tHelpViewer viewer;
    viewer.showKeyword(QStringLiteral("Monatsplan"));
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_EQ(viewer.shownSection(), QStringLiteral("Monatsplan"));
    EXPECT_EQ(viewer.browser()->source().fragment(), QStringLiteral("Monatsplan"));
    EXPECT_TRUE(viewer.browser()->toPlainText().contains(QStringLiteral("Kalenderblatt")));
    viewer.showKeyword(QStringLiteral("Copyright"));
    EXPECT_EQ(viewer.browser()->source().fragment(), QStringLiteral("Copyright"));
}

TEST(HelpViewer, EmptyOrUnknownKeywordShowsTheIndex)
{
    tHelpViewer viewer;
    viewer.showKeyword(QString());
    EXPECT_EQ(viewer.shownSection(), QStringLiteral("Index"));
    QString text = viewer.browser()->toPlainText();
    for (const char *k : helpKeywords()) EXPECT_TRUE(text.contains(QLatin1String(k))) << k;
    viewer.showKeyword(QStringLiteral("Gibtsnicht"));
    EXPECT_EQ(viewer.shownSection(), QStringLiteral("Index"));
}

TEST(HelpViewer, ContentsAndContextShowTheStart)
{
    tHelpViewer viewer;
    viewer.showKeyword(QStringLiteral("Gruppen"));
    viewer.showContext(1);
    EXPECT_EQ(viewer.shownSection(), QString());
    EXPECT_TRUE(viewer.browser()->toPlainText().contains(QStringLiteral("Inhalt")));
    viewer.showContents();
    EXPECT_EQ(viewer.browser()->source().fragment(), QString());
}

TEST(HelpViewer, QtHostClosesItsWindow)
{
    tQtShellHost host;
    host.helpClose(); // nothing open yet: nothing happens
    host.helpKeyword(QStringLiteral("Termindialog"));
    auto windows = QApplication::topLevelWidgets();
    tHelpViewer *viewer = nullptr;
    for (QWidget *w : windows)
        if (auto *v = qobject_cast<tHelpViewer *>(w); v && v->isVisible()) viewer = v;
    ASSERT_NE(viewer, nullptr);
    host.helpClose();
    EXPECT_FALSE(viewer->isVisible());
}

// Asked from a modal dialog, the help is a transient of that dialog: the window manager keeps it
// above the dialog, and the dialog's modality does not block it.  Once the dialog is done it
// belongs to nobody here (no main frame runs in this test).
TEST(HelpViewer, ComesAboveTheModalDialogItWasAskedFrom)
{
    tQtShellHost host;
    QDialog dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    host.helpKeyword(QStringLiteral("Termindialog"));
    tHelpViewer *viewer = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *v = qobject_cast<tHelpViewer *>(w); v && v->isVisible()) viewer = v;
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(viewer->windowHandle());
    EXPECT_EQ(viewer->owner(), &dialog);
    EXPECT_EQ(viewer->windowHandle()->transientParent(), dialog.windowHandle());
    EXPECT_TRUE(
        dialog.windowHandle()->isAncestorOf(viewer->windowHandle(), QWindow::IncludeTransients));
    dialog.done(QDialog::Rejected);
    EXPECT_EQ(viewer->owner(), nullptr);
    EXPECT_EQ(viewer->windowHandle()->transientParent(), nullptr);
    host.helpClose();
}

TEST(DialogHelp, F1AndTheHilfeButtonOpenTheDialogsKeyword)
{
    velk::apptest::RecorderHost host;
    QDialog dialog;
    auto *help = new QPushButton(QStringLiteral("Hilfe"), &dialog);
    help->setObjectName(QStringLiteral("buttonHelp"));
    auto *edit = new QLineEdit(&dialog);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(edit);
    layout->addWidget(help);
    installDialogHelp(&dialog, QStringLiteral("Termindialog"));
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    edit->setFocus();
    QTest::keyClick(dialog.windowHandle(), Qt::Key_F1);
    QTest::mouseClick(help, Qt::LeftButton);
    EXPECT_EQ(host.events, (QStringList{"help:keyword:Termindialog", "help:keyword:Termindialog"}));
    EXPECT_FALSE(dialog.isHidden()); // help leaves the dialog open
}

TEST(HelpViewer, SuchenSearchesTheHelpTextAndEscapeCloses)
{
    tHelpViewer viewer;
    viewer.showContext(0);
    QApplication::setActiveWindow(&viewer);
    EXPECT_TRUE(viewer.searchField()->hasFocus());
    QTest::keyClicks(viewer.searchField(), QStringLiteral("Doppelklick"));
    QTest::keyClick(viewer.searchField(), Qt::Key_Return);
    EXPECT_EQ(viewer.shownSection(), QStringLiteral("Suchen"));
    const QString html = viewer.browser()->toHtml();
    EXPECT_TRUE(html.contains(QStringLiteral("#Wochenkalender"))) << html.toStdString();
    EXPECT_FALSE(html.contains(QStringLiteral("#Copyright")));
    viewer.search(QStringLiteral("Gibtsnichtwort"));
    EXPECT_TRUE(viewer.browser()->toPlainText().contains(QStringLiteral("Kein Abschnitt")));

    QTest::keyClick(&viewer, Qt::Key_Escape);
    EXPECT_FALSE(viewer.isVisible());
}

// Every window's and dialog's section tells how to use it: no placeholder of a line or two.
TEST(HelpDocument, EverySectionIsADescription)
{
    const auto sections = helpSections(helpDocument().toStdString());
    for (const char *k : helpKeywords()) {
        if (std::string(k) == "Copyright") continue;
        auto it = std::find_if(sections.begin(), sections.end(),
                               [&](const tHelpSection &s) { return s.anchor == k; });
        ASSERT_NE(it, sections.end()) << k;
        const long words = std::count(it->text.begin(), it->text.end(), ' ') + 1;
        EXPECT_GE(words, 60) << k;
    }
}
