#include "platform/timezone.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

using namespace veralith::platform;

namespace {

// Pins TZ for one test and puts the previous value back.
class PinnedZone
{
public:
    explicit PinnedZone(const char* zone)
    {
        if (const char* value = std::getenv("TZ")) {
            m_previous = value;
        }
        setenv("TZ", zone, 1);
        ApplyTimeZoneChange();
    }
    ~PinnedZone()
    {
        if (m_previous) {
            setenv("TZ", m_previous->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        ApplyTimeZoneChange();
    }

private:
    std::optional<std::string> m_previous;
};

constexpr std::time_t kSummer2024 = 1719835200; // 2024-07-01 12:00 UTC
constexpr std::time_t kWinter2024 = 1705320000; // 2024-01-15 12:00 UTC

} // namespace

TEST(TimeZoneTest, FixedZone)
{
    PinnedZone zone("Etc/GMT-1"); // one hour east of UTC
    EXPECT_EQ(LocalTimeBiasNow(), -60);
    EXPECT_EQ(UtcToLocal(0), 3600);
    EXPECT_EQ(LocalToUtc(3600), 0);
}

TEST(TimeZoneTest, BerlinSummerAndWinter)
{
    PinnedZone zone("Europe/Berlin");
    EXPECT_EQ(LocalTimeBiasAt(kSummer2024), -120);
    EXPECT_EQ(LocalTimeBiasAt(kWinter2024), -60);
    EXPECT_EQ(UtcToLocal(kSummer2024), kSummer2024 + 7200);
    EXPECT_EQ(UtcToLocal(kWinter2024), kWinter2024 + 3600);
    EXPECT_EQ(LocalToUtc(kSummer2024 + 7200), kSummer2024);
    EXPECT_EQ(LocalToUtc(kWinter2024 + 3600), kWinter2024);
    // Around the switch to summer time on 2024-03-31 at 01:00 UTC.
    EXPECT_EQ(UtcToLocal(1711846799), 1711846799 + 3600); // 00:59:59 UTC -> 01:59:59 CET
    EXPECT_EQ(UtcToLocal(1711846800), 1711846800 + 7200); // 01:00:00 UTC -> 03:00:00 CEST
    const std::int32_t now = LocalTimeBiasNow();
    EXPECT_TRUE(now == -60 || now == -120) << now;
}

TEST(TimeZoneTest, WestOfUtc)
{
    PinnedZone zone("America/New_York");
    EXPECT_EQ(LocalTimeBiasAt(kWinter2024), 300);
    EXPECT_EQ(LocalTimeBiasAt(kSummer2024), 240);
    EXPECT_EQ(UtcToLocal(kWinter2024), kWinter2024 - 5 * 3600);
    EXPECT_EQ(LocalToUtc(kWinter2024 - 5 * 3600), kWinter2024);
}

TEST(TimeZoneTest, Utc)
{
    PinnedZone zone("UTC");
    EXPECT_EQ(LocalTimeBiasNow(), 0);
    EXPECT_EQ(UtcToLocal(kSummer2024), kSummer2024);
    EXPECT_EQ(LocalToUtc(kSummer2024), kSummer2024);
}
