// Result naming templates, through real searches on the test tree: every
// field key, formats, the name position, and templates that must not crash.

#include "client/client.h"
#include "platform/regional.h"
#include "search/search.h"
#include "search_fixture.h"
#include "values/dirtime.h"

#include <gtest/gtest.h>
#include <string>

namespace veralith::search {
namespace {

// user01.Sales.Acme: created 2004-03-01T08:00:00Z, modified 2006-11-30T17:45:10Z.
constexpr std::uint32_t kCreated = 1078128000;
constexpr std::uint32_t kModified = 1164908710;

std::string TimeText(std::uint32_t seconds)
{
    return platform::FormatDateTime("ddddd t", platform::DateTimeToParts(values::DirTimeToDateTime(seconds)));
}

class ResultNameTest : public test::SearchFixture
{
protected:
    // Searches for one object below base with the template; returns its
    // entry (or an entry with the text "<none>" when nothing was added).
    util::StringListEntry Name(const std::string& nameTemplate, const std::string& rdn = "user01",
        const std::string& base = ".Sales.Acme", client::DirResult expected = 0)
    {
        util::StringList list;
        std::int32_t counter = 0;
        const bool stop = false;
        EXPECT_EQ(SearchObjects({.context = Context(),
                      .base = base,
                      .filter = "(CN=" + rdn + ")",
                      .scope = 1,
                      .results = &list,
                      .nameTemplate = nameTemplate,
                      .counter = &counter,
                      .stop = &stop}),
            expected)
            << nameTemplate;
        const client::ClientResourceCounts counts = client::GetClientResourceCounts();
        EXPECT_EQ(counts.buffers, 0u);
        EXPECT_EQ(counts.filters, 0u);
        EXPECT_EQ(counts.iterations, 0u);
        EXPECT_LE(list.Count(), 1u);
        return list.Empty() ? util::StringListEntry {"<none>", -1} : list.At(0);
    }
};

TEST_F(ResultNameTest, TemplateWithEveryKey)
{
    const std::string expected = "dn=.user01.Sales.Acme;rdn=user01;DN=user01.Sales.Acme;NAME=user01.Sales.Acme;"
                                 "CN=user01;CTX=.Sales.Acme;created=" +
        TimeText(kCreated) + ";modified=" + TimeText(kModified) +
        ";CLASS=User;note=alpha\r\nbeta;count=5;missing=();#User;user01.Sales.Acme";
    const util::StringListEntry entry =
        Name("dn=#[dn]#;rdn=#[rdn]#;DN=#[DN]#;NAME=#[NAME]#;CN=#[CN]#;CTX=#[CTX]#;created=#[CREATIONTIME]#;"
             "modified=#[MODIFICATIONTIME]#;CLASS=#[CLASS]#;note=#[srchNote]#;count=#[srchCount]#;"
             "missing=#[(%s)][srchInterval]#;##CLASS#;#NAME#");
    EXPECT_EQ(entry.text, expected);
    EXPECT_EQ(entry.value, static_cast<std::int32_t>(expected.size() - std::string("user01.Sales.Acme").size() + 1));
}

struct TemplateCase
{
    const char* nameTemplate;
    const char* text;
    std::int32_t namePosition;
};

void PrintTo(const TemplateCase& c, std::ostream* out)
{
    *out << "'" << c.nameTemplate << "'";
}

class ResultNameTemplate : public ResultNameTest, public ::testing::WithParamInterface<TemplateCase>
{
};

TEST_P(ResultNameTemplate, GivesThisTextAndNamePosition)
{
    const util::StringListEntry entry = Name(GetParam().nameTemplate);
    EXPECT_EQ(entry.text, GetParam().text);
    EXPECT_EQ(entry.value, GetParam().namePosition);
}

INSTANTIATE_TEST_SUITE_P(Templates, ResultNameTemplate,
    ::testing::Values(TemplateCase {"", "user01.Sales.Acme", 1}, TemplateCase {"#NAME#", "user01.Sales.Acme", 1},
        TemplateCase {"#[CN]# (#CLASS#)", "user01 (User)", 0},
        TemplateCase {"#CLASS# #NAME# #NAME#", "User user01.Sales.Acme user01.Sales.Acme", 6},
        // Formats: one text argument, width and precision.
        TemplateCase {"#NAME# #[(%s)][Surname]#", "user01.Sales.Acme (Surname01)", 1},
        TemplateCase {"[#[%-8s][CN]#][#[%8s][CN]#][#[%.4s][CN]#]", "[user01  ][  user01][user]", 0},
        TemplateCase {"#[100%% %s][CN]#", "100% user01", 0},
        // Only field formats are formats; the rest of the template is text.
        TemplateCase {"%s %d %n #[CN]#", "%s %d %n user01", 0},
        // An attribute the object lacks, or the schema lacks, is empty.
        TemplateCase {"#NAME# #[(%s)][srchInterval]#", "user01.Sales.Acme ()", 1},
        TemplateCase {"#[(%s)][Nonesuch]#", "()", 0},
        // Empty keys and unfinished placeholders stay as they are.
        TemplateCase {"#[]#", "#[]#", 0}, TemplateCase {"#[%s][]#|#[CN]#", "#[%s][]#|user01", 0},
        TemplateCase {"#[CN", "#[CN", 0}, TemplateCase {"]# #[CN]#", "]# user01", 0},
        // Matching is case-sensitive: "cn" is an attribute, "#name#" text.
        TemplateCase {"#[cn]# #name#", "user01 #name#", 0},
        // The same field twice: each placeholder in turn.
        TemplateCase {"#[CN]#/#[CN]#/#[(%s)][CN]#", "user01/user01/(user01)", 0}));

TEST_F(ResultNameTest, AttributeThatCannotBeReadLeavesItsPlaceholder)
{
    // creatorsName holds "cn=Ghost,o=Acme", an object that does not exist:
    // reading through it fails with a code other than -603.
    EXPECT_EQ(Name("#NAME# #[(%s)][creatorsName|Surname]#").text, "user01.Sales.Acme #[(%s)][creatorsName|Surname]#");
}

TEST_F(ResultNameTest, FormatThatDoesNotTakeOneTextEndsTheSearchQuietly)
{
    for (const char* nameTemplate :
        {"#[%d][CN]#", "#[%s %s][CN]#", "#[%][CN]#", "#[][CN]#", "#[%99999s][CN]#", "#[%s%n][CN]#"}) {
        EXPECT_EQ(Name(nameTemplate).text, "<none>") << nameTemplate;
    }
}

TEST_F(ResultNameTest, FormatFailureWithRepliesLeftReleasesEverything)
{
    util::StringList list;
    std::int32_t counter = 0;
    const bool stop = false;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(SearchObjects({.context = Context(),
                  .base = ".Bulk.Acme",
                  .filter = "",
                  .scope = 1,
                  .results = &list,
                  .nameTemplate = "#[%u][CN]#",
                  .counter = &counter,
                  .stop = &stop}),
        0);
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(told.rfind("veralith: the search of \".Bulk.Acme\" ended early: ", 0), 0u) << told;
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(counter, 1); // the first object was counted before its name failed
    const client::ClientResourceCounts counts = client::GetClientResourceCounts();
    EXPECT_EQ(counts.buffers, 0u);
    EXPECT_EQ(counts.filters, 0u);
    EXPECT_EQ(counts.iterations, 0u); // the open iteration was closed
}

TEST_F(ResultNameTest, CommonNameOfTypedNames)
{
    // A context that delivers typed names.
    std::uint32_t flags = 0;
    ASSERT_EQ(client::DirGetContext(Context(), client::DCK_FLAGS, &flags), 0);
    flags &= ~client::DCV_TYPELESS_NAMES;
    ASSERT_EQ(client::DirSetContext(Context(), client::DCK_FLAGS, &flags), 0);

    EXPECT_EQ(Name("#[CN]# (#CLASS#)"), (util::StringListEntry {"user01 (User)", 0}));
    EXPECT_EQ(Name("#NAME#").text, "CN=user01.OU=Sales.O=Acme");
    EXPECT_EQ(Name("#[CN]#|#[dn]#|#[CTX]#", "Sales", ".Acme").text, "OU=Sales|.Sales.Acme|.Acme");
}

} // namespace
} // namespace veralith::search
