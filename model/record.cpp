#include "model/record.h"

#include "model/blob.h"
#include "model/table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

/* A part of a date or time: a decimal number, leading spaces skipped. */
int part(const char *p, int n)
{
    int i = 0, v = 0;
    while (i < n && p[i] == ' ') i++;
    for (; i < n && p[i] >= '0' && p[i] <= '9'; i++) v = v * 10 + (p[i] - '0');
    return v;
}

} // namespace

tRecord::tRecord(tTable *table) : table_(table), data_(table ? table->RecordSize() : 0, ' ') {}

void tRecord::Clear() { std::fill(data_.begin(), data_.end(), ' '); }

void tRecord::SetField(const char *name, const char *text)
{
    if (!table_) return;
    tFieldDef d = tBlob::Instance().FindField(table_->Name(), name);
    if (d.length <= 0 || d.offset + d.length > Size()) return;
    std::memcpy(data_.data() + d.offset, text, std::min<size_t>(std::strlen(text), d.length));
}

const char *tRecord::GetField(const char *name) const
{
    static std::vector<char> shared;
    tFieldDef d{};
    if (table_) d = tBlob::Instance().FindField(table_->Name(), name);
    if (d.length <= 0 || d.offset + d.length > Size()) d.length = 0;
    shared.assign(data_.begin() + (d.length ? d.offset : 0),
                  data_.begin() + (d.length ? d.offset + d.length : 0));
    shared.push_back(0);
    return shared.data();
}

bool tRecord::Find() { return table_ && table_->Find(*this); }
long tRecord::First() { return table_ ? table_->First(*this) : 0; }
long tRecord::Next() { return table_ ? table_->Next(*this) : 0; }
bool tRecord::Insert() { return table_ && table_->Insert(*this); }
bool tRecord::Update() { return table_ && table_->Update(*this); }
bool tRecord::Delete() { return table_ && table_->Delete(*this); }
bool tRecord::Lock() { return table_ && table_->Lock(); }
bool tRecord::Unlock() { return table_ && table_->Unlock(); }

tDBField::tDBField(tRecord *record, const char *name) : record_(record), def_{}
{
    if (record_ && record_->Table())
        def_ = tBlob::Instance().FindField(record_->Table()->Name(), name);
    /* A field outside the record reads as empty and ignores writes. */
    if (!record_ || def_.length < 0 || def_.offset < 0 || def_.offset + def_.length > record_->Size())
        def_.offset = def_.length = 0;
    value_.assign(def_.length + 1, 0);
}

char *tDBField::Place() { return record_->Data() + def_.offset; }

void tDBField::SetText(const char *text)
{
    if (def_.length == 0) return;
    std::memset(Place(), ' ', def_.length);
    std::memcpy(Place(), text, std::min<size_t>(std::strlen(text), def_.length));
}

const char *tDBField::GetText()
{
    int n = def_.length;
    if (n) std::memcpy(value_.data(), Place(), n);
    while (n > 0 && value_[n - 1] == ' ') n--;
    value_[n] = 0;
    return value_.data();
}

bool tDBField::IsEmpty() { return GetText()[0] == 0; }

void tDBDateField::SetDate(int day, int month, int year)
{
    char tmp[32];
    std::snprintf(tmp, sizeof tmp, "%04d%02d%02d", year, month, day);
    SetText(tmp);
}

void tDBDateField::GetDate(int *day, int *month, int *year)
{
    char p[8];
    std::memset(p, ' ', 8);
    if (def_.length) std::memcpy(p, Place(), std::min<int>(8, def_.length));
    *year = part(p, 4);
    *month = part(p + 4, 2);
    *day = part(p + 6, 2);
}

void tDBTimeField::SetTime(int hour, int minute)
{
    char tmp[32];
    std::snprintf(tmp, sizeof tmp, "%02d%02d", hour, minute);
    SetText(tmp);
}

void tDBTimeField::GetTime(int *hour, int *minute)
{
    char p[4];
    std::memset(p, ' ', 4);
    if (def_.length) std::memcpy(p, Place(), std::min<int>(4, def_.length));
    *hour = part(p, 2);
    *minute = part(p + 2, 2);
}

void tDBUIntField::SetNumber(unsigned long value)
{
    char *p = Place();
    for (int i = def_.length - 1; i >= 0; i--) {
        p[i] = (char)('0' + value % 10);
        value /= 10;
    }
}

unsigned long tDBUIntField::GetNumber()
{
    unsigned long v = 0;
    const char *p = Place();
    for (int i = 0; i < def_.length; i++)
        v = v * 10 + (p[i] >= '0' && p[i] <= '9' ? (unsigned long)(p[i] - '0') : 0);
    return v;
}

void tDBTextField::SetValue(tTextValue &value)
{
    tTextStore *store = tBlob::Instance().TextStore();
    if (value.modified && store) {
        const char *text = value.hasText ? value.text.c_str() : "";
        if (value.id[0]) {
            if (store->WriteText(value.id, text)) value.modified = false;
        } else if (value.hasText) {
            char id[9];
            if (store->AddText(text, id)) value.modified = false;
            if (id[0]) std::memcpy(value.id, id, 9);
        }
    }
    SetText(value.id[0] ? value.id : "");
}

tTextValue tDBTextField::GetValue()
{
    tTextValue v;
    std::snprintf(v.id, sizeof v.id, "%s", GetText());
    tTextStore *store = tBlob::Instance().TextStore();
    int len = v.id[0] && store ? store->TextLength(v.id) : 0;
    if (len > 0) {
        std::vector<char> buf(len + 1, 0);
        int got = store->ReadText(v.id, buf.data(), len + 1);
        if (got > 0) {
            v.hasText = true;
            v.text.assign(buf.data());
        }
    }
    return v;
}
