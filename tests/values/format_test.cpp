#include "test_values.h"
#include "values/dirtime.h"
#include "values/errors.h"
#include "values/format.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace veralith::values {
namespace {

using test::ValueStore;
using Lines = std::vector<std::string>;

// Builds one value into the store and returns its description.
using Builder = std::function<AttributeValueInfo(ValueStore&)>;

// Builds the value twice: once to learn its size, then into a block of
// exactly that size.
std::size_t MeasureValue(const Builder& build)
{
    ValueStore probe;
    build(probe);
    return probe.HighWater();
}

Lines Format(const Builder& build, const std::string& attribute = "Attr", std::int32_t index = 1)
{
    ValueStore store(MeasureValue(build));
    const AttributeValueInfo info = build(store);
    util::StringList lines;
    EXPECT_EQ(FormatAttributeValue(client::kNoContext, "obj", attribute, index, info, store.data(), lines), 0);
    return lines.Texts();
}

Builder Text(std::uint32_t syntax, std::string text)
{
    return [=](ValueStore& s) {
        s.Text(text);
        return s.Info(syntax);
    };
}

template<typename T>
Builder Plain(std::uint32_t syntax, T value)
{
    return [=](ValueStore& s) {
        s.Put(value);
        return s.Info(syntax);
    };
}

Builder Address(std::uint32_t type, std::vector<std::uint8_t> bytes)
{
    return [=](ValueStore& s) {
        auto* value = s.Put(client::NetAddressValue {type, static_cast<std::uint32_t>(bytes.size()), nullptr});
        value->address = s.Bytes(bytes);
        return s.Info(client::SYN_NET_ADDRESS);
    };
}

Builder Octets(std::vector<std::uint8_t> bytes)
{
    return [=](ValueStore& s) {
        auto* value = s.Put(client::OctetStringValue {static_cast<std::uint32_t>(bytes.size()), nullptr});
        value->data = s.Bytes(bytes);
        return s.Info(client::SYN_OCTET_STRING);
    };
}

Builder Acl(std::string attribute, std::string subject, std::uint32_t rights)
{
    return [=](ValueStore& s) {
        auto* value = s.Put(client::AclValue {nullptr, nullptr, rights});
        value->protectedAttrName = s.Text(attribute);
        value->subjectName = s.Text(subject);
        return s.Info(client::SYN_OBJECT_ACL);
    };
}

Builder Replica(std::string server, std::uint32_t type, std::uint32_t number)
{
    return [=](ValueStore& s) {
        auto* value = s.Put(client::ReplicaPointerValue {nullptr, type, number, 0, nullptr});
        value->serverName = s.Text(server);
        return s.Info(client::SYN_REPLICA_POINTER);
    };
}

struct SyntaxRow
{
    const char* name;
    Builder build;
    Lines expected;
    std::string attribute = "Attr";
};

std::vector<SyntaxRow> Rows()
{
    return {
        {"Unknown0",
            [](ValueStore& s) {
                auto* value = s.Put(client::UnknownValue {nullptr, 9, 2, nullptr});
                value->attrName = s.Text("Ignored");
                value->bytes = s.Bytes({0x01, 0x02});
                return s.Info(client::SYN_UNKNOWN);
            },
            {"Attr [9] 0102"}},
        {"DistName1", Text(1, "jsmith.Sales.Acme"), {"jsmith.Sales.Acme"}},
        {"CaseExact2", Text(2, "Exact"), {"Exact"}},
        {"CaseIgnore3", Text(3, "Smith"), {"Smith"}},
        // A NUL inside a text is shown, never taken for its end.
        {"CaseIgnore3HoldingNul", Text(3, std::string("a\0b", 3)), {"a\\0b"}},
        {"CaseExact2EndingInNul", Text(2, std::string("x\0", 2)), {"x\\0"}},
        {"DistName1OnlyNul", Text(1, std::string(1, '\0')), {"\\0"}},
        {"Printable4", Text(4, "ABC 123"), {"ABC 123"}},
        {"Numeric5", Text(5, "0815"), {"0815"}},
        {"CaseIgnoreList6",
            [](ValueStore& s) {
                auto* first = s.Put(client::CaseIgnoreListNode {nullptr, nullptr});
                auto* second = s.Put(client::CaseIgnoreListNode {nullptr, nullptr});
                first->next = second;
                first->text = s.Text("en");
                second->text = s.Text("de");
                return s.Info(client::SYN_CI_LIST);
            },
            {"en", "de"}},
        {"BooleanFalse7", Plain<std::uint8_t>(7, 0), {"FALSE"}},
        {"BooleanTrue7", Plain<std::uint8_t>(7, 5), {"TRUE"}},
        {"Integer8", Plain<std::int32_t>(8, -5), {"-5"}},
        {"OctetString9", Octets({0x00, 0xFF, 0x10}), {"00FF10"}},
        {"OctetStringByAttribute9", Octets({'S', 'Y', 'S', 0}), {"SYS"}, "App:Path"},
        {"Telephone10", Text(10, "+1 555 0101"), {"+1 555 0101"}},
        {"Fax11",
            [](ValueStore& s) {
                auto* value = s.Put(client::FaxNumberValue {nullptr, 0, nullptr});
                value->telephoneNumber = s.Text("+1 555 0199");
                return s.Info(client::SYN_FAX_NUMBER);
            },
            {"+1 555 0199"}},
        {"NetAddressPortFirst12", Address(9, {2, 12, 10, 1, 2, 3}), {"(9) 10.1.2.3:524"}},
        {"NetAddressPortLast12", Address(1, {10, 0, 0, 1, 2, 12}), {"(1) 10.0.0.1:524"}},
        {"NetAddressType0_12", Address(0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), {"(0) 01020304:05060708090A"}},
        {"NetAddressHex12", Address(5, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}),
            {"(5) [0102030405060708090A0B0C]"}},
        {"NetAddressWide12", Address(13, {'f', 0, 'e', 0, ':', 0, '1', 0, 0, 0}), {"(13) fe:1"}},
        {"NetAddressShort12", Address(1, {10, 0, 0}), {"(1) [0A0000]"}},
        {"NetAddressEmpty12",
            [](ValueStore& s) {
                s.Put(client::NetAddressValue {1, 0, nullptr});
                return s.Info(client::SYN_NET_ADDRESS);
            },
            {"(1) "}},
        {"OctetList13",
            [](ValueStore& s) {
                auto* first = s.Put(client::OctetListNode {nullptr, 2, nullptr});
                auto* second = s.Put(client::OctetListNode {nullptr, 1, nullptr});
                first->next = second;
                first->data = s.Bytes({0x01, 0x02});
                second->data = s.Bytes({0xAB});
                return s.Info(client::SYN_OCTET_LIST);
            },
            {"0102", "AB"}},
        {"Email14",
            [](ValueStore& s) {
                auto* value = s.Put(client::EmailAddressValue {0, nullptr});
                value->address = s.Text("jsmith@acme.example");
                return s.Info(client::SYN_EMAIL_ADDRESS);
            },
            {"jsmith@acme.example"}},
        {"Path15",
            [](ValueStore& s) {
                auto* value = s.Put(client::PathValue {4, nullptr, nullptr});
                value->volumeName = s.Text("FS1_SYS.Acme");
                value->path = s.Text("HOME\\JSMITH");
                return s.Info(client::SYN_PATH);
            },
            {"(4) FS1_SYS.Acme:HOME\\JSMITH"}},
        {"ReplicaMaster16", Replica("X", 0, 1), {"X [Master] [Nr: 1]"}},
        {"ReplicaUnknown16", Replica("FS1.Acme", 4, 2), {"FS1.Acme [Unknown (Type: 4)] [Nr: 2]"}},
        {"AclAttributeRights17", Acl("Surname", "[Public]", 0x43), {"[CR   I] [Public] / Surname"}},
        {"AclEntryRights17", Acl("[Entry Rights]", "Admin.Acme", 0x01), {"[B    I] Admin.Acme / [Entry Rights]"}},
        {"AclInheritanceMask17", Acl("[Inheritance Mask]", "S", 0x5F), {"[BCDRA ] S / [Inheritance Mask]"}},
        {"PostalAddress18",
            [](ValueStore& s) {
                auto* value = s.Put(client::PostalAddressValue {});
                value->lines[0] = s.Text("Acme Inc.");
                value->lines[1] = s.Text("1 Main St");
                for (int i = 2; i < 6; ++i) {
                    value->lines[i] = s.Text("");
                }
                return s.Info(client::SYN_PO_ADDRESS);
            },
            {"Acme Inc.", "1 Main St", "", "", "", ""}},
        {"ClassName20", Text(20, "User"), {"User"}},
        {"Counter22", Plain<std::int32_t>(22, -7), {"-7"}},
        {"BackLink23",
            [](ValueStore& s) {
                auto* value = s.Put(client::BackLinkValue {42, nullptr});
                value->objectName = s.Text("FS1.Acme");
                return s.Info(client::SYN_BACK_LINK);
            },
            {"FS1.Acme"}},
        {"TypedName25",
            [](ValueStore& s) {
                auto* value = s.Put(client::TypedNameValue {nullptr, 1, 3600});
                value->objectName = s.Text("FS1.Acme");
                return s.Info(client::SYN_TYPED_NAME);
            },
            {"FS1.Acme#1#3600"}},
        {"Hold26",
            [](ValueStore& s) {
                auto* value = s.Put(client::HoldValue {nullptr, 100});
                value->objectName = s.Text("Sales.Acme");
                return s.Info(client::SYN_HOLD);
            },
            {"Sales.Acme (100)"}},
        {"IntervalZero27", Plain<std::int32_t>(27, 0), {"0 sec"}},
        {"Interval27", Plain<std::int32_t>(27, 3661), {"1 h, 1 min, 1 sec"}},
        {"Syntax30", Plain<std::uint16_t>(30, 0x0201), {"[1E] 0102"}},
        {"Syntax255", Plain<std::uint8_t>(255, 0xAB), {"[FF] AB"}},
    };
}

class SyntaxRows : public testing::TestWithParam<SyntaxRow>
{
};

TEST_P(SyntaxRows, AppendsExactLines)
{
    const SyntaxRow& row = GetParam();
    EXPECT_EQ(Format(row.build, row.attribute), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Syntaxes, SyntaxRows, testing::ValuesIn(Rows()), [](const auto& info) { return std::string(info.param.name); });

TEST(FormatAttributeValue, TimesAreShownInLocalTime)
{
    // Value texts use the process's regional settings; tests run in the C locale.
    ASSERT_EQ(
        platform::CurrentRegionalSettings(), (platform::RegionalSettings {'.', ',', "mm/dd/yy", "hh:nn", "hh:nn:ss"}));
    const test::ScopedTimeZone zone("Etc/GMT-1");
    EXPECT_EQ(Format(Plain<std::uint32_t>(24, 0)), Lines {"01/01/70 01:00:00"});
    EXPECT_EQ(Format(Plain(19, client::DirTimeStamp {0, 1, 7})), Lines {"01/01/70 01:00:00"});
    EXPECT_EQ(Format(Plain<std::uint32_t>(24, 4294967295u)), Lines {"02/07/06 07:28:15"});
}

// Bad values: each raises an error that names the syntax and what is wrong,
// and nothing outside the value is read.
struct BadRow
{
    const char* name;
    Builder build;
    std::string message;
};

std::vector<BadRow> BadValueRows()
{
    static const char kOutside[] = "elsewhere";
    return {
        {"TextWithoutZero",
            [](ValueStore& s) {
                s.Bytes({'a', 'b', 'c'});
                return s.Info(3);
            },
            "value of syntax 3 (3 bytes): text has no terminating zero inside the value"},
        {"TextWhoseZeroIsNotAtTheEnd",
            [](ValueStore& s) {
                s.Bytes({'a', 0, 'b'});
                return s.Info(3);
            },
            "value of syntax 3 (3 bytes): text has no terminating zero inside the value"},
        {"EmptyText", [](ValueStore& s) { return s.Info(1); },
            "value of syntax 1 (0 bytes): text has no terminating zero inside the value"},
        {"ShortInteger",
            [](ValueStore& s) {
                s.Bytes({1, 2});
                return s.Info(8);
            },
            "value of syntax 8 (2 bytes): shorter than the 4 bytes its layout reads"},
        {"EmptyBoolean", [](ValueStore& s) { return s.Info(7); },
            "value of syntax 7 (0 bytes): shorter than the 1 bytes its layout reads"},
        {"TruncatedAddressStruct",
            [](ValueStore& s) {
                s.Put(client::NetAddressValue {1, 6, nullptr});
                s.Truncate(8);
                return s.Info(12);
            },
            "value of syntax 12 (8 bytes): shorter than the 16 bytes its layout reads"},
        {"AddressBytesOutside",
            [](ValueStore& s) {
                s.Put(client::NetAddressValue {1, 6, reinterpret_cast<const std::uint8_t*>(kOutside)});
                return s.Info(12);
            },
            "value of syntax 12 (16 bytes): address bytes lies outside the value"},
        {"AddressLongerThanValue",
            [](ValueStore& s) {
                auto* value = s.Put(client::NetAddressValue {1, 60, nullptr});
                value->address = s.Bytes({10, 0, 0, 1, 2, 12});
                return s.Info(12);
            },
            "value of syntax 12 (22 bytes): address bytes lies outside the value"},
        {"SubjectRunsToTheEnd",
            [](ValueStore& s) {
                auto* value = s.Put(client::AclValue {nullptr, nullptr, 1});
                value->protectedAttrName = s.Text("[Entry Rights]");
                value->subjectName = reinterpret_cast<const char*>(s.Bytes({'A', 'd', 'm'}));
                return s.Info(17);
            },
            "value of syntax 17 (42 bytes): subject name has no terminating zero inside the value"},
        {"ListLoops",
            [](ValueStore& s) {
                auto* node = s.Put(client::CaseIgnoreListNode {nullptr, nullptr});
                node->next = node;
                node->text = s.Text("x");
                return s.Info(6);
            },
            "value of syntax 6 (18 bytes): list of texts loops back on itself"},
        {"OctetLengthBeyondValue",
            [](ValueStore& s) {
                auto* value = s.Put(client::OctetStringValue {100, nullptr});
                value->data = s.Bytes({1, 2, 3});
                return s.Info(9);
            },
            "value of syntax 9 (19 bytes): octet string lies outside the value"},
        {"NegativeInterval", Plain<std::int32_t>(27, -1), "interval of -1 seconds is negative"},
    };
}

class BadRows : public testing::TestWithParam<BadRow>
{
};

TEST_P(BadRows, RaiseAClearError)
{
    const BadRow& row = GetParam();
    ValueStore store(MeasureValue(row.build));
    const AttributeValueInfo info = row.build(store);
    util::StringList lines;
    try {
        FormatAttributeValue(client::kNoContext, "obj", "Attr", 1, info, store.data(), lines);
        FAIL() << "no error raised";
    } catch (const ValueError& error) {
        EXPECT_EQ(std::string(error.what()), row.message);
    }
    EXPECT_EQ(lines.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Values, BadRows, testing::ValuesIn(BadValueRows()), [](const auto& info) { return std::string(info.param.name); });

TEST(FormatAttributeValue, WholeValueHexAbove65535BytesRaises)
{
    std::vector<std::uint8_t> big(70000, 0);
    util::StringList lines;
    EXPECT_THROW(
        FormatAttributeValue(client::kNoContext, "obj", "Attr", 1, {70000, 40}, big.data(), lines), ValueError);
}

// Network addresses whose bytes are fewer than their type reads, each in an
// allocation of exactly that many bytes.
TEST(FormatNetAddress, ShortAddressesShowTheirOwnBytes)
{
    struct Row
    {
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {1, {10, 0, 0}, "(1) [0A0000]"},
        {9, {2, 12, 10, 1, 2}, "(9) [020C0A0102]"},
        {0, {1, 2, 3, 4, 5, 6, 7, 8, 9}, "(0) [010203040506070809]"},
        {5, {1, 2, 3, 4}, "(5) [01020304]"},
        {13, {'a', 0, 'b', 0}, "(13) ab"},
        {13, {'a', 0, 'b'}, "(13) a"},
        {7, {}, "(7) "},
    };
    for (const Row& row : rows) {
        auto exact = std::make_unique<std::uint8_t[]>(row.bytes.size());
        std::copy(row.bytes.begin(), row.bytes.end(), exact.get());
        const client::NetAddressValue address {row.type, static_cast<std::uint32_t>(row.bytes.size()), exact.get()};
        EXPECT_EQ(FormatNetAddress(address), row.expected) << "type " << row.type;
    }
    EXPECT_EQ(FormatNetAddress({1, 6, nullptr}), "(1) ");
}

TEST(RightsLetters, EachBitHasItsPosition)
{
    EXPECT_EQ(RightsLetters(0x43, RightsKind::Attribute), "[CR   I]");
    EXPECT_EQ(RightsLetters(0x2F, RightsKind::Attribute), "[CRWSA ]");
    EXPECT_EQ(RightsLetters(0x10, RightsKind::Attribute), "[      ]");
    EXPECT_EQ(RightsLetters(0x01, RightsKind::Entry), "[B    I]");
    EXPECT_EQ(RightsLetters(0x1F, RightsKind::Entry), "[BCDRAI]");
    EXPECT_EQ(RightsLetters(0x40, RightsKind::Entry), "[      ]");
    EXPECT_EQ(RightsLetters(0xFFFFFF80, RightsKind::Entry), "[     I]");
}

TEST(FormatAclEntry, KindComesFromTheProtectedAttribute)
{
    EXPECT_EQ(FormatAclEntry(0x01, "[Public]", "[Entry Rights]"), "[B    I] [Public] / [Entry Rights]");
    // The markers are matched case-sensitively.
    EXPECT_EQ(FormatAclEntry(0x01, "[Public]", "[entry rights]"), "[C     ] [Public] / [entry rights]");
    EXPECT_EQ(FormatAclEntry(0x02, "X", "x[Inheritance Mask]y"), "[ C   I] X / x[Inheritance Mask]y");
}

TEST(ReplicaTypeText, NamesAndUnknown)
{
    EXPECT_EQ(ReplicaTypeText(0), "Master");
    EXPECT_EQ(ReplicaTypeText(1), "Secondary");
    EXPECT_EQ(ReplicaTypeText(2), "Read-Only");
    EXPECT_EQ(ReplicaTypeText(3), "Subordinate Reference");
    EXPECT_EQ(ReplicaTypeText(4), "Unknown (Type: 4)");
    EXPECT_EQ(ReplicaTypeText(-1), "Unknown (Type: -1)");
}

} // namespace
} // namespace veralith::values
