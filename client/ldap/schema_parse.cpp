#include "client/ldap/schema_parse.h"

#include "client/client.h"
#include "client/ldap/value_forms.h"
#include "client/values.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <unordered_set>

namespace veralith::client::ldap {

namespace {

constexpr std::string_view kEdirSyntaxPrefix = "2.16.840.1.113719.1.1.5.1.";
constexpr std::string_view kLdapSyntaxPrefix = "1.3.6.1.4.1.1466.115.121.1.";

// Splits a description into tokens: "(", ")", "$", quoted texts (without
// their quotes) and words.
bool Tokenize(std::string_view text, std::vector<std::string>* tokens)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '(' || c == ')' || c == '$') {
            tokens->emplace_back(1, c);
            ++i;
        } else if (c == '\'') {
            const std::size_t end = text.find('\'', i + 1);
            if (end == std::string_view::npos) {
                return false;
            }
            std::string quoted(1, '\'');
            quoted.append(text.substr(i + 1, end - i - 1));
            tokens->push_back(std::move(quoted));
            i = end + 1;
        } else {
            const std::size_t start = i;
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) && text[i] != '(' &&
                text[i] != ')' && text[i] != '$' && text[i] != '\'') {
                ++i;
            }
            tokens->emplace_back(text.substr(start, i - start));
        }
    }
    return true;
}

std::string Unquote(const std::string& token)
{
    return !token.empty() && token.front() == '\'' ? token.substr(1) : token;
}

// Reads one value or a parenthesised list of values ("a $ b" or "'a' 'b'").
bool ReadList(const std::vector<std::string>& tokens, std::size_t* pos, std::vector<std::string>* out)
{
    if (*pos >= tokens.size()) {
        return false;
    }
    if (tokens[*pos] != "(") {
        out->push_back(Unquote(tokens[(*pos)++]));
        return true;
    }
    ++*pos;
    while (*pos < tokens.size() && tokens[*pos] != ")") {
        if (tokens[*pos] != "$") {
            out->push_back(Unquote(tokens[*pos]));
        }
        ++*pos;
    }
    if (*pos >= tokens.size()) {
        return false;
    }
    ++*pos;
    return true;
}

bool IsCaseExactRule(std::string_view equality)
{
    return SameTextIgnoreCase(equality, "caseExactMatch") || SameTextIgnoreCase(equality, "caseExactIA5Match") ||
        SameTextIgnoreCase(equality, "octetStringMatch");
}

// The class names that hold other objects in the directories this serves.
bool IsContainerClass(std::string_view name)
{
    static const char* const kContainers[] = {"organization", "organizationalUnit", "country", "locality", "domain",
        "dcObject", "container", "builtinDomain", "nsContainer", "domainDNS", "organizationalRole"};
    for (const char* c : kContainers) {
        if (SameTextIgnoreCase(name, c)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool ParseSchemaDescription(std::string_view text, SchemaDescription* description)
{
    std::vector<std::string> tokens;
    if (!Tokenize(text, &tokens) || tokens.size() < 3 || tokens.front() != "(" || tokens.back() != ")") {
        return false;
    }
    SchemaDescription d;
    d.oid = tokens[1];
    std::size_t pos = 2;
    while (pos + 1 < tokens.size()) {
        const std::string keyword = tokens[pos++];
        if (keyword == "NAME") {
            if (!ReadList(tokens, &pos, &d.names)) {
                return false;
            }
        } else if (keyword == "SUP") {
            if (!ReadList(tokens, &pos, &d.superiors)) {
                return false;
            }
        } else if (keyword == "MUST") {
            if (!ReadList(tokens, &pos, &d.must)) {
                return false;
            }
        } else if (keyword == "MAY") {
            if (!ReadList(tokens, &pos, &d.may)) {
                return false;
            }
        } else if (keyword == "STRUCTURAL" || keyword == "AUXILIARY" || keyword == "ABSTRACT") {
            d.kind = keyword;
        } else if (keyword == "SINGLE-VALUE") {
            d.singleValued = true;
        } else if (keyword == "NO-USER-MODIFICATION") {
            d.noUserModification = true;
        } else if (keyword == "OBSOLETE" || keyword == "COLLECTIVE") {
            // flags without a value
        } else if (keyword == "SYNTAX") {
            if (pos >= tokens.size()) {
                return false;
            }
            std::string syntax = Unquote(tokens[pos++]);
            if (const std::size_t brace = syntax.find('{'); brace != std::string::npos) {
                d.upperBound = static_cast<std::uint32_t>(std::strtoul(syntax.c_str() + brace + 1, nullptr, 10));
                syntax.resize(brace);
            }
            d.syntax = syntax;
        } else if (keyword == "EQUALITY") {
            if (pos >= tokens.size()) {
                return false;
            }
            d.equality = tokens[pos++];
        } else if (keyword == "USAGE") {
            if (pos >= tokens.size()) {
                return false;
            }
            d.operational = tokens[pos++] != "userApplications";
        } else {
            // DESC, ORDERING, SUBSTR, X-... and anything newer: one value or a list.
            std::vector<std::string> ignored;
            if (!ReadList(tokens, &pos, &ignored)) {
                return false;
            }
        }
    }
    *description = std::move(d);
    return true;
}

std::uint32_t SyntaxIdFor(std::string_view syntaxOid, std::string_view equality)
{
    if (syntaxOid.substr(0, kEdirSyntaxPrefix.size()) == kEdirSyntaxPrefix) {
        const std::string_view rest = syntaxOid.substr(kEdirSyntaxPrefix.size());
        std::uint32_t n = 0;
        for (char c : rest) {
            if (!std::isdigit(static_cast<unsigned char>(c))) {
                return SYN_OCTET_STRING;
            }
            n = n * 10 + static_cast<std::uint32_t>(c - '0');
            if (n >= SYNTAX_COUNT) {
                return SYN_OCTET_STRING;
            }
        }
        return rest.empty() ? SYN_OCTET_STRING : n;
    }
    if (syntaxOid.substr(0, kLdapSyntaxPrefix.size()) != kLdapSyntaxPrefix) {
        return SYN_CI_STRING;
    }
    const std::string_view n = syntaxOid.substr(kLdapSyntaxPrefix.size());
    const bool exact = IsCaseExactRule(equality);
    if (n == "15" || n == "26" || n == "44") { // Directory String, IA5 String, Printable (IA5-like)
        if (n == "44") {
            return SYN_PR_STRING;
        }
        return exact ? SYN_CE_STRING : SYN_CI_STRING;
    }
    if (n == "12" || n == "34") { // DN, Name and Optional UID
        return n == "12" ? SYN_DIST_NAME : SYN_CI_STRING;
    }
    if (n == "11") { // Country String
        return SYN_PR_STRING;
    }
    if (n == "36") {
        return SYN_NU_STRING;
    }
    if (n == "7") {
        return SYN_BOOLEAN;
    }
    if (n == "27") {
        return SYN_INTEGER;
    }
    if (n == "40" || n == "5" || n == "4" || n == "28" || n == "8" || n == "9" || n == "10" || n == "23" ||
        n == "49") { // Octet String, Binary, Audio, JPEG, certificates, G3 Fax, Supported Algorithm
        return SYN_OCTET_STRING;
    }
    if (n == "50") {
        return SYN_TEL_NUMBER;
    }
    if (n == "22") {
        return SYN_FAX_NUMBER;
    }
    if (n == "41") {
        return SYN_PO_ADDRESS;
    }
    if (n == "24" || n == "53") { // Generalized Time, UTC Time
        return SYN_TIME;
    }
    if (n == "38") {
        return SYN_CLASS_NAME;
    }
    return SYN_CI_STRING;
}

Schema BuildSchema(const std::vector<std::string>& attributeTypes, const std::vector<std::string>& objectClasses,
    std::unordered_map<std::string, std::string>* aliases, std::size_t* skipped, std::vector<std::string>* tooLong)
{
    std::size_t left = 0;
    auto refuse = [&](const std::string& name) {
        ++left;
        if (tooLong != nullptr) {
            tooLong->push_back(name);
        }
    };
    std::vector<SchemaDescription> attrs;
    std::unordered_map<std::string, std::size_t> byName; // folded name or oid -> index
    for (const std::string& text : attributeTypes) {
        SchemaDescription d;
        if (!ParseSchemaDescription(text, &d) || d.names.empty()) {
            ++left;
            continue;
        }
        byName.emplace(FoldCase(d.oid), attrs.size());
        for (const std::string& name : d.names) {
            byName.emplace(FoldCase(name), attrs.size());
        }
        attrs.push_back(std::move(d));
    }
    // Syntax and equality come from the nearest superior that states them.
    auto inherited = [&](const SchemaDescription& d, auto member) {
        const SchemaDescription* at = &d;
        for (int hops = 0; hops < 16 && at != nullptr; ++hops) {
            if (!(at->*member).empty()) {
                return at->*member;
            }
            if (at->superiors.empty()) {
                break;
            }
            const auto it = byName.find(FoldCase(at->superiors.front()));
            at = it == byName.end() ? nullptr : &attrs[it->second];
        }
        return std::string();
    };
    Schema schema;
    std::vector<std::pair<std::string, std::string>> furtherNames; // alias, first name
    for (const SchemaDescription& d : attrs) {
        const std::string& name = d.names.front();
        if (name.size() > kMaxSchemaNameChars) {
            refuse(name);
            continue;
        }
        AttributeDef def;
        def.name = name;
        def.oid = d.oid;
        const ValueForm form = ValueFormOf(name, d.oid);
        def.syntaxId = form != ValueForm::Plain
            ? SyntaxIdOfForm(form)
            : SyntaxIdFor(inherited(d, &SchemaDescription::syntax), inherited(d, &SchemaDescription::equality));
        def.flags = (d.singleValued ? DS_SINGLE_VALUED_ATTR : 0) | (d.noUserModification ? DS_READ_ONLY_ATTR : 0) |
            (d.operational ? DS_HIDDEN_ATTR : 0) |
            ((def.syntaxId >= SYN_CE_STRING && def.syntaxId <= SYN_NU_STRING) ? DS_STRING_ATTR : 0);
        def.upperBound = d.upperBound;
        if (d.upperBound != 0) {
            def.flags |= DS_SIZED_ATTR;
        }
        if (!schema.AddAttribute(def)) {
            continue;
        }
        for (std::size_t i = 1; i < d.names.size(); ++i) {
            furtherNames.emplace_back(d.names[i], name);
        }
    }
    // Further names after every first name, so that no alias hides an
    // attribute; the class test's name stands for objectClass.
    furtherNames.emplace_back("Object Class", "objectClass");
    for (const auto& [alias, name] : furtherNames) {
        if (alias.size() <= kMaxSchemaNameChars && schema.AddAttributeAlias(alias, schema.FindAttribute(name)) &&
            aliases != nullptr) {
            aliases->emplace(FoldCase(alias), name);
        }
    }
    // Class definitions name attributes by any of their names: each is
    // listed once, by the attribute's first name.
    auto firstNames = [&](const std::vector<std::string>& items) {
        std::vector<std::string> out;
        for (const std::string& item : items) {
            const auto it = byName.find(FoldCase(item));
            const std::string& first = it == byName.end() ? item : attrs[it->second].names.front();
            if (first.size() > kMaxSchemaNameChars) {
                continue; // refused with its attribute
            }
            if (std::none_of(
                    out.begin(), out.end(), [&](const std::string& o) { return SameTextIgnoreCase(o, first); })) {
                out.push_back(first);
            }
        }
        return out;
    };
    for (const std::string& text : objectClasses) {
        SchemaDescription d;
        if (!ParseSchemaDescription(text, &d) || d.names.empty()) {
            ++left;
            continue;
        }
        if (d.names.front().size() > kMaxSchemaNameChars) {
            refuse(d.names.front());
            continue;
        }
        ClassDef def;
        def.name = d.names.front();
        def.oid = d.oid;
        def.superClasses = d.superiors;
        def.mandatory = firstNames(d.must);
        def.optional = firstNames(d.may);
        if (d.kind == "AUXILIARY") {
            def.flags |= DS_AUXILIARY_CLASS;
        } else if (d.kind != "ABSTRACT") {
            def.flags |= DS_EFFECTIVE_CLASS;
        }
        if (IsContainerClass(def.name)) {
            def.flags |= DS_CONTAINER_CLASS;
        }
        if (!schema.AddClass(std::move(def))) {
            ++left;
        }
    }
    if (skipped != nullptr) {
        *skipped = left;
    }
    return schema;
}

} // namespace veralith::client::ldap
