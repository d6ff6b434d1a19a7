// The one owner of C-style handles: each handle is released exactly once,
// whatever path it leaves by.

#include "client/unique_handle.h"

#include <gtest/gtest.h>
#include <vector>

namespace veralith::client {
namespace {

std::vector<int> gReleased;

void Release(int handle)
{
    gReleased.push_back(handle);
}

using Owner = UniqueHandle<int, &Release, -1>;

class UniqueHandleTest : public ::testing::Test
{
protected:
    void SetUp() override { gReleased.clear(); }
};

TEST_F(UniqueHandleTest, ReleasesItsHandleOnceAtTheEndOfScope)
{
    {
        Owner owner(7);
        EXPECT_TRUE(owner.Valid());
        EXPECT_EQ(owner.get(), 7);
    }
    EXPECT_EQ(gReleased, std::vector<int> {7});
}

TEST_F(UniqueHandleTest, AnEmptyOwnerAndAGivenUpHandleAreNotReleased)
{
    {
        Owner empty;
        EXPECT_FALSE(empty.Valid());
        Owner owner(3);
        EXPECT_EQ(owner.release(), 3);
        EXPECT_FALSE(owner.Valid());
    }
    EXPECT_TRUE(gReleased.empty());
}

TEST_F(UniqueHandleTest, OutReleasesTheOldHandleBeforeANewOneIsWritten)
{
    Owner owner(1);
    *owner.Out() = 2;
    EXPECT_EQ(gReleased, std::vector<int> {1});
    owner.reset();
    owner.reset();
    EXPECT_EQ(gReleased, (std::vector<int> {1, 2}));
}

TEST_F(UniqueHandleTest, MovesHandTheHandleOverAndReleaseTheTargetsOwn)
{
    {
        Owner first(1);
        Owner second(std::move(first));
        EXPECT_FALSE(first.Valid()); // NOLINT(bugprone-use-after-move): moved-from state is part of the contract
        Owner third(3);
        third = std::move(second);
        EXPECT_EQ(gReleased, std::vector<int> {3});
        EXPECT_EQ(third.get(), 1);
    }
    EXPECT_EQ(gReleased, (std::vector<int> {3, 1}));
}

} // namespace
} // namespace veralith::client
