#pragma once

// The choices of the duplicate check beyond the plain one (whole value of one
// attribute, ASCII letters folded), and the finder that applies them object
// by object during a run.

#include "app/run/value_match.h"
#include "client/client.h"
#include "util/string_list.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace veralith::app {

// How the values of several attributes collide.
enum class Uniqueness {
    PerAttribute, // a value is unique within each attribute
    AcrossAll, // across all the attributes, also between attributes of one object
    AcrossOthers, // across all the attributes, between different objects only
    Combination, // the tuple of the attributes' values is unique
};

struct CompareOptions
{
    // Each value of a multi-valued attribute compared on its own.
    bool eachValue = false;
    MatchRule match = MatchRule::Case;
    // Attributes compared besides the run's attribute.
    std::vector<std::string> moreAttributes;
    Uniqueness uniqueness = Uniqueness::PerAttribute;
    // Values never compared (matched by the chosen rule).
    std::vector<std::string> ignoredValues;
    // Containers whose objects (themselves included) are left out of the run.
    std::vector<std::string> excludedBases;

    // True when every choice is the plain check's: the run then works as it
    // always has.
    bool IsPlain() const;
};

// True when name is base or lies below it: compared as names (ASCII case
// folded, a leading dot ignored).
bool IsAtOrBelow(const std::string& name, const std::string& base);

// The names not at or below any of bases, in their order.
util::StringList WithoutExcludedBases(const util::StringList& names, const std::vector<std::string>& bases);

// The presence clause of several attributes for the run's filter: each
// "(%s #PRESENT#)", joined by " #OR# " (or " #AND# " for Combination, where
// every attribute makes the tuple) and wrapped in parentheses; one attribute
// gives its clause alone.
std::string PresenceClause(const std::vector<std::string>& attributes, Uniqueness uniqueness);

// A duplicate found by the finder: the object just added repeats a value of
// the object at earlierIndex (which may be the object itself, for AcrossAll).
struct ValueConflict
{
    std::size_t earlierIndex = 0;
    std::string attribute; // the attribute of the object just added
    std::string earlierAttribute; // the attribute the earlier object holds it in
    std::string value; // the value as the object just added holds it
    std::string key; // the match key shared by both (with its attribute's place)
};

class ConflictFinder
{
public:
    // attributes: the attribute specifications read from each object (at
    // least one), spelled as the schema spells them. The syntax of each is
    // looked up once in context.
    ConflictFinder(client::DirContext context, std::vector<std::string> attributes, const CompareOptions& options);

    // Reads the attributes of objectName and keeps its values for Add. text
    // becomes the value list's entry: the attribute's text for one attribute
    // (as ReadAttributeText gives it), else one "attribute: value" line per
    // value. Returns 0 when at least one attribute was read, else the first
    // attribute's result code.
    client::DirResult Read(const std::string& objectName, std::string& text);

    // Compares the values last read with those of the objects added before
    // and keeps them for the objects that follow. objectIndex is the object's
    // place in the object list. Returns the duplicates, at most one per value
    // the object holds.
    std::vector<ValueConflict> Add(std::size_t objectIndex);

private:
    struct Item
    {
        std::size_t space = 0; // values collide within one space only
        std::string key;
        std::size_t attribute = 0;
        std::string display;
    };
    struct Holder
    {
        std::size_t object = 0;
        std::size_t attribute = 0;
    };

    // The values of one attribute as last read.
    struct ReadValues
    {
        bool present = false;
        std::vector<std::string> values;
        std::string text;
    };

    std::string WholeKey(std::size_t attribute) const;
    void CollectItems();
    std::string AttributeLabel(std::size_t attribute) const;

    client::DirContext m_context;
    std::vector<std::string> m_attributes;
    CompareOptions m_options;
    std::vector<SyntaxMatch> m_syntaxes;
    std::vector<ReadValues> m_read;
    // Per attribute, the keys of the ignored values as single values and as
    // whole values.
    std::vector<std::set<std::string>> m_ignoredEach;
    std::vector<std::set<std::string>> m_ignoredWhole;
    std::vector<Item> m_items;
    std::map<std::pair<std::size_t, std::string>, Holder> m_first;
};

} // namespace veralith::app
