#pragma once

// The directory the search tests run against.

#include "client/client.h"

#include <gtest/gtest.h>

namespace veralith::search::test {

class SearchFixture : public ::testing::Test
{
protected:
    client::DirContext context() const { return 1; }
};

} // namespace veralith::search::test
