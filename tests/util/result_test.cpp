#include "util/result.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace veralith::util {
namespace {

TEST(Result, AFailureKeepsItsReasonAndAPrefixGoesInFrontOnlyOfAFailure)
{
    const Status failed = Status::Failure("cannot write: Is a directory");
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.WithPrefix("out.csv: ").Reason(), "out.csv: cannot write: Is a directory");

    const Status done;
    EXPECT_TRUE(done);
    EXPECT_TRUE(done.WithPrefix("out.csv: "));
    EXPECT_EQ(done.WithPrefix("out.csv: ").Reason(), "");

    // A failure without words is still a failure.
    EXPECT_FALSE(Status::Failure(""));
}

TEST(Result, AValueOrAFailureButNeverNeither)
{
    const Result<int> value(42);
    ASSERT_TRUE(value);
    EXPECT_EQ(value.Value(), 42);

    const Result<int> failed(Status::Failure("no class \"Usr\""));
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.Reason(), "no class \"Usr\"");
    EXPECT_THROW(static_cast<void>(failed.Value()), std::logic_error);

    // A success given where a failure belongs is a programming error.
    EXPECT_THROW(static_cast<void>(Result<int>(Status {})), std::logic_error);
}

} // namespace
} // namespace veralith::util
