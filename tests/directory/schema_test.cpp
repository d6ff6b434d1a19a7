#include "directory/schema.h"
#include "tests/directory/fixture.h"

#include <cstring>
#include <initializer_list>

namespace veralith::directory {
namespace {

using testing::RecordedFeedback;
using testing::RecordingHooks;

class SchemaTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testing::StartClient(testing::StandardSources());
        m_context = testing::CreateContext();
    }
    client::ScopedContext m_context;
};

std::int32_t IndexOf(const util::StringList& list, const std::string& text)
{
    return list.IndexOf(text, true);
}

TEST_F(SchemaTest, ClassListCarriesEachClassFlagWord)
{
    util::StringList list;
    ASSERT_EQ(ReadClassList(m_context.get(), list), 0);
    const auto user = IndexOf(list, "User");
    const auto aux = IndexOf(list, "testAux");
    const auto unit = IndexOf(list, "Organizational Unit");
    ASSERT_GE(user, 0);
    ASSERT_GE(aux, 0);
    ASSERT_GE(unit, 0);
    EXPECT_EQ(list.ValueAt(user) & kAuxiliaryClassFlag, 0);
    EXPECT_EQ(list.ValueAt(aux) & kAuxiliaryClassFlag, static_cast<std::int32_t>(kAuxiliaryClassFlag));
    EXPECT_NE(list.ValueAt(unit) & client::DS_CONTAINER_CLASS, 0);
    // Every class once.
    for (std::size_t i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list.IndexOf(list.TextAt(i), false), static_cast<std::int32_t>(i)) << list.TextAt(i);
    }
}

TEST_F(SchemaTest, ClassAttributesHoldInheritedItemsOnceMandatoryFirst)
{
    util::StringList list;
    ASSERT_EQ(ReadClassAttributes(m_context.get(), "User", kModeAllAttributes, list), 0);
    const auto guid = IndexOf(list, "GUID"); // optional attribute of Top
    const auto surname = IndexOf(list, "Surname");
    const auto cn = IndexOf(list, "CN");
    const auto objectClass = IndexOf(list, "Object Class"); // mandatory in Top
    ASSERT_GE(guid, 0);
    ASSERT_GE(surname, 0);
    ASSERT_GE(cn, 0);
    ASSERT_GE(objectClass, 0);
    EXPECT_EQ(list.ValueAt(guid), ItemsOptional);
    EXPECT_EQ(list.ValueAt(objectClass), ItemsMandatory);
    std::int32_t lastMandatory = -1;
    std::int32_t firstOptional = static_cast<std::int32_t>(list.Count());
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const auto value = list.ValueAt(i);
        ASSERT_TRUE(value == ItemsMandatory || value == ItemsOptional) << list.TextAt(i);
        EXPECT_EQ(list.IndexOf(list.TextAt(i), false), static_cast<std::int32_t>(i)) << list.TextAt(i);
        if (value == ItemsMandatory) {
            lastMandatory = static_cast<std::int32_t>(i);
        } else {
            firstOptional = std::min(firstOptional, static_cast<std::int32_t>(i));
        }
    }
    EXPECT_LT(lastMandatory, firstOptional);
}

TEST_F(SchemaTest, ClassAttributesOfStarAreEveryAttributeWithoutValues)
{
    util::StringList all;
    ASSERT_EQ(ReadClassAttributes(m_context.get(), "*", kModeAllAttributes, all), 0);
    util::StringList withSyntax;
    ASSERT_EQ(ReadAttributeList(m_context.get(), AttributeNamesWithSyntax, withSyntax), 0);
    ASSERT_EQ(all.Count(), withSyntax.Count());
    EXPECT_EQ(all.Texts(), withSyntax.Texts());
    for (const auto& entry : all) {
        EXPECT_EQ(entry.value, 0) << entry.text;
    }
    EXPECT_GE(IndexOf(all, "testBadge"), 0);
}

TEST_F(SchemaTest, AttributeListKindsCarrySyntaxOrFlags)
{
    util::StringList withSyntax;
    ASSERT_EQ(ReadAttributeList(m_context.get(), AttributeNamesWithSyntax, withSyntax), 0);
    const auto guid = IndexOf(withSyntax, "GUID");
    ASSERT_GE(guid, 0);
    EXPECT_EQ(withSyntax.ValueAt(guid), 9);
    EXPECT_EQ(withSyntax.ValueAt(IndexOf(withSyntax, "Object Class")), 20);

    util::StringList withFlags;
    ASSERT_EQ(ReadAttributeList(m_context.get(), AttributeNamesWithFlags, withFlags), 0);
    const auto badge = IndexOf(withFlags, "testBadge");
    ASSERT_GE(badge, 0);
    EXPECT_EQ(withFlags.ValueAt(badge), 1);
}

TEST_F(SchemaTest, ReadAttributeDefFillsSyntaxAndFlags)
{
    client::DirAttrInfo info {};
    ASSERT_EQ(ReadAttributeDef(m_context.get(), "testBadge", info), 0);
    EXPECT_EQ(info.syntaxId, 3u);
    EXPECT_EQ(info.flags & 1u, 1u);

    client::DirAttrInfo untouched {};
    untouched.syntaxId = 12345;
    EXPECT_EQ(ReadAttributeDef(m_context.get(), "noSuchAttribute", untouched), client::ERR_NO_SUCH_ATTRIBUTE);
    EXPECT_EQ(untouched.syntaxId, 12345u);
}

TEST_F(SchemaTest, LabelledMandatoryItemsCarryTheirLength)
{
    util::StringList list;
    ASSERT_EQ(ReadClassItems(m_context.get(), "User", ItemsMandatory, true, list), 0);
    ASSERT_GT(list.Count(), 0u);
    for (const auto& entry : list) {
        EXPECT_EQ(entry.text.rfind("[Mandatory] ", 0), 0u) << entry.text;
        EXPECT_EQ(entry.value, static_cast<std::int32_t>(entry.text.size())) << entry.text;
    }
    EXPECT_GE(IndexOf(list, "[Mandatory] Object Class"), 0);
}

TEST_F(SchemaTest, LabelsArePaddedAsTheListShowsThem)
{
    EXPECT_EQ(ClassItemLabel(0), "[Super Class] ");
    EXPECT_EQ(ClassItemLabel(1), "[Containment Class] ");
    EXPECT_EQ(ClassItemLabel(2), "[Naming]    ");
    EXPECT_EQ(ClassItemLabel(3), "[Mandatory] ");
    EXPECT_EQ(ClassItemLabel(4), "[Optional]  ");
    EXPECT_EQ(ClassItemLabel(5), "");
}

TEST_F(SchemaTest, SuperClassesOfAllClassesAreListedOnce)
{
    RecordedFeedback record;
    RecordingHooks hooks(record);
    util::StringList list;
    ASSERT_EQ(ReadClassItems(m_context.get(), "", ItemsSuperClasses, false, list), 0);
    for (const char* name : {"Top", "Person", "Organizational Person"}) {
        EXPECT_GE(IndexOf(list, name), 0) << name;
    }
    // User is nobody's super class.
    EXPECT_LT(IndexOf(list, "User"), 0);
    for (std::size_t i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list.ValueAt(i), ItemsSuperClasses);
        EXPECT_EQ(list.IndexOf(list.TextAt(i), false), static_cast<std::int32_t>(i)) << list.TextAt(i);
    }
    util::StringList classes;
    ASSERT_EQ(ReadClassList(m_context.get(), classes), 0);
    // One pump before each definition.
    EXPECT_EQ(record.pumps, static_cast<int>(classes.Count()));

    // "*" means all classes too.
    util::StringList star;
    ASSERT_EQ(ReadClassItems(m_context.get(), "*", ItemsSuperClasses, false, star), 0);
    EXPECT_EQ(star, list);
}

TEST_F(SchemaTest, ObjectIdentifierModeAddsOneEntryPerClassWithAnIdentifier)
{
    util::StringList list;
    ASSERT_EQ(ReadClassItems(m_context.get(), "testAux", kModeObjectIdentifier, false, list), 0);
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.TextAt(0), "2.16.840.1.113719.99.2.1");
    EXPECT_EQ(list.ValueAt(0), kModeObjectIdentifier);
}

TEST_F(SchemaTest, UnknownClassGivesTheClientsCode)
{
    util::StringList list;
    EXPECT_EQ(
        ReadClassItems(m_context.get(), "NoSuchClass", kModeAllAttributes, false, list), client::ERR_NO_SUCH_CLASS);
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(ReadClassList(0xBADBAD, list), client::ERR_INVALID_HANDLE);
    EXPECT_EQ(ReadAttributeList(0xBADBAD, 0, list), client::ERR_INVALID_HANDLE);
}

client::DirObjectId MakeIdentifier(std::uint32_t length, std::initializer_list<std::uint8_t> bytes)
{
    client::DirObjectId id {};
    id.length = length;
    std::size_t i = 0;
    for (auto b : bytes) {
        id.data[i++] = b;
    }
    return id;
}

TEST(ObjectIdentifierTest, FormatsTheDottedDecimalForm)
{
    struct Row
    {
        client::DirObjectId id;
        const char* expected;
    };
    const Row rows[] = {
        {MakeIdentifier(5, {6, 3, 0x55, 4, 3}), "2.5.4.3"},
        // 2.16.840.1.113719.1.1.6.1.30: arcs above 127 take several bytes.
        {MakeIdentifier(14, {6, 12, 0x60, 0x86, 0x48, 0x01, 0x86, 0xF8, 0x37, 0x01, 0x01, 0x06, 0x01, 0x1E}),
            "2.16.840.1.113719.1.1.6.1.30"},
        {MakeIdentifier(0, {6, 3, 0x55, 4, 3}), ""}, // length 0
        {MakeIdentifier(5, {5, 3, 0x55, 4, 3}), ""}, // not tag 6
        {MakeIdentifier(3, {6, 1, 0x55}), ""}, // content shorter than 2
        {MakeIdentifier(3, {6, 3, 0x55, 4, 3}), ""}, // content length + 1 above the record's length
        {MakeIdentifier(4, {6, 3, 0x55, 4, 3}), "2.5.4.3"}, // content length + 1 equal to it
        {MakeIdentifier(4, {6, 2, 0x2B, 6}), "1.3.6"},
        // A last arc whose final byte has the high bit set is left incomplete.
        {MakeIdentifier(5, {6, 3, 0x2B, 6, 0x81}), "1.3.6"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FormatObjectIdentifier(row.id), row.expected);
    }
}

TEST(ObjectIdentifierTest, NeverReadsBeyondTheThirtyTwoDataBytes)
{
    // A content length of 200 with a length field large enough to allow it:
    // only the bytes inside the record are decoded.
    client::DirObjectId id {};
    id.length = 250;
    id.data[0] = 6;
    id.data[1] = 200;
    id.data[2] = 0x2B;
    for (std::size_t i = 3; i < sizeof id.data; ++i) {
        id.data[i] = 1;
    }
    std::string expected = "1.3";
    for (std::size_t i = 3; i < sizeof id.data; ++i) {
        expected += ".1";
    }
    // Placed at the end of a heap block so that a read past it is caught.
    auto block = std::make_unique<client::DirObjectId>(id);
    EXPECT_EQ(FormatObjectIdentifier(*block), expected);
}

} // namespace
} // namespace veralith::directory
