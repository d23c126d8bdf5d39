#include "shell/core/commands.h"

namespace velk {

const std::vector<tMenuDef> &mainMenu()
{
    static const std::vector<tMenuDef> menu = {
        {"&Datei",
         {{CmFileOpen, "Ö&ffnen..."},
          {CmFileSaveAs, "Sichern &als..."},
          {CmFileSync, "S&ynchronisieren"},
          {CmFileSyncServer, "Server &einrichten..."},
          {CmPrint, "&Drucken...", "Ctrl+P"},
          {CmPrintPreview, "Druck&vorschau..."},
          {CmPrintPdf, "Als &PDF sichern..."},
          {CmExit, "&Beenden"}}},
        {"&Bearbeiten",
         {{CmNew, "&Neu..."},
          {CmEdit, "Än&dern..."},
          {CmDelete, "&Löschen"},
          {CmSetPassword, "&Anmelden..."},
          {CmUndo, "&Rückgängig", "Ctrl+Z"},
          {CmSearch, "&Suchen...", "Ctrl+F"}}},
        {"&Ansicht",
         {{CmWeekCalendar, "&Wochenkalender"},
          {CmMonthPlan, "&Monatsplan"},
          {CmOccupancy, "&Belegung"},
          {CmAppointmentList, "&aktuelle Termine"},
          {CmPersonList, "&Person"},
          {CmAlarmList, "&Alarmliste"},
          {CmProjectList, "Pro&jekte"},
          {CmTaskList, "A&ufgaben"},
          {CmResourceList, "&Ressourcen"},
          {CmToday, "&Heute", "Alt+Home"},
          {CmZoomIn, "Ver&größern", "Ctrl++"},
          {CmZoomOut, "Ver&kleinern", "Ctrl+-"},
          {CmZoomReset, "&Originalgröße", "Ctrl+0"},
          {CmZoomFit, "An &Fenster anpassen"}}},
        {"&Eingaben",
         {{CmNewAppointment, "&Termin ..."},
          {CmNewPerson, "&Person ..."},
          {CmGroups, "&Gruppen ..."},
          {CmNewResource, "&Ressource ..."},
          {CmNewProject, "&Projekt..."}}},
        {"Fenster",
         {{CmArrangeIcons, "Symbole anordnen"},
          {CmCascade, "Überlappend"},
          {CmTileSideBySide, "Nebeneinander"},
          {CmTileStacked, "Untereinander"},
          {CmCloseAll, "Alle Schließen"}}},
        {"Hilfe",
         {{CmHelpContents, "Inhalt"},
          {CmHelpIndex, "Index"},
          {CmHelpSearch, "Suchen"},
          {CmHelpInfo, "Info..."}}},
    };
    return menu;
}

bool isViewCommand(int id)
{
    switch (id) {
    case CmNew:
    case CmEdit:
    case CmDelete:
    case CmSetPassword:
    case CmBack:
    case CmForward:
    case CmToday:
    case CmZoomIn:
    case CmZoomOut:
    case CmZoomReset:
    case CmZoomFit:
        return true;
    default:
        return false;
    }
}

bool isPrintCommand(int id) { return id == CmPrint || id == CmPrintPreview || id == CmPrintPdf; }

} // namespace velk
