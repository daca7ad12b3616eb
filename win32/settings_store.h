// The settings each user keeps, in the registry: one key a group under
// HKEY_CURRENT_USER\Software\zadodaziderav, one text value a setting.
#pragma once

#include "app/port.h"

#include <string>

namespace zd::win32 {

// The key of `group` under HKEY_CURRENT_USER.
std::wstring settingsKey(const std::string& group);

// Every value of the key `key` (under HKEY_CURRENT_USER) as text: a number
// value in decimal, a value of another kind as "?", which no setting takes.
// None when there is no such key.
app::SettingTexts readRegistrySettings(const std::wstring& key);

// Puts `values` in place of everything `key` held; false when they could
// not all be written.
bool writeRegistrySettings(const std::wstring& key, const app::SettingTexts& values);

} // namespace zd::win32
