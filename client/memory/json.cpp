#include "client/memory/json.h"

#include "client/text_codec.h"

#include <charconv>

namespace veralith::client::memory {

namespace {

constexpr int kMaxDepth = 128;

} // namespace

class JsonParser
{
public:
    JsonParser(JsonDocument& doc, std::string_view text, const ElementSink& sink)
        : m_doc(doc)
        , m_text(text)
        , m_sink(sink)
    { }

    bool Run(std::string* error)
    {
        SkipBlanks();
        if (!Value(0)) {
            *error = m_error;
            return false;
        }
        if (m_stopped) {
            error->clear();
            return false;
        }
        SkipBlanks();
        if (m_pos != m_text.size()) {
            Fail("unexpected text after the document");
            *error = m_error;
            return false;
        }
        return true;
    }

private:
    bool Fail(std::string_view what)
    {
        if (!m_error.empty() || m_stopped) {
            return false;
        }
        // Line and column (in bytes, from 1) of the fault.
        std::size_t line = 1;
        std::size_t column = 1;
        const std::size_t end = m_pos < m_text.size() ? m_pos : m_text.size();
        for (std::size_t i = 0; i < end; ++i) {
            if (m_text[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        m_error = std::to_string(line) + ":" + std::to_string(column) + ": syntax error: " + std::string(what);
        return false;
    }

    bool AtEnd() const { return m_pos >= m_text.size(); }
    char Peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }

    void SkipBlanks()
    {
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
                break;
            }
            ++m_pos;
        }
    }

    std::uint32_t AddNode(JsonType type)
    {
        m_doc.m_nodes.emplace_back();
        m_doc.m_nodes.back().type = type;
        return static_cast<std::uint32_t>(m_doc.m_nodes.size() - 1);
    }

    bool Literal(std::string_view word, JsonType type)
    {
        if (m_text.substr(m_pos, word.size()) != word) {
            return Fail(AtEnd() ? "unexpected end of file" : "expected a value");
        }
        m_pos += word.size();
        AddNode(type);
        return true;
    }

    bool Value(int depth)
    {
        // Only the value right after the root's "objects" key is streamed.
        const bool streamed = m_streamNext;
        m_streamNext = false;
        if (AtEnd()) {
            return Fail("unexpected end of file");
        }
        switch (Peek()) {
        case '{':
            return Object(depth + 1);
        case '[':
            return Array(depth + 1, streamed);
        case '"':
            return String();
        case 't':
            return Literal("true", JsonType::True);
        case 'f':
            return Literal("false", JsonType::False);
        case 'n':
            return Literal("null", JsonType::Null);
        default:
            if (Peek() == '-' || (Peek() >= '0' && Peek() <= '9')) {
                return Number();
            }
            return Fail("expected a value");
        }
    }

    bool Digits()
    {
        const std::size_t start = m_pos;
        while (!AtEnd() && Peek() >= '0' && Peek() <= '9') {
            ++m_pos;
        }
        return m_pos > start;
    }

    bool Number()
    {
        const std::size_t start = m_pos;
        if (Peek() == '-') {
            ++m_pos;
        }
        if (Peek() == '0') {
            ++m_pos;
        } else if (!Digits()) {
            return Fail("invalid number");
        }
        if (Peek() == '.') {
            ++m_pos;
            if (!Digits()) {
                return Fail("invalid number");
            }
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++m_pos;
            if (Peek() == '+' || Peek() == '-') {
                ++m_pos;
            }
            if (!Digits()) {
                return Fail("invalid number");
            }
        }
        const std::uint32_t node = AddNode(JsonType::Number);
        m_doc.m_nodes[node].offset = static_cast<std::uint32_t>(start);
        m_doc.m_nodes[node].length = static_cast<std::uint32_t>(m_pos - start);
        return true;
    }

    bool Hex4(std::uint32_t* unit)
    {
        if (m_text.size() - m_pos < 4) {
            m_pos = m_text.size();
            return Fail("unexpected end of file");
        }
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const int d = HexDigitValue(m_text[m_pos]);
            if (d < 0) {
                return Fail("invalid \\u escape");
            }
            v = v * 16 + static_cast<std::uint32_t>(d);
            ++m_pos;
        }
        *unit = v;
        return true;
    }

    bool String()
    {
        ++m_pos; // opening quote
        const std::size_t start = m_pos;
        // Fast path: no escapes, the text is a slice of the input.
        while (!AtEnd()) {
            const char c = m_text[m_pos];
            if (c == '"') {
                const std::uint32_t node = AddNode(JsonType::String);
                m_doc.m_nodes[node].offset = static_cast<std::uint32_t>(start);
                m_doc.m_nodes[node].length = static_cast<std::uint32_t>(m_pos - start);
                ++m_pos;
                return true;
            }
            if (c == '\\') {
                break;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return Fail("control character in a string");
            }
            ++m_pos;
        }
        if (AtEnd()) {
            return Fail("unexpected end of file in a string");
        }
        std::string out(m_text.substr(start, m_pos - start));
        while (!AtEnd()) {
            const char c = m_text[m_pos];
            if (c == '"') {
                ++m_pos;
                const std::uint32_t node = AddNode(JsonType::String);
                m_doc.m_nodes[node].decoded = true;
                m_doc.m_nodes[node].offset = static_cast<std::uint32_t>(m_doc.m_decoded.size());
                m_doc.m_nodes[node].length = static_cast<std::uint32_t>(out.size());
                m_doc.m_decoded += out;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return Fail("control character in a string");
            }
            if (c != '\\') {
                out += c;
                ++m_pos;
                continue;
            }
            ++m_pos;
            if (AtEnd()) {
                break;
            }
            const char e = m_text[m_pos++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                std::uint32_t unit = 0;
                if (!Hex4(&unit)) {
                    return false;
                }
                if (unit >= 0xD800 && unit <= 0xDBFF) {
                    std::uint32_t low = 0;
                    if (m_text.substr(m_pos, 2) != "\\u") {
                        return Fail("unpaired surrogate in a \\u escape");
                    }
                    m_pos += 2;
                    if (!Hex4(&low)) {
                        return false;
                    }
                    if (low < 0xDC00 || low > 0xDFFF) {
                        return Fail("unpaired surrogate in a \\u escape");
                    }
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                    return Fail("unpaired surrogate in a \\u escape");
                }
                AppendUtf8(out, unit);
                break;
            }
            default:
                --m_pos;
                return Fail("invalid escape in a string");
            }
        }
        return Fail("unexpected end of file in a string");
    }

    bool Array(int depth, bool streamed)
    {
        if (depth > kMaxDepth) {
            return Fail("nesting deeper than 128 levels");
        }
        // The root's "objects" goes element by element to the sink.
        bool keep = !streamed || !m_sink;
        ++m_pos;
        const std::uint32_t node = AddNode(JsonType::Array);
        SkipBlanks();
        if (Peek() == ']') {
            ++m_pos;
            return true;
        }
        std::uint32_t previous = kNoNode;
        for (;;) {
            SkipBlanks();
            const auto element = static_cast<std::uint32_t>(m_doc.m_nodes.size());
            const std::size_t decoded = m_doc.m_decoded.size();
            if (!Value(depth)) {
                return false;
            }
            if (!keep) {
                switch (m_sink(element, m_doc.m_nodes[node].count)) {
                case SinkAnswer::Stop:
                    m_stopped = true;
                    return false;
                case SinkAnswer::Consumed:
                    m_doc.m_nodes.resize(element);
                    m_doc.m_decoded.resize(decoded);
                    ++m_doc.m_nodes[node].count;
                    break;
                case SinkAnswer::Keep:
                    keep = true;
                    break;
                }
            }
            if (keep) {
                Link(node, previous, element);
                previous = element;
            }
            SkipBlanks();
            if (Peek() == ',') {
                ++m_pos;
                continue;
            }
            if (Peek() == ']') {
                ++m_pos;
                return true;
            }
            return Fail(AtEnd() ? "unexpected end of file" : "expected ',' or ']'");
        }
    }

    bool Object(int depth)
    {
        if (depth > kMaxDepth) {
            return Fail("nesting deeper than 128 levels");
        }
        ++m_pos;
        const std::uint32_t node = AddNode(JsonType::Object);
        SkipBlanks();
        if (Peek() == '}') {
            ++m_pos;
            return true;
        }
        std::uint32_t previousValue = kNoNode;
        for (;;) {
            SkipBlanks();
            if (Peek() != '"') {
                return Fail(AtEnd() ? "unexpected end of file" : "expected a member name in quotes");
            }
            const auto key = static_cast<std::uint32_t>(m_doc.m_nodes.size());
            if (!String()) {
                return false;
            }
            SkipBlanks();
            if (Peek() != ':') {
                return Fail(AtEnd() ? "unexpected end of file" : "expected ':'");
            }
            ++m_pos;
            SkipBlanks();
            const auto memberValue = static_cast<std::uint32_t>(m_doc.m_nodes.size());
            m_streamNext = depth == 1 && m_doc.Text(key) == "objects";
            if (!Value(depth)) {
                return false;
            }
            // Keys chain to their values, values to the next key.
            m_doc.m_nodes[key].next = memberValue;
            Link(node, previousValue, key);
            previousValue = memberValue;
            SkipBlanks();
            if (Peek() == ',') {
                ++m_pos;
                continue;
            }
            if (Peek() == '}') {
                ++m_pos;
                return true;
            }
            return Fail(AtEnd() ? "unexpected end of file" : "expected ',' or '}'");
        }
    }

    void Link(std::uint32_t parent, std::uint32_t previous, std::uint32_t element)
    {
        auto& nodes = m_doc.m_nodes;
        if (previous == kNoNode) {
            nodes[parent].first = element;
        } else {
            nodes[previous].next = element;
        }
        ++nodes[parent].count;
    }

    JsonDocument& m_doc;
    std::string_view m_text;
    const ElementSink& m_sink;
    std::size_t m_pos = 0;
    std::string m_error;
    bool m_streamNext = false;
    bool m_stopped = false;
};

bool JsonDocument::Parse(std::string_view text, std::string* error, const ElementSink& sink)
{
    m_text = text;
    m_nodes.clear();
    m_decoded.clear();
    // Tree files hold about one value per 12 bytes; reserving avoids copying
    // the table while it grows (a sink keeps it small).
    m_nodes.reserve(sink ? 4096 : text.size() / 12 + 16);
    JsonParser parser(*this, text, sink);
    const bool ok = parser.Run(error);
    if (!ok) {
        m_nodes.clear();
    }
    m_nodes.shrink_to_fit();
    return ok;
}

std::string_view JsonDocument::Text(std::uint32_t node) const
{
    const Node& n = m_nodes[node];
    if (n.type != JsonType::String && n.type != JsonType::Number) {
        return {};
    }
    return n.decoded ? std::string_view(m_decoded).substr(n.offset, n.length) : m_text.substr(n.offset, n.length);
}

std::uint32_t JsonDocument::Member(std::uint32_t object, std::string_view name) const
{
    if (m_nodes[object].type != JsonType::Object) {
        return kNoNode;
    }
    for (std::uint32_t key = First(object); key != kNoNode; key = Next(Next(key))) {
        if (Text(key) == name) {
            return Next(key);
        }
    }
    return kNoNode;
}

bool JsonDocument::Integer(std::uint32_t node, std::int64_t* value) const
{
    if (m_nodes[node].type != JsonType::Number) {
        return false;
    }
    const std::string_view t = Text(node);
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size()) {
        return false;
    }
    *value = v;
    return true;
}

} // namespace veralith::client::memory
