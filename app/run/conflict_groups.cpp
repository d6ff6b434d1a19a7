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
    const auto [position, inserted] = indexOfKey_.try_emplace(key, groups_.size());
    if (inserted) {
        groups_.push_back(ConflictGroup {value, {}});
        membersSeen_.emplace_back();
    }
    const std::size_t index = position->second;
    for (const ConflictGroupMember* member : {&earlier, &object}) {
        if (membersSeen_[index].emplace(member->object, member->attribute).second) {
            groups_[index].members.push_back(*member);
        }
    }
}

std::vector<ConflictGroup> ConflictGroupCollector::TakeGroups()
{
    indexOfKey_.clear();
    membersSeen_.clear();
    return std::move(groups_);
}

} // namespace veralith::app
