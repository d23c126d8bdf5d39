#include "widgets/calendar/alarm_list_win.h"

#include <QVBoxLayout>

#include "shell/ui/view_client.h"
#include "shell/core/commands.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/shell_host.h"
#include "shell/ui/tab_list.h"
#include "calendar/alarm.h"
#include "calendar/termin_rules.h"
#include "widgets/calendar/dia_alarm.h"

namespace velk {

tAlarmListWin::tAlarmListWin(QWidget *parent) : tView(parent), list_(new tTabList({}, false))
{
    setObjectName(QStringLiteral("alarmList"));
    setWindowTitle(QStringLiteral("Alarmliste"));
    list_->setObjectName(QStringLiteral("alarmLines"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    connect(list_, &tTabList::currentRowChanged, this, [this] { commandsChanged(); });
    list_->setReturnOpens(true);
    connect(list_, &tTabList::lineActivated, this, [this] { command(CmEdit); });
    fill();
}

void tAlarmListWin::fill()
{
    std::vector<tTabLine> lines;
    for (const tAlarm &a : tAlarmStore::instance().listed())
        lines.push_back({alarmListLine(a), a.ID});
    list_->lines()->setLines(std::move(lines));
    commandsChanged();
}

void tAlarmListWin::dataChanged(int) { fill(); }

QSize tAlarmListWin::sizeHint() const { return QSize(420, 220); }

QString tAlarmListWin::helpKeyword() const { return QString::fromUtf8(help::AlarmList); }

bool tAlarmListWin::handlesCommand(int id) const
{
    return (id == CmEdit || id == CmDelete) && list_->lines()->count() > 0;
}

void tAlarmListWin::changed()
{
    if (TMyMDIClient *client = clientOf(this))
        client->sendDataChanged(NoticeAlarms);
    else
        fill();
}

void tAlarmListWin::command(int id)
{
    if (!handlesCommand(id) || !list_->currentLine()) return;
    tAlarmStore &store = tAlarmStore::instance();
    tAlarm a;
    // A line whose alarm has vanished (deleted by its message dialog) goes with the refill.
    if (!store.find(list_->currentLine()->key, a)) {
        fill();
        return;
    }
    if (id == CmEdit) {
        if (!tDiaAlarm::run(this, a)) return;
        std::string failed = alarmUpdateMessage(store.update(a));
        if (!failed.empty())
            shellHost().message(this, QString::fromUtf8(failed.c_str()), QStringLiteral("Fehler"));
        changed();
    } else if (store.remove(a) == 0) {
        changed();
    } else {
        shellHost().message(this, QStringLiteral("Fehler beim Löschen"), QStringLiteral("Fehler"));
    }
}

} // namespace velk
