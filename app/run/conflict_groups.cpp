#include "app/run/conflict_groups.h"

#include <set>
#include <unordered_map>

namespace veralith::app {

std::size_t ConflictGroup::ObjectCount() const
{
    std::set<std::string> objects;
    for (const ConflictGroupMember& member : members) {
        objects.insert(member.object);
    }
    return objects.size();
}

bool HasMixedAttributes(const ConflictGroup& group)
{
    for (const ConflictGroupMember& member : group.members) {
        if (member.attribute != group.members.front().attribute) {
            return true;
        }
    }
    return false;
}

std::string ConflictGroupTitle(const ConflictGroup& group)
{
    const std::size_t count = group.ObjectCount();
    return group.value + " (" + std::to_string(count) + (count == 1 ? " object)" : " objects)");
}

std::string ConflictMemberText(const ConflictGroupMember& member, bool mixed)
{
    std::string text = mixed ? member.object + " (" + member.attribute + ")" : member.object;
    if (!member.dn.empty()) {
        text += "  dn: " + member.dn;
    }
    return text;
}

void FillSourceDns(std::vector<ConflictGroup>& groups, const std::function<std::string(const std::string&)>& dnOf)
{
    std::unordered_map<std::string, std::string> known;
    for (ConflictGroup& group : groups) {
        for (ConflictGroupMember& member : group.members) {
            auto [position, inserted] = known.try_emplace(member.object);
            if (inserted) {
                position->second = dnOf(member.object);
            }
            member.dn = position->second;
        }
    }
}

std::vector<std::string> ConflictGroupLines(const std::vector<ConflictGroup>& groups)
{
    std::vector<std::string> lines;
    for (const ConflictGroup& group : groups) {
        lines.push_back(ConflictGroupTitle(group));
        const bool mixed = HasMixedAttributes(group);
        for (const ConflictGroupMember& member : group.members) {
            lines.push_back("  " + ConflictMemberText(member, mixed));
        }
    }
    return lines;
}

void ConflictGroupCollector::Add(const std::string& key, const ConflictGroupMember& earlier,
    const ConflictGroupMember& object, const std::string& value)
{
    const auto [position, inserted] = m_indexOfKey.try_emplace(key, m_groups.size());
    if (inserted) {
        m_groups.push_back(ConflictGroup {value, {}});
        m_membersSeen.emplace_back();
    }
    const std::size_t index = position->second;
    for (const ConflictGroupMember* member : {&earlier, &object}) {
        if (m_membersSeen[index].emplace(member->object, member->attribute).second) {
            m_groups[index].members.push_back(*member);
        }
    }
}

std::vector<ConflictGroup> ConflictGroupCollector::TakeGroups()
{
    m_indexOfKey.clear();
    m_membersSeen.clear();
    return std::move(m_groups);
}

} // namespace veralith::app
