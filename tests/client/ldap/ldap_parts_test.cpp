// The LDAP service's parts without a server: DNs, filters, schema
// descriptions, value forms, URLs and the owners of the library's resources.

#include "client/ldap/connection.h"
#include "client/ldap/dn.h"
#include "client/ldap/filter.h"
#include "client/ldap/ldap_handles.h"
#include "client/ldap/schema_parse.h"
#include "client/ldap/value_forms.h"
#include "client/values.h"
#include "client/wire.h"

#include <cstring>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <ldap.h>

namespace veralith::client::ldap {
namespace {

// A C-style call that allocates a text and hands it out through its
// parameter, as libldap's calls do.
int AllocateText(const char* text, char** out)
{
    *out = static_cast<char*>(ber_memalloc(std::strlen(text) + 1));
    std::strcpy(*out, text);
    return 0;
}

TEST(LdapHandles, AnOwnerTakesWhatTheCallWroteAndFreesWhatItHeldBefore)
{
    BerBytes bytes;
    ASSERT_EQ(AllocateText("first", OutPtr(bytes)), 0);
    ASSERT_NE(bytes, nullptr);
    EXPECT_STREQ(bytes.get(), "first");
    // The first text is freed (the leak checker of the sanitizer build
    // would report it otherwise).
    ASSERT_EQ(AllocateText("second", OutPtr(bytes)), 0);
    EXPECT_STREQ(bytes.get(), "second");

    // A session that never connected has no diagnostic message.
    LdapHandle session;
    ASSERT_EQ(ldap_initialize(OutPtr(session), "ldap://localhost:1"), LDAP_SUCCESS);
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(TextOption(session.get(), LDAP_OPT_DIAGNOSTIC_MESSAGE), nullptr);
}

TEST(LdapDn, ParsesAndEscapesPerRfc4514)
{
    const struct
    {
        const char* dn;
        const char* typeless;
        const char* types;
    } kCases[] = {
        {"cn=jsmith,ou=Sales,o=Acme", "jsmith.Sales.Acme", "CN OU O"},
        {"CN=Smith\\, John , OU=Sales,O=Acme", "Smith, John.Sales.Acme", "CN OU O"},
        {"cn=a\\2Bb,o=Acme", "a+b.Acme", "CN O"},
        {"cn=first+uid=second,o=Acme", "first.Acme", "CN O"},
        {"cn=\"quoted, value\",o=Acme", "quoted, value.Acme", "CN O"},
        {"cn=\\ lead\\ ,o=Acme", " lead .Acme", "CN O"},
        {"", "", ""},
    };
    for (const auto& row : kCases) {
        std::vector<DnComponent> components;
        ASSERT_TRUE(ParseDn(row.dn, &components)) << row.dn;
        EXPECT_EQ(TypelessName(components), row.typeless) << row.dn;
        std::string types;
        for (const std::string& t : NamingTypes(components)) {
            types += (types.empty() ? "" : " ") + t;
        }
        EXPECT_EQ(types, row.types) << row.dn;
        // Written back and parsed again, the values survive.
        std::vector<DnComponent> again;
        ASSERT_TRUE(ParseDn(FormatDn(components), &again)) << FormatDn(components);
        EXPECT_EQ(TypelessName(again), row.typeless);
        // The leaf alone parses as the first of the whole DN's components.
        DnComponent leaf;
        ASSERT_EQ(ParseLeafRdn(row.dn, &leaf), !components.empty()) << row.dn;
        if (!components.empty()) {
            EXPECT_EQ(ComponentName(leaf, true), ComponentName(components.front(), true)) << row.dn;
        }
    }
    for (const char* broken : {"cn", "=x", "cn=x,", "cn=\"open", "cn=trailing\\"}) {
        std::vector<DnComponent> components;
        EXPECT_FALSE(ParseDn(broken, &components)) << broken;
    }
    // The leaf's parser stops at the leaf: what follows is its parent's.
    for (const auto& [dn, leafName] : std::vector<std::pair<std::string, std::string>> {
             {"cn=a\\,b+uid=c,=broken", "cn=a,b+uid=c"}, {"uid=x;o=Acme", "uid=x"}, {"cn=\"q,r\" , o", "cn=q,r"}}) {
        DnComponent leaf;
        ASSERT_TRUE(ParseLeafRdn(dn, &leaf)) << dn;
        EXPECT_EQ(ComponentName(leaf, true), leafName) << dn;
    }
    for (const char* broken : {"cn", "=x,o=Acme", "cn=\"open,o=Acme", "cn=trailing\\"}) {
        DnComponent leaf;
        EXPECT_FALSE(ParseLeafRdn(broken, &leaf)) << broken;
    }
    EXPECT_EQ(EscapeDnValue("#a,b+c\"d\\e<f>g;h=i "), "\\#a\\,b\\+c\\\"d\\\\e\\<f\\>g\\;h\\=i\\ ");
    EXPECT_EQ(EscapeDnValue(std::string("a\0b", 3)), "a\\00b");
}

FilterNode Compare(const std::string& attribute, std::uint32_t syntax, std::uint32_t op, std::string value)
{
    FilterNode node;
    node.kind = FilterNode::Kind::Compare;
    node.attribute = attribute;
    node.syntaxId = syntax;
    node.op = op;
    node.hasValue = true;
    node.value = std::move(value);
    return node;
}

std::string Int32Bytes(std::int32_t v)
{
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &v, 4);
    return bytes;
}

TEST(LdapFilter, TranslatesAndEscapesEveryValue)
{
    const DnLookup lookup = [](std::string_view name, std::string* dn) {
        if (name == "boss.Admin.Acme") {
            *dn = "cn=boss,ou=Admin,o=Acme";
            return true;
        }
        return false;
    };
    const struct
    {
        FilterNode node;
        const char* expected;
    } kCases[] = {
        {Compare("mail", SYN_CI_STRING, FTOK_EQ, "a(b)c"), "(mail=a\\28b\\29c)"},
        {Compare("mail", SYN_CI_STRING, FTOK_EQ, "back\\slash"), "(mail=back\\5cslash)"},
        {Compare("mail", SYN_CI_STRING, FTOK_EQ, std::string("nul\0x", 5)), "(mail=nul\\00x)"},
        {Compare("mail", SYN_CI_STRING, FTOK_EQ, "*)(uid=*"), "(mail=*\\29\\28uid=*)"},
        {Compare("mail", SYN_CI_STRING, FTOK_EQ, "a**b"), "(mail=a*b)"},
        {Compare("mail", SYN_CI_STRING, FTOK_APPROX, "x(y"), "(mail=*x\\28y*)"},
        {Compare("uidNumber", SYN_INTEGER, FTOK_GE, Int32Bytes(-5)), "(uidNumber>=-5)"},
        {Compare("flag", SYN_BOOLEAN, FTOK_EQ, Int32Bytes(1)), "(flag=TRUE)"},
        {Compare("modifyTimestamp", SYN_TIME, FTOK_LE, Int32Bytes(86400)), "(modifyTimestamp<=19700102000000Z)"},
        {Compare("manager", SYN_DIST_NAME, FTOK_EQ, "boss.Admin.Acme"), "(manager=cn=boss,ou=Admin,o=Acme)"},
        {Compare("manager", SYN_DIST_NAME, FTOK_EQ, "nobody.Acme"), "(!(objectClass=*))"},
        // The class test's attribute, and values in the forms administrators know, as the server stores them.
        {Compare("Object Class", SYN_CLASS_NAME, FTOK_EQ, "posixAccount"), "(objectClass=posixAccount)"},
        {Compare("objectSid", SYN_CI_STRING, FTOK_EQ, "S-1-5-32-544"),
            "(objectSid=\\01\\02\\00\\00\\00\\00\\00\\05\\20\\00\\00\\00\\20\\02\\00\\00)"},
        {Compare("objectGUID", SYN_CI_STRING, FTOK_EQ, "{3F2504E0-4F89-41D3-9A0C-0305E82C3301}"),
            "(objectGUID=\\e0\\04\\25\\3f\\89\\4f\\d3\\41\\9a\\0c\\03\\05\\e8\\2c\\33\\01)"},
        {Compare("objectSid", SYN_CI_STRING, FTOK_EQ, "S-1-5-*"), "(objectSid=S-1-5-*)"},
        {Compare("accountExpires", SYN_TIME, FTOK_LE, Int32Bytes(1705526400)), "(accountExpires<=133500000000000000)"},
    };
    for (const auto& row : kCases) {
        std::string text;
        ASSERT_EQ(TranslateFilter(&row.node, lookup, &text), 0) << row.expected;
        EXPECT_EQ(text, row.expected);
    }
    FilterNode tree;
    tree.kind = FilterNode::Kind::Or;
    FilterNode negated;
    negated.kind = FilterNode::Kind::Not;
    FilterNode present;
    present.kind = FilterNode::Kind::Present;
    present.attribute = "mail";
    negated.children.push_back(present);
    FilterNode cls;
    cls.kind = FilterNode::Kind::BaseClass;
    cls.text = "inet)(x";
    tree.children = {negated, cls};
    std::string text;
    ASSERT_EQ(TranslateFilter(&tree, lookup, &text), 0);
    EXPECT_EQ(text, "(|(!(mail=*))(objectClass=inet\\29\\28x))");
    ASSERT_EQ(TranslateFilter(nullptr, lookup, &text), 0);
    EXPECT_EQ(text, "(objectClass=*)");
    present.attribute = "Object Class";
    ASSERT_EQ(TranslateFilter(&present, lookup, &text), 0);
    EXPECT_EQ(text, "(objectClass=*)");
    for (const char* bad : {"cn=x", "mail)(", "", "1.2.", "a b"}) {
        FilterNode node = Compare(bad, SYN_CI_STRING, FTOK_EQ, "x");
        EXPECT_EQ(TranslateFilter(&node, lookup, &text), ERR_INVALID_FILTER_SYNTAX) << bad;
    }
}

TEST(LdapSchema, ParsesDescriptionsAndMapsSyntaxes)
{
    const std::vector<std::string> attributes = {
        "( 2.5.4.41 NAME 'name' EQUALITY caseIgnoreMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.15{32768} )",
        "( 2.5.4.3 NAME ( 'cn' 'commonName' ) DESC 'RFC4519: common name(s)' SUP name )",
        "( 1.3.6.1.1.1.1.0 NAME 'uidNumber' EQUALITY integerMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.27 "
        "SINGLE-VALUE )",
        "( 1.3.6.1.1.1.1.3 NAME 'homeDirectory' EQUALITY caseExactIA5Match SYNTAX 1.3.6.1.4.1.1466.115.121.1.26 "
        "SINGLE-VALUE )",
        "( 2.5.18.1 NAME 'createTimestamp' EQUALITY generalizedTimeMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.24 "
        "SINGLE-VALUE NO-USER-MODIFICATION USAGE directoryOperation )",
        "( 2.16.840.1.113719.1.1.4.1.4 NAME 'networkAddress' SYNTAX 2.16.840.1.113719.1.1.5.1.12 X-NDS_NAME "
        "'Network Address' )",
        "( 2.16.840.1.113719.1.1.4.1.5 NAME 'ACL' SYNTAX 2.16.840.1.113719.1.1.5.1.17 )",
        "( 9.9 NAME 'aVeryLongAttributeNameThatIsTooLongToKeep' SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 )",
        "broken (",
    };
    const std::vector<std::string> classes = {
        "( 2.5.6.0 NAME 'top' ABSTRACT MUST objectClass )",
        "( 2.5.6.6 NAME 'person' SUP top STRUCTURAL MUST ( sn $ cn ) MAY ( userPassword $ telephoneNumber ) )",
        "( 1.3.6.1.1.1.2.0 NAME 'posixAccount' SUP top AUXILIARY MUST ( cn $ uid ) )",
        "( 2.5.6.5 NAME 'organizationalUnit' SUP top STRUCTURAL MUST ou )",
    };
    std::unordered_map<std::string, std::string> aliases;
    std::size_t skipped = 0;
    const Schema schema = BuildSchema(attributes, classes, &aliases, &skipped);
    EXPECT_EQ(skipped, 1u); // the broken description; long names are kept
    const struct
    {
        const char* name;
        std::uint32_t syntax;
        std::uint32_t flags;
    } kAttributes[] = {
        {"cn", SYN_CI_STRING, DS_STRING_ATTR}, // syntax inherited from "name"
        {"uidNumber", SYN_INTEGER, DS_SINGLE_VALUED_ATTR},
        {"homeDirectory", SYN_CE_STRING, DS_SINGLE_VALUED_ATTR | DS_STRING_ATTR},
        {"createTimestamp", SYN_TIME, DS_SINGLE_VALUED_ATTR | DS_READ_ONLY_ATTR | DS_HIDDEN_ATTR},
        {"networkAddress", SYN_NET_ADDRESS, 0},
        {"ACL", SYN_OBJECT_ACL, 0},
        {"aVeryLongAttributeNameThatIsTooLongToKeep", SYN_CI_STRING, DS_STRING_ATTR},
    };
    for (const auto& row : kAttributes) {
        const int id = schema.FindAttribute(row.name);
        ASSERT_NE(id, kNoSchemaId) << row.name;
        EXPECT_EQ(schema.Attribute(id).syntaxId, row.syntax) << row.name;
        EXPECT_EQ(schema.Attribute(id).flags, row.flags) << row.name;
    }
    EXPECT_EQ(aliases.at("commonname"), "cn");
    EXPECT_EQ(schema.GetClassDef(schema.FindClass("top")).flags, 0u);
    EXPECT_EQ(schema.GetClassDef(schema.FindClass("posixAccount")).flags, DS_AUXILIARY_CLASS);
    EXPECT_EQ(
        schema.GetClassDef(schema.FindClass("organizationalUnit")).flags, DS_EFFECTIVE_CLASS | DS_CONTAINER_CLASS);
    const int person = schema.FindClass("person");
    EXPECT_THAT(schema.ExpandedItems(person, 3), ::testing::ElementsAre("sn", "cn", "objectClass"));
    EXPECT_THAT(schema.ExpandedItems(person, 4), ::testing::ElementsAre("userPassword", "telephoneNumber"));

    const struct
    {
        const char* syntax;
        const char* equality;
        std::uint32_t id;
    } kSyntaxes[] = {
        {"1.3.6.1.4.1.1466.115.121.1.15", "caseIgnoreMatch", SYN_CI_STRING},
        {"1.3.6.1.4.1.1466.115.121.1.15", "caseExactMatch", SYN_CE_STRING},
        {"1.3.6.1.4.1.1466.115.121.1.12", "", SYN_DIST_NAME},
        {"1.3.6.1.4.1.1466.115.121.1.44", "", SYN_PR_STRING},
        {"1.3.6.1.4.1.1466.115.121.1.36", "", SYN_NU_STRING},
        {"1.3.6.1.4.1.1466.115.121.1.7", "", SYN_BOOLEAN},
        {"1.3.6.1.4.1.1466.115.121.1.27", "", SYN_INTEGER},
        {"1.3.6.1.4.1.1466.115.121.1.40", "", SYN_OCTET_STRING},
        {"1.3.6.1.4.1.1466.115.121.1.50", "", SYN_TEL_NUMBER},
        {"1.3.6.1.4.1.1466.115.121.1.22", "", SYN_FAX_NUMBER},
        {"1.3.6.1.4.1.1466.115.121.1.41", "", SYN_PO_ADDRESS},
        {"1.3.6.1.4.1.1466.115.121.1.24", "", SYN_TIME},
        {"1.3.6.1.4.1.1466.115.121.1.38", "", SYN_CLASS_NAME},
        {"2.16.840.1.113719.1.1.5.1.19", "", SYN_TIMESTAMP},
        {"2.16.840.1.113719.1.1.5.1.99", "", SYN_OCTET_STRING},
    };
    for (const auto& row : kSyntaxes) {
        EXPECT_EQ(SyntaxIdFor(row.syntax, row.equality), row.id) << row.syntax << " " << row.equality;
    }
}

TEST(LdapValues, StringFormsBecomeWireValues)
{
    const DnToName nameOf = [](std::string_view dn) {
        std::vector<DnComponent> components;
        return ParseDn(dn, &components) ? TypelessName(components) : std::string(dn);
    };
    std::string wire;
    ASSERT_TRUE(LdapValueToWire(SYN_NET_ADDRESS, "9#\x01\x02\x03", nameOf, &wire));
    WireReader net(wire);
    std::uint32_t type = 0;
    ASSERT_TRUE(net.U32(&type));
    EXPECT_EQ(type, 9u);
    EXPECT_EQ(net.Rest(), "\x01\x02\x03");

    ASSERT_TRUE(LdapValueToWire(SYN_OBJECT_ACL, "3#entry#cn=admin,o=Acme#[Entry Rights]", nameOf, &wire));
    WireReader acl(wire);
    std::string_view attribute;
    std::string_view subject;
    std::uint32_t privileges = 0;
    ASSERT_TRUE(acl.Bytes(&attribute) && acl.Bytes(&subject) && acl.U32(&privileges));
    EXPECT_EQ(attribute, "[Entry Rights]");
    EXPECT_EQ(subject, "admin.Acme");
    EXPECT_EQ(privileges, 3u);
    EXPECT_TRUE(IsValidWireValue(SYN_OBJECT_ACL, wire));

    ASSERT_TRUE(LdapValueToWire(SYN_TIMESTAMP, "1700000000#2#17", nameOf, &wire));
    EXPECT_TRUE(IsValidWireValue(SYN_TIMESTAMP, wire));
    ASSERT_TRUE(LdapValueToWire(SYN_PO_ADDRESS, "1 Main St$Dollar \\24 Town$Back\\5Cslash", nameOf, &wire));
    WireReader postal(wire);
    std::uint32_t lines = 0;
    std::string_view line;
    ASSERT_TRUE(postal.U32(&lines));
    EXPECT_EQ(lines, 3u);
    ASSERT_TRUE(postal.Bytes(&line) && postal.Bytes(&line));
    EXPECT_EQ(line, "Dollar $ Town");
    ASSERT_TRUE(postal.Bytes(&line));
    EXPECT_EQ(line, "Back\\slash");
    ASSERT_TRUE(LdapValueToWire(SYN_INTEGER, "99999999999", nameOf, &wire));
    EXPECT_EQ(wire, std::string("\xFF\xFF\xFF\x7F", 4));
    ASSERT_TRUE(LdapValueToWire(SYN_BOOLEAN, "TRUE", nameOf, &wire));
    EXPECT_EQ(wire, std::string("\x01", 1));

    // Values not of their syntax's form are refused (and delivered raw).
    EXPECT_FALSE(LdapValueToWire(SYN_INTEGER, "12abc", nameOf, &wire));
    EXPECT_FALSE(LdapValueToWire(SYN_BOOLEAN, "yes", nameOf, &wire));
    EXPECT_FALSE(LdapValueToWire(SYN_NET_ADDRESS, "no-hash", nameOf, &wire));
    EXPECT_FALSE(LdapValueToWire(SYN_TIMESTAMP, "1#70000#1", nameOf, &wire));
    EXPECT_FALSE(LdapValueToWire(SYN_TIME, "2024-01-01", nameOf, &wire));

    const struct
    {
        const char* text;
        std::uint32_t seconds;
    } kTimes[] = {{"19700101000000Z", 0}, {"20240229123000Z", 1709209800}, {"20240229123000.5Z", 1709209800},
        {"20240229133000+0100", 1709209800}, {"2024022912Z", 1709208000},
        // A day past the month's end and a leap second run on, as the C
        // library's calendar does.
        {"20240231000000Z", 1709337600}, {"19691231235960Z", 0}, {"21000301000000Z", 4107542400}};
    for (const auto& row : kTimes) {
        std::uint32_t seconds = 1;
        ASSERT_TRUE(ParseGeneralizedTime(row.text, &seconds)) << row.text;
        EXPECT_EQ(seconds, row.seconds) << row.text;
    }
    // Outside what the seconds since 1970 can hold.
    for (const char* text : {"19691231235959Z", "21060207062816Z"}) {
        std::uint32_t seconds = 0;
        EXPECT_FALSE(ParseGeneralizedTime(text, &seconds)) << text;
    }
}

TEST(LdapUrls, SourcesParseWithTheirOptions)
{
    LdapUrl url;
    std::string error;
    ASSERT_TRUE(ParseLdapUrl("ldap://dir.example:3890/ou=Sales,o=Acme?starttls&tree=ACME", &url, &error)) << error;
    EXPECT_EQ(url.scheme, "ldap");
    EXPECT_EQ(url.hostPort, "dir.example:3890");
    EXPECT_EQ(url.base, "ou=Sales,o=Acme");
    EXPECT_TRUE(url.startTls);
    EXPECT_EQ(url.tree, "ACME");
    ASSERT_TRUE(ParseLdapUrl("LDAPS://dir.example/o=A%20B", &url, &error)) << error;
    EXPECT_EQ(url.scheme, "ldaps");
    EXPECT_EQ(url.base, "o=A B");
    EXPECT_FALSE(url.startTls);
    EXPECT_TRUE(IsLdapSource("ldaps://x/"));
    EXPECT_FALSE(IsLdapSource("data/sample.json"));
    for (const char* bad : {"ldap://h/o=A?frobnicate", "ldaps://h/o=A?starttls", "ldap://h/o=%zz",
             "ldap://h/o=A?tree=ENDS_", "ldap://user:secret@h/o=A"}) {
        error.clear();
        EXPECT_FALSE(ParseLdapUrl(bad, &url, &error)) << bad;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find("secret"), std::string::npos);
    }
}

} // namespace
} // namespace veralith::client::ldap
