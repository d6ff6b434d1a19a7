#include "directory/schema.h"

#include "client/scoped.h"
#include "util/feedback.h"

#include <array>
#include <cstring>
#include <exception>

namespace veralith::directory {

namespace {

constexpr std::size_t kRequestBufferSize = 4096;
constexpr std::size_t kClassListReplySize = 4096;
constexpr std::size_t kLargeReplySize = 64512;
constexpr std::size_t kSchemaNameSize = 256;
constexpr std::int32_t kItemListCount = 5;

// A NUL-terminated name buffer for the client, one spare byte always NUL.
struct NameBuffer
{
    std::array<char, kSchemaNameSize + 1> bytes {};
    char* data() { return bytes.data(); }
    std::string Text() const { return std::string(bytes.data(), strnlen(bytes.data(), kSchemaNameSize)); }
};

// A reading that ends before the directory's last reply leaves the
// iteration open on the caller's context; release it there and then.
void CloseOpenIteration(client::DirContext context, std::int32_t iteration, std::uint32_t operation)
{
    if (iteration != -1) {
        client::DirCloseIteration(context, iteration, operation);
    }
}

bool ItemSelected(std::int32_t listNumber, std::int32_t mode)
{
    return listNumber == mode ||
        (mode == kModeAllAttributes && (listNumber == ItemsMandatory || listNumber == ItemsOptional));
}

// Reads the five item lists of the current class definition of the reply and
// appends the selected items. Returns the code of the last client call.
std::int32_t AddClassItems(
    client::DirContext context, client::DirBuffer* reply, std::int32_t mode, bool labelled, util::StringList& list)
{
    std::int32_t result = 0;
    for (std::int32_t listNumber = 0; listNumber < kItemListCount; ++listNumber) {
        std::uint32_t count = 0;
        result = client::DirGetClassItemCount(context, reply, &count);
        if (result != 0) {
            continue;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            NameBuffer name;
            result = client::DirGetClassItem(context, reply, name.data());
            if (result != 0) {
                break;
            }
            if (!ItemSelected(listNumber, mode)) {
                continue;
            }
            const std::string text = labelled ? ClassItemLabel(listNumber) + name.Text() : name.Text();
            if (list.IndexOf(text, false) < 0) {
                list.Add(text, labelled ? static_cast<std::int32_t>(text.size()) : listNumber);
            }
        }
    }
    return result;
}

} // namespace

std::string ClassItemLabel(std::int32_t listNumber)
{
    switch (listNumber) {
    case ItemsSuperClasses:
        return "[Super Class] ";
    case ItemsContainment:
        return "[Containment Class] ";
    case ItemsNaming:
        return "[Naming]    ";
    case ItemsMandatory:
        return "[Mandatory] ";
    case ItemsOptional:
        return "[Optional]  ";
    default:
        return {};
    }
}

std::int32_t ReadClassList(client::DirContext context, util::StringList& list)
{
    client::ScopedBuffer request;
    std::int32_t result = request.allocate(kRequestBufferSize);
    if (result != 0) {
        return result;
    }
    result = client::DirInitBuffer(context, client::DSV_READ_CLASS_DEF, request.get());
    if (result != 0) {
        return result;
    }
    client::ScopedBuffer reply;
    result = reply.allocate(kClassListReplySize);
    if (result != 0) {
        return result;
    }
    std::int32_t iteration = -1;
    do {
        const std::int32_t previous = iteration;
        result = client::DirReadClassDef(context, 3, true, request.get(), &iteration, reply.get());
        if (result != 0) {
            break;
        }
        std::uint32_t count = 0;
        result = client::DirGetClassDefCount(context, reply.get(), &count);
        if (result != 0) {
            break;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            NameBuffer name;
            client::DirClassInfo info {};
            result = client::DirGetClassDef(context, reply.get(), name.data(), &info);
            if (result == 0) {
                list.Add(name.Text(), static_cast<std::int32_t>(info.flags));
            }
        }
        if (iteration == previous) {
            break; // a handle that does not move would repeat the same reply
        }
    } while (iteration != -1);
    CloseOpenIteration(context, iteration, client::DSV_READ_CLASS_DEF);
    return result;
}

std::int32_t ReadClassItems(
    client::DirContext context, const std::string& className, std::int32_t mode, bool labelled, util::StringList& list)
{
    const std::string name = className == "*" ? std::string() : className;
    client::ScopedBuffer request;
    std::int32_t result = request.allocate(kRequestBufferSize);
    if (result != 0) {
        return result;
    }
    result = client::DirInitBuffer(context, client::DSV_READ_CLASS_DEF, request.get());
    if (result == 0) {
        result = client::DirPutClassItem(context, request.get(), name.c_str());
    }
    if (result != 0) {
        return result;
    }
    client::ScopedBuffer reply;
    result = reply.allocate(kLargeReplySize);
    if (result != 0) {
        return result;
    }
    std::int32_t iteration = -1;
    std::int32_t previous = -1;
    do {
        previous = iteration;
        result = client::DirReadClassDef(context, 2, name.empty(), request.get(), &iteration, reply.get());
        if (result != 0) {
            continue; // straight to the loop test
        }
        std::uint32_t count = 0;
        result = client::DirGetClassDefCount(context, reply.get(), &count);
        if (result != 0) {
            continue;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            util::ProcessPendingMessages();
            NameBuffer className;
            client::DirClassInfo info {};
            result = client::DirGetClassDef(context, reply.get(), className.data(), &info);
            if (result != 0) {
                continue; // passed over; the reading goes on with the next one
            }
            if (mode == kModeObjectIdentifier) {
                const std::string identifier = FormatObjectIdentifier(info.oid);
                if (!identifier.empty()) {
                    list.Add(identifier, kModeObjectIdentifier);
                }
            }
            result = AddClassItems(context, reply.get(), mode, labelled, list);
        }
    } while (iteration != -1 && iteration != previous);
    CloseOpenIteration(context, iteration, client::DSV_READ_CLASS_DEF);
    return result;
}

std::int32_t ReadClassAttributes(
    client::DirContext context, const std::string& className, std::int32_t mode, util::StringList& list)
{
    if (className == "*") {
        return ReadAttributeList(context, AttributeNamesOnly, list);
    }
    return ReadClassItems(context, className, mode, false, list);
}

std::int32_t ReadAttributeList(client::DirContext context, std::int32_t kind, util::StringList& list)
{
    client::ScopedBuffer reply;
    std::int32_t result = reply.allocate(kLargeReplySize);
    if (result != 0) {
        return result;
    }
    const std::uint32_t infoType = kind == AttributeNamesOnly ? 0 : 1;
    std::int32_t iteration = -1;
    do {
        const std::int32_t previous = iteration;
        result = client::DirReadAttrDef(context, infoType, true, nullptr, &iteration, reply.get());
        if (result != 0) {
            break;
        }
        std::uint32_t count = 0;
        result = client::DirGetAttrCount(context, reply.get(), &count);
        if (result != 0) {
            break;
        }
        try {
            for (std::uint32_t i = 0; i < count; ++i) {
                NameBuffer name;
                client::DirAttrInfo info {};
                result = client::DirGetAttrDef(context, reply.get(), name.data(), &info);
                if (result != 0) {
                    continue;
                }
                if (kind == AttributeNamesWithSyntax) {
                    list.Add(name.Text(), static_cast<std::int32_t>(info.syntaxId));
                } else if (kind == AttributeNamesWithFlags) {
                    list.Add(name.Text(), static_cast<std::int32_t>(info.flags));
                } else {
                    list.Add(name.Text());
                }
            }
        } catch (const std::exception&) {
            // A failure while adding ends the work on this reply.
        }
        if (iteration == previous) {
            break;
        }
    } while (iteration != -1);
    CloseOpenIteration(context, iteration, client::DSV_READ_ATTR_DEF);
    return result;
}

std::int32_t ReadAttributeDef(client::DirContext context, const std::string& attributeName, client::DirAttrInfo& info)
{
    client::ScopedBuffer request;
    std::int32_t result = request.allocate(kRequestBufferSize);
    if (result == 0) {
        result = client::DirInitBuffer(context, client::DSV_READ_ATTR_DEF, request.get());
    }
    if (result == 0) {
        result = client::DirPutAttrName(context, request.get(), attributeName.c_str());
    }
    if (result != 0) {
        return result;
    }
    client::ScopedBuffer reply;
    result = reply.allocate(kRequestBufferSize);
    std::int32_t iteration = -1;
    if (result == 0) {
        result = client::DirReadAttrDef(context, 1, false, request.get(), &iteration, reply.get());
    }
    std::uint32_t count = 0;
    if (result == 0) {
        result = client::DirGetAttrCount(context, reply.get(), &count);
    }
    if (result == 0) {
        NameBuffer name;
        client::DirAttrInfo read {};
        result = client::DirGetAttrDef(context, reply.get(), name.data(), &read);
        if (result == 0) {
            info = read;
        }
    }
    // Only the first reply is read; an iteration left open is released.
    CloseOpenIteration(context, iteration, client::DSV_READ_ATTR_DEF);
    return result;
}

std::string FormatObjectIdentifier(const client::DirObjectId& identifier)
{
    constexpr std::size_t kDataSize = sizeof(identifier.data);
    const std::uint32_t length = identifier.length;
    const std::uint8_t* data = identifier.data;
    const std::uint32_t contentLength = data[1];
    if (length == 0 || data[0] != 6 || contentLength < 2 || contentLength + 1 > length) {
        return {};
    }
    std::string text = std::to_string(data[2] / 40) + "." + std::to_string(data[2] % 40);
    std::uint32_t accumulator = 0;
    const std::size_t last = contentLength + 1; // index of the last content byte
    for (std::size_t i = 3; i <= last && i < kDataSize; ++i) {
        accumulator = accumulator * 128 + (data[i] & 127u);
        if (data[i] < 128) {
            text += "." + std::to_string(accumulator);
            accumulator = 0;
        }
    }
    return text;
}

} // namespace veralith::directory
