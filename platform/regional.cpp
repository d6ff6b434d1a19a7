#include "platform/regional.h"

#include <clocale>
#include <langinfo.h>

namespace veralith::platform {

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Appends literal text, quoting letters so that they are not read as fields.
void AppendLiteral(std::string& out, const std::string& literal)
{
    std::string letters;
    const auto flush = [&] {
        if (!letters.empty()) {
            out += '"' + letters + '"';
            letters.clear();
        }
    };
    for (char c : literal) {
        if (IsAsciiLetter(c) || static_cast<unsigned char>(c) >= 0x80) {
            letters += c;
        } else if (c == '"' || c == '\'') {
            flush(); // a quote character cannot be expressed inside the notation's quotes
        } else {
            flush();
            out += c;
        }
    }
    flush();
}

// Removes the seconds field ("ss" or "s") and the separator before it.
std::string WithoutSeconds(const std::string& pattern)
{
    std::string out;
    bool quoted = false;
    char quote = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (quoted) {
            out += c;
            quoted = c != quote;
            continue;
        }
        if (c == '"' || c == '\'') {
            quoted = true;
            quote = c;
            out += c;
            continue;
        }
        if (c == 's' || c == 'S') {
            while (i + 1 < pattern.size() && (pattern[i + 1] == 's' || pattern[i + 1] == 'S')) {
                ++i;
            }
            if (!out.empty() && !IsAsciiLetter(out.back()) && out.back() != '"' && out.back() != '\'') {
                out.pop_back();
            }
            continue;
        }
        out += c;
    }
    return out;
}

char SingleChar(const char* text, char fallback)
{
    return (text != nullptr && text[0] != '\0' && text[1] == '\0') ? text[0] : fallback;
}

} // namespace

std::string TranslateStrftimePattern(const std::string& pattern)
{
    std::string out;
    std::string literal;
    const auto field = [&](const char* notation) {
        AppendLiteral(out, literal);
        literal.clear();
        out += notation;
    };
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 >= pattern.size()) {
            literal += pattern[i];
            continue;
        }
        char conversion = pattern[++i];
        // Flags, widths and the E/O modifiers change nothing the notation can express.
        while ((conversion == '-' || conversion == '_' || conversion == '0' || conversion == '^' || conversion == '#' ||
                   conversion == 'E' || conversion == 'O' || (conversion >= '1' && conversion <= '9')) &&
            i + 1 < pattern.size()) {
            conversion = pattern[++i];
        }
        switch (conversion) {
        case 'd':
            field("dd");
            break;
        case 'e':
            field("d");
            break;
        case 'm':
            field("mm");
            break;
        case 'Y':
            field("yyyy");
            break;
        case 'y':
            field("yy");
            break;
        case 'H':
            field("hh");
            break;
        case 'k':
            field("h");
            break;
        case 'I':
            field("hh");
            break;
        case 'l':
            field("h");
            break;
        case 'M':
            field("nn");
            break;
        case 'S':
            field("ss");
            break;
        case 'p':
            field("AM/PM");
            break;
        case 'P':
            field("am/pm");
            break;
        case 'r':
            field("hh:nn:ss AM/PM");
            break;
        case 'R':
            field("hh:nn");
            break;
        case 'T':
            field("hh:nn:ss");
            break;
        case 'D':
            field("mm/dd/yy");
            break;
        case 'F':
            field("yyyy-mm-dd");
            break;
        case 'b':
        case 'h':
            field("mmm");
            break;
        case 'B':
            field("mmmm");
            break;
        case 'a':
            field("ddd");
            break;
        case 'A':
            field("dddd");
            break;
        case '%':
            literal += '%';
            break;
        case 'n':
            literal += ' ';
            break;
        case 't':
            literal += ' ';
            break;
        default:
            break; // not expressible: dropped
        }
    }
    AppendLiteral(out, literal);
    return out;
}

RegionalSettings ReadRegionalSettings()
{
    RegionalSettings settings;
    const std::lconv* conventions = std::localeconv();
    settings.decimalSeparator = SingleChar(conventions ? conventions->decimal_point : nullptr, '.');
    const char otherSeparator = settings.decimalSeparator == ',' ? '.' : ',';
    settings.thousandsSeparator = SingleChar(conventions ? conventions->thousands_sep : nullptr, otherSeparator);
    settings.shortDate = TranslateStrftimePattern(nl_langinfo(D_FMT));
    std::string timeFormat = nl_langinfo(T_FMT);
    if (timeFormat.empty()) {
        timeFormat = "%H:%M:%S";
    }
    settings.longTime = TranslateStrftimePattern(timeFormat);
    settings.shortTime = WithoutSeconds(settings.longTime);
    if (settings.shortDate.empty()) {
        settings.shortDate = "mm/dd/yy";
    }
    return settings;
}

const RegionalSettings& CurrentRegionalSettings()
{
    static const RegionalSettings kSettings = ReadRegionalSettings();
    return kSettings;
}

} // namespace veralith::platform
