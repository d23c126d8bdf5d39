// views_test_support.h - small views for the frame's tests: each listens to given notice bits,
// handles given commands and writes what reached it into a shared log.
#ifndef VELK_TESTS_APP_VIEWS_TEST_SUPPORT_H
#define VELK_TESTS_APP_VIEWS_TEST_SUPPORT_H

#include <QLineEdit>
#include <QStringList>
#include <QVBoxLayout>

#include <set>

#include "shell/ui/view.h"
#include "tests/app/qt_print.h"

namespace velk::apptest {

class TestView : public velk::tView {
public:
    TestView(QString name, int mask, std::set<int> commands, QStringList *log,
             QString keyword = QString())
        : name_(std::move(name)), mask_(mask), commands_(std::move(commands)), log_(log),
          keyword_(std::move(keyword))
    {
        setObjectName(name_);
        setWindowTitle(name_);
        auto *layout = new QVBoxLayout(this);
        edit_ = new QLineEdit(this);
        layout->addWidget(edit_);
    }

    tNotices noticeMask() const override { return tNotices::fromInt(mask_); }
    bool handlesCommand(int id) const override { return commands_.count(id) != 0; }
    void command(int id) override { *log_ << QStringLiteral("%1:cmd%2").arg(name_).arg(id); }
    QString helpKeyword() const override { return keyword_; }
    QLineEdit *edit() const { return edit_; }

    bool closeOnNotice = false;

protected:
    void dataChanged(tNotices bits) override
    {
        *log_ << QStringLiteral("%1:%2").arg(name_).arg(bits.toInt());
        if (closeOnNotice) parentWidget()->close();
    }

private:
    QString name_;
    int mask_;
    std::set<int> commands_;
    QStringList *log_;
    QString keyword_;
    QLineEdit *edit_;
};

} // namespace velk::apptest

#endif
