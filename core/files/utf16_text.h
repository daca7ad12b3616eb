// UTF-8 text, as the program keeps it, to and from the UTF-16 that the
// Win32 W functions take, and paths in their long form. Only built for
// Windows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zd::files {

// Nothing for text that is not valid UTF-8, which names no file.
std::optional<std::wstring> toWide(std::string_view utf8);
// Invalid UTF-8 becomes U+FFFD, for texts that are only shown.
std::wstring toWideLenient(std::string_view utf8);
// An unpaired surrogate becomes U+FFFD.
std::string toUtf8(std::wstring_view wide);

// An absolute path in the form the W functions take at any length: "C:\x"
// becomes "\\?\C:\x", "\\server\share" becomes "\\?\UNC\server\share";
// a path already in that form stays.
std::wstring extendedLengthPath(std::wstring_view absolute);
// The other way: "\\?\C:\x" becomes "C:\x", "\\?\UNC\server\share" becomes
// "\\server\share"; any other path stays.
std::wstring ordinaryPath(std::wstring_view extended);

} // namespace zd::files
