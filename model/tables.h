/* The nine tables of a database, one object each per process. */
#pragma once

#include "model/table.h"

class tUserTable : public tTable {
public:
    static tUserTable *Instance() { return InstanceOf<tUserTable>("USERS"); }

    tRecord rec; /* the working record the fields below belong to */
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
    static tPersTable *Instance() { return InstanceOf<tPersTable>("PERSON"); }

    tRecord rec; /* the working record the fields below belong to */
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
    static tResTable *Instance() { return InstanceOf<tResTable>("RESOURCE"); }

    tRecord rec; /* the working record the fields below belong to */
    tDBCharField ID;
    tDBCharField TITLE;

private:
    friend class tTable;
    tResTable();
};

class tGrpTable : public tTable {
public:
    static tGrpTable *Instance() { return InstanceOf<tGrpTable>("GROUP"); }

    tRecord rec; /* the working record the fields below belong to */
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
    static tMemTable *Instance() { return InstanceOf<tMemTable>("MEMBER"); }

    tRecord rec; /* the working record the fields below belong to */
    tDBCharField GID;
    tDBCharField MID;

private:
    friend class tTable;
    tMemTable();
};

class tTermTable : public tTable {
public:
    static tTermTable *Instance() { return InstanceOf<tTermTable>("TERMIN"); }
    /* The next appointment ID (counter kept in RESOURCE of the "########" row). */
    bool NewID(char *id) { return NewCounterId(ID.Def(), RESOURCE.Def(), id); }

    tRecord rec; /* the working record the fields below belong to */
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
    static tAlarmTable *Instance() { return InstanceOf<tAlarmTable>("ALARM"); }
    /* The next alarm ID (counter kept in OWNER of the "########" row). */
    bool NewID(char *id) { return NewCounterId(ID.Def(), OWNER.Def(), id); }

    tRecord rec; /* the working record the fields below belong to */
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
    static tPrjTable *Instance() { return InstanceOf<tPrjTable>("PROJECT"); }

    tRecord rec; /* the working record the fields below belong to */
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
    static tTaskTable *Instance() { return InstanceOf<tTaskTable>("TASK"); }

    tRecord rec; /* the working record the fields below belong to */
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
