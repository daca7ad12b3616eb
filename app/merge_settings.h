// The window's merge settings: the command line's merge options that the
// window's merge-save takes too, remembered per user as texts under one key
// each. Read from what a window stored (or a team handed out), checked as
// the settings dialog gives them, worded for the merge report, and turned
// into the merge request's fields.
#pragma once

#include "app/port.h"
#include "core/merge/merge_request.h"
#include "core/model/reserve.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zd::app {

// Settings are stored and shown as texts (SettingTexts): numbers as the
// command line takes them, switches "true" or "false".

// The group the merge settings are remembered under.
inline constexpr const char* kMergeSettingsGroup = "merge";

// Every setting at its default merges as the window always has: files back
// to back, no outputs but the image and its list file.
struct MergeSettings {
    std::uint32_t alignment = 1;
    unsigned char fill = 0xFF;
    std::uint64_t flashSize = 0; // none
    bool pad = false;            // only with a flash size
    Reserve reserve{};
    bool keepLayout = false;
    bool cHeader = false;
    bool cTable = false; // only with the C header
    std::string prefix = std::string(kDefaultHeaderPrefix);
    bool manifest = false;
    bool ihex = false;
    bool srec = false;
    std::uint32_t base = 0; // only with HEX, S-records or the region files
    bool map = false;
    bool flashromLayout = false;
    bool fmap = false;
    bool operator==(const MergeSettings&) const = default;
};

// The settings found in `texts`; a key missing is its default. A key whose
// text is malformed is its default too, and is listed with that text.
struct SettingsRead {
    MergeSettings settings;
    std::vector<std::pair<std::string, std::string>> malformed; // key, text
};
SettingsRead readMergeSettings(const SettingTexts& texts);

// Every key with its text, as stored.
SettingTexts storedTexts(const MergeSettings& settings);
// Every key with its text as the settings dialog shows it: as stored, but
// no alignment is shown as the first of the alignment choices.
SettingTexts shownTexts(const MergeSettings& settings);

// What is wrong with the values the settings dialog gives, naming the
// first field in error; nothing when they are all well formed.
std::optional<std::string> dialogProblem(const SettingTexts& shown);

// Sets the request's layout and its outputs beside the image from the
// settings: the companions are named from the image's stem ("img.bin":
// img_layout.h, img.json, img.hex, img.srec, img.svg, img.layout,
// img.fmap). The request's image must be set.
void applyMergeSettings(const MergeSettings& settings, MergeRequest& request);

// The settings in effect that differ from the defaults, in the dialog's
// words ("对齐 4K，C头文件，校验表"); empty when a merge with them is a plain
// merge.
std::string settingsSummary(const MergeSettings& settings);

} // namespace zd::app
