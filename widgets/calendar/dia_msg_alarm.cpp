#include "widgets/calendar/dia_msg_alarm.h"

#include "shell/ui/cp1252.h"
#include "shell/ui/dialog_base.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/my_app.h"
#include "shell/ui/shell_host.h"
#include "calendar/termin_rules.h"
#include "widgets/calendar/dia_alarm.h"
#include "widgets/calendar/dia_termin.h"
#include "widgets/calendar/view_openers.h"
#include "ui_dia_msg_alarm.h"
#include "views/undo_journal.h"

namespace velk {

static void notify(tNotices mask) { sendNotice(mdiClient(), mask); }

tDiaMsgAlarm::tDiaMsgAlarm(QWidget *parent, tDueAlarms due)
    : QDialog(parent), ui_(std::make_unique<Ui::tDiaMsgAlarm>()), due_(std::move(due))
{
    ui_->setupUi(this);
    installDialogBase(this); // no help of its own
    fill();
    connect(ui_->buttonDelete, &QPushButton::clicked, this, &tDiaMsgAlarm::deleteAlarm);
    connect(ui_->buttonReschedule, &QPushButton::clicked, this, &tDiaMsgAlarm::reschedule);
    connect(ui_->buttonInfo, &QPushButton::clicked, this, &tDiaMsgAlarm::info);
    connect(ui_->listAlarms, &QListWidget::itemDoubleClicked, this, &tDiaMsgAlarm::info);
    connect(ui_->buttonClose, &QPushButton::clicked, this, &tDiaMsgAlarm::closePressed);
}

tDiaMsgAlarm::~tDiaMsgAlarm() = default;

void tDiaMsgAlarm::fill()
{
    ui_->listAlarms->clear();
    for (std::size_t i = 0; i < due_.size(); ++i) {
        auto *item = new QListWidgetItem(fromCp1252(alarmMessageLine(due_.at(i))), ui_->listAlarms);
        item->setData(Qt::UserRole, QByteArray(due_.at(i).ID));
    }
    if (ui_->listAlarms->count() > 0) ui_->listAlarms->setCurrentRow(0);
}

int tDiaMsgAlarm::selected() const
{
    int row = ui_->listAlarms->currentRow();
    return row >= 0 && std::size_t(row) < due_.size() ? row : -1;
}

void tDiaMsgAlarm::deleteAlarm()
{
    int row = selected();
    if (row < 0) return;
    // The row as the list read it; one that vanished meanwhile goes as before, without an error.
    tDeleted before;
    before.kind = tUndoKind::Alarm;
    before.alarm = due_.at(std::size_t(row));
    const bool removed =
        tUndoJournal::instance().deleting(before, [&] { return due_.remove(std::size_t(row)); });
    changed(removed ? QString() : QStringLiteral("Fehler beim Löschen"));
}

void tDiaMsgAlarm::reschedule()
{
    int row = selected();
    if (row < 0) return;
    tAlarm a = due_.at(std::size_t(row));
    if (!tDiaAlarm::run(this, a)) return;
    changed(QString::fromUtf8(alarmUpdateMessage(due_.reschedule(std::size_t(row), a)).c_str()));
}

// After a deletion or a new time: the failure shown (none when empty), the views told, the list
// shown anew.
void tDiaMsgAlarm::changed(const QString &failure)
{
    if (!failure.isEmpty()) shellHost().message(this, failure, QStringLiteral("Fehler"));
    notify(NoticeAlarms);
    fill();
}

void tDiaMsgAlarm::info()
{
    int row = selected();
    if (row < 0) return;
    tAlarmLink link = due_.link(std::size_t(row));
    if (link.kind == tAlarmLink::Termin) {
        if (openTermin(this, link.id)) notify(NoticeAppointments);
    } else if (link.kind == tAlarmLink::Task) {
        if (viewOpeners().task && viewOpeners().task(this, link.id)) notify(NoticeProjects);
    }
}

void tDiaMsgAlarm::closePressed()
{
    due_.close();
    ui_->listAlarms->clear();
    accept();
}

bool runDueCheck(QWidget *parent, const tDateTime &now)
{
    tDueAlarms due;
    if (!due.check(now)) return false;
    tDiaMsgAlarm dialog(parent, std::move(due));
    shellHost().runDialog(dialog);
    return true;
}

} // namespace velk
