// A stand-in for the few client operations the filter translation calls, used
// until the real client is linked: cursors are counted, tokens go to the
// observer, syntax ids come from a small fixed schema.

#include "client/client.h"
#include "directory/listing.h"

#include <cstring>
#include <map>
#include <string>
#include <strings.h>
#include <utility>

namespace veralith::client {

struct DirFilter
{
    int tokens = 0;
};

namespace {
std::uint64_t g_calls = 0;
std::size_t g_filters = 0;
FilterTokenObserver g_observer;

const std::map<std::string, std::uint32_t>& Schema()
{
    static const std::map<std::string, std::uint32_t> schema {
        {"GUID", 9},
        {"Object Class", 20},
        {"CN", 3},
        {"Surname", 3},
        {"srchFlag", 7},
        {"srchCount", 8},
        {"srchStamp", 19},
        {"srchWhen", 24},
        {"srchInterval", 27},
        {"srchNone", 0},
        {"srchRaw", 40},
        {"srchList", 6},
        {"srchStream", 21},
        {"srchBackLink", 23},
        {"srchLink", 1},
    };
    return schema;
}
} // namespace

DirResult DirAllocFilter(DirFilter** cursor)
{
    ++g_calls;
    *cursor = new DirFilter;
    ++g_filters;
    return 0;
}

DirResult DirAddFilterToken(DirFilter* cursor, std::uint32_t token, const void* value, std::uint32_t syntaxId)
{
    ++g_calls;
    if (cursor == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    FilterTokenRecord record;
    record.token = token;
    record.syntaxId = syntaxId;
    if (value != nullptr) {
        record.hasValue = true;
        if (token == FTOK_ANAME) {
            record.value = static_cast<const char*>(value);
        } else if (syntaxId == 7 || syntaxId == 8 || syntaxId == 22 || syntaxId == 26 || syntaxId == 27) {
            record.value.assign(static_cast<const char*>(value), 4);
        } else if (syntaxId == 19 || syntaxId == 24) {
            record.value.assign(static_cast<const char*>(value), 8);
        } else {
            record.value = static_cast<const char*>(value);
        }
    }
    if (g_observer) {
        g_observer(record);
    }
    return 0;
}

DirResult DirFreeFilter(DirFilter* cursor, DirFreeValueFn)
{
    ++g_calls;
    delete cursor;
    --g_filters;
    return 0;
}

DirResult DirGetSyntaxId(DirContext, const char* attribute, std::uint32_t* syntaxId)
{
    ++g_calls;
    for (const auto& [name, id] : Schema()) {
        if (strcasecmp(name.c_str(), attribute) == 0) {
            *syntaxId = id;
            return 0;
        }
    }
    return ERR_NO_SUCH_ATTRIBUTE;
}

std::uint64_t GetClientCallCount()
{
    return g_calls;
}

ClientResourceCounts GetClientResourceCounts()
{
    ClientResourceCounts counts;
    counts.filters = g_filters;
    return counts;
}

FilterTokenObserver SetFilterTokenObserver(FilterTokenObserver observer)
{
    return std::exchange(g_observer, std::move(observer));
}

DirResult DirFreeBuffer(DirBuffer*)
{
    return 0;
}

// Linked in through the directory layer; never reached by these tests.
ConnResult ClientInit(void*, void*)
{
    return CONN_CLIENT_NOT_AVAILABLE;
}
ConnResult ConnScan(std::uint32_t*, std::uint32_t*)
{
    return CONN_NO_MORE_ENTRIES;
}
ConnResult ConnGetPrimary(std::uint32_t*)
{
    return CONN_INVALID_CONNECTION;
}
ConnResult ConnOpenByRef(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t*)
{
    return CONN_INVALID_CONNECTION;
}
ConnResult ConnGetInfo(std::uint32_t, std::uint32_t, std::size_t, void*)
{
    return CONN_INVALID_CONNECTION;
}
DirResult DirGetContext(DirContext, std::uint32_t, void*)
{
    return ERR_INVALID_HANDLE;
}
DirResult DirSetContext(DirContext, std::uint32_t, const void*)
{
    return ERR_INVALID_HANDLE;
}

} // namespace veralith::client

namespace veralith::directory {
TNDSObj::~TNDSObj() = default;
} // namespace veralith::directory
