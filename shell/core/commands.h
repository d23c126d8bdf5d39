// commands.h - the main menu (menu resource 1) and its command identifiers.
//
// The identifiers are those of the program's resources and stay fixed: other parts of the
// program and the help refer to them.  The menu is data so that the frame builds every action
// from one table and the tests can walk it.
#ifndef VELK_SHELL_CORE_COMMANDS_H
#define VELK_SHELL_CORE_COMMANDS_H

#include <vector>

namespace velk {

enum tCommand : int {
    CmFileOpen = 102,
    CmFileSaveAs = 104,
    CmExit = 105,
    CmFileSync = 106,       // "Synchronisieren": the sync with the calendar server
    CmFileSyncServer = 107, // "Server einrichten..."
    CmPrint = 108,          // "Drucken...": the active view's pages on a printer
    CmPrintPreview = 109,   // "Druckvorschau..."
    CmPrintPdf = 110,       // "Als PDF sichern...": the same pages in a PDF file
    CmNew = 124,
    CmEdit = 125,
    CmDelete = 126,
    CmUndo = 127,       // "Rückgängig": the last deletions since the start, newest first
    CmSearch = 128,     // "Suchen...": the search window
    CmBack = 1001,      // tool bar, bitmap 1001
    CmForward = 1002,   // tool bar, bitmap 1002
    CmToday = 1003,     // tool bar "Heute": the active view to today's week, month or year
    CmZoomIn = 1004,    // the drawn views' zoom: larger cells
    CmZoomOut = 1005,   // smaller cells
    CmZoomReset = 1006, // the views' own size
    CmZoomFit = 1007,   // "An Fenster anpassen": the cells scaled to the window
    CmCascade = 24361,
    CmTileSideBySide = 24362,
    CmTileStacked = 24363,
    CmArrangeIcons = 24364,
    CmCloseAll = 24365,
    CmNewAppointment = 51682,
    CmOccupancy = 51683,
    CmMonthPlan = 51684,
    CmNewPerson = 51685,
    CmPersonList = 51686,
    CmResourceList = 51687,
    CmNewResource = 51688,
    CmGroups = 51689,
    CmAppointmentList = 51690,
    CmSetPassword = 51691,
    CmAlarmList = 51692,
    CmHelpInfo = 51693,
    CmHelpIndex = 51695,
    CmHelpSearch = 51696,
    CmHelpContents = 51697,
    CmNewProject = 51698,
    CmProjectList = 51699,
    CmTaskList = 51700,
    CmWeekCalendar = 51701,
};

struct tMenuEntry {
    int id;
    const char *text;               // UTF-8, '&' before the mnemonic
    const char *shortcut = nullptr; // a QKeySequence in portable text ("Ctrl+Z"), or none
};

struct tMenuDef {
    const char *title;
    std::vector<tMenuEntry> entries;
};

// Menu resource 1, in menu-bar order.
const std::vector<tMenuDef> &mainMenu();

// The commands that the active view handles (the frame routes them and disables them where the
// active view does not): 124, 125, 126, 51691, 1001, 1002, and today and the zoom (1003 to 1007).
bool isViewCommand(int id);

// The commands that print the active view (108, 109, 110): the frame runs them itself and
// enables them while the active view has pages to print.
bool isPrintCommand(int id);

} // namespace velk

#endif
