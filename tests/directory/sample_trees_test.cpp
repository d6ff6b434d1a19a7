// The built-in sample trees: they load, the built-in configuration serves
// them, and they hold what the value rendering and the duplicate search are
// shown with.

#include "client/values.h"
#include "directory/directory.h"
#include "tests/directory/fixture.h"
#include "util/text.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

namespace veralith::directory {
namespace {

nlohmann::json LoadJson(const std::string& file)
{
    std::ifstream in(testing::SourceDir() + "/data/" + file);
    EXPECT_TRUE(in.good()) << file;
    return nlohmann::json::parse(in);
}

// Octet-string and stream attributes whose values are rendered field by field.
const char* const kStructuredAttributes[] = {
    "App:GUID",
    "App:Drive Mappings",
    "App:Parameters",
    "App:Path",
    "App:Version String",
    "App:Working Directory",
    "DirXML-EntitlementResult",
    "ZEN:INV Disk Info",
    "bhObjectGUID",
    "rbsTaskRights",
    "snmpTrapDescription",
    "FW0 USER ADD",
    "Bindery Property",
    "CA Public Key",
    "Public Key",
    "memberQuery",
    "WM:INV DMA",
    "WM:INV Interrupt",
    "WM:INV Port",
    "WM:INV CPU Information",
    "WM:INV Shared Memory",
    "WM:INV Volume",
    "NGW: Location",
    "App:Folder List",
    "App:FS Rights Path",
    "Local Received Up To",
    "Transitive Vector",
    "bhConfig",
    "Partition Status",
    "Printer Configuration",
    "App:Macros",
    "App:Copy Files",
    "App:Inventory",
    "App:Program Groups",
};

class SampleTreesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        unsetenv("VERALITH_TREES");
        testing::StartClient({});
        m_context = testing::CreateContext();
        m_acme = LoadJson("acme.json");
    }
    void TearDown() override { client::SetTreeSources(testing::StandardSources()); }

    // Attribute name -> every value given for it in the large tree.
    std::map<std::string, std::vector<nlohmann::json>> ValuesByAttribute() const
    {
        std::map<std::string, std::vector<nlohmann::json>> values;
        for (const auto& object : m_acme["objects"]) {
            if (!object.contains("attributes")) {
                continue;
            }
            for (const auto& [name, list] : object["attributes"].items()) {
                for (const auto& value : list) {
                    values[name].push_back(value);
                }
            }
        }
        return values;
    }

    client::ScopedContext m_context;
    nlohmann::json m_acme;
};

TEST_F(SampleTreesTest, BuiltInConfigurationServesTwoTreesOverThreeConnections)
{
    std::uint32_t iterator = 0;
    std::uint32_t reference = 0;
    int connections = 0;
    while (client::ConnScan(&iterator, &reference) == 0) {
        ++connections;
    }
    EXPECT_EQ(connections, 3);

    util::StringList trees;
    ListTrees(trees);
    EXPECT_EQ(trees.Texts(), (std::vector<std::string> {"ACME_TREE", "GLOBEX-TREE"}));
    EXPECT_EQ(ReadPrimaryTree(), "ACME_TREE");
    SetContextFlags(m_context.get(), '+', client::DCV_TYPELESS_NAMES);
    EXPECT_EQ(ReadNameContext(m_context.get()), "Acme");
}

TEST_F(SampleTreesTest, LargeTreeIsAnOrganisationOfRealSize)
{
    std::map<std::string, int> classes;
    int deepest = 0;
    for (const auto& object : m_acme["objects"]) {
        ++classes[object["class"].get<std::string>()];
        const auto name = object["name"].get<std::string>();
        deepest = std::max(deepest, static_cast<int>(std::count(name.begin(), name.end(), '.')) + 1);
    }
    EXPECT_GE(classes["User"], 300);
    EXPECT_GE(classes["Group"], 5);
    EXPECT_GE(classes["Printer"], 5);
    EXPECT_GE(classes["NCP Server"], 2);
    EXPECT_GE(classes["Volume"], 2);
    EXPECT_GE(classes["Application"], 2);
    EXPECT_GE(classes["Alias"], 2);
    EXPECT_GE(classes["Organizational Unit"], 10);
    EXPECT_GE(deepest, 4);
    EXPECT_EQ(m_acme["defaultNameContext"], "Acme");
}

TEST_F(SampleTreesTest, LargeTreeHoldsValuesOfEverySyntax)
{
    std::set<std::uint32_t> syntaxes;
    for (const auto& [name, values] : ValuesByAttribute()) {
        std::uint32_t syntax = 0;
        ASSERT_EQ(client::DirGetSyntaxId(m_context.get(), name.c_str(), &syntax), 0) << name;
        if (!values.empty()) {
            syntaxes.insert(syntax);
        }
    }
    // Object Class (20) is derived from every object's class.
    syntaxes.insert(client::SYN_CLASS_NAME);
    for (std::uint32_t syntax = 0; syntax < client::SYNTAX_COUNT; ++syntax) {
        EXPECT_TRUE(syntaxes.count(syntax)) << "no value of syntax " << syntax;
    }
    EXPECT_TRUE(std::any_of(syntaxes.begin(), syntaxes.end(), [](auto s) { return s >= client::SYNTAX_COUNT; }))
        << "no value of a syntax above 27";
}

TEST_F(SampleTreesTest, LargeTreeHoldsEveryStructuredAttribute)
{
    const auto values = ValuesByAttribute();
    for (const char* name : kStructuredAttributes) {
        const auto found = values.find(name);
        EXPECT_TRUE(found != values.end() && !found->second.empty()) << name;
    }
    // Partition Status with its three value positions, printers of several port types.
    EXPECT_GE(values.at("Partition Status").size(), 3u);
    std::set<std::string> portTypes;
    for (const auto& value : values.at("Printer Configuration")) {
        portTypes.insert(value.get<std::string>().substr(4, 4)); // the u16 at 0, in hex
    }
    EXPECT_GE(portTypes.size(), 6u);
}

TEST_F(SampleTreesTest, LargeTreeHoldsTheDeliberateDuplicates)
{
    const auto values = ValuesByAttribute();
    auto duplicates = [&](const std::string& attribute, bool ignoreCase) {
        std::map<std::string, int> seen;
        int count = 0;
        for (const auto& value : values.at(attribute)) {
            const std::string text = value.dump();
            if (++seen[ignoreCase ? util::FoldAsciiCase(text) : text] == 2) {
                ++count;
            }
        }
        return count;
    };
    EXPECT_GE(duplicates("Telephone Number", false), 10);
    EXPECT_GE(duplicates("Internet EMail Address", false), 1);
    EXPECT_GE(duplicates("GUID", false), 1);
    // Values that differ only in letter case.
    EXPECT_GT(duplicates("Internet EMail Address", true), duplicates("Internet EMail Address", false));
    EXPECT_GT(duplicates("Full Name", true), duplicates("Full Name", false));

    // A multi-valued attribute and objects with auxiliary classes.
    bool multiValued = false;
    int withAux = 0;
    for (const auto& object : m_acme["objects"]) {
        withAux += object.contains("auxClasses") ? 1 : 0;
        if (object.contains("attributes") && object["attributes"].contains("Telephone Number")) {
            multiValued = multiValued || object["attributes"]["Telephone Number"].size() > 1;
        }
    }
    EXPECT_TRUE(multiValued);
    EXPECT_GE(withAux, 2);
}

TEST_F(SampleTreesTest, AuxiliaryClassesOfTheLargeTreeCarryTheFlag)
{
    util::StringList classes;
    ASSERT_EQ(ReadClassList(m_context.get(), classes), 0);
    for (const char* name : {"acmeBadgeHolder", "acmeAsset"}) {
        const auto index = classes.IndexOf(name, true);
        ASSERT_GE(index, 0) << name;
        EXPECT_NE(classes.ValueAt(index) & kAuxiliaryClassFlag, 0) << name;
    }
}

TEST_F(SampleTreesTest, NavigationThroughTheLargeTree)
{
    SetContextFlags(m_context.get(), '+', client::DCV_TYPELESS_NAMES);
    util::StringList list;
    ASSERT_EQ(ListContainers(m_context.get(), "[Root]", list), 0);
    auto top = list.Texts();
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (std::vector<std::string> {"Acme", "DE"}));

    list.Clear();
    ASSERT_EQ(ListContainers(m_context.get(), ".Sales.Acme", list), 0);
    auto sales = list.Texts();
    std::sort(sales.begin(), sales.end());
    EXPECT_EQ(sales, (std::vector<std::string> {"East", "West"}));

    util::StringList attributes;
    ASSERT_EQ(ReadClassAttributes(m_context.get(), "User", kModeAllAttributes, attributes), 0);
    EXPECT_GE(attributes.IndexOf("GUID", true), 0);
}

} // namespace
} // namespace veralith::directory
