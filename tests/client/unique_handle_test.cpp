// The one owner of C-style handles: each handle is released exactly once,
// whatever path it leaves by.

#include "client/unique_handle.h"

#include <gtest/gtest.h>
#include <vector>

namespace veralith::client {
namespace {

std::vector<int> g_released;

void Release(int handle)
{
    g_released.push_back(handle);
}

using Owner = UniqueHandle<int, &Release, -1>;

class UniqueHandleTest : public ::testing::Test
{
protected:
    void SetUp() override { g_released.clear(); }
};

TEST_F(UniqueHandleTest, ReleasesItsHandleOnceAtTheEndOfScope)
{
    {
        Owner owner(7);
        EXPECT_TRUE(owner.valid());
        EXPECT_EQ(owner.get(), 7);
    }
    EXPECT_EQ(g_released, std::vector<int> {7});
}

TEST_F(UniqueHandleTest, AnEmptyOwnerAndAGivenUpHandleAreNotReleased)
{
    {
        Owner empty;
        EXPECT_FALSE(empty.valid());
        Owner owner(3);
        EXPECT_EQ(owner.release(), 3);
        EXPECT_FALSE(owner.valid());
    }
    EXPECT_TRUE(g_released.empty());
}

TEST_F(UniqueHandleTest, OutReleasesTheOldHandleBeforeANewOneIsWritten)
{
    Owner owner(1);
    *owner.out() = 2;
    EXPECT_EQ(g_released, std::vector<int> {1});
    owner.reset();
    owner.reset();
    EXPECT_EQ(g_released, (std::vector<int> {1, 2}));
}

TEST_F(UniqueHandleTest, MovesHandTheHandleOverAndReleaseTheTargetsOwn)
{
    {
        Owner first(1);
        Owner second(std::move(first));
        EXPECT_FALSE(first.valid()); // NOLINT(bugprone-use-after-move): moved-from state is part of the contract
        Owner third(3);
        third = std::move(second);
        EXPECT_EQ(g_released, std::vector<int> {3});
        EXPECT_EQ(third.get(), 1);
    }
    EXPECT_EQ(g_released, (std::vector<int> {3, 1}));
}

} // namespace
} // namespace veralith::client
