#pragma once

// Error texts for the client's result codes, and the error box that shows
// them.
//
// The texts come from the error-text module libveralith-errtext.so (exporting
// extern "C" const char* NWstrerror(int)), which lives in the directory of the
// running executable. It is loaded by absolute path on every ErrorText call
// and unloaded afterwards, never searched for on a library path.

#include <cstdint>
#include <string>

namespace veralith::directory {

// File name of the error-text module.
inline constexpr const char* kErrorTextModuleName = "libveralith-errtext.so";

// The description NWstrerror gives for a code it does not know.
inline constexpr const char* kUnknownErrorText = "Unknown error";

// The text of a result code: "0x" and at least four upper-case hexadecimal
// digits of the 32-bit two's complement (-601 gives "0xFFFFFDA7"), then
// " (description)". The description is the module's NWstrerror text for the
// code; when that is exactly "Unknown error", or the module lacks NWstrerror,
// it is the operating system's message for the code (strerror). Without the
// module the result is the hexadecimal part alone. An empty NWstrerror text
// gives an empty pair of parentheses.
std::string ErrorText(std::int32_t code);

// Nothing when code is 0. Otherwise an error box (caption "Error", button
// "OK") with "<operation> returned error <ErrorText(code)>", shown through
// util::ShowMessageBox; returns when it is dismissed. An empty operation name
// gives a text that starts with " returned error".
void ReportError(std::int32_t code, const std::string& operation);

// The absolute path ErrorText loads the module from: kErrorTextModuleName in
// the module directory. By default that is the directory of the running
// executable (/proc/self/exe), or the installed module folder relative to it
// (util::kInstalledModuleFolder) when the module is there and not beside the
// executable.
std::string ErrorTextModulePath();

// Tests: load the module from another absolute directory (for example one
// without the module). An empty text restores the executable's directory. A
// relative directory is refused (returns false, nothing changes).
bool SetErrorTextModuleDirectoryForTesting(const std::string& directory);

} // namespace veralith::directory
