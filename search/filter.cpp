#include "search/filter.h"

#include "client/civil_date.h"
#include "client/syntax_traits.h"
#include "client/values.h"
#include "util/number.h"
#include "util/string_list.h"
#include "util/text.h"
#include "values/dirtime.h"
#include "values/errors.h"

#include <array>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace veralith::search {

namespace {

const util::CharSet kBlanks {'\t', ' '};

std::string TrimBlanks(std::string_view text)
{
    return util::TrimLeftSet(util::TrimRightSet(text, kBlanks), kBlanks);
}

// The replacements that put every keyword and group sign on a line of its own,
// in the order in which they must run: the doubled aliases before the single
// ones, the joining of doubled line breaks last.
constexpr std::array<std::pair<std::string_view, std::string_view>, 11> kSplitReplacements {{
    {"(", "\r\n(\r\n"},
    {")", "\r\n)\r\n"},
    {"#AND#", "\r\n#AND#\r\n"},
    {"&&", "\r\n#AND#\r\n"},
    {"&", "\r\n#AND#\r\n"},
    {"#OR#", "\r\n#OR#\r\n"},
    {"||", "\r\n#OR#\r\n"},
    {"|", "\r\n#OR#\r\n"},
    {"#NOT#", "\r\n#NOT#\r\n"},
    {"!", "\r\n#NOT#\r\n"},
    {"\r\n\r\n", "\r\n"},
}};

struct Keyword
{
    std::string_view text;
    std::uint32_t token;
};

constexpr std::array<Keyword, 5> kKeywords {{
    {"(", client::FTOK_LPAREN},
    {")", client::FTOK_RPAREN},
    {"#AND#", client::FTOK_AND},
    {"#OR#", client::FTOK_OR},
    {"#NOT#", client::FTOK_NOT},
}};

// The operators in the order in which an item is searched for them.
constexpr std::array<std::string_view, 8> kOperators {"<=", "#LE#", ">=", "#GE#", "=", "#EQ#", "#APPROX#", "#PRESENT#"};

constexpr std::string_view kPresent = "#PRESENT#";

std::uint32_t OperatorToken(std::string_view op)
{
    if (op == "=" || op == "#EQ#") {
        return client::FTOK_EQ;
    }
    if (op == ">=" || op == "#GE#") {
        return client::FTOK_GE;
    }
    if (op == "<=" || op == "#LE#") {
        return client::FTOK_LE;
    }
    return client::FTOK_APPROX;
}

client::DirResult AddToken(SearchState& state, std::uint32_t token)
{
    return client::DirAddFilterToken(state.cursor.get(), token, nullptr, 0);
}

// Adds a token whose value gets storage of its own, kept in the state.
client::DirResult AddToken(SearchState& state, std::uint32_t token, FilterTokenValue value, std::uint32_t syntaxId)
{
    const FilterTokenValue& stored = state.tokenValues.emplace_back(std::move(value));
    return client::DirAddFilterToken(state.cursor.get(), token, stored.data(), syntaxId);
}

// 1, 0, or nothing for a word that is none of the six boolean words.
std::optional<std::int32_t> ReadBooleanWord(const std::string& value)
{
    if (util::TextInList(value, {"TRUE", "#TRUE#", "#YES#"}, false)) {
        return 1;
    }
    if (util::TextInList(value, {"FALSE", "#FALSE#", "#NO#"}, false)) {
        return 0;
    }
    return std::nullopt;
}

// Emits token 6 with the value converted by the syntax id.
client::DirResult AddValueToken(SearchState& state, const std::string& value, std::uint32_t syntaxId)
{
    using client::FilterValue;
    switch (client::TraitsOfSyntax(syntaxId).filter) {
    case FilterValue::None:
        return client::DirAddFilterToken(state.cursor.get(), client::FTOK_AVAL, nullptr, syntaxId);
    case FilterValue::Text:
        return AddToken(state, client::FTOK_AVAL, FilterTokenValue(value), syntaxId);
    case FilterValue::Flag: {
        const std::optional<std::int32_t> flag = ReadBooleanWord(value);
        if (!flag) {
            return kFilterSyntaxError;
        }
        return AddToken(state, client::FTOK_AVAL, FilterTokenValue(*flag), syntaxId);
    }
    case FilterValue::Integer: {
        std::int32_t number = 0;
        try {
            number = util::TextToInteger(value);
        } catch (const std::out_of_range&) {
            return kFilterSyntaxError;
        }
        return AddToken(state, client::FTOK_AVAL, FilterTokenValue(number), syntaxId);
    }
    case FilterValue::Time: {
        const std::optional<double> date = ReadFilterDate(value);
        if (!date) {
            return kFilterSyntaxError;
        }
        client::DirTimeStamp stamp {};
        try {
            stamp.wholeSeconds = values::DateTimeToDirTime(*date);
        } catch (const values::ValueError&) {
            return kFilterSyntaxError; // before 1970-01-01 or after 2106-02-07
        }
        state.timeStamp = stamp;
        return AddToken(state, client::FTOK_AVAL, FilterTokenValue(stamp), syntaxId);
    }
    case FilterValue::NotComparable:
        break;
    }
    return kFilterSyntaxError;
}

// A non-empty run of decimal digits with a value of at most 65535.
std::optional<int> ReadDatePart(const std::string& text)
{
    if (text.empty()) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > 65535) {
            return std::nullopt;
        }
    }
    return value;
}

std::optional<double> ReadDateWith(const std::string& text, std::string_view separator)
{
    const util::SplitTriple parts = util::SplitInThree(text, separator);
    const std::optional<int> year = ReadDatePart(parts.first);
    const std::optional<int> month = ReadDatePart(parts.second);
    const std::optional<int> day = ReadDatePart(parts.rest);
    if (!year || !month || !day) {
        return std::nullopt;
    }
    if (*year < 1 || *year > 9999 ||
        !client::IsCivilDate(*year, static_cast<unsigned>(*month), static_cast<unsigned>(*day))) {
        return std::nullopt;
    }
    // Days from 1899-12-30, the origin of date-time values.
    return static_cast<double>(
               client::DaysSince1970(*year, static_cast<unsigned>(*month), static_cast<unsigned>(*day))) +
        values::kUnixEpochDateTime;
}

} // namespace

std::vector<std::string> SplitFilterText(const std::string& text)
{
    std::string work = text.substr(0, text.find('\0'));
    for (const auto& [pattern, replacement] : kSplitReplacements) {
        util::ReplaceInPlace(work, pattern, replacement, true, true);
    }
    return util::SplitLines(work);
}

client::DirResult TranslateFilterLine(const std::string& line, SearchState& state)
{
    const std::string item = TrimBlanks(line);
    if (item.empty()) {
        return 0;
    }
    if (state.cursor.get() == nullptr) {
        if (const client::DirResult result = state.cursor.allocate(); result != 0) {
            return result;
        }
    }
    for (const Keyword& keyword : kKeywords) {
        if (item == keyword.text) {
            return AddToken(state, keyword.token);
        }
    }
    for (std::string_view op : kOperators) {
        if (item.find(op) != std::string::npos) {
            const util::SplitPair parts = util::SplitAtFirst(item, op);
            return TranslateComparison(TrimBlanks(parts.left), std::string(op), TrimBlanks(parts.right), state);
        }
    }
    return kFilterSyntaxError;
}

client::DirResult TranslateComparison(
    const std::string& name, const std::string& op, const std::string& value, SearchState& state)
{
    // Base-class test: the operator is not examined.
    if (util::TextInList(name, {"Object Class", "Base Class"}, false)) {
        if (value == "*") {
            return kFilterSyntaxError;
        }
        client::DirResult result = AddToken(state, client::FTOK_BASECLS);
        std::string className = value;
        if (util::SameTextIgnoreCase(className, "o")) {
            className = "Organization";
        } else if (util::SameTextIgnoreCase(className, "ou")) {
            className = "Organizational Unit";
        }
        if (result == 0) {
            result = AddToken(state, client::FTOK_ANAME, FilterTokenValue(className), client::SYN_CLASS_NAME);
        }
        return result;
    }

    // Relative-name test: only the operator "=" qualifies.
    if (op == "=" && util::TextInList(name, {"Name", "CN", "RDN"}, false)) {
        client::DirResult result = AddToken(state, client::FTOK_RDN);
        if (result == 0) {
            result = AddToken(state, client::FTOK_ANAME, FilterTokenValue(value), client::SYN_DIST_NAME);
        }
        return result;
    }

    // Attribute test. An auxiliary class is tested as a member of the
    // object's class list.
    const std::string attribute = util::SameTextIgnoreCase(name, "Aux Class") ? std::string("Object Class") : name;
    std::uint32_t syntaxId = 0;
    client::DirResult result = client::DirGetSyntaxId(state.current.context, attribute.c_str(), &syntaxId);
    if (result != 0) {
        return result;
    }
    const bool present = op == kPresent || (op == "=" && value == "*");
    if (present) {
        result = AddToken(state, client::FTOK_PRESENT);
        if (result != 0) {
            return result;
        }
    }
    result = AddToken(state, client::FTOK_ANAME, FilterTokenValue(attribute), syntaxId);
    if (result != 0 || present) {
        return result;
    }
    result = AddToken(state, OperatorToken(op));
    if (result != 0) {
        return result;
    }
    return AddValueToken(state, value, syntaxId);
}

std::optional<double> ReadFilterDate(const std::string& text)
{
    if (std::optional<double> date = ReadDateWith(text, "-")) {
        return date;
    }
    return ReadDateWith(text, "/");
}

} // namespace veralith::search
