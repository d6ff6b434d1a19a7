#include "platform/allocator.h"

#if !defined(VERALITH_WITH_JEMALLOC) && defined(__GLIBC__)
#include <malloc.h>
#endif

#if defined(VERALITH_WITH_JEMALLOC)
// jemalloc's settings, read at its first allocation (before main): this
// definition takes the place of the library's empty one. Set MALLOC_CONF to
// change them for one run.
extern "C" {
// NOLINTNEXTLINE(readability-identifier-naming): the name jemalloc looks for
const char* malloc_conf = "thp:always,metadata_thp:auto";
}
#endif

namespace veralith::platform {

void TuneAllocator()
{
#if !defined(VERALITH_WITH_JEMALLOC) && defined(__GLIBC__)
    constexpr int kMiB = 1 << 20;
    mallopt(M_MMAP_THRESHOLD, 64 * kMiB);
    mallopt(M_TRIM_THRESHOLD, 256 * kMiB);
    mallopt(M_TOP_PAD, 32 * kMiB);
#endif
}

} // namespace veralith::platform
