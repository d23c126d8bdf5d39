// group.h - groups of persons, their records in GROUP and the memberships in MEMBER.
//
// A MEMBER record is one pair (GID, MID): the person MID belongs to the group GID.  Index 0 is
// GID then MID and unique, so a pair exists at most once; index 1 is MID alone.
#ifndef VELK_ADDRESS_GROUP_H
#define VELK_ADDRESS_GROUP_H

#include "base/store_status.h"
#include "model/textstore.h"

#include <string>
#include <string_view>
#include <vector>

namespace velk {

struct tGroup {
    char ID[9] = "";
    char TITLE[41] = "";
    char STREET[81] = "";
    char ZIP[31] = "";
    char COUNTRY[41] = "";
    char CITY[41] = "";
    char TEL[31] = "";
    char FAX[31] = "";
    // The comment in the text store: its ID and, once read or set, its text; `modified` says it
    // must be written with the group.  A modified, empty comment removes the stored text.
    tTextValue COMMENT;

    bool setId(std::string_view text);
    bool setTitle(std::string_view text);
    bool setStreet(std::string_view text);
    bool setZip(std::string_view text);
    bool setCountry(std::string_view text);
    bool setCity(std::string_view text);
    bool setTel(std::string_view text);
    bool setFax(std::string_view text);
    void setComment(std::string_view text);

    // Walks GROUP in ID order (the only key used); 0 at the end.
    long first();
    long next(long cursor);
    bool find(std::string_view id);
    tStoreStatus insert();
    // Rewrites the record of oldId with this value.
    tStoreStatus update(std::string_view oldId);
    // Deletes the group, its comment and every membership of the group (Failed when a
    // membership stays).
    tStoreStatus remove() const;
};

// Every group in ID order.
std::vector<tGroup> allGroups();

// The members of group gid: first answers a cursor and the first MID, next the following one;
// 0 when there is none or the walk leaves the group.
long memberFirst(std::string_view gid, char (&mid)[9]);
long memberNext(std::string_view gid, long cursor, char (&mid)[9]);
// The MIDs of group gid in order.
std::vector<std::string> membersOf(std::string_view gid);
bool isMember(std::string_view gid, std::string_view mid);
// The GIDs of person mid's pairs, in the order of index 1 (also of groups that are gone).
std::vector<std::string> groupsOfMember(std::string_view mid);
// False when the pair exists already (or cannot be stored).
bool addMember(std::string_view gid, std::string_view mid);
bool removeMember(std::string_view gid, std::string_view mid);
// Removes every pair of person mid; true when none is left.
bool removePersonMemberships(std::string_view mid);
// Gives every pair of person oldMid to newMid; true when all moved.
bool moveMemberships(std::string_view oldMid, std::string_view newMid);
// Removes every pair of group gid; true when none is left.
bool removeGroupMemberships(std::string_view gid);

// A line of the group choice: "ID: TITLE".
std::string groupChoiceLine(const tGroup &g);

} // namespace velk

#endif
