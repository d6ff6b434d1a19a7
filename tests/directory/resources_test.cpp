// Every operation of the directory layer releases every context, buffer and
// iteration it allocated, on its successful and its failing paths.

#include "directory/directory.h"
#include "tests/directory/fixture.h"

#include <functional>

namespace veralith::directory {
namespace {

struct Operation
{
    const char* name;
    std::function<void(client::DirContext)> run;
};

class ResourcesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testing::StartClient(testing::StandardSources());
        m_context = testing::CreateContext();
        SetContextFlags(m_context.get(), '+', client::DCV_TYPELESS_NAMES);
        ASSERT_EQ(SetNameContext(m_context.get(), "Sales.Corp"), 0);
    }
    client::ScopedContext m_context;
};

TEST_F(ResourcesTest, EveryOperationLeavesTheClientAsItFoundIt)
{
    constexpr client::DirContext kBad = 0xBADBAD;
    const std::vector<Operation> operations = {
        {"ListTrees",
            [](client::DirContext) {
                util::StringList list;
                ListTrees(list);
            }},
        {"ReadPrimaryTree", [](client::DirContext) { ReadPrimaryTree(); }},
        {"ReadNameContext", [](client::DirContext c) { ReadNameContext(c); }},
        {"ConvertName", [](client::DirContext c) { ConvertName(c, "jsmith"); }},
        {"ReadObjectFullName", [](client::DirContext c) { ReadObjectFullName(c, "jsmith"); }},
        {"ReadObjectFullName missing", [](client::DirContext c) { ReadObjectFullName(c, "nobody"); }},
        {"ReadObjectBaseClass", [](client::DirContext c) { ReadObjectBaseClass(c, "jsmith"); }},
        {"ReadObjectBaseClass missing", [](client::DirContext c) { ReadObjectBaseClass(c, "nobody"); }},
        {"ReadObjectParentName", [](client::DirContext c) { ReadObjectParentName(c, "jsmith"); }},
        {"ReadObjectRelativeName bad", [kBad](client::DirContext) { ReadObjectRelativeName(kBad, "jsmith"); }},
        {"ReadObjectCreationTime", [](client::DirContext c) { ReadObjectCreationTime(c, "jsmith"); }},
        {"ReadObjectModificationTime missing", [](client::DirContext c) { ReadObjectModificationTime(c, "nobody"); }},
        {"ReadObjectCreationTime bad", [kBad](client::DirContext) { ReadObjectCreationTime(kBad, "jsmith"); }},
        {"ListContainers",
            [](client::DirContext c) {
                util::StringList list;
                ListContainers(c, ".Corp", list);
            }},
        {"ListContainers empty",
            [](client::DirContext c) {
                util::StringList list;
                ListContainers(c, ".Empty.Corp", list);
            }},
        {"ListContainers missing",
            [](client::DirContext c) {
                util::StringList list;
                ListContainers(c, ".Nowhere.Corp", list);
            }},
        {"ListContainers bad",
            [kBad](client::DirContext) {
                util::StringList list;
                ListContainers(kBad, ".Corp", list);
            }},
        {"ListStart abandoned",
            [](client::DirContext c) {
                TNDSObj cursor;
                ListStart(c, ".Corp", cursor);
            }},
        {"ReadClassList",
            [](client::DirContext c) {
                util::StringList list;
                ReadClassList(c, list);
            }},
        {"ReadClassList bad",
            [kBad](client::DirContext) {
                util::StringList list;
                ReadClassList(kBad, list);
            }},
        {"ReadClassItems all classes",
            [](client::DirContext c) {
                util::StringList list;
                ReadClassItems(c, "", kModeAllAttributes, true, list);
            }},
        {"ReadClassItems one class",
            [](client::DirContext c) {
                util::StringList list;
                ReadClassItems(c, "User", kModeObjectIdentifier, false, list);
            }},
        {"ReadClassItems unknown class",
            [](client::DirContext c) {
                util::StringList list;
                ReadClassItems(c, "NoSuchClass", 0, false, list);
            }},
        {"ReadClassItems bad",
            [kBad](client::DirContext) {
                util::StringList list;
                ReadClassItems(kBad, "User", 0, false, list);
            }},
        {"ReadAttributeList",
            [](client::DirContext c) {
                util::StringList list;
                ReadAttributeList(c, AttributeNamesWithFlags, list);
            }},
        {"ReadAttributeList bad",
            [kBad](client::DirContext) {
                util::StringList list;
                ReadAttributeList(kBad, 0, list);
            }},
        {"ReadAttributeDef",
            [](client::DirContext c) {
                client::DirAttrInfo info {};
                ReadAttributeDef(c, "GUID", info);
            }},
        {"ReadAttributeDef unknown",
            [](client::DirContext c) {
                client::DirAttrInfo info {};
                ReadAttributeDef(c, "noSuchAttribute", info);
            }},
        {"ReadAttributeDef bad",
            [kBad](client::DirContext) {
                client::DirAttrInfo info {};
                ReadAttributeDef(kBad, "GUID", info);
            }},
    };
    for (const auto& operation : operations) {
        const auto before = client::GetClientResourceCounts();
        operation.run(m_context.get());
        EXPECT_EQ(client::GetClientResourceCounts(), before) << operation.name;
    }
}

} // namespace
} // namespace veralith::directory
