#include "address/person.h"

#include "address/group.h"
#include "base/row_store.h"
#include "model/tables.h"
#include "model/users.h"

#include <cstdio>

namespace velk {

namespace {

struct tPersonRow : tRowOf<tPerson, tPersTable> {
    static constexpr std::tuple columns{
        VELK_COLUMNS(ID, NAME, CHRNAME, TEL, BIRTH, STREET, CITY, ZIP, COUNTRY)};
};
using tPersons = tRowStore<tPersonRow>;

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
    walkKey = key;
    return tPersons::first(*this, key);
}

long tPerson::next(long cursor) { return tPersons::next(*this, cursor, walkKey); }
bool tPerson::find(std::string_view id) { return tPersons::find(*this, id); }

long tPerson::findByBirthday(long cursor, int day, int month, int year)
{
    tPersTable *t = tPersonRow::table();
    if (!t) return 0;
    walkKey = PersonByBirthday;
    long cur;
    if (cursor == 0) {
        if (!t->selectIndex(PersonByBirthday)) return 0;
        t->rec.clear();
        t->BIRTH.setDate(day, month, year);
        cur = t->seek(t->rec, 4);
    } else {
        cur = tPersons::resume(*t, *this, PersonByBirthday, cursor);
    }
    if (!cur) return 0;
    tPersons::get(*t, *this);
    return BIRTH.day == day && BIRTH.month == month ? cur : 0;
}

tStoreStatus tPerson::insert() const { return tPersons::insert(*this); }

tStoreStatus tPerson::update(std::string_view oldId) const
{
    tStoreStatus status = tPersons::update(oldId, *this);
    if (status == tStoreStatus::Stored && oldId != ID && !moveMemberships(oldId, ID))
        return tStoreStatus::Failed;
    return status;
}

tStoreStatus tPerson::remove() const
{
    tStoreStatus status = tPersons::remove(ID);
    if (status == tStoreStatus::Stored && !removePersonMemberships(ID)) return tStoreStatus::Failed;
    return status;
}

std::vector<tPerson> allPersons(int key)
{
    std::vector<tPerson> out;
    tTableHold hold(tPersonRow::table(), tTableHold::Read);
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
        stored = p.remove() == tStoreStatus::Stored;
    return {d, stored};
}

} // namespace velk
