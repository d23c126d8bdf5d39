#include "address/resource.h"

#include "base/row_store.h"
#include "model/tables.h"

namespace velk {

namespace {

struct tResourceRow : tRowOf<tResource, tResTable> {
    static constexpr std::tuple columns{VELK_COLUMNS(ID, TITLE)};
};
using tResources = tRowStore<tResourceRow>;

} // namespace

bool tResource::setId(std::string_view text) { return copyText(ID, text); }
bool tResource::setTitle(std::string_view text) { return copyText(TITLE, text); }

long tResource::first() { return tResources::first(*this); }
long tResource::next(long cursor) { return tResources::next(*this, cursor); }
bool tResource::find(std::string_view id) { return tResources::find(*this, id); }
tStoreStatus tResource::insert() const { return tResources::insert(*this); }
tStoreStatus tResource::update(std::string_view oldId) const
{
    return tResources::update(oldId, *this);
}
tStoreStatus tResource::remove() const { return tResources::remove(ID); }
long tResource::count() { return tResources::count(); }

std::vector<tResource> allResources() { return tResources::all(); }

std::string resourceListLine(const tResource &r) { return std::string(r.ID) + '\t' + r.TITLE; }

} // namespace velk
