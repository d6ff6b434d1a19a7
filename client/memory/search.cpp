// Searches of the in-memory directory: the filter expression is compiled
// once against the schema, then evaluated object by object while a cursor
// walks the scope depth first. Nothing of the tree is copied.

#include "client/memory/memory_directory.h"
#include "client/syntax_traits.h"
#include "client/text_codec.h"
#include "client/values.h"
#include "client/wire.h"

#include <cstring>
#include <optional>

namespace veralith::client::memory {

namespace {

bool IsNumericSyntax(std::uint32_t syntax)
{
    return TraitsOfSyntax(syntax).compare == StoredCompare::Number;
}

bool IsTextSyntax(std::uint32_t syntax)
{
    return TraitsOfSyntax(syntax).compare == StoredCompare::Texts;
}

// Brings a text to the form it is compared in: case-exact strings as they
// are, numeric strings without blanks, every other string folded with runs
// of blanks collapsed and the ends trimmed.
std::string Normalize(std::uint32_t syntax, std::string_view text)
{
    const SyntaxMatch match = TraitsOfSyntax(syntax).match;
    if (match == SyntaxMatch::CaseExact) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size());
    bool blank = false;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            blank = true;
            continue;
        }
        if (blank && !out.empty() && match != SyntaxMatch::Numeric) {
            out += ' ';
        }
        blank = false;
        out += LowerAscii(c);
    }
    return out;
}

// "*" matches any run of characters.
bool GlobMatch(std::string_view text, std::string_view pattern)
{
    std::size_t t = 0;
    std::size_t p = 0;
    std::size_t star = std::string_view::npos;
    std::size_t mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

struct Compiled
{
    FilterNode::Kind kind = FilterNode::Kind::And;
    std::vector<Compiled> children;
    std::string pattern; // normalized text, class name or relative name
    bool any = false; // base-class test without a class
    std::vector<bool> classMatches; // base-class test: its answer per class id
    std::int32_t attrId = kNoSchemaId;
    bool objectClass = false;
    std::uint32_t attrSyntax = 0;
    std::uint32_t op = FTOK_EQ;
    bool hasValue = false;
    bool numeric = false;
    std::int64_t number = 0;
};

Compiled Compile(const Schema& schema, const FilterNode& node)
{
    Compiled c;
    c.kind = node.kind;
    for (const FilterNode& child : node.children) {
        c.children.push_back(Compile(schema, child));
    }
    switch (node.kind) {
    case FilterNode::Kind::BaseClass:
        c.any = node.text.empty();
        c.pattern = Normalize(SYN_CLASS_NAME, node.text);
        // The answer depends on the class alone: worked out once per class.
        for (const ClassDef& def : schema.Classes()) {
            c.classMatches.push_back(c.any || GlobMatch(Normalize(SYN_CLASS_NAME, def.name), c.pattern));
        }
        break;
    case FilterNode::Kind::RelativeName:
        c.pattern = Normalize(SYN_CI_STRING, node.text);
        break;
    case FilterNode::Kind::Present:
    case FilterNode::Kind::Compare: {
        c.attrId = schema.FindAttribute(node.attribute);
        c.objectClass = SameTextIgnoreCase(node.attribute, "Object Class");
        c.attrSyntax = c.attrId == kNoSchemaId ? 0 : schema.Attribute(c.attrId).syntaxId;
        c.op = node.op;
        c.hasValue = node.hasValue && c.attrId != kNoSchemaId;
        if (c.hasValue && IsNumericSyntax(node.syntaxId)) {
            c.numeric = true;
            if (node.value.size() >= 4) {
                std::int32_t signedValue = 0;
                std::uint32_t unsignedValue = 0;
                std::memcpy(&signedValue, node.value.data(), 4);
                std::memcpy(&unsignedValue, node.value.data(), 4);
                const bool time = TraitsOfSyntax(node.syntaxId).filter == FilterValue::Time;
                c.number = time ? static_cast<std::int64_t>(unsignedValue) : signedValue;
            } else {
                c.hasValue = false;
            }
        } else if (c.hasValue && IsTextSyntax(node.syntaxId)) {
            c.pattern = Normalize(c.objectClass ? SYN_CLASS_NAME : c.attrSyntax, node.value);
        } else {
            c.hasValue = false;
        }
        break;
    }
    default:
        break;
    }
    return c;
}

bool StoredNumber(std::uint32_t syntax, const std::string& value, std::int64_t* number)
{
    WireReader r(value);
    std::uint8_t b = 0;
    std::uint32_t u = 0;
    if (!IsNumericSyntax(syntax)) {
        return false;
    }
    switch (TraitsOfSyntax(syntax).layout) {
    case ValueLayout::Flag:
        if (!r.U8(&b)) {
            return false;
        }
        *number = b;
        return true;
    case ValueLayout::Int32:
        if (!r.U32(&u)) {
            return false;
        }
        *number = static_cast<std::int32_t>(u);
        return true;
    case ValueLayout::Seconds:
    case ValueLayout::TimeStamp:
    case ValueLayout::Hold:
        if (!r.U32(&u)) {
            return false;
        }
        *number = u;
        return true;
    default:
        return false;
    }
}

// The texts a stored value is compared by.
void StoredTexts(std::uint32_t syntax, const std::string& value, std::vector<std::string_view>* texts)
{
    texts->clear();
    WireReader r(value);
    const ValueLayout layout = TraitsOfSyntax(syntax).layout;
    if (layout == ValueLayout::TextList) {
        std::uint32_t count = 0;
        std::string_view item;
        if (r.U32(&count)) {
            for (std::uint32_t i = 0; i < count && r.Bytes(&item); ++i) {
                texts->push_back(item);
            }
        }
        return;
    }
    if (layout == ValueLayout::TypedName) {
        std::uint32_t skip = 0;
        if (r.U32(&skip) && r.U32(&skip)) {
            texts->push_back(r.Rest());
        }
        return;
    }
    texts->push_back(value);
}

bool CompareOne(const Compiled& c, std::string_view stored)
{
    const std::string text = Normalize(c.objectClass ? SYN_CLASS_NAME : c.attrSyntax, stored);
    switch (c.op) {
    case FTOK_EQ:
        return GlobMatch(text, c.pattern);
    case FTOK_GE:
        return text >= c.pattern;
    case FTOK_LE:
        return text <= c.pattern;
    default: // approximately equal: a substring ignoring case
        return text.find(c.pattern) != std::string::npos;
    }
}

bool Evaluate(const MemoryDirectory& d, const Compiled& c, std::uint32_t index)
{
    switch (c.kind) {
    case FilterNode::Kind::And:
        for (const Compiled& child : c.children) {
            if (!Evaluate(d, child, index)) {
                return false;
            }
        }
        return true;
    case FilterNode::Kind::Or:
        for (const Compiled& child : c.children) {
            if (Evaluate(d, child, index)) {
                return true;
            }
        }
        return false;
    case FilterNode::Kind::Not:
        return c.children.empty() || !Evaluate(d, c.children.front(), index);
    case FilterNode::Kind::BaseClass:
        return c.any || c.classMatches.at(static_cast<std::size_t>(d.Object(index).classId));
    case FilterNode::Kind::RelativeName:
        return GlobMatch(Normalize(SYN_CI_STRING, d.Object(index).rdn), c.pattern);
    case FilterNode::Kind::Present:
        return d.Carries(index, c.attrId);
    case FilterNode::Kind::Compare:
        break;
    }
    if (!c.hasValue || !d.Carries(index, c.attrId)) {
        return false;
    }
    if (c.objectClass) {
        // The base class and the auxiliary classes.
        const ObjectRecord& o = d.Object(index);
        if (CompareOne(c, d.GetSchema().GetClassDef(o.classId).name)) {
            return true;
        }
        for (std::int32_t aux : o.auxClasses) {
            if (CompareOne(c, d.GetSchema().GetClassDef(aux).name)) {
                return true;
            }
        }
        return false;
    }
    std::vector<std::string_view> texts;
    for (const std::string& value : d.Values(index, c.attrId)) {
        if (c.numeric) {
            std::int64_t number = 0;
            if (!StoredNumber(c.attrSyntax, value, &number)) {
                continue;
            }
            const bool hit = c.op == FTOK_GE ? number >= c.number
                : c.op == FTOK_LE            ? number <= c.number
                                             : number == c.number;
            if (hit) {
                return true;
            }
            continue;
        }
        if (!IsTextSyntax(c.attrSyntax)) {
            continue;
        }
        StoredTexts(c.attrSyntax, value, &texts);
        for (std::string_view text : texts) {
            if (CompareOne(c, text)) {
                return true;
            }
        }
    }
    return false;
}

class SearchCursor final : public ObjectCursor
{
public:
    SearchCursor(std::shared_ptr<const MemoryDirectory> directory, std::uint32_t base, std::int32_t scope,
        std::optional<Compiled> filter)
        : m_directory(std::move(directory))
        , m_base(base)
        , m_scope(scope)
        , m_filter(std::move(filter))
    {
        if (m_scope != 0) {
            m_stack.push_back(Frame {m_base, 0});
        }
    }

    DirResult Next(ObjectSummary* entry, bool* done) override
    {
        for (;;) {
            std::uint32_t candidate = kNoObject;
            if (m_scope == 0) {
                if (!m_baseDone) {
                    m_baseDone = true;
                    candidate = m_base;
                }
            } else {
                candidate = Step();
            }
            if (candidate == kNoObject) {
                *done = true;
                return 0;
            }
            if (m_directory->IsImplied(candidate)) {
                continue;
            }
            ++m_examined;
            if (!m_filter || Evaluate(*m_directory, *m_filter, candidate)) {
                m_directory->Summarize(candidate, entry);
                *done = false;
                return 0;
            }
        }
    }
    std::uint32_t Examined() const override { return m_examined; }

private:
    struct Frame
    {
        std::uint32_t object;
        std::size_t next;
    };

    // The next object of a depth-first walk below the base (one level for
    // scope 1), or kNoObject.
    std::uint32_t Step()
    {
        while (!m_stack.empty()) {
            Frame& top = m_stack.back();
            const auto& children = m_directory->Object(top.object).children;
            if (top.next >= children.size()) {
                m_stack.pop_back();
                continue;
            }
            const std::uint32_t child = children[top.next++];
            if (m_scope == 2 && !m_directory->Object(child).children.empty()) {
                m_stack.push_back(Frame {child, 0});
            }
            return child;
        }
        return kNoObject;
    }

    std::shared_ptr<const MemoryDirectory> m_directory;
    std::uint32_t m_base;
    std::int32_t m_scope;
    std::optional<Compiled> m_filter;
    std::vector<Frame> m_stack;
    bool m_baseDone = false;
    std::uint32_t m_examined = 0;
};

} // namespace

DirResult MemoryDirectory::OpenSearch(
    std::string_view base, std::int32_t scope, const FilterNode* filter, std::unique_ptr<ObjectCursor>* cursor)
{
    const std::uint32_t index = find(base);
    if (index == kNoObject) {
        return ERR_NO_SUCH_ENTRY;
    }
    std::optional<Compiled> compiled;
    if (filter != nullptr) {
        compiled = Compile(m_schema, *filter);
    }
    *cursor = std::make_unique<SearchCursor>(shared_from_this(), index, scope, std::move(compiled));
    return 0;
}

} // namespace veralith::client::memory
