#include "exchange/fullexport.h"

#include "model/blob.h"
#include "model/tables.h"

#include <cstring>

namespace velk {

const char *const kExportTables[8] = {"PERSON", "RESOURCE", "GROUP",   "MEMBER",
                                      "TERMIN", "ALARM",    "PROJECT", "TASK"};

namespace {

// The table's object, opened (or created) on first use.
tTable *tableNamed(const std::string &name)
{
    if (name == "PERSON") return tPersTable::instance();
    if (name == "RESOURCE") return tResTable::instance();
    if (name == "GROUP") return tGrpTable::instance();
    if (name == "MEMBER") return tMemTable::instance();
    if (name == "TERMIN") return tTermTable::instance();
    if (name == "ALARM") return tAlarmTable::instance();
    if (name == "PROJECT") return tPrjTable::instance();
    if (name == "TASK") return tTaskTable::instance();
    return nullptr;
}

char dbaseType(char type)
{
    switch (type) {
    case 'D':
        return 'D';
    case 'N':
    case 'U':
        return 'N';
    default:
        return 'C';
    }
}

// Appends one record per row of the table, in primary key order.
bool writeRows(tTable &table, const std::vector<tFieldDef> &rows, tDBF &file)
{
    if (!table.selectIndex(0)) return false;
    tRecord rec = table.newRecord();
    long prev = rec.first();
    while (prev > 0) {
        if (!file.append()) return false;
        for (size_t i = 0; i < rows.size(); i++) {
            const tFieldDef &row = rows[i];
            if (row.offset < 0 || row.offset + row.length > rec.size()) continue;
            file.setText((int)i, std::string_view(rec.data() + row.offset, row.length));
        }
        long cur = rec.next();
        if (cur == prev) break;
        prev = cur;
    }
    return true;
}

} // namespace

std::vector<tFieldDef> fieldRows(const char *table)
{
    std::vector<tFieldDef> rows;
    tBlob &blob = tBlob::instance();
    for (const tFieldDef *f = kFieldDefs; f->table[0]; f++) {
        if (std::strcmp(f->table, table) != 0) continue;
        tFieldDef row = blob.findField(table, f->field);
        if (row.length > 0) rows.push_back(row);
    }
    return rows;
}

bool tableLayout(const char *table, tCreateDBF *layout)
{
    std::vector<tFieldDef> rows = fieldRows(table);
    for (const tFieldDef &row : rows)
        if (!layout->addField(row.field, dbaseType(row.type), row.length, row.decimals))
            return false;
    return !rows.empty();
}

bool exportTable(const char *table, const std::string &fileName)
{
    tCreateDBF layout;
    tTable *t = tableNamed(table);
    if (!t || !tableLayout(table, &layout)) return false;
    tDBF file;
    if (!file.openNew(layout, fileName)) return false;
    bool written;
    {
        tTableHold hold(t, tTableHold::Read);
        written = writeRows(*t, fieldRows(table), file);
    }
    if (!written) {
        file.discard();
        return false;
    }
    return file.close();
}

bool exportAllTables(const std::string &chosenName, std::vector<std::string> *failed,
                     const std::function<bool(int tablesDone)> &tableDone)
{
    std::string dir = directoryOf(chosenName);
    bool all = true;
    int done = 0;
    for (const char *table : kExportTables) {
        if (!exportTable(table, dir + table + ".DBF")) {
            all = false;
            if (failed) failed->push_back(table);
        }
        if (tableDone && !tableDone(++done) && done < 8) return false;
    }
    return all;
}

} // namespace velk
