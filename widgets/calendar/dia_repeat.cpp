#include "widgets/calendar/dia_repeat.h"

#include "shell/core/help_keywords.h"
#include "shell/ui/dialog_base.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/shell_host.h"
#include "calendar/termin_rules.h"
#include "widgets/calendar/dia_choice.h"
#include "ui_dia_repeat.h"

namespace velk {

tDiaRepeat::tDiaRepeat(QWidget *parent, const tDate &start, tRepeat &rule)
    : QDialog(parent), ui_(std::make_unique<Ui::tDiaRepeat>()), rule_(rule)
{
    ui_->setupUi(this);
    installDialogHelp(this, QString::fromUtf8(help::Recurrence));
    digitsOnly({ui_->editCount, ui_->editOrdinal});
    ui_->labelStartDay->setText(QString::number(start.day));
    ui_->labelStartMonth->setText(QString::number(start.month));
    ui_->labelStartYear->setText(QString::number(start.year));
    showRule();
    connect(ui_->groupRhythm, &QButtonGroup::buttonClicked, this, [this] { enableEvery(); });
    connect(ui_->radioLast, &QRadioButton::clicked, this, [this] { enableEvery(); });
    connect(ui_->radioOn, &QRadioButton::clicked, this, [this] { enableEvery(); });
    connect(ui_->radioAlways, &QRadioButton::clicked, this, [this] {
        ui_->radioOn->setChecked(true);
        enableEvery();
    });
    connect(ui_->buttonOk, &QPushButton::clicked, this, &tDiaRepeat::okPressed);
    connect(ui_->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

tDiaRepeat::~tDiaRepeat() = default;

void tDiaRepeat::showRule()
{
    checkButtonOf(rule_.rhythm, {{tRepeat::Yearly, ui_->radioYearly},
                                 {tRepeat::Monthly, ui_->radioMonthly},
                                 {tRepeat::Weekly, ui_->radioWeekly},
                                 {tRepeat::Daily, ui_->radioDaily},
                                 {tRepeat::Every, ui_->radioEvery}});
    (rule_.ordinal == tRepeat::Last ? ui_->radioLast : ui_->radioOn)->setChecked(true);
    if (rule_.unit == tRepeat::Day) ui_->radioDay->setChecked(true);
    if (rule_.unit == tRepeat::Weekday) ui_->radioWeekday->setChecked(true);
    if (rule_.scope == tRepeat::Always) ui_->radioAlways->setChecked(true);
    if (rule_.scope == tRepeat::EveryMonth) ui_->radioEveryMonth->setChecked(true);
    if (rule_.scope == tRepeat::ThisMonth) ui_->radioThisMonth->setChecked(true);
    ui_->editOrdinal->setText(QString::number(rule_.ordinal));
    ui_->editCount->setText(QString::number(rule_.count));
    enableEvery();
}

// The controls of the "jeden" line work only while "jeden" is chosen; N only with "am".
void tDiaRepeat::enableEvery()
{
    const bool every = ui_->radioEvery->isChecked();
    for (QWidget *w :
         {static_cast<QWidget *>(ui_->radioDay), static_cast<QWidget *>(ui_->radioWeekday),
          static_cast<QWidget *>(ui_->radioLast), static_cast<QWidget *>(ui_->radioOn),
          static_cast<QWidget *>(ui_->radioAlways), static_cast<QWidget *>(ui_->radioEveryMonth),
          static_cast<QWidget *>(ui_->radioThisMonth)})
        w->setEnabled(every);
    ui_->editOrdinal->setEnabled(every && !ui_->radioLast->isChecked());
}

void tDiaRepeat::okPressed()
{
    tRepeatFields in;
    // A 0 byte where no button of a group is checked.
    in.rhythm = checkedValueOf<char>({{tRepeat::Yearly, ui_->radioYearly},
                                      {tRepeat::Monthly, ui_->radioMonthly},
                                      {tRepeat::Weekly, ui_->radioWeekly},
                                      {tRepeat::Daily, ui_->radioDaily},
                                      {tRepeat::Every, ui_->radioEvery}})
                    .value_or(0);
    in.last = ui_->radioLast->isChecked();
    in.ordinal = ui_->editOrdinal->text().toStdString();
    in.unit =
        checkedValueOf<char>({{tRepeat::Day, ui_->radioDay}, {tRepeat::Weekday, ui_->radioWeekday}})
            .value_or(0);
    in.scope = checkedValueOf<char>({{tRepeat::Always, ui_->radioAlways},
                                     {tRepeat::EveryMonth, ui_->radioEveryMonth},
                                     {tRepeat::ThisMonth, ui_->radioThisMonth}})
                   .value_or(0);
    in.count = ui_->editCount->text().toStdString();
    if (!applyRepeatFields(in, rule_)) {
        shellHost().message(this, QStringLiteral("Falsche Eingabe"), QStringLiteral("Fehler"));
        ui_->editOrdinal->setFocus();
        return;
    }
    accept();
}

bool tDiaRepeat::run(QWidget *parent, const tDate &start, tRepeat &rule)
{
    tDiaRepeat dialog(parent, start, rule);
    return shellHost().runDialog(dialog) == QDialog::Accepted;
}

} // namespace velk
