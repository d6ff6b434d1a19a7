// The LDAP service's schema names and value forms without a server: long and
// further names of attributes, class lists by first name, security
// identifiers, GUIDs, interval times and usable tree names.

#include "client/ldap/ldap_directory.h"
#include "client/ldap/schema_parse.h"
#include "client/ldap/value_forms.h"
#include "client/values.h"
#include "client/wire.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace veralith::client::ldap {
namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values) {
        out.push_back(static_cast<char>(v));
    }
    return out;
}

TEST(LdapSchemaNames, LongAndFurtherNamesAreKeptAndListedOnce)
{
    const std::string tooLong(kMaxSchemaNameChars + 1, 'x');
    const std::vector<std::string> attributes = {
        "( 2.5.4.41 NAME 'name' EQUALITY caseIgnoreMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 )",
        "( 0.9.2342.19200300.100.1.5 NAME ( 'drink' 'favouriteDrink' ) SUP name )",
        "( 2.5.4.0 NAME 'objectClass' SYNTAX 1.3.6.1.4.1.1466.115.121.1.38 )",
        "( 1.2.840.113556.1.4.2139 NAME 'msDS-ClaimSharesPossibleValuesWithBL' SUP name )",
        "( 1.2.840.113556.1.4.2160 NAME 'msDS-FailedInteractiveLogonCountAtLastSuccessfulLogon' "
        "SYNTAX 1.3.6.1.4.1.1466.115.121.1.27 )",
        "( 9.1 NAME '" + tooLong + "' SUP name )",
        "( 1.2.840.113556.1.4.146 NAME 'objectSid' SYNTAX 1.3.6.1.4.1.1466.115.121.1.40 SINGLE-VALUE )",
        "( 9.2 NAME 'objectGuid' SYNTAX 1.3.6.1.4.1.1466.115.121.1.40 )",
        "( 1.2.840.113556.1.4.159 NAME 'expiry' SYNTAX 1.2.840.113556.1.4.906 )", // by its identifier
    };
    const std::vector<std::string> classes = {
        "( 2.5.6.0 NAME 'top' ABSTRACT MUST objectClass MAY ( msDS-ClaimSharesPossibleValuesWithBL $ " + tooLong +
            " ) )",
        "( 9.3 NAME 'msDS-CloudExtensionsAuxiliaryClassName' SUP top AUXILIARY MAY ( favouriteDrink $ drink $ "
        "FAVOURITEDRINK $ msDS-FailedInteractiveLogonCountAtLastSuccessfulLogon ) )",
        "( 9.4 NAME '" + tooLong + "' SUP top STRUCTURAL )",
    };
    std::unordered_map<std::string, std::string> aliases;
    std::size_t skipped = 0;
    std::vector<std::string> refused;
    const Schema schema = BuildSchema(attributes, classes, &aliases, &skipped, &refused);
    EXPECT_EQ(skipped, 2u);
    EXPECT_THAT(refused, ::testing::ElementsAre(tooLong, tooLong));

    // Every name finds the attribute; it is kept once, under its first name.
    const struct
    {
        const char* name;
        const char* first;
        std::uint32_t syntax;
    } kNames[] = {
        {"drink", "drink", SYN_CI_STRING},
        {"favouriteDrink", "drink", SYN_CI_STRING},
        {"FAVOURITEDRINK", "drink", SYN_CI_STRING},
        {"msDS-ClaimSharesPossibleValuesWithBL", "msDS-ClaimSharesPossibleValuesWithBL", SYN_CI_STRING},
        {"msDS-FailedInteractiveLogonCountAtLastSuccessfulLogon",
            "msDS-FailedInteractiveLogonCountAtLastSuccessfulLogon", SYN_INTEGER},
        {"Object Class", "objectClass", SYN_CLASS_NAME},
        {"objectSid", "objectSid", SYN_CI_STRING},
        {"objectGUID", "objectGuid", SYN_CI_STRING},
        {"expiry", "expiry", SYN_TIME},
    };
    for (const auto& row : kNames) {
        const int id = schema.FindAttribute(row.name);
        ASSERT_NE(id, kNoSchemaId) << row.name;
        EXPECT_EQ(schema.Attribute(id).name, row.first) << row.name;
        EXPECT_EQ(schema.Attribute(id).syntaxId, row.syntax) << row.name;
    }
    EXPECT_EQ(schema.FindAttribute(tooLong), kNoSchemaId);
    std::size_t drinks = 0;
    for (const AttributeDef& def : schema.Attributes()) {
        drinks += SameTextIgnoreCase(def.name, "drink") || SameTextIgnoreCase(def.name, "favouriteDrink") ? 1 : 0;
    }
    EXPECT_EQ(drinks, 1u);
    EXPECT_EQ(aliases.at("favouritedrink"), "drink");

    const int aux = schema.FindClass("msDS-CloudExtensionsAuxiliaryClassName");
    ASSERT_NE(aux, kNoSchemaId);
    EXPECT_THAT(schema.ExpandedItems(aux, 4),
        ::testing::ElementsAre(
            "drink", "msDS-FailedInteractiveLogonCountAtLastSuccessfulLogon", "msDS-ClaimSharesPossibleValuesWithBL"));
    EXPECT_EQ(schema.FindClass(tooLong), kNoSchemaId);
}

TEST(LdapValueForms, SecurityIdentifiersReadAndWriteBack)
{
    const struct
    {
        std::string bytes;
        const char* text;
    } kSids[] = {
        {Bytes({1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0}), "S-1-1-0"},
        {Bytes({1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0}), "S-1-5-32-544"},
        {Bytes({1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 0xBB, 0x4E, 0x61, 0xD4, 0x0A, 0xF0, 0xFC, 0x96, 0x3B, 0x6D, 0x0C,
             0xF7, 0x50, 0x04, 0, 0}),
            "S-1-5-21-3563146939-2533158922-4144786747-1104"},
        {Bytes({1, 1, 0, 0, 0, 0, 0, 5, 0xFF, 0xFF, 0xFF, 0xFF}), "S-1-5-4294967295"},
    };
    for (const auto& row : kSids) {
        std::string text;
        ASSERT_TRUE(SidText(row.bytes, &text)) << row.text;
        EXPECT_EQ(text, row.text);
        std::string bytes;
        ASSERT_TRUE(SidBytes(row.text, &bytes)) << row.text;
        EXPECT_EQ(bytes, row.bytes) << row.text;
    }
    // Bytes that are no identifier, and texts that are none.
    for (const std::string& broken : {std::string(), Bytes({1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0}),
             Bytes({2, 0, 0, 0, 0, 0, 0, 5}), Bytes({1, 0, 0, 0, 0, 0, 0})}) {
        std::string text;
        EXPECT_FALSE(SidText(broken, &text)) << broken.size();
    }
    for (const char* broken : {"", "S-1-", "S-2-5-32", "S-1-5-x", "S-1-5--1", "S-1-5-4294967296", "X-1-5-32"}) {
        std::string bytes;
        EXPECT_FALSE(SidBytes(broken, &bytes)) << broken;
    }
}

TEST(LdapValueForms, GuidsShowTheBytesAndTheRegistryForm)
{
    const std::string bytes =
        Bytes({0xE0, 0x04, 0x25, 0x3F, 0x89, 0x4F, 0xD3, 0x41, 0x9A, 0x0C, 0x03, 0x05, 0xE8, 0x2C, 0x33, 0x01});
    std::string text;
    ASSERT_TRUE(GuidText(bytes, &text));
    EXPECT_EQ(text, "E004253F894FD3419A0C0305E82C3301 {3F2504E0-4F89-41D3-9A0C-0305E82C3301}");
    for (const std::string& given : {text, std::string("{3F2504E0-4F89-41D3-9A0C-0305E82C3301}"),
             std::string("{3f2504e0-4f89-41d3-9a0c-0305e82c3301}"), std::string("E004253F894FD3419A0C0305E82C3301")}) {
        std::string back;
        ASSERT_TRUE(GuidBytes(given, &back)) << given;
        EXPECT_EQ(back, bytes) << given;
    }
    EXPECT_FALSE(GuidText(bytes.substr(1), &text));
    for (const char* broken : {"", "{3F2504E0-4F89-41D3-9A0C-0305E82C330}", "3F2504E04F8941D39A0C0305E82C33",
             "E004253F894FD3419A0C0305E82C3301 {3F2504E0-4F89-41D3-9A0C-0305E82C3302}",
             "{3F2504E0_4F89-41D3-9A0C-"
             "0305E82C3301}"}) {
        std::string back;
        EXPECT_FALSE(GuidBytes(broken, &back)) << broken;
    }
}

TEST(LdapValueForms, IntervalTimesBecomeTimesOrNever)
{
    const struct
    {
        const char* ticks;
        bool parses;
        bool never;
        std::uint32_t seconds;
    } kCases[] = {
        {"0", true, true, 0},
        {"9223372036854775807", true, true, 0},
        {"116444736000000000", true, false, 0}, // 1970-01-01
        {"133500000000000000", true, false, 1705526400}, // 2024-01-17 21:20:00 UTC
        {"133500000009999999", true, false, 1705526400}, // fractions of a second dropped
        {"116444735990000000", false, false, 0}, // a second before 1970
        {"159394878000000000", false, false, 0}, // past 2106
        {"-1", false, false, 0},
        {"12x", false, false, 0},
        {"", false, false, 0},
    };
    for (const auto& row : kCases) {
        std::uint32_t seconds = 12345;
        bool never = false;
        EXPECT_EQ(IntervalTimeSeconds(row.ticks, &seconds, &never), row.parses) << row.ticks;
        if (row.parses) {
            EXPECT_EQ(never, row.never) << row.ticks;
            EXPECT_EQ(seconds, row.seconds) << row.ticks;
        }
    }
    EXPECT_EQ(IntervalTimeOfSeconds(1705526400), "133500000000000000");

    // An attribute of times stays one; "never" turns it (and what it held)
    // into text.
    AttributeData data;
    data.syntaxId = SyntaxIdOfForm(ValueForm::IntervalTime);
    AppendFormValues(ValueForm::IntervalTime, {"133500000000000000"}, &data);
    ASSERT_EQ(data.syntaxId, SYN_TIME);
    ASSERT_EQ(data.values.size(), 1u);
    WireReader time(data.values.front());
    std::uint32_t seconds = 0;
    ASSERT_TRUE(time.U32(&seconds));
    EXPECT_EQ(seconds, 1705526400u);
    AppendFormValues(ValueForm::IntervalTime, {"9223372036854775807", "0", "1"}, &data);
    EXPECT_EQ(data.syntaxId, SYN_CI_STRING);
    EXPECT_THAT(data.values, ::testing::ElementsAre("133500000000000000", "never", "never", "1"));

    AttributeData sids;
    sids.syntaxId = SyntaxIdOfForm(ValueForm::Sid);
    AppendFormValues(ValueForm::Sid, {Bytes({1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0}), Bytes({7, 0xAB})}, &sids);
    EXPECT_THAT(sids.values, ::testing::ElementsAre("S-1-1-0", "07AB"));
}

TEST(LdapValueForms, FormsAreKnownByNameOrIdentifier)
{
    const struct
    {
        const char* name;
        const char* oid;
        ValueForm form;
    } kCases[] = {
        {"objectSid", "", ValueForm::Sid},
        {"OBJECTSID", "", ValueForm::Sid},
        {"sidOfMine", "1.2.840.113556.1.4.609", ValueForm::Sid},
        {"objectGUID", "", ValueForm::Guid},
        {"accountExpires", "", ValueForm::IntervalTime},
        {"pwdLastSet", "", ValueForm::IntervalTime},
        {"lastLogonTimestamp", "", ValueForm::IntervalTime},
        {"msDS-UserPasswordExpiryTimeComputed", "", ValueForm::IntervalTime},
        {"mail", "", ValueForm::Plain},
        {"mail", "0.9.2342.19200300.100.1.3", ValueForm::Plain},
    };
    for (const auto& row : kCases) {
        EXPECT_EQ(ValueFormOf(row.name, row.oid), row.form) << row.name;
    }
}

TEST(LdapTreeNames, ServerNamesBecomeUsableTreeNames)
{
    const struct
    {
        const char* given;
        const char* usable;
    } kCases[] = {
        {"ACME", "ACME"},
        {"example.com", "example-com"},
        {"Corp Directory (main)", "Corp-Directory--main"},
        {"A_Directory_Tree_Name_Longer_Than_32", "A_Directory_Tree_Name_Longer_Tha"},
        {"ends_in_underscores___", "ends_in_underscores"},
        {"tree_32_characters_long_ending__x", "tree_32_characters_long_ending"},
        {"...", "LDAP"},
        {"", "LDAP"},
    };
    for (const auto& row : kCases) {
        const std::string usable = UsableTreeName(row.given);
        EXPECT_EQ(usable, row.usable) << row.given;
        EXPECT_LE(usable.size(), kMaxTreeNameChars);
    }
}

} // namespace
} // namespace veralith::client::ldap
