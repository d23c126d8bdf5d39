#include "address/group.h"

#include "base/walk.h"
#include "model/blob.h"
#include "model/tables.h"

#include <cstring>

namespace velk {

namespace {

tGrpTable *table() { return tGrpTable::instance(); }
tMemTable *members() { return tMemTable::instance(); }

void put(tGrpTable &t, const tGroup &g)
{
    t.ID.setText(g.ID);
    t.TITLE.setText(g.TITLE);
    t.STREET.setText(g.STREET);
    t.CITY.setText(g.CITY);
    t.ZIP.setText(g.ZIP);
    t.COUNTRY.setText(g.COUNTRY);
    t.TEL.setText(g.TEL);
    t.FAX.setText(g.FAX);
}

void get(tGrpTable &t, tGroup &g)
{
    copyText(g.ID, t.ID.getText());
    copyText(g.TITLE, t.TITLE.getText());
    copyText(g.STREET, t.STREET.getText());
    copyText(g.CITY, t.CITY.getText());
    copyText(g.ZIP, t.ZIP.getText());
    copyText(g.COUNTRY, t.COUNTRY.getText());
    copyText(g.TEL, t.TEL.getText());
    copyText(g.FAX, t.FAX.getText());
    g.COMMENT = t.COMMENT.getValue();
}

// Puts the comment into the working record.  A modified, empty comment deletes its stored text
// and leaves the field empty; any other goes through the text field.
bool putComment(tGrpTable &t, tTextValue &comment)
{
    if (comment.modified && comment.text.empty()) {
        if (comment.id[0]) {
            tTextStore *store = tBlob::instance().textStore();
            if (store) store->deleteText(comment.id);
            comment.id[0] = 0;
        }
        comment.hasText = false;
        comment.modified = false;
        t.COMMENT.setEmpty();
        return true;
    }
    t.COMMENT.setValue(comment);
    return !comment.modified; // still modified: the text could not be stored
}

bool findById(tGrpTable &t, std::string_view id)
{
    if (!t.selectIndex(0)) return false;
    t.rec.clear();
    t.ID.setText(std::string(id).c_str());
    return t.rec.find();
}

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

void tGroup::setComment(std::string_view text)
{
    COMMENT.text = std::string(text);
    COMMENT.hasText = !text.empty();
    COMMENT.modified = true;
}

long tGroup::first()
{
    tGrpTable *t = table();
    long cur = t ? walkFirst(*t, t->rec, 0) : 0;
    if (cur) get(*t, *this);
    return cur;
}

long tGroup::next(long cursor)
{
    tGrpTable *t = table();
    if (!t) return 0;
    t->rec.clear();
    t->ID.setText(ID);
    long cur = walkNext(*t, t->rec, 0, cursor);
    if (cur) get(*t, *this);
    return cur;
}

bool tGroup::find(std::string_view id)
{
    tGrpTable *t = table();
    if (!t || !findById(*t, id)) return false;
    get(*t, *this);
    return true;
}

bool tGroup::insert()
{
    tGrpTable *t = table();
    if (!t) return false;
    t->rec.clear();
    put(*t, *this);
    if (!putComment(*t, COMMENT)) return false;
    return t->rec.insert();
}

bool tGroup::update(std::string_view oldId)
{
    tGrpTable *t = table();
    if (!t || !findById(*t, oldId)) return false;
    put(*t, *this);
    if (!putComment(*t, COMMENT)) return false;
    return t->rewrite(t->rec) > 0;
}

bool tGroup::remove() const
{
    tGrpTable *t = table();
    if (!t || !findById(*t, ID) || !t->rec.remove()) return false;
    return removeGroupMemberships(ID);
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
