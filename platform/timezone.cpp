#include "platform/timezone.h"

#include <time.h>

namespace veralith::platform {

void ApplyTimeZoneChange()
{
    tzset();
}

std::int32_t LocalTimeBiasAt(std::time_t utc)
{
    struct tm local
    {
    };
    if (localtime_r(&utc, &local) == nullptr) {
        return 0;
    }
    return static_cast<std::int32_t>(-local.tm_gmtoff / 60);
}

std::int32_t LocalTimeBiasNow()
{
    return LocalTimeBiasAt(std::time(nullptr));
}

std::time_t UtcToLocal(std::time_t utc)
{
    struct tm local
    {
    };
    if (localtime_r(&utc, &local) == nullptr) {
        return utc;
    }
    return utc + local.tm_gmtoff;
}

std::time_t LocalToUtc(std::time_t local)
{
    struct tm wall
    {
    };
    if (gmtime_r(&local, &wall) == nullptr) {
        return local;
    }
    wall.tm_isdst = -1;
    const std::time_t utc = mktime(&wall);
    return utc == static_cast<std::time_t>(-1) ? local : utc;
}

} // namespace veralith::platform
