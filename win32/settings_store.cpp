#include "win32/settings_store.h"

#include "core/files/utf16_text.h"

#include <cstring>
#include <vector>
#include <windows.h>

namespace zd::win32 {
namespace {

// Closes a key however the function that opened it ends.
class OpenKey {
  public:
    OpenKey() = default;
    ~OpenKey() {
        if (key_ != nullptr) {
            ::RegCloseKey(key_);
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY* put() { return &key_; }
    HKEY get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

std::string valueText(DWORD type, const std::vector<BYTE>& data, DWORD size) {
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD number = 0;
        std::memcpy(&number, data.data(), sizeof number);
        return std::to_string(number);
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        return "?";
    }
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back(); // the terminator, if the value was stored with one
    }
    return files::toUtf8(text);
}

} // namespace

std::wstring settingsKey(const std::string& group) {
    return L"Software\\zadodaziderav\\" + files::toWideLenient(group);
}

app::SettingTexts readRegistrySettings(const std::wstring& key) {
    app::SettingTexts values;
    OpenKey open;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, open.put()) != ERROR_SUCCESS) {
        return values;
    }
    DWORD count = 0, longestName = 0, longestData = 0;
    ::RegQueryInfoKeyW(open.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                       &longestName, &longestData, nullptr, nullptr);
    std::wstring name(longestName + 1, L'\0');
    std::vector<BYTE> data(longestData + sizeof(wchar_t));
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameChars = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (::RegEnumValueW(open.get(), i, name.data(), &nameChars, nullptr, &type, data.data(),
                            &size) == ERROR_SUCCESS) {
            values[files::toUtf8(name.substr(0, nameChars))] = valueText(type, data, size);
        }
    }
    return values;
}

bool writeRegistrySettings(const std::wstring& key, const app::SettingTexts& values) {
    OpenKey open;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                          nullptr, open.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    // The values written first, then the others taken away, so that a
    // failure never leaves less than was there.
    bool written = true;
    for (const auto& [name, value] : values) {
        const std::wstring text = files::toWideLenient(value);
        written = ::RegSetValueExW(open.get(), files::toWideLenient(name).c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) ==
                      ERROR_SUCCESS &&
                  written;
    }
    for (const auto& [name, value] : readRegistrySettings(key)) {
        if (!values.contains(name)) {
            written = ::RegDeleteValueW(open.get(), files::toWideLenient(name).c_str()) ==
                          ERROR_SUCCESS &&
                      written;
        }
    }
    return written;
}

} // namespace zd::win32
