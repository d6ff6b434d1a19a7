#include "app/run/conflict_groups.h"

#include <set>

namespace veralith::app {

std::size_t ConflictGroup::ObjectCount() const
{
    std::set<std::string> objects;
    for (const ConflictGroupMember& member : members) {
        objects.insert(member.object);
    }
    return objects.size();
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
