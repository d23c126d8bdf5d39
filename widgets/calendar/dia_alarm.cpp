#include "widgets/calendar/dia_alarm.h"

#include "address/dialog_rules.h"
#include "widgets/address/dia_pers_grp.h"
#include "shell/ui/dialog_fields.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/dialog_base.h"
#include "shell/ui/date_picker.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/shell_host.h"
#include "base/session.h"
#include "calendar/termin_rules.h"
#include "widgets/calendar/dia_choice.h"
#include "ui_dia_alarm.h"

namespace velk {

tDiaAlarm::tDiaAlarm(QWidget *parent, const tAlarm &alarm, const tDateTime *preset)
    : QDialog(parent), ui_(std::make_unique<Ui::tDiaAlarm>()), alarm_(alarm),
      preset_(preset != nullptr)
{
    ui_->setupUi(this);
    installDialogHelp(this, QString::fromUtf8(help::AlarmDialog));
    digitsOnly({ui_->editDay, ui_->editMonth, ui_->editYear, ui_->editHour, ui_->editMinute});
    attachDatePicker(ui_->buttonPickDate, ui_->editDay, ui_->editMonth, ui_->editYear);
    const tDateTime &when = preset ? *preset : alarm_.when;
    ui_->editDay->setText(QString::number(when.day));
    ui_->editMonth->setText(QString::number(when.month));
    ui_->editYear->setText(QString::number(when.year));
    ui_->editHour->setText(QString::number(when.hour));
    ui_->editMinute->setText(QString::number(when.minute));
    showField(ui_->editMessage, alarm_.MESSAGE);
    if (preset_) {
        recipients_ = tPersonOrGroup::parse(alarm_.SENDTO);
        bool further = alarmSendsFurther(alarm_.SENDTO, currentUser());
        (further ? ui_->radioAlso : ui_->radioOnlyMe)->setChecked(true);
        if (further) ShowPersonOrGroup(recipients_, ui_->labelRecipients, ui_->listRecipients);
    } else {
        for (QWidget *w :
             {static_cast<QWidget *>(ui_->radioOnlyMe), static_cast<QWidget *>(ui_->radioAlso),
              static_cast<QWidget *>(ui_->labelRecipients),
              static_cast<QWidget *>(ui_->buttonRecipients)})
            w->setEnabled(false);
    }
    connect(ui_->buttonRecipients, &QPushButton::clicked, this, &tDiaAlarm::chooseRecipients);
    connect(ui_->buttonOk, &QPushButton::clicked, this, &tDiaAlarm::okPressed);
    connect(ui_->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

tDiaAlarm::~tDiaAlarm() = default;

void tDiaAlarm::chooseRecipients()
{
    ChoosePersonOrGroup(this, recipients_, ui_->labelRecipients, ui_->listRecipients);
}

void tDiaAlarm::okPressed()
{
    tDateTime when;
    const tAlarmCheck check = checkAlarmFields(
        dialogNumber(fieldText(ui_->editDay)), dialogNumber(fieldText(ui_->editMonth)),
        dialogNumber(fieldText(ui_->editYear)), dialogNumber(fieldText(ui_->editHour)),
        dialogNumber(fieldText(ui_->editMinute)), when);
    if (focusFieldOf(check,
                     {{tAlarmCheck::BadTime, ui_->editHour}, {tAlarmCheck::BadDate, ui_->editDay}}))
        return;
    alarm_.when = when;
    alarm_.setMessage(fieldText(ui_->editMessage));
    if (preset_) alarm_.setSendTo(ui_->radioAlso->isChecked() ? recipients_.format() : "");
    accept();
}

bool tDiaAlarm::run(QWidget *parent, tAlarm &alarm, const tDateTime *preset)
{
    tDiaAlarm dialog(parent, alarm, preset);
    if (shellHost().runDialog(dialog) != QDialog::Accepted) return false;
    alarm = dialog.alarm();
    return true;
}

} // namespace velk
