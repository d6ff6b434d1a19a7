// Schema reads: class and attribute definitions, class items, syntax ids,
// and the base schema's completeness.

#include "client_fixture.h"

#include <map>
#include <set>

namespace veralith::client::testing {
namespace {

struct ClassRecord
{
    DirClassInfo info {};
    std::vector<std::vector<std::string>> lists;
};

class SchemaTest : public ClientTest
{
protected:
    void SetUp() override
    {
        Start(TreeText("SCHEMA", R"({"name":"Acme","class":"Organization"})",
            R"("schema":{"attributes":[{"name":"acmeBadge","syntax":3,"flags":1,"oid":"2.16.840.1.113719.9.1.1"}],
               "classes":[{"name":"acmeAux","flags":32,"superClasses":["Top"],"optional":["acmeBadge"]}]},)"));
    }

    // Reads class definitions reply by reply; names empty means all.
    std::map<std::string, ClassRecord> ReadClasses(
        std::uint32_t infoType, const std::vector<std::string>& names, std::size_t size, int* replies = nullptr)
    {
        std::map<std::string, ClassRecord> classes;
        ScopedBuffer request;
        ScopedBuffer reply;
        EXPECT_EQ(request.allocate(kSmallBufferSize), 0);
        EXPECT_EQ(reply.allocate(size), 0);
        EXPECT_EQ(DirInitBuffer(Context(), DSV_READ_CLASS_DEF, request.get()), 0);
        for (const std::string& name : names) {
            EXPECT_EQ(DirPutClassItem(Context(), request.get(), name.c_str()), 0);
        }
        std::int32_t iteration = -1;
        int count = 0;
        do {
            const DirResult rc = DirReadClassDef(
                Context(), infoType, names.empty(), names.empty() ? nullptr : request.get(), &iteration, reply.get());
            EXPECT_EQ(rc, 0);
            if (rc != 0) {
                break;
            }
            ++count;
            std::uint32_t defs = 0;
            EXPECT_EQ(DirGetClassDefCount(Context(), reply.get(), &defs), 0);
            for (std::uint32_t i = 0; i < defs; ++i) {
                char name[kMaxSchemaNameChars + 1];
                ClassRecord record;
                EXPECT_EQ(DirGetClassDef(Context(), reply.get(), name, &record.info), 0);
                for (int list = 0; infoType == 2 && list < 5; ++list) {
                    std::uint32_t items = 0;
                    EXPECT_EQ(DirGetClassItemCount(Context(), reply.get(), &items), 0);
                    record.lists.emplace_back();
                    for (std::uint32_t k = 0; k < items; ++k) {
                        char item[kMaxSchemaNameChars + 1];
                        EXPECT_EQ(DirGetClassItem(Context(), reply.get(), item), 0);
                        record.lists.back().emplace_back(item);
                    }
                }
                classes[name] = record;
            }
        } while (iteration != -1);
        if (replies != nullptr) {
            *replies = count;
        }
        return classes;
    }

    std::map<std::string, DirAttrInfo> ReadAttributes(std::uint32_t infoType, std::size_t size, int* replies)
    {
        std::map<std::string, DirAttrInfo> attributes;
        ScopedBuffer reply;
        EXPECT_EQ(reply.allocate(size), 0);
        std::int32_t iteration = -1;
        *replies = 0;
        do {
            EXPECT_EQ(DirReadAttrDef(Context(), infoType, true, nullptr, &iteration, reply.get()), 0);
            ++*replies;
            std::uint32_t count = 0;
            EXPECT_EQ(DirGetAttrCount(Context(), reply.get(), &count), 0);
            for (std::uint32_t i = 0; i < count; ++i) {
                char name[kMaxSchemaNameChars + 1];
                DirAttrInfo info {};
                EXPECT_EQ(DirGetAttrDef(Context(), reply.get(), name, &info), 0);
                attributes[name] = info;
            }
        } while (iteration != -1 && *replies < 1000);
        return attributes;
    }
};

bool Contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

TEST_F(SchemaTest, AllClasses_ComeReplyByReplyWithFlagsAndIdentifiers)
{
    int replies = 0;
    const auto classes = ReadClasses(3, {}, kSmallBufferSize, &replies);
    ASSERT_GT(classes.size(), 30u);
    EXPECT_EQ(classes.at("User").info.flags, DS_EFFECTIVE_CLASS | DS_NONREMOVABLE_CLASS);
    EXPECT_EQ(classes.at("Organizational Unit").info.flags & DS_CONTAINER_CLASS, DS_CONTAINER_CLASS);
    EXPECT_EQ(classes.at("acmeAux").info.flags, DS_AUXILIARY_CLASS);
    // "Top" is 2.5.6.0: tag 6, length 3, 0x55 0x06 0x00.
    const DirObjectId& top = classes.at("Top").info.oid;
    ASSERT_EQ(top.length, 5u);
    EXPECT_EQ(std::vector<int>(top.data, top.data + 5), (std::vector<int> {6, 3, 0x55, 6, 0}));
    for (const char* name : {"Alias", "Country", "Locality", "Organization", "Person", "Organizational Person", "Group",
             "Organizational Role", "NCP Server", "Volume", "Printer", "Print Server", "Queue", "Profile",
             "Directory Map", "Computer", "Application", "Workstation", "Tree Root"}) {
        EXPECT_EQ(classes.count(name), 1u) << name;
    }
    int largeReplies = 0;
    EXPECT_EQ(ReadClasses(3, {}, kLargeBufferSize, &largeReplies).size(), classes.size());
    EXPECT_EQ(largeReplies, 1);
    EXPECT_EQ(ReadClasses(0, {}, kSmallBufferSize).size(), classes.size());
}

TEST_F(SchemaTest, ExpandedDefinition_HoldsInheritedItems)
{
    const auto classes = ReadClasses(2, {"user"}, kLargeBufferSize);
    ASSERT_EQ(classes.size(), 1u);
    const ClassRecord& user = classes.at("User");
    ASSERT_EQ(user.lists.size(), 5u);
    EXPECT_EQ(user.lists[0], (std::vector<std::string> {"Organizational Person", "Person", "Top"}));
    EXPECT_TRUE(Contains(user.lists[1], "Organizational Unit"));
    EXPECT_EQ(user.lists[2].front(), "CN");
    EXPECT_TRUE(Contains(user.lists[3], "Object Class"));
    EXPECT_TRUE(Contains(user.lists[3], "Surname"));
    EXPECT_TRUE(Contains(user.lists[4], "GUID"));
    EXPECT_TRUE(Contains(user.lists[4], "Login Time"));
    EXPECT_TRUE(Contains(user.lists[4], "Telephone Number"));
}

TEST_F(SchemaTest, ExpandedDefinitions_NameOnlySchemaItems)
{
    int replies = 0;
    const auto classes = ReadClasses(2, {}, kSmallBufferSize, &replies);
    EXPECT_GT(replies, 1);
    for (const auto& [name, record] : classes) {
        for (int list = 0; list < 5; ++list) {
            for (const std::string& item : record.lists[static_cast<std::size_t>(list)]) {
                if (list < 2) {
                    EXPECT_EQ(classes.count(item), 1u) << name << ": class " << item;
                } else {
                    std::uint32_t syntax = 0;
                    EXPECT_EQ(DirGetSyntaxId(Context(), item.c_str(), &syntax), 0) << name << ": " << item;
                }
            }
        }
    }
}

TEST_F(SchemaTest, ClassRequests_CheckTheirNames)
{
    ScopedBuffer request;
    ScopedBuffer reply;
    ASSERT_EQ(request.allocate(kSmallBufferSize), 0);
    ASSERT_EQ(reply.allocate(kSmallBufferSize), 0);
    ASSERT_EQ(DirInitBuffer(Context(), DSV_READ_CLASS_DEF, request.get()), 0);
    EXPECT_EQ(DirPutClassItem(Context(), request.get(), ""), 0); // asks for nothing
    std::int32_t iteration = -1;
    ASSERT_EQ(DirReadClassDef(Context(), 1, false, request.get(), &iteration, reply.get()), 0);
    std::uint32_t count = 9;
    ASSERT_EQ(DirGetClassDefCount(Context(), reply.get(), &count), 0);
    EXPECT_EQ(count, 0u);
    ASSERT_EQ(DirPutClassItem(Context(), request.get(), "No Such Class"), 0);
    EXPECT_EQ(DirReadClassDef(Context(), 1, false, request.get(), &iteration, reply.get()), ERR_NO_SUCH_CLASS);
    EXPECT_EQ(DirReadClassDef(Context(), 4, true, nullptr, &iteration, reply.get()), ERR_BAD_VERB);
    EXPECT_EQ(DirReadAttrDef(Context(), 2, true, nullptr, &iteration, reply.get()), ERR_BAD_VERB);
    ASSERT_EQ(DirInitBuffer(Context(), DSV_READ, request.get()), 0);
    EXPECT_EQ(DirPutClassItem(Context(), request.get(), "User"), ERR_BAD_VERB);
    EXPECT_EQ(DirReadClassDef(Context(), 1, false, request.get(), &iteration, reply.get()), ERR_BAD_VERB);
    EXPECT_EQ(iteration, -1);
}

TEST_F(SchemaTest, AttributeDefinitions_CarrySyntaxFlagsAndIdentifier)
{
    int replies = 0;
    const auto attributes = ReadAttributes(1, kSmallBufferSize, &replies);
    EXPECT_GT(replies, 1);
    const DirAttrInfo& cn = attributes.at("CN");
    EXPECT_EQ(cn.syntaxId, 3u);
    EXPECT_EQ(cn.upperBound, 64u);
    EXPECT_EQ(cn.oid.length, 5u); // 2.5.4.3
    EXPECT_EQ(cn.oid.data[4], 3);
    EXPECT_EQ(attributes.at("acmeBadge").flags, DS_SINGLE_VALUED_ATTR);
    std::set<std::uint32_t> syntaxes;
    for (const auto& [name, info] : attributes) {
        syntaxes.insert(info.syntaxId);
        EXPECT_LE(name.size(), kMaxSchemaNameChars);
    }
    for (std::uint32_t s = 0; s < 28; ++s) {
        EXPECT_EQ(syntaxes.count(s), 1u) << "no base attribute of syntax " << s;
    }
    EXPECT_EQ(ReadAttributes(0, kSmallBufferSize, &replies).size(), attributes.size());
}

TEST_F(SchemaTest, SyntaxIds_OfTheAttributesTheProgramNames)
{
    const std::pair<const char*, std::uint32_t> expected[] = {
        {"object class", 20},
        {"GUID", 9},
        {"CN", 3},
        {"OU", 3},
        {"O", 3},
        {"C", 4},
        {"L", 3},
        {"creatorsName", 3},
        {"modifiersName", 3},
        {"Aliased Object Name", 1},
        {"Member", 1},
        {"Group Membership", 1},
        {"Telephone Number", 10},
        {"Internet EMail Address", 3},
        {"Surname", 3},
        {"Given Name", 3},
        {"Full Name", 3},
        {"Title", 3},
        {"Description", 3},
        {"Network Address", 12},
        {"Login Time", 24},
        {"Last Login Time", 24},
        {"Login Script", 21},
        {"Print Job Configuration", 21},
        {"App:Macros", 21},
        {"App:Copy Files", 21},
        {"App:Inventory", 21},
        {"App:Program Groups", 21},
    };
    for (const auto& [name, syntax] : expected) {
        std::uint32_t id = 99;
        ASSERT_EQ(DirGetSyntaxId(Context(), name, &id), 0) << name;
        EXPECT_EQ(id, syntax) << name;
    }
    const char* const octets[] = {"App:GUID", "App:Drive Mappings", "App:Parameters", "App:Path", "App:Version String",
        "App:Working Directory", "DirXML-EntitlementResult", "ZEN:INV Disk Info", "bhObjectGUID", "rbsTaskRights",
        "snmpTrapDescription", "FW0 USER ADD", "Bindery Property", "CA Public Key", "Public Key", "memberQuery",
        "WM:INV DMA", "WM:INV Interrupt", "WM:INV Port", "WM:INV CPU Information", "WM:INV Shared Memory",
        "WM:INV Volume", "NGW: Location", "App:Folder List", "App:FS Rights Path", "Local Received Up To",
        "Transitive Vector", "bhConfig", "Partition Status", "Printer Configuration"};
    for (const char* name : octets) {
        std::uint32_t id = 99;
        ASSERT_EQ(DirGetSyntaxId(Context(), name, &id), 0) << name;
        EXPECT_EQ(id, 9u) << name;
    }
    std::uint32_t id = 99;
    EXPECT_EQ(DirGetSyntaxId(Context(), "No Such Attribute", &id), ERR_NO_SUCH_ATTRIBUTE);
    EXPECT_EQ(id, 99u);
}

} // namespace
} // namespace veralith::client::testing
