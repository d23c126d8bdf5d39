#include "shell/ui/date_picker.h"

#include <QCalendarWidget>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QTextCharFormat>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/core/date_pick.h"
#include "shell/ui/cp1252.h"

namespace velk {

namespace {

tDate fromQDate(const QDate &d) { return tDate{d.day(), d.month(), d.year()}; }
QDate toQDate(const tDate &d) { return QDate(d.year, d.month, d.day); }

// The popup: a calendar in a frame that closes on Escape and on a click outside.
class tPickerPopup : public QWidget {
public:
    tPickerPopup(QWidget *owner, const tDate &start) : QWidget(owner, Qt::Popup)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(1, 1, 1, 1);
        calendar_ = new QCalendarWidget(this);
        calendar_->setObjectName(QStringLiteral("datePickerCalendar"));
        calendar_->setLocale(QLocale(QLocale::German, QLocale::Germany));
        calendar_->setFirstDayOfWeek(Qt::Monday);
        calendar_->setGridVisible(true);
        calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        calendar_->setDateRange(QDate(kPickFirstYear, 1, 1), QDate(kPickLastYear, 12, 31));
        QTextCharFormat sunday;
        sunday.setForeground(Qt::red);
        calendar_->setWeekdayTextFormat(Qt::Sunday, sunday);
        calendar_->setWeekdayTextFormat(Qt::Saturday, QTextCharFormat()); // a working day here
        calendar_->setSelectedDate(toQDate(start));
        layout->addWidget(calendar_);
        markMonth(calendar_->yearShown(), calendar_->monthShown());
        connect(calendar_, &QCalendarWidget::currentPageChanged, this, &tPickerPopup::markMonth);
        calendar_->installEventFilter(this);
    }

    QCalendarWidget *calendar() const { return calendar_; }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Escape) {
            close();
            return;
        }
        QWidget::keyPressEvent(event);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            close();
            return true;
        }
        return false;
    }

private:
    // Holidays and today of the month shown and the days around it, from the plain rules.
    void markMonth(int year, int month)
    {
        calendar_->setDateTextFormat(QDate(), QTextCharFormat());
        const tDate today = tDate::today();
        const QDate first = QDate(year, month, 1).addDays(-14);
        for (QDate d = first; d <= first.addDays(70); d = d.addDays(1)) {
            if (!d.isValid()) continue;
            const tPickDayLook look = pickDayLook(fromQDate(d), today);
            if (look.holidays.empty() && !look.today) continue;
            QTextCharFormat format;
            if (look.red) format.setForeground(Qt::red);
            if (!look.holidays.empty()) format.setToolTip(QString::fromUtf8(look.holidays.c_str()));
            if (look.today) {
                format.setFontWeight(QFont::Bold);
                format.setBackground(QColor(255, 236, 160));
            }
            calendar_->setDateTextFormat(d, format);
        }
    }

    QCalendarWidget *calendar_;
};

class tDatePicker : public QObject {
public:
    tDatePicker(QToolButton *button, QLineEdit *day, QLineEdit *month, QLineEdit *year)
        : QObject(button), button_(button), day_(day), month_(month), year_(year)
    {
        for (QLineEdit *edit : {day, month, year}) edit->installEventFilter(this);
        connect(button, &QToolButton::clicked, this, &tDatePicker::open);
    }

    void open()
    {
        if (popup_ && popup_->isVisible()) return;
        const tDate start = pickStartDate(toCp1252(day_->text()), toCp1252(month_->text()),
                                          toCp1252(year_->text()), tDate::today());
        popup_ = new tPickerPopup(button_, start);
        QCalendarWidget *calendar = popup_->calendar();
        connect(calendar, &QCalendarWidget::clicked, this, &tDatePicker::take);
        connect(calendar, &QCalendarWidget::activated, this, &tDatePicker::take);
        popup_->adjustSize();
        popup_->move(day_->mapToGlobal(QPoint(0, day_->height())));
        popup_->show();
        calendar->setFocus(Qt::PopupFocusReason);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress) return false;
        auto *key = static_cast<QKeyEvent *>(event);
        const bool altDown =
            key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier) != 0;
        if (!altDown && key->key() != Qt::Key_F4) return false;
        if (!button_->isEnabled()) return false;
        open();
        return true;
    }

private:
    void take(const QDate &picked)
    {
        const tPickFields fields = pickedFields(fromQDate(picked));
        day_->setText(QString::fromLatin1(fields.day.c_str()));
        month_->setText(QString::fromLatin1(fields.month.c_str()));
        year_->setText(QString::fromLatin1(fields.year.c_str()));
        if (popup_) popup_->close();
        year_->setFocus(Qt::OtherFocusReason);
    }

    QToolButton *button_;
    QLineEdit *day_, *month_, *year_;
    QPointer<tPickerPopup> popup_;
};

} // namespace

void attachDatePicker(QToolButton *button, QLineEdit *day, QLineEdit *month, QLineEdit *year)
{
    button->setText(QStringLiteral("\u2026"));
    button->setToolTip(QStringLiteral("Kalender"));
    button->setFocusPolicy(Qt::TabFocus);
    new tDatePicker(button, day, month, year);
}

QCalendarWidget *openDatePicker(const QToolButton *button)
{
    // The popup is a child of the button while it lives.
    for (QCalendarWidget *calendar : button->findChildren<QCalendarWidget *>())
        if (calendar->isVisible()) return calendar;
    return nullptr;
}

} // namespace velk
