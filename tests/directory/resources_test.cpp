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
        context = testing::CreateContext();
        SetContextFlags(context.get(), '+', client::DCV_TYPELESS_NAMES);
        ASSERT_EQ(SetNameContext(context.get(), "Sales.Corp"), 0);
    }
    client::ScopedContext context;
};

TEST_F(ResourcesTest, EveryOperationLeavesTheClientAsItFoundIt)
{
    constexpr client::DirContext bad = 0xBADBAD;
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
        {"ReadObjectRelativeName bad", [bad](client::DirContext) { ReadObjectRelativeName(bad, "jsmith"); }},
        {"ReadObjectCreationTime", [](client::DirContext c) { ReadObjectCreationTime(c, "jsmith"); }},
        {"ReadObjectModificationTime missing", [](client::DirContext c) { ReadObjectModificationTime(c, "nobody"); }},
        {"ReadObjectCreationTime bad", [bad](client::DirContext) { ReadObjectCreationTime(bad, "jsmith"); }},
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
            [bad](client::DirContext) {
                util::StringList list;
                ListContainers(bad, ".Corp", list);
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
            [bad](client::DirContext) {
                util::StringList list;
                ReadClassList(bad, list);
            }},
        {"ReadClassItems all classes",
            [](client::DirContext c) {
                util::StringList list;
                ReadClassItems(c, "", ModeAllAttributes, true, list);
            }},
        {"ReadClassItems one class",
            [](client::DirContext c) {
                util::StringList list;
                ReadClassItems(c, "User", ModeObjectIdentifier, false, list);
            }},
        {"ReadClassItems unknown class",
            [](client::DirContext c) {
                util::StringList list;
                ReadClassItems(c, "NoSuchClass", 0, false, list);
            }},
        {"ReadClassItems bad",
            [bad](client::DirContext) {
                util::StringList list;
                ReadClassItems(bad, "User", 0, false, list);
            }},
        {"ReadAttributeList",
            [](client::DirContext c) {
                util::StringList list;
                ReadAttributeList(c, AttributeNamesWithFlags, list);
            }},
        {"ReadAttributeList bad",
            [bad](client::DirContext) {
                util::StringList list;
                ReadAttributeList(bad, 0, list);
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
            [bad](client::DirContext) {
                client::DirAttrInfo info {};
                ReadAttributeDef(bad, "GUID", info);
            }},
    };
    for (const auto& operation : operations) {
        const auto before = client::GetClientResourceCounts();
        operation.run(context.get());
        EXPECT_EQ(client::GetClientResourceCounts(), before) << operation.name;
    }
}

} // namespace
} // namespace veralith::directory
