#include "model/record.h"

#include "model/blob.h"
#include "model/table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace velk {

namespace {

// A part of a date or time: a decimal number, leading spaces skipped.
int part(const char *p, int n)
{
    int i = 0, v = 0;
    while (i < n && p[i] == ' ') i++;
    for (; i < n && p[i] >= '0' && p[i] <= '9'; i++) v = v * 10 + (p[i] - '0');
    return v;
}

} // namespace

tRecord::tRecord(tTable *table) : table_(table), data_(table ? table->recordSize() : 0, ' ') {}

void tRecord::clear() { std::fill(data_.begin(), data_.end(), ' '); }

void tRecord::setField(const char *name, const char *text)
{
    if (!table_) return;
    tFieldDef d = tBlob::instance().findField(table_->name(), name);
    if (d.length <= 0 || d.offset + d.length > size()) return;
    std::memcpy(data_.data() + d.offset, text, std::min<size_t>(std::strlen(text), d.length));
}

const char *tRecord::getField(const char *name) const
{
    static std::vector<char> shared;
    tFieldDef d{};
    if (table_) d = tBlob::instance().findField(table_->name(), name);
    if (d.length <= 0 || d.offset + d.length > size()) d.length = 0;
    shared.assign(data_.begin() + (d.length ? d.offset : 0),
                  data_.begin() + (d.length ? d.offset + d.length : 0));
    shared.push_back(0);
    return shared.data();
}

bool tRecord::find() { return table_ && table_->find(*this); }
long tRecord::first() { return table_ ? table_->first(*this) : 0; }
long tRecord::next() { return table_ ? table_->next(*this) : 0; }
bool tRecord::insert() { return table_ && table_->insert(*this); }
bool tRecord::update() { return table_ && table_->update(*this); }
bool tRecord::remove() { return table_ && table_->remove(*this); }
bool tRecord::lock() { return table_ && table_->lock(); }
bool tRecord::unlock() { return table_ && table_->unlock(); }

tDBField::tDBField(tRecord *record, const char *name) : record_(record), def_{}
{
    if (record_ && record_->table())
        def_ = tBlob::instance().findField(record_->table()->name(), name);
    // A field outside the record reads as empty and ignores writes.
    if (!record_ || def_.length < 0 || def_.offset < 0 ||
        def_.offset + def_.length > record_->size())
        def_.offset = def_.length = 0;
    value_.assign(def_.length + 1, 0);
}

char *tDBField::place() { return record_->data() + def_.offset; }

void tDBField::setText(const char *text)
{
    if (def_.length == 0) return;
    std::memset(place(), ' ', def_.length);
    std::memcpy(place(), text, std::min<size_t>(std::strlen(text), def_.length));
}

const char *tDBField::getText()
{
    int n = def_.length;
    if (n) std::memcpy(value_.data(), place(), n);
    while (n > 0 && value_[n - 1] == ' ') n--;
    value_[n] = 0;
    return value_.data();
}

bool tDBField::isEmpty() { return getText()[0] == 0; }

void tDBDateField::setDate(int day, int month, int year)
{
    char tmp[32];
    std::snprintf(tmp, sizeof tmp, "%04d%02d%02d", year, month, day);
    setText(tmp);
}

void tDBDateField::getDate(int *day, int *month, int *year)
{
    char p[8];
    std::memset(p, ' ', 8);
    if (def_.length) std::memcpy(p, place(), std::min<int>(8, def_.length));
    *year = part(p, 4);
    *month = part(p + 4, 2);
    *day = part(p + 6, 2);
}

void tDBTimeField::setTime(int hour, int minute)
{
    char tmp[32];
    std::snprintf(tmp, sizeof tmp, "%02d%02d", hour, minute);
    setText(tmp);
}

void tDBTimeField::getTime(int *hour, int *minute)
{
    char p[4];
    std::memset(p, ' ', 4);
    if (def_.length) std::memcpy(p, place(), std::min<int>(4, def_.length));
    *hour = part(p, 2);
    *minute = part(p + 2, 2);
}

void tDBUIntField::setNumber(unsigned long value)
{
    char *p = place();
    for (int i = def_.length - 1; i >= 0; i--) {
        p[i] = (char)('0' + value % 10);
        value /= 10;
    }
}

unsigned long tDBUIntField::getNumber()
{
    unsigned long v = 0;
    const char *p = place();
    for (int i = 0; i < def_.length; i++)
        v = v * 10 + (p[i] >= '0' && p[i] <= '9' ? (unsigned long)(p[i] - '0') : 0);
    return v;
}

void tDBTextField::setValue(tTextValue &value)
{
    tTextStore *store = tBlob::instance().textStore();
    if (value.modified && store) {
        const char *text = value.hasText ? value.text.c_str() : "";
        if (value.id[0]) {
            if (store->writeText(value.id, text)) value.modified = false;
        } else if (value.hasText) {
            char id[9];
            if (store->addText(text, id)) value.modified = false;
            if (id[0]) std::memcpy(value.id, id, 9);
        }
    }
    setText(value.id[0] ? value.id : "");
}

tTextValue tDBTextField::getValue()
{
    tTextValue v;
    std::snprintf(v.id, sizeof v.id, "%s", getText());
    tTextStore *store = tBlob::instance().textStore();
    int len = v.id[0] && store ? store->textLength(v.id) : 0;
    if (len > 0) {
        std::vector<char> buf(len + 1, 0);
        int got = store->readText(v.id, buf.data(), len + 1);
        if (got > 0) {
            v.hasText = true;
            v.text.assign(buf.data());
        }
    }
    return v;
}

} // namespace velk
