// undo_frame.h - "Bearbeiten > Rückgängig" (Ctrl+Z): the newest deletion of this run stored
// again (views/undo_journal.h).
//
// The command is enabled while the journal holds a deletion.  After an undo the views of the
// restored kind refill, and the status bar says what came back ("Wiederhergestellt: Termin
// „Sitzung“ (9.7.1996)") or that it could not be stored.  The program adds it with
// TMyApp::addFrameSetup(undoFrameSetup).
#ifndef VELK_WIDGETS_CALENDAR_UNDO_FRAME_H
#define VELK_WIDGETS_CALENDAR_UNDO_FRAME_H

namespace velk {

class tMainFrame;
class TMyMDIClient;

void undoFrameSetup(tMainFrame &frame, TMyMDIClient &client);

} // namespace velk

#endif
