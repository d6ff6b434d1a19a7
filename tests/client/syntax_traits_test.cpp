// The syntax table: every row's columns must agree with each other, since the
// layers dispatch on different columns of one row and a value passes through
// all of them (loaded by its tree shape, stored by its layout, compared by its
// filter form, shown by its rendering).

#include "client/syntax_traits.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace veralith::client {
namespace {

bool IsStringShape(TreeShape shape)
{
    return shape == TreeShape::Name || shape == TreeShape::Text || shape == TreeShape::DigitsText ||
        shape == TreeShape::PrintableText || shape == TreeShape::ClassName;
}

bool StoresANumberFirst(ValueLayout layout)
{
    return layout == ValueLayout::Flag || layout == ValueLayout::Int32 || layout == ValueLayout::Seconds ||
        layout == ValueLayout::TimeStamp || layout == ValueLayout::Hold;
}

TEST(SyntaxTraits, EveryRowsColumnsAgree)
{
    for (const SyntaxTraits& row : kSyntaxTraits) {
        SCOPED_TRACE(std::string(row.name));
        const bool textLayout = row.layout == ValueLayout::Text || row.layout == ValueLayout::Name;
        EXPECT_EQ(textLayout, IsStringShape(row.tree));
        EXPECT_EQ(textLayout, row.render == Rendering::Text);
        EXPECT_EQ(textLayout, row.ldap == LdapMapping::Text || row.ldap == LdapMapping::Name);
        // A full name is a name in every column.
        const bool name = row.layout == ValueLayout::Name;
        EXPECT_EQ(name, row.tree == TreeShape::Name);
        EXPECT_EQ(name, row.ldap == LdapMapping::Name);
        EXPECT_EQ(name, row.match == SyntaxMatch::Name);
        // A filter's value is compared with what the directory stores.
        if (row.filter == FilterValue::Text) {
            EXPECT_EQ(row.compare, StoredCompare::Texts);
        }
        const bool numberFilter =
            row.filter == FilterValue::Flag || row.filter == FilterValue::Integer || row.filter == FilterValue::Time;
        EXPECT_EQ(numberFilter, row.compare == StoredCompare::Number);
        if (row.compare == StoredCompare::Number) {
            EXPECT_TRUE(StoresANumberFirst(row.layout));
        }
        EXPECT_EQ(row.layout == ValueLayout::Stream, row.render == Rendering::Stream);
    }
}

TEST(SyntaxTraits, EverySyntaxHasANameOfItsOwn)
{
    std::set<std::string> names;
    for (const SyntaxTraits& row : kSyntaxTraits) {
        EXPECT_FALSE(row.name.empty());
        EXPECT_TRUE(names.insert(std::string(row.name)).second) << row.name;
    }
}

TEST(SyntaxTraits, IdsPastTheKnownOnes_AreBytesShownInHexAndNeverCompared)
{
    for (const std::uint32_t id : {std::uint32_t {SYNTAX_COUNT}, std::uint32_t {SYNTAX_COUNT + 1}, 0xFFFFFFFFu}) {
        const SyntaxTraits& row = TraitsOfSyntax(id);
        EXPECT_EQ(row.layout, ValueLayout::RawBytes) << id;
        EXPECT_EQ(row.filter, FilterValue::None) << id;
        EXPECT_EQ(row.compare, StoredCompare::None) << id;
        EXPECT_EQ(row.render, Rendering::Hex) << id;
    }
    EXPECT_EQ(TraitsOfSyntax(SYN_INTERVAL).id, SYN_INTERVAL);
}

} // namespace
} // namespace veralith::client
