#pragma once

// Conflict groups: the duplicates of a run grouped by value, each group with
// every object that holds the value. A run adds each duplicate it reports
// (the object, the earlier object it repeats, and the value); the groups come
// out in the order their first duplicate was found, the objects of a group in
// the order they were added.

#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace veralith::app {

struct ConflictGroupMember
{
    std::string object; // the object's full name
    std::string attribute; // the attribute that holds the value
    // The object's distinguished name where the source has them (an LDAP
    // server, an LDIF file); empty for tree files.
    std::string dn = {};
};

struct ConflictGroup
{
    std::string value; // the value as the group's first duplicate (its log line) shows it
    std::vector<ConflictGroupMember> members; // every holder, each (object, attribute) once
    // How many different objects hold the value.
    std::size_t ObjectCount() const;
};

// The groups as lines: per group "VALUE (N objects)" ("1 object" for one),
// then one line per holder, two spaces and its name, followed by
// " (ATTRIBUTE)" when the group's holders hold the value in different
// attributes and by "  dn: DN" when the holder has a DN.
std::vector<std::string> ConflictGroupLines(const std::vector<ConflictGroup>& groups);

// The title line of a group and the line of a member, as ConflictGroupLines
// writes them (mixed: the group's holders hold it in different attributes).
std::string ConflictGroupTitle(const ConflictGroup& group);
std::string ConflictMemberText(const ConflictGroupMember& member, bool mixed);
bool HasMixedAttributes(const ConflictGroup& group);

// Sets the DN of every holder of every group to dnOf(object name), asked once
// per object ("" leaves it without one).
void FillSourceDns(std::vector<ConflictGroup>& groups, const std::function<std::string(const std::string&)>& dnOf);

class ConflictGroupCollector
{
public:
    // Records one duplicate: key is the value's match key (equal keys, one
    // group), earlier the first holder and its attribute, object the holder
    // that repeats it, value the value as that duplicate's log line shows it
    // (kept for a new group).
    // A member already in the group is not added again.
    void Add(const std::string& key, const ConflictGroupMember& earlier, const ConflictGroupMember& object,
        const std::string& value);

    const std::vector<ConflictGroup>& Groups() const { return m_groups; }
    std::vector<ConflictGroup> TakeGroups();

private:
    std::map<std::string, std::size_t> m_indexOfKey;
    std::vector<ConflictGroup> m_groups;
    // Per group, the (object, attribute) pairs it holds.
    std::vector<std::set<std::pair<std::string, std::string>>> m_membersSeen;
};

} // namespace veralith::app
