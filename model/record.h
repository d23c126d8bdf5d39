// Working records and their typed fields.
//
// A record is a buffer of the table's record size, spaces when created or
// cleared, without terminator.  Every stored value is fixed-width ASCII so
// that the engine's binary key comparison orders it:
//
//   type  class          stored form
//   C     tDBCharField   text, left-aligned, space-padded
//   D     tDBDateField   "%04d%02d%02d" year, month, day; spaces when empty
//   T     tDBTimeField   "%02d%02d" hour, minute; spaces when empty
//   U     tDBUIntField   decimal digits, right-aligned, '0'-padded
//   B     tDBTextField   8-character text ID, spaces when there is no text
#ifndef VELK_MODEL_RECORD_H
#define VELK_MODEL_RECORD_H

#include "model/schema.h"
#include "model/textstore.h"

#include <string>
#include <vector>

namespace velk {

class tTable;

class tRecord {
public:
    explicit tRecord(tTable *table);
    tRecord(const tRecord &) = default;
    tRecord &operator=(const tRecord &) = default;

    void clear();
    // Copies at most the field's length; the rest of the field stays.
    void setField(const char *name, const char *text);
    // The field's bytes, untrimmed, terminated; valid until the next call.
    const char *getField(const char *name) const;

    char *data() { return data_.data(); }
    const char *data() const { return data_.data(); }
    int size() const { return (int)data_.size(); }
    tTable *table() const { return table_; }

    // Operations of the table on this record (see tTable).
    bool find();
    long first();
    long next();
    bool insert();
    bool update();
    bool remove();
    bool lock();
    bool unlock();

private:
    tTable *table_;
    std::vector<char> data_;
};

class tDBField {
public:
    tDBField(tRecord *record, const char *name);
    virtual ~tDBField() = default;
    tDBField(const tDBField &) = delete;
    tDBField &operator=(const tDBField &) = delete;

    const tFieldDef &def() const { return def_; }
    int length() const { return def_.length; }
    // Fills the field with spaces, then copies at most its length.
    void setText(const char *text);
    // The field's bytes without trailing spaces.
    const char *getText();
    void setEmpty() { setText(""); }
    bool isEmpty();

protected:
    char *place();
    tRecord *record_;
    tFieldDef def_;
    std::vector<char> value_;
};

class tDBCharField : public tDBField {
public:
    using tDBField::tDBField;
};

class tDBDateField : public tDBField {
public:
    using tDBField::tDBField;
    void setDate(int day, int month, int year);
    // Each part converted as a decimal number; spaces give 0.
    void getDate(int *day, int *month, int *year);
};

class tDBTimeField : public tDBField {
public:
    using tDBField::tDBField;
    void setTime(int hour, int minute);
    void getTime(int *hour, int *minute);
};

class tDBUIntField : public tDBField {
public:
    using tDBField::tDBField;
    // Taken modulo 10 to the power of the field length.
    void setNumber(unsigned long value);
    // Every character as a digit, a non-digit counting as 0.
    unsigned long getNumber();
};

class tDBTextField : public tDBField {
public:
    using tDBField::tDBField;
    // Stores a modified text (adding it under a new ID when it has none),
    // clears the flag once stored, then puts the ID into the record.
    void setValue(tTextValue &value);
    tTextValue getValue();
};

} // namespace velk

#endif
