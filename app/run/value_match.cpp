#include "app/run/value_match.h"

#include "client/name_syntax.h"
#include "util/text.h"

#include <algorithm>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace veralith::app {

namespace {

// Characters the mapping step of the preparation removes: controls other than
// the line-break ones, soft hyphen, joiners, directional marks, variation
// selectors, byte order mark and the object replacement characters.
bool MapsToNothing(UChar32 c)
{
    return (c <= 0x08) || (c >= 0x0E && c <= 0x1F) || (c >= 0x7F && c <= 0x84) || (c >= 0x86 && c <= 0x9F) ||
        c == 0xAD || c == 0x34F || c == 0x6DD || c == 0x70F || c == 0x1806 || (c >= 0x180B && c <= 0x180E) ||
        (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x2063) ||
        (c >= 0x206A && c <= 0x206F) || (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFC) ||
        (c >= 0x1D173 && c <= 0x1D17A) || c == 0xE0001 || (c >= 0xE0020 && c <= 0xE007F);
}

// Characters the mapping step makes a space: tab, line breaks and every
// separator character.
bool MapsToSpace(UChar32 c)
{
    if ((c >= 0x09 && c <= 0x0D) || c == 0x85) {
        return true;
    }
    const auto type = static_cast<UCharCategory>(u_charType(c));
    return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

bool IsHyphen(UChar32 c)
{
    return c == 0x2D || c == 0x58A || c == 0x2010 || c == 0x2011 || c == 0x2212 || c == 0xFE63 || c == 0xFF0D;
}

bool IsValidUtf8(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t i = 0;
    while (i < length) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            return false;
        }
    }
    return true;
}

// The mapping and normalisation steps; the result is UTF-8.
std::string MapAndNormalize(std::string_view value, bool foldCase)
{
    const icu::UnicodeString source =
        icu::UnicodeString::fromUTF8(icu::StringPiece(value.data(), static_cast<std::int32_t>(value.size())));
    icu::UnicodeString mapped;
    for (std::int32_t i = 0; i < source.length(); i = source.moveIndex32(i, 1)) {
        const UChar32 c = source.char32At(i);
        if (MapsToNothing(c)) {
            continue;
        }
        mapped.append(MapsToSpace(c) ? UChar32 {0x20} : c);
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* normalizer =
        foldCase ? icu::Normalizer2::getNFKCCasefoldInstance(status) : icu::Normalizer2::getNFKCInstance(status);
    icu::UnicodeString normalized;
    if (U_SUCCESS(status)) {
        normalized = normalizer->normalize(mapped, status);
    }
    if (U_FAILURE(status)) {
        // ICU without its data: the mapped text, folded as far as ICU can.
        normalized = foldCase ? mapped.foldCase() : mapped;
    }
    std::string out;
    normalized.toUTF8String(out);
    return out;
}

// Spaces at either end dropped, inner runs made one space; only spaces: one.
std::string CollapseSpaces(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    bool pendingSpace = false;
    for (const char c : text) {
        if (c == ' ') {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace) {
            out += ' ';
            pendingSpace = false;
        }
        out += c;
    }
    return out.empty() ? std::string(" ") : out;
}

// Removes the code points for which drop answers true from UTF-8 text.
template<typename Predicate>
std::string RemoveCodePoints(const std::string& text, Predicate drop)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::string out;
    std::int32_t i = 0;
    while (i < length) {
        const std::int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (!drop(c)) {
            out.append(text, static_cast<std::size_t>(start), static_cast<std::size_t>(i - start));
        }
    }
    return out;
}

// The parts of text between unescaped separators, escapes kept; an empty
// text is one empty part.
std::vector<std::string_view> SplitParts(std::string_view text, char separator)
{
    std::vector<std::string_view> parts = client::SplitUnescaped(text, separator);
    if (parts.empty()) {
        parts.emplace_back();
    }
    return parts;
}

} // namespace

SyntaxMatch SyntaxMatchFor(std::uint32_t syntaxId)
{
    return client::TraitsOfSyntax(syntaxId).match;
}

std::string PrepareDirectoryString(std::string_view value, bool foldCase)
{
    if (!IsValidUtf8(value)) {
        return std::string(value);
    }
    return CollapseSpaces(MapAndNormalize(value, foldCase));
}

std::string NameMatchKey(std::string_view name)
{
    if (name.starts_with('.')) {
        name.remove_prefix(1);
    }
    std::vector<std::string> relativeKeys;
    for (const std::string_view relative : SplitParts(name, '.')) {
        std::vector<std::string> partKeys;
        for (const std::string_view part : SplitParts(relative, '+')) {
            const std::size_t equals = client::FindUnescaped(part, '=');
            std::string type;
            std::string_view valueText = part;
            if (equals != std::string::npos) {
                type = util::FoldAsciiCase(util::TrimLeftChars(util::TrimRightChars(part.substr(0, equals), " "), " "));
                valueText = part.substr(equals + 1);
            }
            partKeys.push_back(
                JoinMatchKeys({type, PrepareDirectoryString(client::UnescapeNameValue(valueText), true)}));
        }
        std::sort(partKeys.begin(), partKeys.end());
        relativeKeys.push_back(JoinMatchKeys(partKeys));
    }
    return JoinMatchKeys(relativeKeys);
}

std::string JoinMatchKeys(const std::vector<std::string>& keys)
{
    std::string joined;
    for (const std::string& key : keys) {
        joined += std::to_string(key.size());
        joined += ':';
        joined += key;
    }
    return joined;
}

std::string ValueMatchKey(std::string_view value, MatchRule rule, SyntaxMatch syntax)
{
    switch (rule) {
    case MatchRule::Case:
        return util::FoldAsciiCase(value);
    case MatchRule::Exact:
        return std::string(value);
    case MatchRule::Directory:
        break;
    }
    if (!IsValidUtf8(value)) {
        return std::string(value);
    }
    switch (syntax) {
    case SyntaxMatch::Bytes:
        return std::string(value);
    case SyntaxMatch::CaseExact:
        return PrepareDirectoryString(value, false);
    case SyntaxMatch::CaseIgnore:
        return PrepareDirectoryString(value, true);
    case SyntaxMatch::Numeric:
        return RemoveCodePoints(MapAndNormalize(value, false), [](UChar32 c) { return c == 0x20; });
    case SyntaxMatch::Telephone:
        return RemoveCodePoints(MapAndNormalize(value, true), [](UChar32 c) { return c == 0x20 || IsHyphen(c); });
    case SyntaxMatch::Name:
        return NameMatchKey(value);
    }
    return std::string(value);
}

std::string WholeValueMatchKey(const std::vector<std::string>& values, MatchRule rule, SyntaxMatch syntax)
{
    if (rule != MatchRule::Directory) {
        std::string joined;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i > 0) {
                joined += "\r\n";
            }
            joined += values[i];
        }
        return ValueMatchKey(joined, rule, syntax);
    }
    std::vector<std::string> keys;
    keys.reserve(values.size());
    for (const std::string& value : values) {
        keys.push_back(ValueMatchKey(value, rule, syntax));
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return JoinMatchKeys(keys);
}

} // namespace veralith::app
