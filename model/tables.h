// The nine tables of a database, one object each per process.
#ifndef VELK_MODEL_TABLES_H
#define VELK_MODEL_TABLES_H

#include "model/table.h"

namespace velk {

class tUserTable : public tTable {
public:
    static tUserTable *instance() { return instanceOf<tUserTable>("USERS"); }

    tRecord rec; // the working record the fields below belong to
    tDBCharField ID;
    tDBCharField NAME;
    tDBCharField PASSWORD;
    tDBCharField PRIO;

private:
    friend class tTable;
    tUserTable();
};

class tPersTable : public tTable {
public:
    static tPersTable *instance() { return instanceOf<tPersTable>("PERSON"); }

    tRecord rec; // the working record the fields below belong to
    tDBCharField ID;
    tDBCharField NAME;
    tDBCharField CHRNAME;
    tDBCharField TEL;
    tDBDateField BIRTH;
    tDBCharField STREET;
    tDBCharField CITY;
    tDBCharField ZIP;
    tDBCharField COUNTRY;

private:
    friend class tTable;
    tPersTable();
};

class tResTable : public tTable {
public:
    static tResTable *instance() { return instanceOf<tResTable>("RESOURCE"); }

    tRecord rec; // the working record the fields below belong to
    tDBCharField ID;
    tDBCharField TITLE;

private:
    friend class tTable;
    tResTable();
};

class tGrpTable : public tTable {
public:
    static tGrpTable *instance() { return instanceOf<tGrpTable>("GROUP"); }

    tRecord rec; // the working record the fields below belong to
    tDBCharField ID;
    tDBCharField TITLE;
    tDBCharField STREET;
    tDBCharField CITY;
    tDBCharField ZIP;
    tDBCharField COUNTRY;
    tDBCharField TEL;
    tDBCharField FAX;
    tDBTextField COMMENT;

private:
    friend class tTable;
    tGrpTable();
};

class tMemTable : public tTable {
public:
    static tMemTable *instance() { return instanceOf<tMemTable>("MEMBER"); }

    tRecord rec; // the working record the fields below belong to
    tDBCharField GID;
    tDBCharField MID;

private:
    friend class tTable;
    tMemTable();
};

class tTermTable : public tTable {
public:
    static tTermTable *instance() { return instanceOf<tTermTable>("TERMIN"); }
    // The next appointment ID (counter kept in RESOURCE of the "########" row).
    bool newId(char *id) { return newCounterId(ID.def(), RESOURCE.def(), id); }

    tRecord rec; // the working record the fields below belong to
    tDBCharField ID;
    tDBCharField TITLE;
    tDBCharField TYPE;
    tDBCharField RESOURCE;
    tDBCharField WITH;
    tDBCharField OWNER;
    tDBCharField READ;
    tDBCharField WRITE;
    tDBDateField FROMDATE;
    tDBDateField TILLDATE;
    tDBTimeField FROMTIME;
    tDBTimeField TILLTIME;

private:
    friend class tTable;
    tTermTable();
};

class tAlarmTable : public tTable {
public:
    static tAlarmTable *instance() { return instanceOf<tAlarmTable>("ALARM"); }
    // The next alarm ID (counter kept in OWNER of the "########" row).
    bool newId(char *id) { return newCounterId(ID.def(), OWNER.def(), id); }

    tRecord rec; // the working record the fields below belong to
    tDBCharField ID;
    tDBCharField MESSAGE;
    tDBCharField OWNER;
    tDBCharField SENDTO;
    tDBCharField WITH;
    tDBDateField DATE;
    tDBTimeField TIME;

private:
    friend class tTable;
    tAlarmTable();
};

class tPrjTable : public tTable {
public:
    static tPrjTable *instance() { return instanceOf<tPrjTable>("PROJECT"); }

    tRecord rec; // the working record the fields below belong to
    tDBCharField ID;
    tDBCharField TITLE;
    tDBCharField COSTUMER;
    tDBCharField BILL;
    tDBCharField STATUS;
    tDBUIntField MAXTIME;
    tDBDateField ENDDATE;
    tDBCharField READ;
    tDBCharField CHIEF;
    tDBCharField OWNER;

private:
    friend class tTable;
    tPrjTable();
};

class tTaskTable : public tTable {
public:
    static tTaskTable *instance() { return instanceOf<tTaskTable>("TASK"); }

    tRecord rec; // the working record the fields below belong to
    tDBCharField ID;
    tDBCharField TITLE;
    tDBCharField PROJECT;
    tDBTextField COMMENT;
    tDBCharField WORKER;
    tDBCharField STATUS;
    tDBUIntField TIME;
    tDBCharField READ;
    tDBCharField OWNER;
    tDBCharField PRIO;
    tDBDateField ENDDATE;

private:
    friend class tTable;
    tTaskTable();
};

} // namespace velk

#endif
