#include "search/result_name.h"

#include "directory/names.h"
#include "platform/regional.h"
#include "util/format.h"
#include "util/text.h"
#include "values/read.h"

#include <cstring>
#include <exception>
#include <optional>

namespace veralith::search {

namespace {

constexpr std::string_view kFieldOpen = "#[";
constexpr std::string_view kFieldClose = "]#";
constexpr std::string_view kFormatSeparator = "][";

// The base class name of the information block, never read past its end.
std::string BaseClassOf(const client::DirObjectInfo& info)
{
    return std::string(info.baseClass, strnlen(info.baseClass, sizeof info.baseClass));
}

// The name up to its first ".", and of that the part after the first "CN=".
std::string CommonNameOf(const std::string& objectName)
{
    const std::string leaf = util::TextBefore(objectName, ".", true);
    if (util::FindText("CN=", leaf, true) > 0) {
        return util::TextAfter(leaf, "CN=", true);
    }
    return leaf;
}

std::string TimeText(directory::DateTime when)
{
    return platform::FormatDateTime("ddddd t", platform::DateTimeToParts(when));
}

// The text of a field, or nothing when the placeholder is to stay.
std::optional<std::string> FieldText(const std::string& key, const SearchState& state, const std::string& commonName)
{
    const directory::TNDSObj& current = state.current;
    if (key == "dn") {
        return directory::ReadObjectFullName(current.context, current.name);
    }
    if (key == "rdn") {
        return directory::ReadObjectRelativeName(current.context, current.name);
    }
    if (key == "DN" || key == "NAME") {
        return current.name;
    }
    if (key == "CN") {
        return commonName;
    }
    if (key == "CTX") {
        return directory::ReadObjectParentName(current.context, current.name);
    }
    if (key == "CREATIONTIME") {
        return TimeText(directory::ReadObjectCreationTime(current.context, current.name));
    }
    if (key == "MODIFICATIONTIME") {
        return TimeText(directory::ReadObjectModificationTime(current.context, current.name));
    }
    if (key == "CLASS") {
        return BaseClassOf(current.info);
    }
    std::string text;
    const std::int32_t result = values::ReadAttributeText(current.context, current.name, key, text);
    if (result == client::ERR_NO_SUCH_ATTRIBUTE) {
        return std::string();
    }
    if (result != 0) {
        return std::nullopt;
    }
    return text;
}

} // namespace

std::string ExpandResultName(SearchState& state)
{
    const std::string& objectName = state.current.name;
    std::string display = state.nameTemplate;
    const std::string commonName = CommonNameOf(objectName);

    // Scan the template (not the text being built, into which field texts
    // go) for the fields, one after the other.
    std::string_view scan = state.nameTemplate;
    for (;;) {
        const std::size_t open = scan.find(kFieldOpen);
        if (open == std::string_view::npos) {
            break;
        }
        const std::size_t close = scan.find(kFieldClose, open + kFieldOpen.size());
        if (close == std::string_view::npos) {
            break;
        }
        const std::string body(scan.substr(open + kFieldOpen.size(), close - open - kFieldOpen.size()));
        scan.remove_prefix(close + kFieldClose.size());

        std::string key = body;
        std::string format = "%s";
        if (const std::size_t separator = body.find(kFormatSeparator); separator != std::string::npos) {
            format = body.substr(0, separator);
            key = body.substr(separator + kFormatSeparator.size());
        }
        if (key.empty()) {
            continue;
        }
        const std::optional<std::string> text = FieldText(key, state, commonName);
        if (!text) {
            continue;
        }
        const std::string placeholder = std::string(kFieldOpen) + body + std::string(kFieldClose);
        util::ReplaceInPlace(display, placeholder, util::Format(format, *text), true, false);
    }

    util::ReplaceInPlace(display, "#CLASS#", BaseClassOf(state.current.info), true, true);
    state.namePosition = util::FindText("#NAME#", display, true);
    util::ReplaceInPlace(display, "#NAME#", objectName, true, true);
    return display;
}

util::Status CheckNameTemplate(const std::string& nameTemplate)
{
    std::string_view scan = nameTemplate;
    for (;;) {
        const std::size_t open = scan.find(kFieldOpen);
        if (open == std::string_view::npos) {
            return {};
        }
        const std::size_t close = scan.find(kFieldClose, open + kFieldOpen.size());
        if (close == std::string_view::npos) {
            return {};
        }
        const std::string body(scan.substr(open + kFieldOpen.size(), close - open - kFieldOpen.size()));
        scan.remove_prefix(close + kFieldClose.size());
        const std::size_t separator = body.find(kFormatSeparator);
        if (separator == std::string::npos || separator + kFormatSeparator.size() == body.size()) {
            continue; // no format, or an empty field that stays as it is
        }
        const std::string format = body.substr(0, separator);
        try {
            static_cast<void>(util::Format(format, std::string("x")));
        } catch (const std::exception& error) {
            return util::Status::Failure(
                "field \"" + std::string(kFieldOpen) + body + std::string(kFieldClose) + "\": " + error.what());
        }
    }
}

} // namespace veralith::search
