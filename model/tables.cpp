#include "model/tables.h"

namespace velk {

tUserTable::tUserTable()
    : tTable("USERS"), rec(this), ID(&rec, "ID"), NAME(&rec, "NAME"), PASSWORD(&rec, "PASSWORD"),
      PRIO(&rec, "PRIO")
{}

tPersTable::tPersTable()
    : tTable("PERSON"), rec(this), ID(&rec, "ID"), NAME(&rec, "NAME"), CHRNAME(&rec, "CHRNAME"),
      TEL(&rec, "TEL"), BIRTH(&rec, "BIRTH"), STREET(&rec, "STREET"), CITY(&rec, "CITY"),
      ZIP(&rec, "ZIP"), COUNTRY(&rec, "COUNTRY")
{}

tResTable::tResTable() : tTable("RESOURCE"), rec(this), ID(&rec, "ID"), TITLE(&rec, "TITLE") {}

tGrpTable::tGrpTable()
    : tTable("GROUP"), rec(this), ID(&rec, "ID"), TITLE(&rec, "TITLE"), STREET(&rec, "STREET"),
      CITY(&rec, "CITY"), ZIP(&rec, "ZIP"), COUNTRY(&rec, "COUNTRY"), TEL(&rec, "TEL"),
      FAX(&rec, "FAX"), COMMENT(&rec, "COMMENT")
{}

tMemTable::tMemTable() : tTable("MEMBER"), rec(this), GID(&rec, "GID"), MID(&rec, "MID") {}

tTermTable::tTermTable()
    : tTable("TERMIN"), rec(this), ID(&rec, "ID"), TITLE(&rec, "TITLE"), TYPE(&rec, "TYPE"),
      RESOURCE(&rec, "RESOURCE"), WITH(&rec, "WITH"), OWNER(&rec, "OWNER"), READ(&rec, "READ"),
      WRITE(&rec, "WRITE"), FROMDATE(&rec, "FROMDATE"), TILLDATE(&rec, "TILLDATE"),
      FROMTIME(&rec, "FROMTIME"), TILLTIME(&rec, "TILLTIME")
{}

tAlarmTable::tAlarmTable()
    : tTable("ALARM"), rec(this), ID(&rec, "ID"), MESSAGE(&rec, "MESSAGE"), OWNER(&rec, "OWNER"),
      SENDTO(&rec, "SENDTO"), WITH(&rec, "WITH"), DATE(&rec, "DATE"), TIME(&rec, "TIME")
{}

tPrjTable::tPrjTable()
    : tTable("PROJECT"), rec(this), ID(&rec, "ID"), TITLE(&rec, "TITLE"),
      COSTUMER(&rec, "COSTUMER"), BILL(&rec, "BILL"), STATUS(&rec, "STATUS"),
      MAXTIME(&rec, "MAXTIME"), ENDDATE(&rec, "ENDDATE"), READ(&rec, "READ"), CHIEF(&rec, "CHIEF"),
      OWNER(&rec, "OWNER")
{}

tTaskTable::tTaskTable()
    : tTable("TASK"), rec(this), ID(&rec, "ID"), TITLE(&rec, "TITLE"), PROJECT(&rec, "PROJECT"),
      COMMENT(&rec, "COMMENT"), WORKER(&rec, "WORKER"), STATUS(&rec, "STATUS"), TIME(&rec, "TIME"),
      READ(&rec, "READ"), OWNER(&rec, "OWNER"), PRIO(&rec, "PRIO"), ENDDATE(&rec, "ENDDATE")
{}

} // namespace velk
