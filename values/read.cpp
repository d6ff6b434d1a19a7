#include "values/read.h"

#include "client/scoped.h"
#include "directory/names.h"
#include "directory/startup.h"
#include "platform/regional.h"
#include "util/format.h"
#include "util/text.h"
#include "values/dirtime.h"
#include "values/errors.h"
#include "values/format.h"
#include "values/stream.h"

#include <exception>
#include <limits>
#include <memory>

namespace veralith::values {

namespace {

constexpr char kTimeStampPattern[] = "ddddd t";

std::string TimeStampText(directory::DateTime dateTime)
{
    if (CurrentTimeStyle() == TimeStyle::Iso8601) {
        return IsoUtcText(platform::DateTimeToParts(dateTime));
    }
    return platform::FormatDateTime(kTimeStampPattern, platform::DateTimeToParts(dateTime));
}

// Reads and formats the value at valueIndex of the current attribute of the
// reply; returns the last client result. Errors raised on the way are the
// caller's to catch.
client::DirResult ReadOneValue(client::DirContext context, client::DirBuffer* reply, const std::string& objectName,
    const std::string& attrName, std::uint32_t syntaxId, std::int32_t valueIndex, util::StringList& lines)
{
    std::size_t size = 0;
    client::DirResult result = client::DirComputeAttrValueSize(context, reply, syntaxId, &size);
    if (size == 0) {
        return result;
    }
    if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw ValueError(util::Format("value of %u bytes is too large", static_cast<std::uint64_t>(size)));
    }
    const auto storage = std::make_unique<std::uint8_t[]>(size);
    if (result == 0) {
        result = client::DirGetAttrValue(context, reply, syntaxId, storage.get());
        if (result == 0) {
            const AttributeValueInfo info {static_cast<std::int32_t>(size), syntaxId};
            result = FormatAttributeValue(context, objectName, attrName, valueIndex, info, storage.get(), lines);
        }
    }
    return result;
}

} // namespace

client::DirResult ReadAttributeValues(
    client::DirContext context, const std::string& objectName, const std::string& attrName, util::StringList& lines)
{
    // A failed duplication leaves no handle; the calls below then fail and
    // report it.
    client::ScopedContext work;
    client::DirDuplicateContext(context, work.Out());
    const client::DirContext dup = work.get();

    if (util::SameTextIgnoreCase(attrName, "Aliased Object Name")) {
        // Read the alias's own attribute instead of following the alias.
        directory::SetContextFlags(dup, '-', client::DCV_DEREF_ALIASES);
    }

    client::ScopedBuffer request;
    client::DirResult result = request.allocate(client::kSmallBufferSize);
    if (result == 0) {
        result = client::DirInitBuffer(dup, client::DSV_READ, request.get());
    }
    if (result == 0) {
        result = client::DirPutAttrName(dup, request.get(), attrName.c_str());
    }
    if (result != 0) {
        return result;
    }

    std::int32_t iteration = -1;
    client::ScopedBuffer reply;
    result = reply.allocate(client::kLargeBufferSize);
    if (result == 0) {
        result = client::DirInitBuffer(dup, client::DSV_READ, reply.get());
    }
    if (result != 0) {
        return result;
    }

    // From here on the attribute is named as the directory writes it.
    std::string name = attrName;
    // Values that continue in a later reply keep counting from where the
    // previous reply stopped, so a value's index is its place in the
    // attribute, whichever reply brings it.
    std::string countedName;
    std::uint32_t valuesBefore = 0;
    do {
        result = client::DirRead(dup, objectName.c_str(), 1, false, request.get(), &iteration, reply.get());
        if (result != 0) {
            break;
        }
        std::uint32_t count = 0;
        result = client::DirGetAttrCount(dup, reply.get(), &count);
        if (result != 0) {
            break;
        }
        for (std::uint32_t a = 0; a < count; ++a) {
            char received[client::kMaxSchemaNameChars + 1] = {};
            std::uint32_t valueCount = 0;
            std::uint32_t syntaxId = 0;
            result = client::DirGetAttrName(dup, reply.get(), received, &valueCount, &syntaxId);
            if (result != 0) {
                continue;
            }
            name = received;
            if (name != countedName) {
                countedName = name;
                valuesBefore = 0;
            }
            if (syntaxId == client::SYN_STREAM) {
                std::string text;
                result = ReadStreamText(dup, objectName, name, text);
                if (result == 0) {
                    lines.Add(text);
                }
                continue;
            }
            for (std::uint32_t k = 1; k <= valueCount; ++k) {
                const auto index = static_cast<std::int32_t>(valuesBefore + k);
                try {
                    result = ReadOneValue(dup, reply.get(), objectName, name, syntaxId, index, lines);
                } catch (const std::exception& error) {
                    lines.Add(error.what());
                }
            }
            valuesBefore += valueCount;
        }
    } while (iteration != -1 && result == 0);
    return result;
}

client::DirResult ReadAttributeEntries(
    client::DirContext context, const std::string& objectName, const std::string& spec, util::StringList& entries)
{
    const util::SplitPair parts = util::SplitAtFirst(spec, "|");
    const std::string& head = parts.left;
    const std::string& rest = parts.right;
    const std::string key = util::FoldAsciiCase(head);

    util::StringList work;
    client::DirResult result = 0;
    // The entry information reads give nothing (an empty text, a time of 0)
    // for an object that is not there; that is an error whatever is asked.
    bool nothing = false;
    auto text = [&work, &nothing](const std::string& value) {
        nothing = value.empty();
        work.SetText(value);
    };
    auto time = [&work, &nothing](directory::DateTime value) {
        nothing = value == 0;
        work.SetText(TimeStampText(value));
    };
    if (key == "CONTEXT") {
        text(directory::ReadObjectParentName(context, objectName));
    } else if (key == "CN") {
        text(directory::ReadObjectRelativeName(context, objectName));
    } else if (key == "CLASS") {
        text(directory::ReadObjectBaseClass(context, objectName));
    } else if (key == "CREATETIMESTAMP") {
        time(directory::ReadObjectCreationTime(context, objectName));
    } else if (key == "MODIFYTIMESTAMP") {
        time(directory::ReadObjectModificationTime(context, objectName));
    } else {
        result = ReadAttributeValues(context, objectName, head, work);
    }
    if (nothing) {
        result = directory::CheckObjectExists(context, objectName);
    }

    if (result == 0 && !rest.empty()) {
        // Names in the comma form (cn=Admin,o=Corp) become full dotted names.
        const bool commaNames = key == "CREATORSNAME" || key == "MODIFIERSNAME";
        util::StringList collected;
        for (const util::StringListEntry& entry : work) {
            const std::string name =
                commaNames ? directory::WithLeadingDot(directory::DottedFromCommaName(entry.text)) : entry.text;
            util::StringList linked;
            result = ReadAttributeLines(context, name, rest, linked);
            if (result == 0) {
                for (const util::StringListEntry& line : linked) {
                    collected.Add(line.text);
                }
            }
        }
        work = std::move(collected);
    }

    entries = std::move(work);
    return result;
}

client::DirResult ReadAttributeLines(
    client::DirContext context, const std::string& objectName, const std::string& spec, util::StringList& lines)
{
    util::StringList entries;
    const client::DirResult result = ReadAttributeEntries(context, objectName, spec, entries);
    lines.SetText(entries.Text());
    return result;
}

client::DirResult ReadAttributeText(
    client::DirContext context, const std::string& objectName, const std::string& spec, std::string& text)
{
    util::StringList lines;
    const client::DirResult result = ReadAttributeLines(context, objectName, spec, lines);
    if (result != 0) {
        return result;
    }
    text = util::TrimRightChars(lines.Text(), "\r\n");
    return 0;
}

} // namespace veralith::values
