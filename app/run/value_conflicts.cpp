#include "app/run/value_conflicts.h"

#include "client/values.h"
#include "util/text.h"
#include "values/read.h"

#include <algorithm>
#include <optional>
#include <set>
#include <tuple>

namespace veralith::app {

namespace {

// The syntax that decides equality for an attribute specification: that of
// its last part ("Manager|Telephone Number": the telephone number's), the
// pseudo-attributes' own, else the schema's. An attribute the schema does not
// know is compared as a case-ignore string.
SyntaxMatch SpecSyntax(client::DirContext context, const std::string& spec)
{
    const std::size_t bar = spec.rfind('|');
    const std::string name = bar == std::string::npos ? spec : spec.substr(bar + 1);
    const std::string key = util::FoldAsciiCase(name);
    if (key == "CONTEXT") {
        return SyntaxMatch::Name;
    }
    if (key == "CN" || key == "CLASS") {
        return SyntaxMatch::CaseIgnore;
    }
    if (key == "CREATETIMESTAMP" || key == "MODIFYTIMESTAMP") {
        return SyntaxMatch::Bytes;
    }
    std::uint32_t syntaxId = 0;
    if (client::DirGetSyntaxId(context, name.c_str(), &syntaxId) != 0) {
        return SyntaxMatch::CaseIgnore;
    }
    return SyntaxMatchFor(syntaxId);
}

std::string NameKey(const std::string& name)
{
    std::string folded = util::FoldAsciiCase(name);
    if (folded.starts_with('.')) {
        folded.erase(0, 1);
    }
    return folded;
}

} // namespace

bool CompareOptions::IsPlain() const
{
    return !eachValue && match == MatchRule::Case && moreAttributes.empty() && ignoredValues.empty() &&
        excludedBases.empty();
}

bool IsAtOrBelow(const std::string& name, const std::string& base)
{
    const std::string n = NameKey(name);
    const std::string b = NameKey(base);
    if (b.empty() || n == b) {
        return !b.empty();
    }
    return n.size() > b.size() && n.ends_with(b) && n[n.size() - b.size() - 1] == '.' &&
        (n.size() - b.size() < 2 || n[n.size() - b.size() - 2] != '\\');
}

util::StringList WithoutExcludedBases(const util::StringList& names, const std::vector<std::string>& bases)
{
    util::StringList kept;
    for (const util::StringListEntry& entry : names) {
        const bool excluded = std::any_of(
            bases.begin(), bases.end(), [&](const std::string& base) { return IsAtOrBelow(entry.text, base); });
        if (!excluded) {
            kept.Add(entry.text, entry.value);
        }
    }
    return kept;
}

std::string PresenceClause(const std::vector<std::string>& attributes, Uniqueness uniqueness)
{
    std::string clause;
    for (const std::string& attribute : attributes) {
        if (!clause.empty()) {
            clause += uniqueness == Uniqueness::Combination ? " #AND# " : " #OR# ";
        }
        clause += "(" + attribute + " #PRESENT#)";
    }
    return attributes.size() > 1 ? "(" + clause + ")" : clause;
}

ConflictFinder::ConflictFinder(
    client::DirContext context, std::vector<std::string> attributes, const CompareOptions& options)
    : context_(context)
    , attributes_(std::move(attributes))
    , options_(options)
{
    for (const std::string& attribute : attributes_) {
        syntaxes_.push_back(SpecSyntax(context_, attribute));
    }
    read_.resize(attributes_.size());
    for (std::size_t a = 0; a < attributes_.size(); ++a) {
        std::set<std::string> each;
        std::set<std::string> whole;
        for (const std::string& value : options_.ignoredValues) {
            each.insert(ValueMatchKey(value, options_.match, syntaxes_[a]));
            whole.insert(WholeValueMatchKey({value}, options_.match, syntaxes_[a]));
        }
        ignoredEach_.push_back(std::move(each));
        ignoredWhole_.push_back(std::move(whole));
    }
}

client::DirResult ConflictFinder::Read(const std::string& objectName, std::string& text)
{
    std::optional<client::DirResult> firstFailure;
    bool anyRead = false;
    text.clear();
    for (std::size_t a = 0; a < attributes_.size(); ++a) {
        ReadValues& read = read_[a];
        read = ReadValues {};
        util::StringList entries;
        const client::DirResult result = values::ReadAttributeEntries(context_, objectName, attributes_[a], entries);
        if (result != 0) {
            if (!firstFailure) {
                firstFailure = result;
            }
            continue;
        }
        anyRead = true;
        read.present = true;
        for (const util::StringListEntry& entry : entries) {
            read.values.push_back(entry.text);
        }
        // The value list's text exactly as ReadAttributeText makes it.
        util::StringList lines;
        lines.SetText(entries.Text());
        read.text = util::TrimRightChars(lines.Text(), "\r\n");
        if (attributes_.size() == 1) {
            text = read.text;
            continue;
        }
        for (const util::StringListEntry& line : lines) {
            if (!text.empty()) {
                text += "\r\n";
            }
            text += attributes_[a] + ": " + line.text;
        }
    }
    if (!anyRead) {
        return firstFailure.value_or(0);
    }
    return 0;
}

std::string ConflictFinder::WholeKey(std::size_t attribute) const
{
    const ReadValues& read = read_[attribute];
    if (options_.match == MatchRule::Directory) {
        return WholeValueMatchKey(read.values, options_.match, syntaxes_[attribute]);
    }
    return ValueMatchKey(read.text, options_.match, syntaxes_[attribute]);
}

void ConflictFinder::CollectItems()
{
    items_.clear();
    if (options_.uniqueness == Uniqueness::Combination && attributes_.size() > 1) {
        std::vector<std::string> components;
        std::string display;
        bool anyPresent = false;
        for (std::size_t a = 0; a < attributes_.size(); ++a) {
            const ReadValues& read = read_[a];
            if (a > 0) {
                display += " + ";
            }
            if (!read.present) {
                components.emplace_back("-");
                continue;
            }
            anyPresent = true;
            const std::string key = WholeKey(a);
            if (ignoredWhole_[a].contains(key)) {
                return;
            }
            components.push_back("=" + key);
            display += read.text;
        }
        if (anyPresent) {
            items_.push_back(Item {0, JoinMatchKeys(components), 0, display});
        }
        return;
    }
    for (std::size_t a = 0; a < attributes_.size(); ++a) {
        const ReadValues& read = read_[a];
        if (!read.present) {
            continue;
        }
        const std::size_t space = options_.uniqueness == Uniqueness::PerAttribute ? a : 0;
        if (!options_.eachValue) {
            std::string key = WholeKey(a);
            if (!ignoredWhole_[a].contains(key)) {
                items_.push_back(Item {space, std::move(key), a, read.text});
            }
            continue;
        }
        for (const std::string& value : read.values) {
            std::string key = ValueMatchKey(value, options_.match, syntaxes_[a]);
            if (!ignoredEach_[a].contains(key)) {
                items_.push_back(Item {space, std::move(key), a, value});
            }
        }
    }
}

std::vector<ValueConflict> ConflictFinder::Add(std::size_t objectIndex)
{
    CollectItems();
    std::vector<ValueConflict> conflicts;
    // A value the object holds twice counts once; across all attributes
    // including the object itself, once per attribute.
    std::set<std::tuple<std::size_t, std::string, std::size_t>> seen;
    const bool selfCounts = options_.uniqueness == Uniqueness::AcrossAll;
    for (const Item& item : items_) {
        if (!seen.emplace(item.space, item.key, selfCounts ? item.attribute : 0).second) {
            continue;
        }
        const auto [position, inserted] =
            first_.try_emplace({item.space, item.key}, Holder {objectIndex, item.attribute});
        if (inserted) {
            continue;
        }
        const Holder& holder = position->second;
        if (holder.object == objectIndex && (!selfCounts || holder.attribute == item.attribute)) {
            continue;
        }
        ValueConflict conflict;
        conflict.earlierIndex = holder.object;
        conflict.attribute = AttributeLabel(item.attribute);
        conflict.earlierAttribute = AttributeLabel(holder.attribute);
        conflict.value = item.display;
        conflict.key = std::to_string(item.space) + ":" + item.key;
        conflicts.push_back(std::move(conflict));
    }
    return conflicts;
}

std::string ConflictFinder::AttributeLabel(std::size_t attribute) const
{
    if (options_.uniqueness != Uniqueness::Combination || attributes_.size() < 2) {
        return attributes_[attribute];
    }
    std::string label;
    for (const std::string& name : attributes_) {
        label += (label.empty() ? "" : "+") + name;
    }
    return label;
}

} // namespace veralith::app
