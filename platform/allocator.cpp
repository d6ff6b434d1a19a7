#include "platform/allocator.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace veralith::platform {

void TuneAllocator()
{
#if defined(__GLIBC__)
    constexpr int kMiB = 1 << 20;
    mallopt(M_MMAP_THRESHOLD, 64 * kMiB);
    mallopt(M_TRIM_THRESHOLD, 256 * kMiB);
    mallopt(M_TOP_PAD, 32 * kMiB);
#endif
}

} // namespace veralith::platform
