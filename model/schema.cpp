#include "model/schema.h"

namespace velk {

const char *const kTableNames[9] = {"USERS",  "PERSON", "RESOURCE", "GROUP", "MEMBER",
                                    "TERMIN", "ALARM",  "PROJECT",  "TASK"};

#define F(t, f, ty, len)                                                                           \
    {                                                                                              \
        t, f, ty, 0, len, 0                                                                        \
    }

const tFieldDef kFieldDefs[] = {F("USERS", "ID", 'C', 8),
                                F("USERS", "NAME", 'C', 25),
                                F("USERS", "PASSWORD", 'C', 12),
                                F("USERS", "PRIO", 'C', 4),

                                F("PERSON", "ID", 'C', 8),
                                F("PERSON", "NAME", 'C', 25),
                                F("PERSON", "CHRNAME", 'C', 25),
                                F("PERSON", "TEL", 'C', 30),
                                F("PERSON", "BIRTH", 'D', 8),
                                F("PERSON", "STREET", 'C', 80),
                                F("PERSON", "CITY", 'C', 40),
                                F("PERSON", "COUNTRY", 'C', 40),
                                F("PERSON", "ZIP", 'C', 30),
                                F("PERSON", "FAX", 'C', 30),
                                F("PERSON", "TEL2", 'C', 30),
                                F("PERSON", "OWNER", 'C', 9),
                                F("PERSON", "READ", 'C', 9),
                                F("PERSON", "DATE", 'D', 8),
                                F("PERSON", "DATSTR", 'C', 40),
                                F("PERSON", "COMMENT", 'C', 80),
                                F("PERSON", "EMAIL", 'C', 40),
                                F("PERSON", "LINK", 'C', 9),
                                F("PERSON", "GROUP", 'C', 8),

                                F("RESOURCE", "ID", 'C', 8),
                                F("RESOURCE", "TITLE", 'C', 40),

                                F("GROUP", "ID", 'C', 8),
                                F("GROUP", "TITLE", 'C', 40),
                                F("GROUP", "TEL", 'C', 30),
                                F("GROUP", "STREET", 'C', 80),
                                F("GROUP", "CITY", 'C', 40),
                                F("GROUP", "COUNTRY", 'C', 40),
                                F("GROUP", "ZIP", 'C', 30),
                                F("GROUP", "FAX", 'C', 30),
                                F("GROUP", "OWNER", 'C', 9),
                                F("GROUP", "READ", 'C', 9),
                                F("GROUP", "COMMENT", 'B', 8),
                                F("GROUP", "EMAIL", 'C', 40),
                                F("GROUP", "LINK", 'C', 9),

                                F("MEMBER", "GID", 'C', 8),
                                F("MEMBER", "MID", 'C', 8),

                                F("TERMIN", "ID", 'C', 8),
                                F("TERMIN", "TITLE", 'C', 40),
                                F("TERMIN", "FROMDATE", 'D', 8),
                                F("TERMIN", "FROMTIME", 'T', 4),
                                F("TERMIN", "TILLDATE", 'D', 8),
                                F("TERMIN", "TILLTIME", 'T', 4),
                                F("TERMIN", "TYPE", 'C', 1),
                                F("TERMIN", "RESOURCE", 'C', 8),
                                F("TERMIN", "WITH", 'C', 9),
                                F("TERMIN", "OWNER", 'C', 9),
                                F("TERMIN", "READ", 'C', 9),
                                F("TERMIN", "WRITE", 'C', 9),

                                F("ALARM", "ID", 'C', 9),
                                F("ALARM", "SENDTO", 'C', 8),
                                F("ALARM", "DATE", 'D', 8),
                                F("ALARM", "TIME", 'T', 4),
                                F("ALARM", "MESSAGE", 'C', 80),
                                F("ALARM", "WITH", 'C', 9),
                                F("ALARM", "OWNER", 'C', 8),

                                F("PROJECT", "ID", 'C', 8),
                                F("PROJECT", "TITLE", 'C', 40),
                                F("PROJECT", "COSTUMER", 'C', 9),
                                F("PROJECT", "BILL", 'C', 1),
                                F("PROJECT", "STATUS", 'C', 1),
                                F("PROJECT", "MAXTIME", 'U', 8),
                                F("PROJECT", "ENDDATE", 'D', 8),
                                F("PROJECT", "READ", 'C', 9),
                                F("PROJECT", "CHIEF", 'C', 8),
                                F("PROJECT", "OWNER", 'C', 8),

                                F("TASK", "ID", 'C', 8),
                                F("TASK", "TITLE", 'C', 40),
                                F("TASK", "PROJECT", 'C', 8),
                                F("TASK", "PARENT", 'C', 8),
                                F("TASK", "STATUS", 'C', 1),
                                F("TASK", "WORKER", 'C', 9),
                                F("TASK", "TIME", 'U', 8),
                                F("TASK", "MAXTIME", 'U', 8),
                                F("TASK", "COMMENT", 'B', 8),
                                F("TASK", "READ", 'C', 9),
                                F("TASK", "OWNER", 'C', 8),
                                F("TASK", "ENDDATE", 'D', 8),
                                F("TASK", "PRIO", 'C', 8),

                                {"", "", 0, 0, 0, 0}};

#undef F

const tIndexDef kIndexDefs[] = {
    {"USERS", 0, 0, "ID", 0, 0},

    {"PERSON", 0, 0, "ID", 0, 0},
    {"PERSON", 11, 0, "NAME", 0, 0},
    {"PERSON", 11, 1, "CHRNAME", 0, 0},
    {"PERSON", 12, 0, "BIRTH", 4, 4}, // month and day: birthdays in calendar order

    {"RESOURCE", 0, 0, "ID", 0, 0},

    {"GROUP", 0, 0, "ID", 0, 0},
    {"GROUP", 11, 0, "TITLE", 0, 0},
    {"GROUP", 11, 1, "CITY", 0, 0},

    {"MEMBER", 0, 0, "GID", 0, 0},
    {"MEMBER", 0, 1, "MID", 0, 0},
    {"MEMBER", 11, 0, "MID", 0, 0},

    {"TERMIN", 0, 0, "ID", 0, 0},
    {"TERMIN", 1, 0, "FROMDATE", 0, 0},
    {"TERMIN", 1, 1, "FROMTIME", 0, 0},
    {"TERMIN", 1, 2, "TITLE", 0, 0},
    {"TERMIN", 1, 3, "RESOURCE", 0, 0},
    {"TERMIN", 1, 4, "OWNER", 0, 0},

    {"ALARM", 0, 0, "ID", 0, 0},
    {"ALARM", 11, 0, "DATE", 0, 0},
    {"ALARM", 11, 1, "TIME", 0, 0},

    {"PROJECT", 0, 0, "ID", 0, 0},

    {"TASK", 0, 0, "ID", 0, 0},
    {"TASK", 11, 0, "PROJECT", 0, 0},
    {"TASK", 11, 1, "PARENT", 0, 0},
    {"TASK", 12, 0, "WORKER", 0, 0},
    {"TASK", 13, 0, "ENDDATE", 0, 0},

    {nullptr, 0, 0, nullptr, 0, 0}};

} // namespace velk
