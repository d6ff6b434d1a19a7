#include "util/collate.h"

#include <algorithm>
#include <clocale>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace veralith::util;

namespace {

// Switches LC_COLLATE for one test and puts the previous one back.
class CollateLocale
{
public:
    explicit CollateLocale(const char* name)
    {
        m_previous = std::setlocale(LC_COLLATE, nullptr);
        m_active = std::setlocale(LC_COLLATE, name) != nullptr;
    }
    ~CollateLocale() { std::setlocale(LC_COLLATE, m_previous.c_str()); }
    bool Active() const { return m_active; }

private:
    std::string m_previous;
    bool m_active = false;
};

std::vector<std::string> Sorted(std::vector<std::string> texts)
{
    std::stable_sort(texts.begin(), texts.end(), TextSortLess {});
    return texts;
}

} // namespace

TEST(CollateTest, OrdersWithoutRegardToAsciiCase)
{
    CollateLocale locale("C.UTF-8");
    ASSERT_TRUE(locale.Active());
    EXPECT_LT(CompareTextsForSorting("a", "B"), 0);
    EXPECT_GT(CompareTextsForSorting("b", "A"), 0);
    EXPECT_EQ(CompareTextsForSorting("Sales", "SALES"), 0);
    EXPECT_TRUE(SameTextForSorting("ou=Sales", "OU=sales"));
    EXPECT_FALSE(SameTextForSorting("Sales", "Sales "));
    // Folded "A" (0x41) sorts before "_" (0x5F) although "a" (0x61) would not.
    EXPECT_LT(CompareTextsForSorting("a", "_"), 0);
    EXPECT_EQ(Sorted({"beta", "Alpha", "gamma", "ALPHA2", "Beta1"}),
        (std::vector<std::string> {"Alpha", "ALPHA2", "beta", "Beta1", "gamma"}));
    EXPECT_LT(CompareTextsForSorting("", "a"), 0);
    EXPECT_EQ(CompareTextsForSorting("", ""), 0);
}

TEST(CollateTest, TextsWithNulCompareByTheirParts)
{
    CollateLocale locale("C.UTF-8");
    const std::string aNulB("a\0b", 3);
    const std::string aNulC("a\0c", 3);
    EXPECT_LT(CompareTextsForSorting(aNulB, aNulC), 0);
    EXPECT_GT(CompareTextsForSorting(aNulC, aNulB), 0);
    EXPECT_GT(CompareTextsForSorting(aNulB, "a"), 0);
    EXPECT_LT(CompareTextsForSorting("a", aNulB), 0);
    EXPECT_EQ(CompareTextsForSorting(aNulB, std::string("A\0B", 3)), 0);
    EXPECT_NE(CompareTextsForSorting(std::string("a\0", 2), "a"), 0);
}

TEST(CollateTest, FollowsTheLocalesCollation)
{
    CollateLocale locale("en_US.UTF-8");
    if (!locale.Active()) {
        GTEST_SKIP() << "en_US.UTF-8 is not generated (scripts/bootstrap generates it)";
    }
    // In English collation punctuation is ignored at the first level and
    // accented letters sort beside their base letter, unlike byte order.
    EXPECT_LT(CompareTextsForSorting("\xC3\xA9t\xC3\xA9", "f"), 0); // "été" before "f"
    EXPECT_GT(CompareTextsForSorting("\xC3\xA9t\xC3\xA9", "e"), 0);
    EXPECT_EQ(Sorted({"Zeta", "\xC3\xA9t\xC3\xA9", "eta", "Eta2"}),
        (std::vector<std::string> {"eta", "Eta2", "\xC3\xA9t\xC3\xA9", "Zeta"}));
    // Equal for the collation is still not equal unless the folded texts are.
    EXPECT_NE(CompareTextsForSorting("a-b", "ab"), 0);
    EXPECT_EQ(CompareTextsForSorting("a-b", "A-B"), 0);
}
