// How the in-memory directory holds a large tree: the text arena, the name
// index of the loader, and objects built one attribute at a time.

#include "client/memory/base_schema.h"
#include "client/memory/large_table.h"
#include "client/memory/memory_directory.h"
#include "client/memory/tree_loader.h"

#include <cctype>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace veralith::client::memory {
namespace {

TEST(TextArenaTest, KeptTextsStayValidAcrossBlocks)
{
    TextArena arena;
    std::vector<std::string> originals;
    std::vector<std::string_view> kept;
    // Short texts fill several blocks; long ones (a quarter block and more)
    // get blocks of their own; an empty text costs nothing.
    const std::size_t sizes[] = {0, 1, 17, 300000, 5, 600000, 40};
    for (int round = 0; round < 20; ++round) {
        for (std::size_t size : sizes) {
            originals.push_back(std::string(size, static_cast<char>('a' + (round + size) % 26)));
            kept.push_back(arena.Keep(originals.back()));
        }
    }
    ASSERT_EQ(kept.size(), originals.size());
    for (std::size_t i = 0; i < kept.size(); ++i) {
        ASSERT_EQ(kept[i], originals[i]) << i;
    }
    EXPECT_GE(arena.capacity(), (300000u + 600000u) * 20u);
}

TEST(LargeTableTest, BlocksAreAlignedZeroedAndWritableToTheirLastByte)
{
    const std::size_t sizes[] = {1, kLargeBlockBytes - 1, kLargeBlockBytes, kLargeBlockBytes + 1, 5 * kLargeBlockBytes};
    for (const std::size_t size : sizes) {
        auto* block = static_cast<unsigned char*>(MapLargeBlock(size));
        ASSERT_NE(block, nullptr) << size;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % kLargeBlockBytes, 0u) << size;
        EXPECT_EQ(block[0], 0) << size;
        EXPECT_EQ(block[size - 1], 0) << size;
        block[0] = 1;
        block[size - 1] = 2;
        EXPECT_EQ(block[size - 1], 2) << size;
        UnmapLargeBlock(block, size);
    }
    EXPECT_EQ(MapLargeBlock(0), nullptr);
}

TEST(LargeTableTest, VectorKeepsItsElementsWhileGrowingIntoLargeBlocks)
{
    // From blocks of the usual allocator through several mapped ones.
    LargeVector<std::uint32_t> table;
    const std::uint32_t count = 3 * kLargeBlockBytes / sizeof(std::uint32_t);
    for (std::uint32_t i = 0; i < count; ++i) {
        table.push_back(i * 7);
    }
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(table.data()) % kLargeBlockBytes, 0u);
    for (std::uint32_t i = 0; i < count; i += 997) {
        ASSERT_EQ(table[i], i * 7) << i;
    }
    EXPECT_EQ(table.back(), (count - 1) * 7);
    LargeVector<std::uint32_t> moved = std::move(table);
    moved.resize(10);
    moved.shrink_to_fit();
    EXPECT_EQ(moved[9], 63u);
}

TEST(LargeTableTest, OwnedBlocksOfEverySizeAreWritableAndMoveTheirBytes)
{
    for (const std::size_t size : {std::size_t {2}, kLargeBlockBytes - 1, kLargeBlockBytes, 3 * kLargeBlockBytes + 5}) {
        LargeBlock block(size);
        ASSERT_NE(block.get(), nullptr) << size;
        EXPECT_EQ(block.size(), size);
        block.get()[0] = 'a';
        block.get()[size - 1] = 'z';
        const char* bytes = block.get();
        LargeBlock moved(std::move(block));
        EXPECT_EQ(block.get(), nullptr);
        EXPECT_EQ(moved.get(), bytes);
        LargeBlock other(16);
        other = std::move(moved);
        ASSERT_EQ(other.get(), bytes) << size;
        EXPECT_EQ(other.size(), size);
        EXPECT_EQ(other.get()[0], 'a');
        EXPECT_EQ(other.get()[size - 1], 'z');
    }
}

TEST(NameIndexTest, FindsNamesIgnoringCaseAndRefusesASecondEqualName)
{
    std::vector<std::string> texts;
    for (int i = 0; i < 5000; ++i) { // enough to grow the table several times
        texts.push_back("user" + std::to_string(i) + ".Unit.Acme");
    }
    LargeVector<std::string_view> names(texts.begin(), texts.end());
    detail::NameIndex index(names);
    for (std::uint32_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(index.insert(i), i);
    }
    struct Lookup
    {
        const char* name;
        std::uint32_t expected;
    };
    const Lookup lookups[] = {
        {"user0.Unit.Acme", 0},
        {"USER4999.unit.ACME", 4999},
        {"user123.Unit.Acme", 123},
        {"user5000.Unit.Acme", kNoObject},
        {"user12.Unit", kNoObject},
        {"", kNoObject},
    };
    for (const Lookup& l : lookups) {
        EXPECT_EQ(index.find(l.name), l.expected) << l.name;
    }
    // A name equal ignoring case is refused: the earlier holder is returned.
    texts.push_back("User77.UNIT.acme");
    names.push_back(texts.back());
    EXPECT_EQ(index.insert(static_cast<std::uint32_t>(names.size() - 1)), 77u);
}

TEST(MemoryDirectoryTest, ObjectsBuiltOneAttributeAtATime)
{
    Schema schema = BaseSchema();
    const std::int32_t user = schema.FindClass("User");
    const std::int32_t unit = schema.FindClass("Organizational Unit");
    const std::int32_t surname = schema.FindAttribute("Surname");
    const std::int32_t title = schema.FindAttribute("Title");
    ASSERT_NE(user, kNoSchemaId);
    ASSERT_NE(unit, kNoSchemaId);
    MemoryDirectory directory("T", "", std::move(schema));

    // Attributes arrive in any order; children before their parent is attached.
    const std::uint32_t jones = directory.BeginObject("jones", user, 1, 2);
    directory.AddAttribute(title);
    directory.AddValue("Manager");
    directory.AddAttribute(surname);
    directory.AddValue("Jones");
    directory.AddValue("Smith-Jones");
    directory.EndObject();
    StoredObject built;
    built.rdn = "adams";
    built.classId = user;
    built.attributes.push_back(StoredAttribute {surname, {"Adams"}});
    const std::uint32_t sales = directory.BeginObject("Sales", unit, 0, 0);
    directory.EndObject();
    directory.Attach(sales, kRootObject);
    directory.Attach(jones, sales);
    built.parent = sales;
    const std::uint32_t adams = directory.AddObject(built);
    directory.Finish();

    EXPECT_EQ(directory.find("JONES.sales"), jones);
    EXPECT_EQ(directory.find("adams.Sales"), adams);
    EXPECT_EQ(directory.FullName(jones), "jones.Sales");
    EXPECT_EQ(directory.StoredValues(jones, surname), (std::vector<std::string_view> {"Jones", "Smith-Jones"}));
    EXPECT_EQ(directory.StoredValues(jones, title), (std::vector<std::string_view> {"Manager"}));
    EXPECT_EQ(directory.StoredValues(adams, title), (std::vector<std::string_view> {}));
    EXPECT_TRUE(directory.Carries(adams, surname));
    EXPECT_FALSE(directory.Carries(adams, title));
    // Children sorted by name ignoring case.
    EXPECT_EQ(directory.Object(sales).children, (std::vector<std::uint32_t> {adams, jones}));

    directory.ReplaceValue(jones, surname, 1, "Jones-Smith");
    EXPECT_EQ(directory.Values(jones, surname), (std::vector<std::string> {"Jones", "Jones-Smith"}));
    directory.ReplaceValue(jones, surname, 2, "beyond the values"); // ignored
    EXPECT_EQ(directory.StoredValues(jones, surname).size(), 2u);
}

TEST(MemoryDirectoryTest, NamesAreFoundIgnoringCaseUnderTheRightParent)
{
    Schema schema = BaseSchema();
    const std::int32_t user = schema.FindClass("User");
    const std::int32_t unit = schema.FindClass("Organizational Unit");
    MemoryDirectory directory("T", "", std::move(schema));
    // The same user names in every unit, added in no particular order.
    const char* units[] = {"Sales", "sales2", "Dev"};
    std::vector<std::uint32_t> unitIndex;
    for (const char* name : units) {
        unitIndex.push_back(directory.BeginObject(name, unit, 0, 0));
        directory.EndObject();
        directory.Attach(unitIndex.back(), kRootObject);
    }
    std::vector<std::vector<std::uint32_t>> users(unitIndex.size());
    for (int i = 1999; i >= 0; --i) {
        for (std::size_t u = 0; u < unitIndex.size(); ++u) {
            users[u].push_back(directory.BeginObject("user" + std::to_string(i), user, 0, 0));
            directory.EndObject();
            directory.Attach(users[u].back(), unitIndex[u]);
        }
    }
    directory.Finish();
    for (std::size_t u = 0; u < unitIndex.size(); ++u) {
        for (std::size_t k = 0; k < users[u].size(); k += 7) {
            const std::uint32_t index = users[u][k];
            const std::string name = directory.FullName(index);
            std::string upper = name;
            for (char& c : upper) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            ASSERT_EQ(directory.find(name), index) << name;
            ASSERT_EQ(directory.find(upper), index) << upper;
        }
    }
    const struct
    {
        const char* name;
        std::uint32_t found;
    } kCases[] = {
        {"", kRootObject},
        {"SALES", unitIndex[0]},
        {"user5.Dev", users[2][1999 - 5]},
        {"user5.Dev", users[2][1999 - 5]}, // twice: the second from what find() remembers
        {"USER5.dev", users[2][1999 - 5]},
        {"user5.De", kNoObject},
        {"user5.Dev.", kNoObject},
        {"user5.Dev", users[2][1999 - 5]},
        {"user5.Sales2", users[1][1999 - 5]},
        {"user5", kNoObject}, // a user is no child of the root
        {"Sales.user5", kNoObject},
        {"user2000.Sales", kNoObject},
        {"user5..Sales", kNoObject},
        {"user5.Sales.", kNoObject},
        {".Sales", kNoObject},
        {"user5.Sale", kNoObject},
        {"user5.Sales.Acme", kNoObject},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(directory.find(c.name), c.found) << c.name;
    }
    EXPECT_EQ(directory.NamingTypes("user5.Dev"), (std::vector<std::string> {"CN", "OU"}));

    // An object attached after finish() is found once finish() ran again.
    const std::uint32_t late = directory.BeginObject("Late", user, 0, 0);
    directory.EndObject();
    directory.Attach(late, unitIndex[2]);
    directory.Finish();
    EXPECT_EQ(directory.find("late.dev"), late);
    EXPECT_EQ(directory.find("user0.Dev"), users[2].back());
}

} // namespace
} // namespace veralith::client::memory
