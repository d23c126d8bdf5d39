#include "address/resource.h"

#include "base/walk.h"
#include "model/tables.h"

namespace velk {

namespace {

tResTable *table() { return tResTable::instance(); }

void get(tResTable &t, tResource &r)
{
    copyText(r.ID, t.ID.getText());
    copyText(r.TITLE, t.TITLE.getText());
}

bool findById(tResTable &t, std::string_view id)
{
    if (!t.selectIndex(0)) return false;
    t.rec.clear();
    t.ID.setText(std::string(id).c_str());
    return t.rec.find();
}

} // namespace

bool tResource::setId(std::string_view text) { return copyText(ID, text); }
bool tResource::setTitle(std::string_view text) { return copyText(TITLE, text); }

long tResource::first()
{
    tResTable *t = table();
    long cur = t ? walkFirst(*t, t->rec, 0) : 0;
    if (cur) get(*t, *this);
    return cur;
}

long tResource::next(long cursor)
{
    tResTable *t = table();
    if (!t) return 0;
    t->rec.clear();
    t->ID.setText(ID);
    long cur = walkNext(*t, t->rec, 0, cursor);
    if (cur) get(*t, *this);
    return cur;
}

bool tResource::find(std::string_view id)
{
    tResTable *t = table();
    if (!t || !findById(*t, id)) return false;
    get(*t, *this);
    return true;
}

bool tResource::insert() const
{
    tResTable *t = table();
    if (!t) return false;
    t->rec.clear();
    t->ID.setText(ID);
    t->TITLE.setText(TITLE);
    return t->rec.insert();
}

bool tResource::update(std::string_view oldId) const
{
    tResTable *t = table();
    if (!t || !findById(*t, oldId)) return false;
    t->ID.setText(ID);
    t->TITLE.setText(TITLE);
    return t->rewrite(t->rec) > 0;
}

bool tResource::remove() const
{
    tResTable *t = table();
    return t && findById(*t, ID) && t->rec.remove();
}

long tResource::count()
{
    tResTable *t = table();
    return t ? t->recordCount() : 0;
}

std::vector<tResource> allResources()
{
    std::vector<tResource> out;
    tTableHold hold(table());
    tResource r;
    for (long c = r.first(); c; c = r.next(c)) out.push_back(r);
    return out;
}

std::string resourceListLine(const tResource &r) { return std::string(r.ID) + '\t' + r.TITLE; }

} // namespace velk
