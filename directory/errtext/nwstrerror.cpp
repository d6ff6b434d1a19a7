// The error-text module: names for the result codes of the directory client.
// The program loads it at run time from its own directory and asks it for one
// code at a time; codes it does not know give "Unknown error", for which the
// program falls back to the operating system's text.

#include <cstdint>

namespace {

struct NamedCode
{
    int code;
    const char* name;
};

constexpr NamedCode kNames[] = {
    {0, "SUCCESSFUL"},
    {-301, "ERR_NOT_ENOUGH_MEMORY"},
    {-302, "ERR_BAD_KEY"},
    {-303, "ERR_BAD_CONTEXT"},
    {-304, "ERR_BUFFER_FULL"},
    {-307, "ERR_BUFFER_EMPTY"},
    {-308, "ERR_BAD_VERB"},
    {-314, "ERR_INVALID_OBJECT_NAME"},
    {-322, "ERR_INVALID_HANDLE"},
    {-326, "ERR_INVALID_FILTER_SYNTAX"},
    {-601, "ERR_NO_SUCH_ENTRY"},
    {-603, "ERR_NO_SUCH_ATTRIBUTE"},
    {-604, "ERR_NO_SUCH_CLASS"},
    {-625, "ERR_TRANSPORT_FAILURE"},
    {-632, "ERR_SYSTEM_FAILURE"},
    {-635, "ERR_UNREACHABLE_SERVER"},
    {-669, "ERR_FAILED_AUTHENTICATION"},
    {-672, "ERR_NO_ACCESS"},
    {-761, "ERR_SIZE_LIMIT_EXCEEDED"},
    {-762, "ERR_TIME_LIMIT_EXCEEDED"},
    {-763, "ERR_ADMIN_LIMIT_EXCEEDED"},
    // Start-up and connection codes (16-bit).
    {0x8801, "INVALID_CONNECTION"},
    {0x88FF, "NO_MORE_ENTRIES"},
    {0xFFFF, "CLIENT_NOT_AVAILABLE"},
};

} // namespace

extern "C" __attribute__((visibility("default"))) const char* NWstrerror(int code)
{
    for (const NamedCode& entry : kNames) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    return "Unknown error";
}
