#include "directory/startup.h"

#include "directory/error_text.h"
#include "util/feedback.h"

#include <array>
#include <cstring>

namespace veralith::directory {

namespace {

// The handle of the connection opened at start-up; kClientNotStarted until then.
std::uint32_t gConnectionHandle = kClientNotStarted;

constexpr std::size_t kTreeInfoBufferSize = 255;

} // namespace

client::ConnResult InitNetWare()
{
    if (gConnectionHandle != kClientNotStarted) {
        return 0;
    }
    client::ConnResult result = client::ClientInit(nullptr, nullptr);
    if (result == 0) {
        std::uint32_t iterator = 0;
        std::uint32_t reference = 0;
        result = client::ConnScan(&iterator, &reference);
        if (result == 0) {
            std::uint32_t primary = 0;
            if (client::ConnGetPrimary(&primary) == 0) {
                reference = primary;
            }
            std::uint32_t handle = kClientNotStarted;
            result = client::ConnOpenByRef(reference, 1, 0, &handle);
            if (result == 0) {
                gConnectionHandle = handle;
            }
        }
    }
    if (result != 0) {
        // The message depends on the code alone, not on the step that failed.
        ReportError(result, result == 0xFFFF ? kInitFailedOperation : kNoConnectionOperation);
    }
    return result;
}

std::uint32_t ConnectionHandleMarker()
{
    return gConnectionHandle;
}

void ResetNetWareStartupForTesting()
{
    gConnectionHandle = kClientNotStarted;
}

void ListTrees(util::StringList& list)
{
    std::uint32_t iterator = 0;
    std::uint32_t reference = 0;
    while (client::ConnScan(&iterator, &reference) == 0) {
        util::ProcessPendingMessages();
        std::string name;
        ReadConnectionTree(reference, name);
        if (!name.empty() && list.IndexOf(name, false) < 0) {
            list.Add(name, static_cast<std::int32_t>(reference));
        }
    }
}

client::ConnResult ReadConnectionTree(std::uint32_t reference, std::string& treeName)
{
    treeName.clear();
    // One byte more than the client is told about, so the text always ends in
    // NUL even if the client fills every byte it was given.
    std::array<char, kTreeInfoBufferSize + 1> buffer {};
    const client::ConnResult result = client::ConnGetInfo(reference, 4, kTreeInfoBufferSize, buffer.data());
    if (result != 0) {
        return result;
    }
    std::string name(buffer.data(), strnlen(buffer.data(), kTreeInfoBufferSize));
    if (name.size() > client::kMaxTreeNameChars) {
        name.resize(client::kMaxTreeNameChars);
    }
    // The connection pads tree names with underscores; those inside stay.
    const auto last = name.find_last_not_of('_');
    name.resize(last == std::string::npos ? 0 : last + 1);
    treeName = std::move(name);
    return result;
}

std::string ReadPrimaryTree()
{
    std::string name;
    std::uint32_t reference = 0;
    if (client::ConnGetPrimary(&reference) == 0) {
        ReadConnectionTree(reference, name);
    }
    return name;
}

void SetContextFlags(client::DirContext context, char operation, std::uint32_t bits)
{
    std::uint32_t flags = 0;
    client::DirGetContext(context, client::DCK_FLAGS, &flags);
    if (operation == '+') {
        flags |= bits;
    } else if (operation == '-') {
        flags &= ~bits;
    }
    client::DirSetContext(context, client::DCK_FLAGS, &flags);
}

} // namespace veralith::directory
