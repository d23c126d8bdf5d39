// The nine tables of a database, one object each per process.  Each field is bound by its name
// to the table's dictionary rows (record.h); the fields follow the working record `rec`, which
// the base class builds first.
#ifndef VELK_MODEL_TABLES_H
#define VELK_MODEL_TABLES_H

#include "model/table.h"

namespace velk {

// The base of each table T: its one object, opened by T::kName on first use, and the working
// record that T's fields belong to.
template <class T>
class tTableOf : public tTable {
public:
    static T *instance() { return instanceOf<T>(T::kName); }

    tRecord rec{this};

protected:
    tTableOf() : tTable(T::kName) {}
};

class tUserTable : public tTableOf<tUserTable> {
public:
    static constexpr const char *kName = "USERS";

    tDBCharField ID{&rec, "ID"}, NAME{&rec, "NAME"}, PASSWORD{&rec, "PASSWORD"}, PRIO{&rec, "PRIO"};

private:
    friend class tTable;
    tUserTable() = default;
};

class tPersTable : public tTableOf<tPersTable> {
public:
    static constexpr const char *kName = "PERSON";

    tDBCharField ID{&rec, "ID"}, NAME{&rec, "NAME"}, CHRNAME{&rec, "CHRNAME"}, TEL{&rec, "TEL"};
    tDBDateField BIRTH{&rec, "BIRTH"};
    tDBCharField STREET{&rec, "STREET"}, CITY{&rec, "CITY"}, ZIP{&rec, "ZIP"},
        COUNTRY{&rec, "COUNTRY"};

private:
    friend class tTable;
    tPersTable() = default;
};

class tResTable : public tTableOf<tResTable> {
public:
    static constexpr const char *kName = "RESOURCE";

    tDBCharField ID{&rec, "ID"}, TITLE{&rec, "TITLE"};

private:
    friend class tTable;
    tResTable() = default;
};

class tGrpTable : public tTableOf<tGrpTable> {
public:
    static constexpr const char *kName = "GROUP";

    tDBCharField ID{&rec, "ID"}, TITLE{&rec, "TITLE"}, STREET{&rec, "STREET"}, CITY{&rec, "CITY"},
        ZIP{&rec, "ZIP"}, COUNTRY{&rec, "COUNTRY"}, TEL{&rec, "TEL"}, FAX{&rec, "FAX"};
    tDBTextField COMMENT{&rec, "COMMENT"};

private:
    friend class tTable;
    tGrpTable() = default;
};

class tMemTable : public tTableOf<tMemTable> {
public:
    static constexpr const char *kName = "MEMBER";

    tDBCharField GID{&rec, "GID"}, MID{&rec, "MID"};

private:
    friend class tTable;
    tMemTable() = default;
};

class tTermTable : public tTableOf<tTermTable> {
public:
    static constexpr const char *kName = "TERMIN";
    // The next appointment ID (counter kept in RESOURCE of the "########" row).
    bool newId(char *id) { return newCounterId(ID.def(), RESOURCE.def(), id); }

    tDBCharField ID{&rec, "ID"}, TITLE{&rec, "TITLE"}, TYPE{&rec, "TYPE"},
        RESOURCE{&rec, "RESOURCE"}, WITH{&rec, "WITH"}, OWNER{&rec, "OWNER"}, READ{&rec, "READ"},
        WRITE{&rec, "WRITE"};
    tDBDateField FROMDATE{&rec, "FROMDATE"}, TILLDATE{&rec, "TILLDATE"};
    tDBTimeField FROMTIME{&rec, "FROMTIME"}, TILLTIME{&rec, "TILLTIME"};

private:
    friend class tTable;
    tTermTable() = default;
};

class tAlarmTable : public tTableOf<tAlarmTable> {
public:
    static constexpr const char *kName = "ALARM";
    // The next alarm ID (counter kept in OWNER of the "########" row).
    bool newId(char *id) { return newCounterId(ID.def(), OWNER.def(), id); }

    tDBCharField ID{&rec, "ID"}, MESSAGE{&rec, "MESSAGE"}, OWNER{&rec, "OWNER"},
        SENDTO{&rec, "SENDTO"}, WITH{&rec, "WITH"};
    tDBDateField DATE{&rec, "DATE"};
    tDBTimeField TIME{&rec, "TIME"};

private:
    friend class tTable;
    tAlarmTable() = default;
};

class tPrjTable : public tTableOf<tPrjTable> {
public:
    static constexpr const char *kName = "PROJECT";

    tDBCharField ID{&rec, "ID"}, TITLE{&rec, "TITLE"}, COSTUMER{&rec, "COSTUMER"},
        BILL{&rec, "BILL"}, STATUS{&rec, "STATUS"};
    tDBUIntField MAXTIME{&rec, "MAXTIME"};
    tDBDateField ENDDATE{&rec, "ENDDATE"};
    tDBCharField READ{&rec, "READ"}, CHIEF{&rec, "CHIEF"}, OWNER{&rec, "OWNER"};

private:
    friend class tTable;
    tPrjTable() = default;
};

class tTaskTable : public tTableOf<tTaskTable> {
public:
    static constexpr const char *kName = "TASK";

    tDBCharField ID{&rec, "ID"}, TITLE{&rec, "TITLE"}, PROJECT{&rec, "PROJECT"};
    tDBTextField COMMENT{&rec, "COMMENT"};
    tDBCharField WORKER{&rec, "WORKER"}, STATUS{&rec, "STATUS"};
    tDBUIntField TIME{&rec, "TIME"};
    tDBCharField READ{&rec, "READ"}, OWNER{&rec, "OWNER"}, PRIO{&rec, "PRIO"};
    tDBDateField ENDDATE{&rec, "ENDDATE"};

private:
    friend class tTable;
    tTaskTable() = default;
};

} // namespace velk

#endif
