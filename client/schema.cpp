#include "client/schema.h"

#include "client/text_codec.h"

#include <charconv>

namespace veralith::client {

std::size_t FoldedNameHash::operator()(std::string_view text) const
{
    std::size_t h = 1469598103934665603ULL;
    for (char c : text) {
        h = (h ^ static_cast<unsigned char>(LowerAscii(c))) * 1099511628211ULL;
    }
    return h;
}

bool FoldedNameEqual::operator()(std::string_view a, std::string_view b) const
{
    return SameTextIgnoreCase(a, b);
}

std::string FoldCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        c = LowerAscii(c);
    }
    return out;
}

bool SameTextIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

int CompareIgnoreCase(std::string_view a, std::string_view b)
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(LowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

bool Schema::AddAttribute(AttributeDef def)
{
    if (m_attributeIndex.find(std::string_view(def.name)) != m_attributeIndex.end()) {
        return false;
    }
    m_attributeIndex.emplace(def.name, static_cast<int>(m_attributes.size()));
    m_attributes.push_back(std::move(def));
    return true;
}

bool Schema::AddAttributeAlias(std::string_view alias, int id)
{
    if (id < 0 || static_cast<std::size_t>(id) >= m_attributes.size() ||
        m_attributeIndex.find(alias) != m_attributeIndex.end()) {
        return false;
    }
    m_attributeIndex.emplace(std::string(alias), id);
    return true;
}

bool Schema::AddClass(ClassDef def)
{
    if (m_classIndex.find(std::string_view(def.name)) != m_classIndex.end()) {
        return false;
    }
    m_classIndex.emplace(def.name, static_cast<int>(m_classes.size()));
    m_classes.push_back(std::move(def));
    return true;
}

int Schema::FindAttribute(std::string_view name) const
{
    const auto it = m_attributeIndex.find(name);
    return it == m_attributeIndex.end() ? kNoSchemaId : it->second;
}

int Schema::FindClass(std::string_view name) const
{
    const auto it = m_classIndex.find(name);
    return it == m_classIndex.end() ? kNoSchemaId : it->second;
}

std::vector<int> Schema::ClassChain(int classId) const
{
    std::vector<int> chain;
    if (classId < 0 || static_cast<std::size_t>(classId) >= m_classes.size()) {
        return chain;
    }
    chain.push_back(classId);
    // Breadth first over the super classes; the chain is short, so a linear
    // membership test is cheapest.
    for (std::size_t i = 0; i < chain.size(); ++i) {
        for (const std::string& super : GetClassDef(chain[i]).superClasses) {
            const int id = FindClass(super);
            bool seen = id == kNoSchemaId;
            for (int known : chain) {
                seen = seen || known == id;
            }
            if (!seen) {
                chain.push_back(id);
            }
        }
    }
    return chain;
}

std::vector<std::string> Schema::ExpandedItems(int classId, int list) const
{
    std::vector<std::string> items;
    for (int id : ClassChain(classId)) {
        const ClassDef& def = GetClassDef(id);
        const std::vector<std::string>* source = nullptr;
        switch (list) {
        case 0:
            source = &def.superClasses;
            break;
        case 1:
            source = &def.containment;
            break;
        case 2:
            source = &def.naming;
            break;
        case 3:
            source = &def.mandatory;
            break;
        default:
            source = &def.optional;
            break;
        }
        for (const std::string& item : *source) {
            bool seen = false;
            for (const std::string& known : items) {
                seen = seen || SameTextIgnoreCase(known, item);
            }
            if (!seen) {
                items.push_back(item);
            }
        }
    }
    return items;
}

std::string Schema::NamingAttribute(int classId) const
{
    for (int id : ClassChain(classId)) {
        if (!GetClassDef(id).naming.empty()) {
            return GetClassDef(id).naming.front();
        }
    }
    return "CN";
}

std::size_t EncodeObjectId(std::string_view dotted, std::uint8_t out[32])
{
    std::vector<std::uint64_t> arcs;
    std::size_t pos = 0;
    while (pos <= dotted.size()) {
        const std::size_t dot = dotted.find('.', pos);
        const std::string_view part = dotted.substr(pos, dot == std::string_view::npos ? dotted.npos : dot - pos);
        std::uint64_t value = 0;
        const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || ec != std::errc() || end != part.data() + part.size() || value > 0xFFFFFFFFu) {
            return 0;
        }
        arcs.push_back(value);
        if (dot == std::string_view::npos) {
            break;
        }
        pos = dot + 1;
    }
    if (arcs.size() < 2 || arcs[0] > 2 || (arcs[0] < 2 && arcs[1] > 39)) {
        return 0;
    }
    std::vector<std::uint8_t> content;
    auto put = [&content](std::uint64_t v) {
        std::uint8_t tmp[10];
        int n = 0;
        do {
            tmp[n++] = static_cast<std::uint8_t>(v & 0x7F);
            v >>= 7;
        } while (v != 0);
        while (n > 0) {
            --n;
            content.push_back(static_cast<std::uint8_t>(tmp[n] | (n > 0 ? 0x80 : 0)));
        }
    };
    put(arcs[0] * 40 + arcs[1]);
    for (std::size_t i = 2; i < arcs.size(); ++i) {
        put(arcs[i]);
    }
    if (content.size() + 2 > 32) {
        return 0;
    }
    out[0] = 6;
    out[1] = static_cast<std::uint8_t>(content.size());
    for (std::size_t i = 0; i < content.size(); ++i) {
        out[2 + i] = content[i];
    }
    return content.size() + 2;
}

} // namespace veralith::client
