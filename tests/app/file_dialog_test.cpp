// The program's file dialogs (tQtShellHost with a real QFileDialog, answered from a queued call):
// the index of the chosen filter, the filter's extension on a saved name without one, and the
// filter chosen last preselected by the next dialog of that list.
#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "shell/ui/shell_host.h"

using namespace velk;

namespace {

const QString kFilters = QStringLiteral("Termine (*.dbf)|*.dbf|Atari Portfolio "
                                        "(*.dry)|*.dry|Texte|*.txt;*.asc|iCalendar (*.ics)|*.ics|");

// Answers the next file dialog: notes the preselected filter, chooses `filter` (counting from 1;
// 0 keeps the preselected one) and the name, and accepts.  Checks that it ran.
class FileDialogAnswer {
public:
    FileDialogAnswer(QString name, int filter) : name_(std::move(name)), filter_(filter)
    {
        QTimer::singleShot(0, [this] { answer(); });
    }
    ~FileDialogAnswer() { EXPECT_TRUE(ran_) << "no file dialog came"; }

    QString preselected;

private:
    void answer()
    {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(10, [this] { answer(); });
            return;
        }
        ran_ = true;
        preselected = dialog->selectedNameFilter();
        if (filter_ > 0) dialog->selectNameFilter(dialog->nameFilters().at(filter_ - 1));
        dialog->selectFile(name_);
        QMetaObject::invokeMethod(dialog, "accept");
    }

    QString name_;
    int filter_;
    bool ran_ = false;
};

} // namespace

TEST(FileDialogs, SaveAddsTheChosenFiltersExtensionAndTheFilterIsRemembered)
{
    QTemporaryDir dir;
    tQtShellHost host;
    struct Case {
        const char *typed;
        int filter;
        const char *saved;
        int preselected; // the filter the dialog showed first
    };
    const Case cases[] = {
        {"termine", 4, "termine.ics", 1},
        {"termine", 0, "termine.ics", 4}, // the filter of the last dialog
        {"termine.dbf", 0, "termine.dbf", 4},
        {"liste", 3, "liste.txt", 4},
        {"kalender", 2, "kalender.dry", 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.saved);
        FileDialogAnswer answer(dir.filePath(QString::fromLatin1(c.typed)), c.filter);
        std::optional<tFileChoice> chosen = host.saveFile(nullptr, kFilters);
        ASSERT_TRUE(chosen);
        EXPECT_EQ(chosen->name.toStdString(),
                  dir.filePath(QString::fromLatin1(c.saved)).toStdString());
        EXPECT_EQ(chosen->filter, c.filter ? c.filter : c.preselected);
        QStringList shown =
            QString::fromLatin1(
                "Termine (*.dbf)|Atari Portfolio (*.dry)|Texte (*.txt *.asc)|iCalendar (*.ics)")
                .split(QLatin1Char('|'));
        EXPECT_EQ(answer.preselected.toStdString(), shown.at(c.preselected - 1).toStdString());
    }

    // Opening keeps the name as chosen and remembers its filter apart from saving.
    FileDialogAnswer first(dir.filePath(QStringLiteral("termine")), 2);
    std::optional<tFileChoice> opened = host.openFile(nullptr, kFilters, false);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->name, dir.filePath(QStringLiteral("termine")));
    EXPECT_EQ(opened->filter, 2);
    EXPECT_EQ(first.preselected.toStdString(), "Termine (*.dbf)");
}
