#include "address/group.h"

#include "base/row_store.h"
#include "model/tables.h"

#include <cstring>

namespace velk {

namespace {

tMemTable *members() { return tMemTable::instance(); }

struct tGroupRow : tRowOf<tGroup, tGrpTable> {
    static tTextValue &comment(tGroup &g) { return g.COMMENT; }
    static constexpr std::tuple columns{
        VELK_COLUMNS(ID, TITLE, STREET, CITY, ZIP, COUNTRY, TEL, FAX)};
};
using tGroups = tRowStore<tGroupRow>;

bool findPair(tMemTable &m, std::string_view gid, std::string_view mid)
{
    if (!m.selectIndex(0)) return false;
    m.rec.clear();
    m.GID.setText(std::string(gid).c_str());
    m.MID.setText(std::string(mid).c_str());
    return m.rec.find();
}

// The first pair of person mid by index 1 into the working record; false when none is left.
bool findPersonPair(tMemTable &m, std::string_view mid)
{
    if (!m.selectIndex(1)) return false;
    m.rec.clear();
    m.MID.setText(std::string(mid).c_str());
    return m.rec.find();
}

} // namespace

bool tGroup::setId(std::string_view text) { return copyText(ID, text); }
bool tGroup::setTitle(std::string_view text) { return copyText(TITLE, text); }
bool tGroup::setStreet(std::string_view text) { return copyText(STREET, text); }
bool tGroup::setZip(std::string_view text) { return copyText(ZIP, text); }
bool tGroup::setCountry(std::string_view text) { return copyText(COUNTRY, text); }
bool tGroup::setCity(std::string_view text) { return copyText(CITY, text); }
bool tGroup::setTel(std::string_view text) { return copyText(TEL, text); }
bool tGroup::setFax(std::string_view text) { return copyText(FAX, text); }

void tGroup::setComment(std::string_view text) { setCommentText(COMMENT, text); }

long tGroup::first() { return tGroups::first(*this); }
long tGroup::next(long cursor) { return tGroups::next(*this, cursor); }
bool tGroup::find(std::string_view id) { return tGroups::find(*this, id); }
tStoreStatus tGroup::insert() { return tGroups::insert(*this); }
tStoreStatus tGroup::update(std::string_view oldId) { return tGroups::update(oldId, *this); }

tStoreStatus tGroup::remove() const
{
    tStoreStatus status = tGroups::remove(ID);
    if (status == tStoreStatus::Stored && !removeGroupMemberships(ID)) return tStoreStatus::Failed;
    return status;
}

std::vector<tGroup> allGroups()
{
    std::vector<tGroup> out;
    tGroup g;
    for (long c = g.first(); c; c = g.next(c)) out.push_back(g);
    return out;
}

long memberFirst(std::string_view gid, char (&mid)[9])
{
    tMemTable *m = members();
    if (!m || !m->selectIndex(0)) return 0;
    m->rec.clear();
    m->GID.setText(std::string(gid).c_str());
    long cur = m->seek(m->rec, 4);
    if (!cur || gid != m->GID.getText()) return 0;
    copyText(mid, m->MID.getText());
    return cur;
}

long memberNext(std::string_view gid, long cursor, char (&mid)[9])
{
    tMemTable *m = members();
    if (!m) return 0;
    m->rec.clear();
    m->GID.setText(std::string(gid).c_str());
    m->MID.setText(mid);
    long cur = walkNext(*m, m->rec, 0, cursor);
    if (!cur || gid != m->GID.getText()) return 0;
    copyText(mid, m->MID.getText());
    return cur;
}

std::vector<std::string> membersOf(std::string_view gid)
{
    std::vector<std::string> out;
    char mid[9];
    for (long c = memberFirst(gid, mid); c; c = memberNext(gid, c, mid)) out.push_back(mid);
    return out;
}

bool isMember(std::string_view gid, std::string_view mid)
{
    tMemTable *m = members();
    return m && findPair(*m, gid, mid);
}

bool addMember(std::string_view gid, std::string_view mid)
{
    tMemTable *m = members();
    if (!m) return false;
    m->rec.clear();
    m->GID.setText(std::string(gid).c_str());
    m->MID.setText(std::string(mid).c_str());
    return m->rec.insert();
}

bool removeMember(std::string_view gid, std::string_view mid)
{
    tMemTable *m = members();
    return m && findPair(*m, gid, mid) && m->rec.remove();
}

bool removePersonMemberships(std::string_view mid)
{
    tMemTable *m = members();
    if (!m) return false;
    while (findPersonPair(*m, mid))
        if (!m->rec.remove()) return false;
    return true;
}

std::vector<std::string> groupsOfMember(std::string_view mid)
{
    std::vector<std::string> groups;
    tMemTable *m = members();
    if (!m || !m->selectIndex(1)) return groups;
    m->rec.clear();
    m->MID.setText(std::string(mid).c_str());
    for (long c = m->seek(m->rec, 4); c && mid == m->MID.getText();) {
        groups.push_back(m->GID.getText());
        long n = m->rec.next();
        if (n == c) break;
        c = n;
    }
    return groups;
}

bool moveMemberships(std::string_view oldMid, std::string_view newMid)
{
    tMemTable *m = members();
    if (!m) return false;
    std::vector<std::string> groups;
    if (m->selectIndex(1)) {
        m->rec.clear();
        m->MID.setText(std::string(oldMid).c_str());
        for (long c = m->seek(m->rec, 4); c && oldMid == m->MID.getText();) {
            groups.push_back(m->GID.getText());
            long n = m->rec.next();
            if (n == c) break;
            c = n;
        }
    }
    bool ok = true;
    for (const std::string &gid : groups) {
        // A pair that exists under the new ID already stays once.
        if (!isMember(gid, newMid) && !addMember(gid, newMid))
            ok = false;
        else if (!removeMember(gid, oldMid))
            ok = false;
    }
    return ok;
}

bool removeGroupMemberships(std::string_view gid)
{
    tMemTable *m = members();
    if (!m) return false;
    char mid[9];
    while (memberFirst(gid, mid))
        if (!removeMember(gid, mid)) return false;
    return true;
}

std::string groupChoiceLine(const tGroup &g) { return std::string(g.ID) + ": " + g.TITLE; }

} // namespace velk
