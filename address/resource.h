// resource.h - bookable resources (rooms, vehicles, devices) and their records in RESOURCE.
#ifndef VELK_ADDRESS_RESOURCE_H
#define VELK_ADDRESS_RESOURCE_H

#include "base/store_status.h"

#include <string>
#include <string_view>
#include <vector>

namespace velk {

struct tResource {
    char ID[9] = "";
    char TITLE[41] = "";

    bool setId(std::string_view text);
    bool setTitle(std::string_view text);

    // Walks RESOURCE in ID order; 0 at the end.
    long first();
    long next(long cursor);
    bool find(std::string_view id);
    tStoreStatus insert() const;
    // Rewrites the record of oldId with this value.
    tStoreStatus update(std::string_view oldId) const;
    tStoreStatus remove() const;

    // Records in RESOURCE.
    static long count();
};

// Every resource in ID order.
std::vector<tResource> allResources();

// A resource list line: "ID\tTITLE".
std::string resourceListLine(const tResource &r);

} // namespace velk

#endif
