#include "directory/names.h"

#include "client/scoped.h"
#include "directory/startup.h"
#include "util/text.h"

#include <array>
#include <cstring>
#include <vector>

namespace veralith::directory {

namespace {

constexpr std::size_t kContextTextSize = 256;
constexpr std::size_t kEntryInfoBlockSize = 4096;
constexpr std::size_t kEntryInfoTextSize = 8192;
constexpr double kDaysTo1970 = 25569.0;
constexpr double kSecondsPerDay = 86400.0;

// The NUL-terminated text at the start of buffer, never read past size bytes.
std::string TextOf(const char* buffer, std::size_t size)
{
    return std::string(buffer, strnlen(buffer, size));
}

// The first dot of a name that no backslash escapes ("john\.doe.Staff":
// the one before "Staff"); npos when there is none.
std::size_t FirstUnescapedDot(const std::string& name)
{
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\') {
            ++i;
        } else if (name[i] == '.') {
            return i;
        }
    }
    return std::string::npos;
}

} // namespace

bool IsSpecialName(const std::string& name)
{
    return name == "[Root]" || name == "[This]" || name == "[Public]" || name == "[Supervisor]";
}

std::string WithLeadingDot(const std::string& name)
{
    if (name.empty() || name.front() == '.' || IsSpecialName(name)) {
        return name;
    }
    return "." + name;
}

std::string WithoutLeadingDot(const std::string& name)
{
    if (!name.empty() && name.front() == '.') {
        return name.substr(1);
    }
    return name;
}

std::string ReadContextText(client::DirContext context, std::uint32_t key)
{
    std::array<char, kContextTextSize> buffer {};
    if (client::DirGetContext(context, key, buffer.data()) != 0) {
        return {};
    }
    std::string text = TextOf(buffer.data(), buffer.size());
    if (const auto position = text.find("CN="); position != std::string::npos) {
        text.erase(position, 3);
    }
    return text;
}

std::string ReadNameContext(client::DirContext context)
{
    return ReadContextText(context, client::DCK_NAME_CONTEXT);
}

std::string ReadTreeName(client::DirContext context)
{
    return ReadContextText(context, client::DCK_TREE_NAME);
}

std::string ConvertName(client::DirContext context, const std::string& name)
{
    std::array<char, kContextTextSize> buffer {};
    if (client::DirNameConvert(context, name.c_str(), buffer.data()) != 0) {
        return name;
    }
    return TextOf(buffer.data(), buffer.size());
}

std::int32_t SetTreeAndNameContext(
    client::DirContext context, const std::string& treeName, const std::string& nameContext)
{
    std::int32_t result = 0;
    if (!treeName.empty() && util::FoldAsciiCase(treeName) != util::FoldAsciiCase(ReadTreeName(context))) {
        result = client::DirSetContext(context, client::DCK_TREE_NAME, treeName.c_str());
    }
    if (result != 0) {
        return result;
    }
    std::string name = nameContext;
    if (name.empty()) {
        std::array<char, kContextTextSize> buffer {};
        if (client::DirGetDefaultNameContext(context, buffer.size(), buffer.data()) == 0) {
            name = TextOf(buffer.data(), buffer.size());
        }
        if (name.empty()) {
            name = "[Root]";
        }
    }
    name = WithoutLeadingDot(name);
    return client::DirSetContext(context, client::DCK_NAME_CONTEXT, name.c_str());
}

std::int32_t DSChangeCurrentTree(client::DirContext context, const std::string& treeName)
{
    return SetTreeAndNameContext(context, treeName, "");
}

std::int32_t SetNameContext(client::DirContext context, const std::string& name)
{
    return SetTreeAndNameContext(context, "", name);
}

std::int32_t SetNameContextRoot(client::DirContext context)
{
    return SetNameContext(context, "[Root]");
}

std::string JoinContainerName(const std::string& current, const std::string& entry)
{
    if (entry == "." || entry.empty()) {
        return current;
    }
    if (entry == "[ .. ]" || entry == "..") {
        const std::string rest = util::TrimLeftChars(current, ".");
        const auto dot = FirstUnescapedDot(rest);
        if (dot == std::string::npos) {
            return "[Root]";
        }
        return rest.substr(dot + 1);
    }
    if (current == "[Root]" || current.empty() || entry.front() == '.') {
        return WithLeadingDot(entry);
    }
    if (current.front() == '.') {
        return "." + entry + current;
    }
    return entry + "." + current;
}

std::string ChooseContainer(client::DirContext context, const std::string& current, const std::string& entry)
{
    std::string target = JoinContainerName(current, entry);
    if (entry != "[ .. ]" && entry != "..") {
        return target;
    }
    // The components above a naming context (".com" above ".example.com")
    // name no object: climb past them.
    while (target != "[Root]" && ReadObjectBaseClass(context, WithLeadingDot(target)).empty()) {
        target = JoinContainerName(target, "..");
    }
    return target;
}

std::string ReadEntryInfoText(client::DirContext context, const std::string& objectName, std::uint32_t field)
{
    std::string result;
    client::ScopedContext temporary;
    if (client::DirDuplicateContext(context, temporary.Out()) != 0) {
        // Nothing to read with; the handle slot stays empty.
        return result;
    }
    SetContextFlags(temporary.get(), '+', client::DCV_CANONICALIZE_NAMES);
    SetContextFlags(temporary.get(), '+', client::DCV_TYPELESS_NAMES);
    const std::string name = WithLeadingDot(ConvertName(temporary.get(), objectName));
    if (field == client::DSI_DN) {
        return name;
    }
    std::uint32_t mask = 0;
    client::DirGetContext(temporary.get(), client::DCK_DSI_FLAGS, &mask);
    mask |= field;
    client::DirSetContext(temporary.get(), client::DCK_DSI_FLAGS, &mask);
    std::vector<char> block(kEntryInfoBlockSize, '\0');
    if (client::DirReadEntryInfo(temporary.get(), name.c_str(), block.size(), block.data()) == 0) {
        // One byte more than the client is told about keeps the text terminated.
        std::vector<char> text(kEntryInfoTextSize + 1, '\0');
        if (client::DirGetEntryInfoField(temporary.get(), block.data(), kEntryInfoTextSize, field, text.data()) == 0) {
            result = TextOf(text.data(), kEntryInfoTextSize);
        }
    }
    return result;
}

DateTime ReadEntryInfoTime(client::DirContext context, const std::string& objectName, std::uint32_t field)
{
    client::ScopedContext temporary(client::DirOpenContext(context));
    if (!temporary.Valid()) {
        return 0;
    }
    client::DirSetContext(temporary.get(), client::DCK_DSI_FLAGS, &field);
    std::vector<char> block(kEntryInfoBlockSize, '\0');
    std::uint32_t seconds = 0;
    if (client::DirReadEntryInfo(temporary.get(), objectName.c_str(), block.size(), block.data()) != 0 ||
        client::DirGetEntryInfoField(temporary.get(), block.data(), block.size(), field, &seconds) != 0 ||
        seconds == 0) {
        return 0;
    }
    return static_cast<double>(seconds) / kSecondsPerDay + kDaysTo1970;
}

std::string ReadObjectSourceDn(client::DirContext context, const std::string& objectName)
{
    client::ScopedContext temporary(client::DirOpenContext(context));
    if (!temporary.Valid()) {
        return {};
    }
    const std::uint32_t field = client::DSI_SOURCE_DN;
    client::DirSetContext(temporary.get(), client::DCK_DSI_FLAGS, &field);
    // A DN is at most the block's size; one byte more keeps the text terminated.
    std::vector<char> block(kEntryInfoTextSize + 64, '\0');
    std::vector<char> text(kEntryInfoTextSize + 1, '\0');
    if (client::DirReadEntryInfo(temporary.get(), objectName.c_str(), block.size(), block.data()) != 0 ||
        client::DirGetEntryInfoField(temporary.get(), block.data(), kEntryInfoTextSize, field, text.data()) != 0) {
        return {};
    }
    return TextOf(text.data(), kEntryInfoTextSize);
}

std::int32_t CheckObjectExists(client::DirContext context, const std::string& objectName)
{
    client::ScopedContext temporary(client::DirOpenContext(context));
    if (!temporary.Valid()) {
        return client::ERR_INVALID_HANDLE;
    }
    const std::uint32_t field = client::DSI_BASE_CLASS;
    client::DirSetContext(temporary.get(), client::DCK_DSI_FLAGS, &field);
    std::vector<char> block(kEntryInfoBlockSize, '\0');
    return client::DirReadEntryInfo(temporary.get(), objectName.c_str(), block.size(), block.data());
}

std::string ReadObjectFullName(client::DirContext context, const std::string& objectName)
{
    return WithLeadingDot(ReadEntryInfoText(context, objectName, client::DSI_DN));
}

std::string ReadObjectRelativeName(client::DirContext context, const std::string& objectName)
{
    return ReadEntryInfoText(context, objectName, client::DSI_RDN);
}

std::string ReadObjectBaseClass(client::DirContext context, const std::string& objectName)
{
    return ReadEntryInfoText(context, objectName, client::DSI_BASE_CLASS);
}

std::string ReadObjectParentName(client::DirContext context, const std::string& objectName)
{
    return WithLeadingDot(ReadEntryInfoText(context, objectName, client::DSI_PARENT_DN));
}

DateTime ReadObjectCreationTime(client::DirContext context, const std::string& objectName)
{
    return ReadEntryInfoTime(context, objectName, client::DSI_CREATION_TIME);
}

DateTime ReadObjectModificationTime(client::DirContext context, const std::string& objectName)
{
    return ReadEntryInfoTime(context, objectName, client::DSI_MODIFICATION_TIME);
}

std::string DottedFromCommaName(const std::string& name)
{
    std::string text = name;
    util::ReplaceInPlace(text, ",o", ".o", false, true);
    util::ReplaceInPlace(text, ",c", ".c", false, true);
    util::ReplaceInPlace(text, ",", ".", false, true);
    util::ReplaceInPlace(text, "ou=", "", false, true);
    util::ReplaceInPlace(text, "cn=", "", false, true);
    util::ReplaceInPlace(text, "o=", "", false, true);
    return text;
}

} // namespace veralith::directory
