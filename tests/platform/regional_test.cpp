#include "platform/regional.h"

#include <clocale>
#include <gtest/gtest.h>
#include <string>

using namespace veralith::platform;

namespace {

// Switches the whole C locale for one test and puts the previous one back.
class ProcessLocale
{
public:
    explicit ProcessLocale(const char* name)
    {
        m_previous = std::setlocale(LC_ALL, nullptr);
        m_active = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~ProcessLocale() { std::setlocale(LC_ALL, m_previous.c_str()); }
    bool Active() const { return m_active; }

private:
    std::string m_previous;
    bool m_active = false;
};

} // namespace

TEST(RegionalSettingsTest, ReadsTheCLocaleWithFallbackThousandsSeparator)
{
    ProcessLocale locale("C.UTF-8");
    ASSERT_TRUE(locale.Active());
    const RegionalSettings settings = ReadRegionalSettings();
    EXPECT_EQ(settings.decimalSeparator, '.');
    EXPECT_EQ(settings.thousandsSeparator, ','); // the locale leaves it empty
    EXPECT_EQ(settings.shortDate, "mm/dd/yy");
    EXPECT_EQ(settings.longTime, "hh:nn:ss");
    EXPECT_EQ(settings.shortTime, "hh:nn");
}

TEST(RegionalSettingsTest, ReadsACommaDecimalLocale)
{
    ProcessLocale locale("de_DE.UTF-8");
    if (!locale.Active()) {
        GTEST_SKIP() << "de_DE.UTF-8 is not generated (scripts/bootstrap generates it)";
    }
    const RegionalSettings settings = ReadRegionalSettings();
    EXPECT_EQ(settings.decimalSeparator, ',');
    EXPECT_EQ(settings.thousandsSeparator, '.');
    EXPECT_EQ(settings.shortDate, "dd.mm.yyyy");
    EXPECT_EQ(settings.longTime, "hh:nn:ss");
    EXPECT_EQ(settings.shortTime, "hh:nn");
}

TEST(RegionalSettingsTest, ReadsATwelveHourLocale)
{
    ProcessLocale locale("en_US.UTF-8");
    if (!locale.Active()) {
        GTEST_SKIP() << "en_US.UTF-8 is not generated (scripts/bootstrap generates it)";
    }
    const RegionalSettings settings = ReadRegionalSettings();
    EXPECT_EQ(settings.decimalSeparator, '.');
    EXPECT_EQ(settings.thousandsSeparator, ',');
    EXPECT_EQ(settings.shortDate, "mm/dd/yyyy");
    EXPECT_EQ(settings.longTime, "hh:nn:ss AM/PM");
    EXPECT_EQ(settings.shortTime, "hh:nn AM/PM");
}

TEST(RegionalSettingsTest, CurrentSettingsAreReadOnce)
{
    const RegionalSettings& first = CurrentRegionalSettings();
    EXPECT_EQ(&first, &CurrentRegionalSettings());
}

TEST(StrftimeTranslationTest, Patterns)
{
    struct Row
    {
        const char* strftime;
        const char* notation;
    };
    const Row rows[] = {
        {"%d.%m.%Y", "dd.mm.yyyy"},
        {"%m/%d/%y", "mm/dd/yy"},
        {"%Y-%m-%d", "yyyy-mm-dd"},
        {"%F", "yyyy-mm-dd"},
        {"%D", "mm/dd/yy"},
        {"%H:%M:%S", "hh:nn:ss"},
        {"%T", "hh:nn:ss"},
        {"%R", "hh:nn"},
        {"%r", "hh:nn:ss AM/PM"},
        {"%I:%M %p", "hh:nn AM/PM"},
        {"%l:%M %P", "h:nn am/pm"},
        {"%e %B %Y", "d mmmm yyyy"},
        {"%a %b %e", "ddd mmm d"},
        {"%A", "dddd"},
        {"%e de %B", "d \"de\" mmmm"},
        {"%Hh%M", "hh\"h\"nn"},
        {"%Y\xE5\xB9\xB4%m\xE6\x9C\x88", "yyyy\"\xE5\xB9\xB4\"mm\"\xE6\x9C\x88\""},
        {"%Ey %Od %-d", "yy dd dd"},
        {"100%%", "100%"},
        {"%q%", "%"},
        {"", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(TranslateStrftimePattern(row.strftime), row.notation) << row.strftime;
    }
}
