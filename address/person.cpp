#include "address/person.h"

#include "address/group.h"
#include "base/walk.h"
#include "model/tables.h"
#include "model/users.h"

#include <cstdio>

namespace velk {

namespace {

tPersTable *table() { return tPersTable::instance(); }

void put(tPersTable &t, const tPerson &p)
{
    t.ID.setText(p.ID);
    t.NAME.setText(p.NAME);
    t.CHRNAME.setText(p.CHRNAME);
    t.TEL.setText(p.TEL);
    t.BIRTH.setDate(p.BIRTH.day, p.BIRTH.month, p.BIRTH.year);
    t.STREET.setText(p.STREET);
    t.CITY.setText(p.CITY);
    t.ZIP.setText(p.ZIP);
    t.COUNTRY.setText(p.COUNTRY);
}

void get(tPersTable &t, tPerson &p)
{
    copyText(p.ID, t.ID.getText());
    copyText(p.NAME, t.NAME.getText());
    copyText(p.CHRNAME, t.CHRNAME.getText());
    copyText(p.TEL, t.TEL.getText());
    t.BIRTH.getDate(&p.BIRTH.day, &p.BIRTH.month, &p.BIRTH.year);
    copyText(p.STREET, t.STREET.getText());
    copyText(p.CITY, t.CITY.getText());
    copyText(p.ZIP, t.ZIP.getText());
    copyText(p.COUNTRY, t.COUNTRY.getText());
}

// Finds the record of `id` by index 0 into the working record.
bool findById(tPersTable &t, std::string_view id)
{
    if (!t.selectIndex(PersonById)) return false;
    t.rec.clear();
    t.ID.setText(std::string(id).c_str());
    return t.rec.find();
}

} // namespace

bool tPerson::setId(std::string_view text) { return copyText(ID, text); }
bool tPerson::setName(std::string_view text) { return copyText(NAME, text); }
bool tPerson::setChrName(std::string_view text) { return copyText(CHRNAME, text); }
bool tPerson::setTel(std::string_view text) { return copyText(TEL, text); }
bool tPerson::setStreet(std::string_view text) { return copyText(STREET, text); }
bool tPerson::setCity(std::string_view text) { return copyText(CITY, text); }
bool tPerson::setCountry(std::string_view text) { return copyText(COUNTRY, text); }
bool tPerson::setZip(std::string_view text) { return copyText(ZIP, text); }

long tPerson::first(int key)
{
    tPersTable *t = table();
    walkKey = key;
    long cur = t ? walkFirst(*t, t->rec, key) : 0;
    if (cur) get(*t, *this);
    return cur;
}

long tPerson::next(long cursor)
{
    tPersTable *t = table();
    if (!t) return 0;
    t->rec.clear();
    put(*t, *this); // the key to go on from, should the record at the cursor be gone
    long cur = walkNext(*t, t->rec, walkKey, cursor);
    if (cur) get(*t, *this);
    return cur;
}

bool tPerson::find(std::string_view id)
{
    tPersTable *t = table();
    if (!t || !findById(*t, id)) return false;
    get(*t, *this);
    return true;
}

long tPerson::findByBirthday(long cursor, int day, int month, int year)
{
    tPersTable *t = table();
    if (!t) return 0;
    walkKey = PersonByBirthday;
    long cur;
    if (cursor == 0) {
        if (!t->selectIndex(PersonByBirthday)) return 0;
        t->rec.clear();
        t->BIRTH.setDate(day, month, year);
        cur = t->seek(t->rec, 4);
    } else {
        t->rec.clear();
        put(*t, *this);
        cur = walkNext(*t, t->rec, PersonByBirthday, cursor);
    }
    if (!cur) return 0;
    get(*t, *this);
    return BIRTH.day == day && BIRTH.month == month ? cur : 0;
}

bool tPerson::insert() const
{
    tPersTable *t = table();
    if (!t) return false;
    t->rec.clear();
    put(*t, *this);
    return t->rec.insert();
}

bool tPerson::update(std::string_view oldId) const
{
    tPersTable *t = table();
    if (!t || !findById(*t, oldId)) return false;
    put(*t, *this);
    if (t->rewrite(t->rec) <= 0) return false;
    if (oldId != ID) return moveMemberships(oldId, ID);
    return true;
}

bool tPerson::remove() const
{
    tPersTable *t = table();
    if (!t || !findById(*t, ID) || !t->rec.remove()) return false;
    return removePersonMemberships(ID);
}

std::vector<tPerson> allPersons(int key)
{
    std::vector<tPerson> out;
    tTableHold hold(table());
    tPerson p;
    for (long c = p.first(key); c; c = p.next(c)) out.push_back(p);
    return out;
}

std::string personListLine(const tPerson &p)
{
    char birth[40];
    std::snprintf(birth, sizeof birth, "%2d.%2d.%04d", p.BIRTH.day, p.BIRTH.month, p.BIRTH.year);
    return std::string(p.ID) + '\t' + p.CHRNAME + ' ' + p.NAME + '\t' + birth + '\t' + p.TEL;
}

std::string personSelectionLine(const tPerson &p)
{
    return std::string("* ") + p.CHRNAME + ' ' + p.NAME + " Tel: " + p.TEL + " [" + p.ID + ']';
}

std::string lineId(std::string_view line)
{
    line = line.substr(0, 80);
    return std::string(line.substr(0, line.find('\t')));
}

bool birthdayAcceptable(int day, int month, int year)
{
    if (day == 0 && month == 0) return true;
    if (month < 1 || month > 12 || day < 1) return false;
    return day <= tDate::daysInMonth(month, year);
}

bool personIsUser(std::string_view id)
{
    tUser user;
    return readUser(std::string(id).c_str(), &user);
}

tPersonDelete decidePersonDelete(bool personExists, bool isUser, std::string_view currentUser)
{
    if (!personExists) return tPersonDelete::Nothing;
    if (!isUser) return tPersonDelete::DeletePerson;
    return currentUser == "root" ? tPersonDelete::DeleteUserAndPerson
                                 : tPersonDelete::RefusedForUser;
}

tPersonDeleteResult deletePersonAs(std::string_view id, std::string_view currentUser)
{
    tPerson p;
    bool exists = p.find(id);
    tPersonDelete d = decidePersonDelete(exists, exists && personIsUser(id), currentUser);
    bool stored = true;
    if (d == tPersonDelete::DeleteUserAndPerson) stored = deleteUser(p.ID);
    if (stored && (d == tPersonDelete::DeleteUserAndPerson || d == tPersonDelete::DeletePerson))
        stored = p.remove();
    return {d, stored};
}

} // namespace velk
