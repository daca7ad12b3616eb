#include "app/merge_settings.h"

#include "app/messages.h"
#include "app/settings_dialog.h"
#include "core/firmware/flash_size.h"
#include "core/model/entry_list.h"
#include "core/model/number_parse.h"

#include <cstdio>

namespace zd::app {
namespace {

// One remembered setting: its key, how its text is read into the settings
// (false, leaving them as they were, for a malformed text), how it is
// written, and what the dialog says of a malformed text.
struct Key {
    const char* name;
    bool (*read)(std::string_view text, MergeSettings& settings);
    std::string (*write)(const MergeSettings& settings);
    const char* problem;
};

// A byte count in the shortest form the command line takes: "4096", "4K", "16M".
std::string sizeText(std::uint64_t bytes) {
    if (bytes != 0 && bytes % (1u << 20) == 0) {
        return std::to_string(bytes >> 20) + "M";
    }
    if (bytes != 0 && bytes % 1024 == 0) {
        return std::to_string(bytes >> 10) + "K";
    }
    return std::to_string(bytes);
}

// The outputs whose addresses start at the base, as the command line's
// --base places them: HEX, S-records and the region files.
bool placedAtBase(const MergeSettings& settings) {
    return settings.ihex || settings.srec || settings.flashromLayout || settings.fmap;
}

std::string byteText(unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(byte));
    return text;
}

std::string reserveShown(const Reserve& reserve) {
    if (!reserve.any()) {
        return "";
    }
    return reserve.percent ? reserveText(reserve) : sizeText(reserve.amount);
}

template <bool MergeSettings::*member> bool readSwitch(std::string_view text, MergeSettings& s) {
    for (const bool on : {false, true}) {
        const std::string_view word = on ? "true" : "false";
        if (text.size() == word.size() &&
            std::equal(text.begin(), text.end(), word.begin(),
                       [](char a, char b) { return (a | 0x20) == b; })) {
            s.*member = on;
            return true;
        }
    }
    return false;
}

template <bool MergeSettings::*member> std::string writeSwitch(const MergeSettings& s) {
    return s.*member ? "true" : "false";
}

template <bool MergeSettings::*member> constexpr Key switchKey(const char* name) {
    return {name, readSwitch<member>, writeSwitch<member>, "应为 true 或 false"};
}

bool readAlignment(std::string_view text, MergeSettings& s) {
    if (text.empty() || text == kAlignmentChoices[0]) {
        s.alignment = 1;
        return true;
    }
    const auto alignment = parseByteCount(text);
    if (!alignment || alignmentProblem(*alignment)) {
        return false;
    }
    s.alignment = static_cast<std::uint32_t>(*alignment);
    return true;
}

// A byte as --fill takes it: no K or M.
bool readFill(std::string_view text, MergeSettings& s) {
    const auto byte =
        text.find_first_of("KkMm") == std::string_view::npos ? parseByteCount(text) : std::nullopt;
    if (!byte || *byte > 0xFF) {
        return false;
    }
    s.fill = static_cast<unsigned char>(*byte);
    return true;
}

bool readFlashSize(std::string_view text, MergeSettings& s) {
    if (text.empty()) {
        s.flashSize = 0;
        return true;
    }
    const auto size = parseByteCount(text);
    if (!size || flashSizeProblem(*size)) {
        return false;
    }
    s.flashSize = *size;
    return true;
}

bool readReserve(std::string_view text, MergeSettings& s) {
    const auto reserve = text.empty() ? std::optional<Reserve>(Reserve{}) : parseReserve(text);
    if (!reserve) {
        return false;
    }
    s.reserve = *reserve;
    return true;
}

bool readPrefix(std::string_view text, MergeSettings& s) {
    if (prefixProblem(text)) {
        return false;
    }
    s.prefix = text;
    return true;
}

bool readBase(std::string_view text, MergeSettings& s) {
    const auto base = parseByteCount(text);
    if (!base || *base > 0xFFFFFFFFu) {
        return false;
    }
    s.base = static_cast<std::uint32_t>(*base);
    return true;
}

// Every key, in the dialog's order.
constexpr Key kKeys[] = {
    {"align", readAlignment, [](const MergeSettings& s) { return sizeText(s.alignment); },
     "不是 1 到 1M 之间 2 的幂（如 4K、64K）"},
    {"fill", readFill, [](const MergeSettings& s) { return byteText(s.fill); },
     "不是 0x00 到 0xFF 之间的字节"},
    {"flash_size", readFlashSize,
     [](const MergeSettings& s) { return s.flashSize ? sizeText(s.flashSize) : ""; },
     "不是 1 字节到 4G 之间的容量（如 16M），不限容量请留空"},
    switchKey<&MergeSettings::pad>("pad"),
    {"reserve", readReserve, [](const MergeSettings& s) { return reserveShown(s.reserve); },
     "不是小于 4G 的字节数（如 4K）或 0% 到 1000% 的百分比（如 25%），不预留请留空"},
    switchKey<&MergeSettings::keepLayout>("keep_layout"),
    switchKey<&MergeSettings::cHeader>("c_header"),
    switchKey<&MergeSettings::cTable>("c_table"),
    {"prefix", readPrefix, [](const MergeSettings& s) { return s.prefix; },
     "须以英文字母开头，只含英文字母、数字和 _，且不含 __"},
    switchKey<&MergeSettings::manifest>("manifest"),
    switchKey<&MergeSettings::ihex>("ihex"),
    switchKey<&MergeSettings::srec>("srec"),
    {"base", readBase, [](const MergeSettings& s) { return hex32(s.base); },
     "不是小于 4G 的地址（如 0x08000000）"},
    switchKey<&MergeSettings::map>("map"),
    switchKey<&MergeSettings::flashromLayout>("flashrom_layout"),
    switchKey<&MergeSettings::fmap>("fmap"),
};

} // namespace

std::string settingLabel(const std::string& key) {
    const char* label = "";
    for (const DialogField& field : kSettingsFields) {
        if (key == field.key) {
            return field.kind == FieldKind::Check ? field.text : label;
        }
        label = field.kind == FieldKind::Label ? field.text : "";
    }
    return "";
}

SettingsRead readMergeSettings(const SettingTexts& texts) {
    SettingsRead read;
    for (const Key& key : kKeys) {
        const auto found = texts.find(key.name);
        if (found != texts.end() && !key.read(found->second, read.settings)) {
            read.malformed.emplace_back(key.name, found->second);
        }
    }
    return read;
}

SettingTexts storedTexts(const MergeSettings& settings) {
    SettingTexts texts;
    for (const Key& key : kKeys) {
        texts[key.name] = key.write(settings);
    }
    return texts;
}

SettingTexts shownTexts(const MergeSettings& settings) {
    SettingTexts texts = storedTexts(settings);
    if (settings.alignment == 1) {
        texts["align"] = kAlignmentChoices[0];
    }
    return texts;
}

std::optional<std::string> dialogProblem(const SettingTexts& shown) {
    MergeSettings settings;
    for (const Key& key : kKeys) {
        const auto found = shown.find(key.name);
        if (found != shown.end() && !key.read(found->second, settings)) {
            return text::settingMalformed(settingLabel(key.name), found->second, key.problem);
        }
    }
    if (settings.pad && settings.flashSize == 0) {
        return text::padNeedsFlashSize(settingLabel("pad"), settingLabel("flash_size"));
    }
    return std::nullopt;
}

void applyMergeSettings(const MergeSettings& settings, MergeRequest& request) {
    request.alignment = settings.alignment;
    request.fill = settings.fill;
    request.flashSize = settings.flashSize;
    request.pad = settings.pad && settings.flashSize != 0;
    request.reserve = settings.reserve;
    request.keepLayout = settings.keepLayout;
    const std::string& image = request.image.imagePath;
    const std::string stem = image.substr(0, image.size() - 4); // less ".bin"
    if (settings.cHeader) {
        request.cHeader = {stem + text::kHeaderSuffix, settings.prefix, settings.cTable};
    }
    request.manifest = settings.manifest ? stem + ".json" : "";
    request.ihex = settings.ihex ? stem + ".hex" : "";
    request.srec = settings.srec ? stem + ".srec" : "";
    request.layoutMap = settings.map ? stem + ".svg" : "";
    request.flashromLayout = settings.flashromLayout ? stem + ".layout" : "";
    request.fmap = settings.fmap ? stem + ".fmap" : "";
    request.base = placedAtBase(settings) ? settings.base : 0;
}

std::string settingsSummary(const MergeSettings& settings) {
    std::string summary;
    const auto add = [&summary](const char* key, const std::string& value = "") {
        summary +=
            (summary.empty() ? "" : "，") + settingLabel(key) + (value.empty() ? "" : " " + value);
    };
    const MergeSettings plain;
    if (settings.alignment != plain.alignment) {
        add("align", sizeText(settings.alignment));
    }
    if (settings.fill != plain.fill) {
        add("fill", byteText(settings.fill));
    }
    if (settings.flashSize != 0) {
        add("flash_size", sizeText(settings.flashSize));
        if (settings.pad) {
            add("pad");
        }
    }
    if (settings.reserve.any()) {
        add("reserve", reserveShown(settings.reserve));
    }
    if (settings.keepLayout) {
        add("keep_layout");
    }
    if (settings.cHeader) {
        add("c_header");
        if (settings.cTable) {
            add("c_table");
        }
        if (settings.prefix != plain.prefix) {
            add("prefix", settings.prefix);
        }
    }
    for (const auto& [on, key] : {std::pair{settings.manifest, "manifest"},
                                  {settings.ihex, "ihex"},
                                  {settings.srec, "srec"}}) {
        if (on) {
            add(key);
        }
    }
    if (placedAtBase(settings) && settings.base != plain.base) {
        add("base", hex32(settings.base));
    }
    for (const auto& [on, key] : {std::pair{settings.map, "map"},
                                  {settings.flashromLayout, "flashrom_layout"},
                                  {settings.fmap, "fmap"}}) {
        if (on) {
            add(key);
        }
    }
    return summary;
}

} // namespace zd::app
