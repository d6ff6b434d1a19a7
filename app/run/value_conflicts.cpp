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
    : m_context(context)
    , m_attributes(std::move(attributes))
    , m_options(options)
{
    for (const std::string& attribute : m_attributes) {
        m_syntaxes.push_back(SpecSyntax(m_context, attribute));
    }
    m_read.resize(m_attributes.size());
    for (std::size_t a = 0; a < m_attributes.size(); ++a) {
        std::set<std::string> each;
        std::set<std::string> whole;
        for (const std::string& value : m_options.ignoredValues) {
            each.insert(ValueMatchKey(value, m_options.match, m_syntaxes[a]));
            whole.insert(WholeValueMatchKey({value}, m_options.match, m_syntaxes[a]));
        }
        m_ignoredEach.push_back(std::move(each));
        m_ignoredWhole.push_back(std::move(whole));
    }
}

client::DirResult ConflictFinder::Read(const std::string& objectName, std::string& text)
{
    std::optional<client::DirResult> firstFailure;
    bool anyRead = false;
    text.clear();
    for (std::size_t a = 0; a < m_attributes.size(); ++a) {
        ReadValues& read = m_read[a];
        read = ReadValues {};
        util::StringList entries;
        const client::DirResult result = values::ReadAttributeEntries(m_context, objectName, m_attributes[a], entries);
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
        if (m_attributes.size() == 1) {
            text = read.text;
            continue;
        }
        for (const util::StringListEntry& line : lines) {
            if (!text.empty()) {
                text += "\r\n";
            }
            text += m_attributes[a] + ": " + line.text;
        }
    }
    if (!anyRead) {
        return firstFailure.value_or(0);
    }
    return 0;
}

std::string ConflictFinder::WholeKey(std::size_t attribute) const
{
    const ReadValues& read = m_read[attribute];
    if (m_options.match == MatchRule::Directory) {
        return WholeValueMatchKey(read.values, m_options.match, m_syntaxes[attribute]);
    }
    return ValueMatchKey(read.text, m_options.match, m_syntaxes[attribute]);
}

void ConflictFinder::CollectItems()
{
    m_items.clear();
    if (m_options.uniqueness == Uniqueness::Combination && m_attributes.size() > 1) {
        std::vector<std::string> components;
        std::string display;
        bool anyPresent = false;
        for (std::size_t a = 0; a < m_attributes.size(); ++a) {
            const ReadValues& read = m_read[a];
            if (a > 0) {
                display += " + ";
            }
            if (!read.present) {
                components.emplace_back("-");
                continue;
            }
            anyPresent = true;
            const std::string key = WholeKey(a);
            if (m_ignoredWhole[a].contains(key)) {
                return;
            }
            components.push_back("=" + key);
            display += read.text;
        }
        if (anyPresent) {
            m_items.push_back(Item {0, JoinMatchKeys(components), 0, display});
        }
        return;
    }
    for (std::size_t a = 0; a < m_attributes.size(); ++a) {
        const ReadValues& read = m_read[a];
        if (!read.present) {
            continue;
        }
        const std::size_t space = m_options.uniqueness == Uniqueness::PerAttribute ? a : 0;
        if (!m_options.eachValue) {
            std::string key = WholeKey(a);
            if (!m_ignoredWhole[a].contains(key)) {
                m_items.push_back(Item {space, std::move(key), a, read.text});
            }
            continue;
        }
        for (const std::string& value : read.values) {
            std::string key = ValueMatchKey(value, m_options.match, m_syntaxes[a]);
            if (!m_ignoredEach[a].contains(key)) {
                m_items.push_back(Item {space, std::move(key), a, value});
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
    const bool selfCounts = m_options.uniqueness == Uniqueness::AcrossAll;
    for (const Item& item : m_items) {
        if (!seen.emplace(item.space, item.key, selfCounts ? item.attribute : 0).second) {
            continue;
        }
        const auto [position, inserted] =
            m_first.try_emplace({item.space, item.key}, Holder {objectIndex, item.attribute});
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
    if (m_options.uniqueness != Uniqueness::Combination || m_attributes.size() < 2) {
        return m_attributes[attribute];
    }
    std::string label;
    for (const std::string& name : m_attributes) {
        label += (label.empty() ? "" : "+") + name;
    }
    return label;
}

} // namespace veralith::app
