#include "widgets/calendar/undo_frame.h"

#include <QPointer>

#include "shell/core/commands.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/view.h"
#include "views/undo_journal.h"

namespace velk {

void undoFrameSetup(tMainFrame &frame, TMyMDIClient &client)
{
    tUndoJournal &journal = tUndoJournal::instance();
    QPointer<tMainFrame> watched(&frame);
    journal.onChange([watched] {
        if (watched) watched->updateMenus();
    });
    frame.registerCommand(CmUndo, [&frame, &client] {
        const tUndone done = tUndoJournal::instance().undo();
        if (done.status == tStoreStatus::NotFound && done.text.empty()) return;
        sendNotice(&client, tNotices(done.notice));
        frame.showStatus(QString::fromUtf8(done.text.c_str()));
    });
    frame.enableWhen(CmUndo, [] { return tUndoJournal::instance().canUndo(); });
}

} // namespace velk
