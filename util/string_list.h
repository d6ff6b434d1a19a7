#pragma once

// StringList: an ordered list of texts, each entry carrying one 32-bit value (a
// class's flag word, an item's list number, a syntax id, a tree's connection
// reference, a name position). Operations that produce lists append to a list
// that the caller owns and has cleared.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace veralith::util {

struct StringListEntry
{
    std::string text;
    std::int32_t value = 0;

    bool operator==(const StringListEntry&) const = default;
};

class StringList
{
public:
    StringList() = default;

    // Appends an entry; returns its 0-based index.
    std::size_t Add(std::string text, std::int32_t value = 0);
    void Clear() { m_entries.clear(); }

    std::size_t Count() const { return m_entries.size(); }
    bool Empty() const { return m_entries.empty(); }

    // Entry access; index must be below Count() (checked: throws std::out_of_range).
    const StringListEntry& At(std::size_t index) const { return m_entries.at(index); }
    StringListEntry& At(std::size_t index) { return m_entries.at(index); }
    const std::string& TextAt(std::size_t index) const { return m_entries.at(index).text; }
    std::int32_t ValueAt(std::size_t index) const { return m_entries.at(index).value; }

    // 0-based index of the first entry whose text equals text (exactly, or
    // after ASCII case folding when caseSensitive is false); -1 when none.
    std::int32_t IndexOf(const std::string& text, bool caseSensitive = true) const;

    // Replaces all entries by the lines of text: split at CR LF, a lone CR and a
    // lone LF; a final line break adds no empty entry; an empty text gives no
    // entries. Values are 0.
    void SetText(const std::string& text);

    // Every entry's text ended by CR LF, concatenated.
    std::string Text() const;

    // The texts alone, in order.
    std::vector<std::string> Texts() const;

    const std::vector<StringListEntry>& Entries() const { return m_entries; }
    std::vector<StringListEntry>::const_iterator begin() const { return m_entries.begin(); }
    std::vector<StringListEntry>::const_iterator end() const { return m_entries.end(); }

    bool operator==(const StringList&) const = default;

private:
    std::vector<StringListEntry> m_entries;
};

// The lines of text, split at CR LF, a lone CR and a lone LF; a final line break
// adds no empty line; an empty text gives no lines.
std::vector<std::string> SplitLines(const std::string& text);

} // namespace veralith::util
