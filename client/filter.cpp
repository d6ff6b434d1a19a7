// Filter cursors: tokens are collected as they come and built into an
// expression at DirPutFilter, with parentheses grouping and NOT binding
// tighter than AND, AND tighter than OR.

#include "client/buffers.h"
#include "client/syntax_traits.h"
#include "client/values.h"

#include <cstring>
#include <new>
#include <utility>

namespace veralith::client {

namespace {

// Copies a token value in the form its syntax gives it.
std::string CopyTokenValue(std::uint32_t token, const void* value, std::uint32_t syntax)
{
    if (value == nullptr) {
        return {};
    }
    if (token == FTOK_AVAL) {
        const FilterValue form = TraitsOfSyntax(syntax).filter;
        if (form == FilterValue::Flag || form == FilterValue::Integer) {
            return std::string(static_cast<const char*>(value), sizeof(std::int32_t));
        }
        if (form == FilterValue::Time) {
            return std::string(static_cast<const char*>(value), sizeof(DirTimeStamp));
        }
    }
    return std::string(static_cast<const char*>(value));
}

bool HasValueForm(std::uint32_t syntax)
{
    return syntax != SYN_UNKNOWN && syntax < SYNTAX_COUNT;
}

class FilterParser
{
public:
    FilterParser(const std::vector<FilterTokenRecord>& tokens, const Context& context)
        : m_tokens(tokens)
        , m_context(context)
    { }

    bool Parse(FilterNode* root)
    {
        if (!Expression(root)) {
            return false;
        }
        return Peek() == FTOK_END && m_pos + 1 == m_tokens.size();
    }

private:
    std::uint32_t Peek() const { return m_pos < m_tokens.size() ? m_tokens[m_pos].token : 0xFFFFFFFFu; }

    bool Expression(FilterNode* node)
    {
        return Binary(node, FTOK_OR, FilterNode::Kind::Or, &FilterParser::Conjunction);
    }
    bool Conjunction(FilterNode* node) { return Binary(node, FTOK_AND, FilterNode::Kind::And, &FilterParser::Unary); }

    bool Binary(
        FilterNode* node, std::uint32_t token, FilterNode::Kind kind, bool (FilterParser::*operand)(FilterNode*))
    {
        FilterNode first;
        if (!(this->*operand)(&first)) {
            return false;
        }
        if (Peek() != token) {
            *node = std::move(first);
            return true;
        }
        FilterNode group;
        group.kind = kind;
        group.children.push_back(std::move(first));
        while (Peek() == token) {
            ++m_pos;
            FilterNode next;
            if (!(this->*operand)(&next)) {
                return false;
            }
            group.children.push_back(std::move(next));
        }
        *node = std::move(group);
        return true;
    }

    bool Unary(FilterNode* node)
    {
        if (++m_depth > 256) {
            return false;
        }
        bool ok = false;
        const std::uint32_t token = Peek();
        if (token == FTOK_NOT) {
            ++m_pos;
            FilterNode child;
            ok = Unary(&child);
            node->kind = FilterNode::Kind::Not;
            node->children.push_back(std::move(child));
        } else if (token == FTOK_LPAREN) {
            ++m_pos;
            ok = Expression(node) && Peek() == FTOK_RPAREN;
            ++m_pos;
        } else {
            ok = Item(node);
        }
        --m_depth;
        return ok;
    }

    // The attribute-name token that must follow a test token.
    bool Name(const FilterTokenRecord** record)
    {
        if (Peek() != FTOK_ANAME) {
            return false;
        }
        *record = &m_tokens[m_pos++];
        return true;
    }

    bool Item(FilterNode* node)
    {
        const std::uint32_t token = Peek();
        const FilterTokenRecord* anchor = nullptr;
        if (token == FTOK_BASECLS || token == FTOK_RDN || token == FTOK_PRESENT) {
            ++m_pos;
            if (!Name(&anchor)) {
                return false;
            }
            if (token == FTOK_BASECLS) {
                node->kind = FilterNode::Kind::BaseClass;
                node->text = anchor->value;
            } else if (token == FTOK_RDN) {
                node->kind = FilterNode::Kind::RelativeName;
                node->text = anchor->value;
                if (const std::size_t eq = node->text.find('='); eq != std::string::npos) {
                    node->text.erase(0, eq + 1); // "CN=x" tests x
                }
            } else {
                node->kind = FilterNode::Kind::Present;
                node->attribute = anchor->value;
                node->syntaxId = anchor->syntaxId;
            }
            return true;
        }
        if (!Name(&anchor)) {
            return false;
        }
        const std::uint32_t op = Peek();
        if (op != FTOK_EQ && op != FTOK_GE && op != FTOK_LE && op != FTOK_APPROX) {
            return false;
        }
        ++m_pos;
        node->kind = FilterNode::Kind::Compare;
        node->attribute = anchor->value;
        node->syntaxId = anchor->syntaxId;
        node->op = op;
        if (Peek() == FTOK_AVAL) {
            const FilterTokenRecord& value = m_tokens[m_pos++];
            node->syntaxId = value.syntaxId;
            node->hasValue = value.hasValue && HasValueForm(value.syntaxId);
            node->value = value.value;
            if (node->hasValue && value.syntaxId == SYN_DIST_NAME) {
                node->value = ResolveName(value.value);
            }
        }
        return true;
    }

    // A distinguished-name value is resolved like any name the caller writes;
    // a value with wildcards is compared as it stands.
    std::string ResolveName(const std::string& text) const
    {
        if (text.find('*') != std::string::npos) {
            return text;
        }
        std::string full;
        return ResolveFullName(m_context, text.c_str(), &full) == 0 ? full : text;
    }

    const std::vector<FilterTokenRecord>& m_tokens;
    const Context& m_context;
    std::size_t m_pos = 0;
    int m_depth = 0;
};

} // namespace

DirResult DirAllocFilter(DirFilter** cursor)
{
    CountCall();
    if (cursor == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    auto* created = new (std::nothrow) DirFilter;
    if (created == nullptr) {
        return ERR_NOT_ENOUGH_MEMORY;
    }
    State().filters.insert(created);
    *cursor = created;
    return 0;
}

DirResult DirAddFilterToken(DirFilter* cursor, std::uint32_t token, const void* value, std::uint32_t syntaxId)
{
    CountCall();
    ClientState& s = State();
    if (cursor == nullptr || s.filters.count(cursor) == 0) {
        return ERR_INVALID_HANDLE;
    }
    FilterTokenRecord record;
    record.token = token;
    record.hasValue = value != nullptr;
    record.value = CopyTokenValue(token, value, syntaxId);
    record.syntaxId = syntaxId;
    if (s.tokenObserver) {
        s.tokenObserver(record);
    }
    cursor->tokens.push_back(std::move(record));
    return 0;
}

DirResult DirPutFilter(DirContext context, DirBuffer* buffer, DirFilter* cursor, DirFreeValueFn /*freeValue*/)
{
    CountCall();
    ClientState& s = State();
    const Context* c = FindContext(context);
    if (c == nullptr || !IsLiveBuffer(buffer)) {
        return ERR_INVALID_HANDLE;
    }
    if (buffer->content != BufferContent::FilterRequest) {
        return ERR_BAD_VERB;
    }
    if (cursor == nullptr) {
        buffer->hasFilter = false;
        buffer->filter = FilterNode();
        return 0;
    }
    if (s.filters.count(cursor) == 0) {
        return ERR_INVALID_HANDLE;
    }
    FilterNode root;
    FilterParser parser(cursor->tokens, *c);
    if (!parser.Parse(&root)) {
        return ERR_INVALID_FILTER_SYNTAX;
    }
    buffer->hasFilter = true;
    buffer->filter = std::move(root);
    s.filters.erase(cursor);
    delete cursor;
    return 0;
}

DirResult DirFreeFilter(DirFilter* cursor, DirFreeValueFn /*freeValue*/)
{
    CountCall();
    if (State().filters.erase(cursor) == 0) {
        return ERR_INVALID_HANDLE;
    }
    delete cursor;
    return 0;
}

FilterTokenObserver SetFilterTokenObserver(FilterTokenObserver observer)
{
    return std::exchange(State().tokenObserver, std::move(observer));
}

} // namespace veralith::client
