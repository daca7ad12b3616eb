#include "core/files/utf16_text.h"

#include <windows.h>

namespace zd::files {
namespace {

std::optional<std::wstring> widen(std::string_view utf8, DWORD flags) {
    if (utf8.empty()) {
        return std::wstring{};
    }
    const int length = static_cast<int>(utf8.size());
    const int needed = ::MultiByteToWideChar(CP_UTF8, flags, utf8.data(), length, nullptr, 0);
    if (needed == 0) {
        return std::nullopt; // not UTF-8
    }
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    ::MultiByteToWideChar(CP_UTF8, flags, utf8.data(), length, wide.data(), needed);
    return wide;
}

} // namespace

std::optional<std::wstring> toWide(std::string_view utf8) {
    return widen(utf8, MB_ERR_INVALID_CHARS);
}

std::wstring toWideLenient(std::string_view utf8) {
    return widen(utf8, 0).value_or(std::wstring{});
}

std::string toUtf8(std::wstring_view wide) {
    const int length = static_cast<int>(wide.size());
    const int needed =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(needed), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

std::wstring extendedLengthPath(std::wstring_view absolute) {
    if (absolute.starts_with(L"\\\\?\\")) {
        return std::wstring(absolute);
    }
    if (absolute.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + std::wstring(absolute.substr(2));
    }
    return L"\\\\?\\" + std::wstring(absolute);
}

std::wstring ordinaryPath(std::wstring_view extended) {
    if (extended.starts_with(L"\\\\?\\UNC\\")) {
        return L"\\\\" + std::wstring(extended.substr(8));
    }
    if (extended.starts_with(L"\\\\?\\")) {
        return std::wstring(extended.substr(4));
    }
    return std::wstring(extended);
}

} // namespace zd::files
