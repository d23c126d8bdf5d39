#include "widgets/calendar/dia_termin.h"

#include <QSignalBlocker>

#include "base/dialog_number.h"
#include "address/person.h"
#include "address/resource.h"
#include "widgets/address/dia_pers_grp.h"
#include "widgets/address/dia_person.h"
#include "shell/ui/dialog_fields.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/date_picker.h"
#include "shell/ui/dialog_base.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/my_app.h"
#include "shell/ui/shell_host.h"
#include "base/session.h"
#include "calendar/booking_check.h"
#include "calendar/termin_rules.h"
#include "calendar/termin_store.h"
#include "widgets/calendar/dia_alarm.h"
#include "widgets/calendar/dia_choice.h"
#include "widgets/calendar/dia_repeat.h"
#include "ui_dia_termin.h"

namespace velk {

static void showNumber(QLineEdit *edit, int value) { edit->setText(QString::number(value)); }
static int readNumber(const QLineEdit *edit) { return dialogNumber(fieldText(edit)); }

static void report(QWidget *parent, const std::string &text)
{
    if (!text.empty())
        shellHost().message(parent, QString::fromUtf8(text.c_str()), QStringLiteral("Fehler"));
}

tDiaTermin::tDiaTermin(QWidget *parent, const tTermin &termin, const tResource *resource)
    : QDialog(parent), ui_(std::make_unique<Ui::tDiaTermin>()), termin_(termin)
{
    ui_->setupUi(this);
    installDialogHelp(this, QString::fromUtf8(help::AppointmentDialog));
    digitsOnly({ui_->editFromDay, ui_->editFromMonth, ui_->editFromYear, ui_->editFromHour,
                ui_->editFromMinute, ui_->editTillDay, ui_->editTillMonth, ui_->editTillYear,
                ui_->editTillHour, ui_->editTillMinute});
    attachDatePicker(ui_->buttonPickFrom, ui_->editFromDay, ui_->editFromMonth, ui_->editFromYear);
    attachDatePicker(ui_->buttonPickTill, ui_->editTillDay, ui_->editTillMonth, ui_->editTillYear);
    showTermin(resource);
    connect(ui_->checkResource, &QCheckBox::toggled, ui_->comboResource, &QWidget::setEnabled);
    connect(ui_->buttonWith, &QPushButton::clicked, this, &tDiaTermin::chooseWith);
    connect(ui_->listWith, &QListWidget::itemDoubleClicked, this, &tDiaTermin::openParticipant);
    connect(ui_->checkAlarm, &QCheckBox::toggled, this, &tDiaTermin::alarmToggled);
    connect(ui_->buttonAlarm, &QPushButton::clicked, this, [this] { openAlarm(); });
    connect(ui_->checkRepeat, &QCheckBox::toggled, this, &tDiaTermin::repeatToggled);
    connect(ui_->buttonRepeat, &QPushButton::clicked, this, &tDiaTermin::openRepeat);
    connect(ui_->buttonOk, &QPushButton::clicked, this, &tDiaTermin::okPressed);
    connect(ui_->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

tDiaTermin::~tDiaTermin() = default;

void tDiaTermin::showTermin(const tResource *resource)
{
    showNumber(ui_->editFromDay, termin_.from.day);
    showNumber(ui_->editFromMonth, termin_.from.month);
    showNumber(ui_->editFromYear, termin_.from.year);
    showNumber(ui_->editFromHour, termin_.from.hour);
    showNumber(ui_->editFromMinute, termin_.from.minute);
    showNumber(ui_->editTillDay, termin_.till.day);
    showNumber(ui_->editTillMonth, termin_.till.month);
    showNumber(ui_->editTillYear, termin_.till.year);
    showNumber(ui_->editTillHour, termin_.till.hour);
    showNumber(ui_->editTillMinute, termin_.till.minute);
    showField(ui_->editTitle, termin_.TITLE);

    tResource own;
    if (resource) {
        preselected_ = resource->ID;
    } else if (termin_.RESOURCE[0] && own.find(termin_.RESOURCE)) {
        preselected_ = own.ID;
    }
    for (const tResource &r : allResources()) {
        ui_->comboResource->addItem(fromCp1252(r.TITLE), QByteArray(r.ID));
        if (preselected_ == r.ID)
            ui_->comboResource->setCurrentIndex(ui_->comboResource->count() - 1);
    }
    ui_->checkResource->setChecked(!preselected_.empty());
    ui_->comboResource->setEnabled(!preselected_.empty());

    with_ = tPersonOrGroup::parse(termin_.WITH);
    ShowPersonOrGroup(with_, ui_->labelWith, ui_->listWith);
    ui_->buttonAlarm->setEnabled(false);
    ui_->buttonRepeat->setEnabled(false);

    // A "G" unequal to WITH selects no button; OK then keeps READ as it was.
    if (auto shown = visibilityOfRead(termin_.READ, termin_.WITH, currentUser()))
        checkButtonOf(*shown, {{tVisibility::All, ui_->radioAll},
                               {tVisibility::Involved, ui_->radioInvolved},
                               {tVisibility::Private, ui_->radioPrivate}});
}

tDateTime tDiaTermin::typedStart() const
{
    tDateTime t;
    t.day = readNumber(ui_->editFromDay);
    t.month = readNumber(ui_->editFromMonth);
    t.year = readNumber(ui_->editFromYear);
    t.hour = readNumber(ui_->editFromHour);
    t.minute = readNumber(ui_->editFromMinute);
    return t;
}

void tDiaTermin::alarmToggled(bool on)
{
    ui_->buttonAlarm->setEnabled(on);
    // An alarm without a date would never ring: the tick asks for one, and stays only with it.
    if (on && alarmNeedsDialog(alarm_) && !openAlarm() && alarmNeedsDialog(alarm_)) {
        QSignalBlocker quiet(ui_->checkAlarm);
        ui_->checkAlarm->setChecked(false);
        ui_->buttonAlarm->setEnabled(false);
    }
}

bool tDiaTermin::openAlarm()
{
    tDateTime preset = typedStart();
    return tDiaAlarm::run(this, alarm_, &preset);
}

void tDiaTermin::repeatToggled(bool on)
{
    if (on && !rule_) {
        rule_ = tRepeat{};
        openRepeat();
    }
    ui_->buttonRepeat->setEnabled(on);
}

void tDiaTermin::openRepeat()
{
    if (!rule_) rule_ = tRepeat{};
    tDiaRepeat::run(this, typedStart(), *rule_);
}

void tDiaTermin::chooseWith() { ChoosePersonOrGroup(this, with_, ui_->labelWith, ui_->listWith); }

void tDiaTermin::openParticipant(QListWidgetItem *item)
{
    tPerson p;
    if (!item || !p.find(item->data(Qt::UserRole).toByteArray().toStdString())) return;
    if (!tDiaPerson::run(this, &p)) return;
    ShowPersonOrGroup(with_, ui_->labelWith, ui_->listWith);
    sendNotice(mdiClient(), NoticePersons);
}

void tDiaTermin::okPressed()
{
    tTerminFields in;
    in.fromDay = readNumber(ui_->editFromDay);
    in.fromMonth = readNumber(ui_->editFromMonth);
    in.fromYear = readNumber(ui_->editFromYear);
    in.fromHour = readNumber(ui_->editFromHour);
    in.fromMinute = readNumber(ui_->editFromMinute);
    in.tillDay = readNumber(ui_->editTillDay);
    in.tillMonth = readNumber(ui_->editTillMonth);
    in.tillYear = readNumber(ui_->editTillYear);
    in.tillHour = readNumber(ui_->editTillHour);
    in.tillMinute = readNumber(ui_->editTillMinute);
    tTermin t = termin_;
    const tTerminCheck check = checkTerminFields(in, t.from, t.till);
    if (check == tTerminCheck::EndBeforeStart)
        shellHost().message(this, QStringLiteral("Ende liegt vor Anfang des Termins"), appName());
    if (focusFieldOf(check, {{tTerminCheck::BadStartDate, ui_->editFromDay},
                             {tTerminCheck::BadEndDate, ui_->editTillDay},
                             {tTerminCheck::EndBeforeStart, ui_->editTillDay},
                             {tTerminCheck::BadStartTime, ui_->editFromHour},
                             {tTerminCheck::BadEndTime, ui_->editTillHour}}))
        return;
    t.setTitle(fieldText(ui_->editTitle));
    std::string resource = preselected_;
    if (ui_->comboResource->currentIndex() >= 0)
        resource = ui_->comboResource->currentData().toByteArray().toStdString();
    t.setResource(ui_->checkResource->isChecked() ? resource : std::string());
    t.setWith(with_.format());
    if (auto chosen = checkedValueOf<tVisibility>({{tVisibility::All, ui_->radioAll},
                                                   {tVisibility::Involved, ui_->radioInvolved},
                                                   {tVisibility::Private, ui_->radioPrivate}}))
        t.setRead(readForVisibility(*chosen, t.WITH, currentUser()));
    t.detachRepeat();
    if (rule_ && ui_->checkRepeat->isChecked()) t.attachRepeat(*rule_);
    if (!bookingAccepted(t) || !store(t)) return;
    termin_ = t;
    termin_.detachRepeat(); // the rule is used once, by the insert
    if (ui_->checkAlarm->isChecked()) sendAlarm();
    accept();
}

// Whether t may be stored as far as its resource is concerned: it is free, or the user answers
// "Ja" to the question naming the other bookings.  A rewrite is checked without the rule, as
// store() uses it only for a new appointment.
bool tDiaTermin::bookingAccepted(const tTermin &t)
{
    tTerminStore &store = tTerminStore::instance();
    tTermin checked = t;
    tTermin old;
    if (t.ID[0] && store.find(t.ID, old)) checked.detachRepeat();
    std::vector<tBookingConflict> conflicts = bookingConflicts(store, checked);
    if (conflicts.empty()) return true;
    std::string text = bookingQuestion(resourceTitle(t.RESOURCE), conflicts);
    return shellHost().question(this, fromCp1252(text), appName());
}

// Rewrites the row of t's ID, or inserts t where there is none; false (reported) when the
// appointment itself was not stored.
bool tDiaTermin::store(tTermin &t)
{
    tTerminStore &store = tTerminStore::instance();
    tTermin old;
    if (t.ID[0] && store.find(t.ID, old)) {
        tStoreStatus status = store.update(t.ID, t);
        report(this, terminUpdateMessage(status));
        return status == tStoreStatus::Stored;
    }
    tTermin added = t;
    tInsertResult r = store.insert(added);
    report(this, terminStoreMessage(r));
    if (r.status != tStoreStatus::Stored) return false;
    t = added;
    return true;
}

void tDiaTermin::sendAlarm()
{
    alarm_.setWith(std::string("T") + termin_.ID);
    report(this, alarmSendMessage(tAlarmStore::instance().send(alarm_)));
    sendNotice(mdiClient(), NoticeAlarms);
}

bool tDiaTermin::runEdit(QWidget *parent, tTermin &t, const tResource *resource)
{
    tDiaTermin dialog(parent, t, resource);
    if (shellHost().runDialog(dialog) != QDialog::Accepted) return false;
    t = dialog.termin();
    return true;
}

bool tDiaTermin::runNew(QWidget *parent, int day, int month, int year)
{
    tTermin t;
    t.from.set(year, month, day);
    t.till = t.from;
    return runEdit(parent, t);
}

bool openTermin(QWidget *parent, const std::string &id)
{
    tTermin t;
    if (!tTerminStore::instance().find(id, t)) return false;
    return tDiaTermin::runEdit(parent, t);
}

bool openNewTermin(QWidget *parent, const tDateTime &from, const tDateTime &till,
                   const std::string &resource)
{
    tTermin t;
    t.from = from;
    t.till = till;
    tResource r;
    bool booked = !resource.empty() && r.find(resource);
    return tDiaTermin::runEdit(parent, t, booked ? &r : nullptr);
}

} // namespace velk
