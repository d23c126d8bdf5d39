// recorder_host.h - the tests' tShellHost: records every message, file dialog and help call and
// answers from scripts, so that no test waits on a modal window.
#ifndef VELK_TESTS_APP_RECORDER_HOST_H
#define VELK_TESTS_APP_RECORDER_HOST_H

#include <QDialog>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "shell/ui/shell_host.h"
#include "tests/app/qt_print.h"

namespace velk::apptest {

class RecorderHost : public velk::tShellHost {
public:
    struct Message {
        QString text;
        QString caption;
    };

    RecorderHost() { velk::setShellHost(this); }
    ~RecorderHost() override { velk::setShellHost(nullptr); }

    void message(QWidget *, const QString &text, const QString &caption) override
    {
        messages.push_back({text, caption});
        events << QStringLiteral("message:") + text;
    }
    // Answered from questionAnswers (no when none is scripted).
    bool question(QWidget *, const QString &text, const QString &caption) override
    {
        messages.push_back({text, caption});
        events << QStringLiteral("question:") + text;
        if (questionAnswers.empty()) return false;
        bool yes = questionAnswers.front();
        questionAnswers.pop_front();
        return yes;
    }
    std::optional<QString> openFileName(QWidget *, const QString &filter, bool mustExist) override
    {
        events << QStringLiteral("open:") + filter;
        lastMustExist = mustExist;
        return nextFile();
    }
    std::optional<QString> saveFileName(QWidget *, const QString &filter) override
    {
        events << QStringLiteral("save:") + filter;
        return nextFile();
    }
    // The filter index comes from filterAnswers (1 when none is scripted).
    std::optional<velk::tFileChoice> openFile(QWidget *parent, const QString &filter,
                                              bool mustExist) override
    {
        return withFilter(openFileName(parent, filter, mustExist));
    }
    std::optional<velk::tFileChoice> saveFile(QWidget *parent, const QString &filter) override
    {
        return withFilter(saveFileName(parent, filter));
    }
    // Recorded, and shown in the frame's status bar as the program's host does.
    void status(QWidget *parent, const QString &text) override
    {
        events << QStringLiteral("status:") + text;
        velk::tShellHost::status(parent, text);
    }
    // Runs the next script on the dialog (it fills the fields and clicks a button).
    int runDialog(QDialog &dialog) override
    {
        events << QStringLiteral("dialog:") + dialog.objectName();
        if (dialogScripts.empty()) {
            ADD_FAILURE() << "unscripted dialog " << dialog.objectName().toStdString();
            return QDialog::Rejected;
        }
        auto script = std::move(dialogScripts.front());
        dialogScripts.pop_front();
        dialog.show(); // as a modal run would; the script then works on a visible dialog
        script(dialog);
        dialog.hide();
        return dialog.result();
    }
    // Printing: the document is kept, "print:TITLE:PAGES" recorded; printed when printAnswers
    // says so (no when none is scripted).
    bool print(QWidget *, const velk::tPrintDoc &doc) override
    {
        record(QStringLiteral("print:"), doc);
        if (printAnswers.empty()) return false;
        bool yes = printAnswers.front();
        printAnswers.pop_front();
        return yes;
    }
    // The preview: the document is kept, "preview:TITLE:PAGES" recorded.
    void printPreview(QWidget *, const velk::tPrintDoc &doc) override
    {
        record(QStringLiteral("preview:"), doc);
    }
    void helpContents() override { events << QStringLiteral("help:contents"); }
    void helpKeyword(const QString &k) override { events << QStringLiteral("help:keyword:") + k; }
    void helpContext(int c) override { events << QStringLiteral("help:context:%1").arg(c); }
    void helpClose() override { events << QStringLiteral("help:close"); }

    QStringList eventsOf(const QString &prefix) const
    {
        QStringList out;
        for (const QString &e : events)
            if (e.startsWith(prefix)) out << e;
        return out;
    }

    std::vector<Message> messages;
    QStringList events;
    std::deque<std::optional<QString>> fileAnswers;
    std::deque<int> filterAnswers;
    std::deque<bool> questionAnswers;
    std::deque<bool> printAnswers;
    std::vector<std::shared_ptr<const velk::tPrintDoc>> printed;
    std::deque<std::function<void(QDialog &)>> dialogScripts;
    bool lastMustExist = true;

private:
    void record(const QString &what, const velk::tPrintDoc &doc)
    {
        printed.push_back(velk::copyPrintDoc(doc));
        events << what + QStringLiteral("%1:%2")
                             .arg(QString::fromLatin1(velk::printTitle(doc).c_str()))
                             .arg(velk::printPageCount(doc));
    }
    std::optional<velk::tFileChoice> withFilter(std::optional<QString> name)
    {
        int filter = 1;
        if (!filterAnswers.empty()) {
            filter = filterAnswers.front();
            filterAnswers.pop_front();
        }
        if (!name) return std::nullopt;
        return velk::tFileChoice{*name, filter};
    }
    std::optional<QString> nextFile()
    {
        if (fileAnswers.empty()) {
            ADD_FAILURE() << "unscripted file dialog";
            return std::nullopt;
        }
        auto answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
};

} // namespace velk::apptest

#endif
