#include "widgets/calendar/alarm_list_win.h"

#include "views/print_pages.h"
#include "shell/core/commands.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/shell_host.h"
#include "shell/ui/tab_list.h"
#include "calendar/alarm.h"
#include "calendar/termin_rules.h"
#include "views/view_tips.h"
#include "widgets/calendar/dia_alarm.h"
#include "widgets/calendar/view_tip.h"
#include "views/undo_journal.h"

namespace velk {

static const tListLook kLook("alarmList", "alarmLines", "Alarmliste", NoticeAlarms, help::AlarmList,
                             420, 220);

tAlarmListWin::tAlarmListWin(QWidget *parent) : tTabListWin(kLook, {}, false, nullptr, parent)
{
    new tTipFilter(list_->viewport(), [this](const QPoint &p) {
        int row = list_->indexAt(p).row();
        if (row < 0 || row >= list_->lines()->count()) return std::string();
        return alarmTipOf(list_->lines()->line(row).key);
    });
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

bool tAlarmListWin::printDoc(tPrintDoc &doc) const
{
    doc = linesPrintDoc("Alarmliste", {{"Alarm", 0}}, lineTexts(), doc.heading);
    return true;
}

bool tAlarmListWin::handlesCommand(int id) const
{
    return (id == CmEdit || id == CmDelete) && list_->lines()->count() > 0;
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
    } else if (tUndoJournal::instance().deleting(tUndoKind::Alarm, a.ID,
                                                 [&] { return store.remove(a) == 0; })) {
        changed();
    } else {
        shellHost().message(this, QStringLiteral("Fehler beim Löschen"), QStringLiteral("Fehler"));
    }
}

} // namespace velk
