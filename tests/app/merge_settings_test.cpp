#include "app/handlers.h"
#include "app/merge_settings.h"
#include "app/messages.h"
#include "app/settings_dialog.h"
#include "core/merge/merge.h"
#include "tests/app/app_fixture.h"

namespace zd::app::test {
namespace {

using zd::test::readFile;
using zd::test::writeFile;
using SettingsCommands = AppTest;

const SettingTexts kDefaults = {
    {"align", "1"},         {"fill", "0xFF"},     {"flash_size", ""},
    {"pad", "false"},       {"reserve", ""},      {"keep_layout", "false"},
    {"c_header", "false"},  {"c_table", "false"}, {"prefix", "ZD_"},
    {"manifest", "false"},  {"ihex", "false"},    {"srec", "false"},
    {"base", "0x00000000"}, {"map", "false"},     {"flashrom_layout", "false"},
    {"fmap", "false"},
};

// Every setting away from its default, as a team might write them by hand,
// and as they are written back.
const SettingTexts kEverySetting = {
    {"align", "0x10000"},  {"fill", "0"},       {"flash_size", "0x1000000"},
    {"pad", "TRUE"},       {"reserve", "25%"},  {"keep_layout", "true"},
    {"c_header", "true"},  {"c_table", "True"}, {"prefix", "FW_"},
    {"manifest", "true"},  {"ihex", "true"},    {"srec", "true"},
    {"base", "134217728"}, {"map", "true"},     {"flashrom_layout", "true"},
    {"fmap", "true"}};
const MergeSettings kEvery = readMergeSettings(kEverySetting).settings;

// The keys the settings are kept under, read in any form the command line
// takes and written back in one; a key missing is its default, and so is a
// malformed one, which is named with its text; each value's limits; the
// dialog's texts, and its check naming the first field in error.
TEST(MergeSettings, KeysTextsAndTheirLimits) {
    EXPECT_EQ(storedTexts({}), kDefaults);
    const SettingsRead none = readMergeSettings({{"unknown", "x"}, {"align", ""}, {"reserve", ""}});
    EXPECT_EQ(none.settings, MergeSettings{});
    EXPECT_TRUE(none.malformed.empty());
    std::string written; // in the keys' order: align, base, c_header... srec
    for (const auto& [key, text] : storedTexts(kEvery)) {
        written += text + " ";
    }
    EXPECT_EQ(written, "64K 0x08000000 true true 0x00 16M true true true true true true true FW_ "
                       "25% true ");
    EXPECT_EQ(readMergeSettings(storedTexts(kEvery)).settings, kEvery);
    const SettingTexts edges = storedTexts(readMergeSettings({{"align", "1M"},
                                                              {"fill", "255"},
                                                              {"flash_size", "4096M"},
                                                              {"reserve", "4097"},
                                                              {"base", "0xFFFFFFFF"}})
                                               .settings);
    EXPECT_EQ(edges.at("align") + edges.at("fill") + edges.at("flash_size") + edges.at("reserve") +
                  edges.at("base"),
              "1M0xFF4096M40970xFFFFFFFF");
    const std::pair<const char*, const char*> malformed[] = {
        {"align", "3"},    {"align", "2M"},      {"fill", "0x100"},
        {"fill", "1K"},    {"flash_size", "0"},  {"flash_size", "4097M"},
        {"pad", "yes"},    {"reserve", "1001%"}, {"reserve", "-1"},
        {"prefix", "9x"},  {"prefix", "A__B"},   {"prefix", ""},
        {"base", "4096M"}, {"base", ""},         {"fmap", "1"}};
    for (const auto& [key, value] : malformed) {
        SettingTexts texts = kEverySetting, without = kEverySetting;
        texts[key] = value;
        without.erase(key);
        const SettingsRead read = readMergeSettings(texts);
        EXPECT_EQ(read.settings, readMergeSettings(without).settings) << key << "=" << value;
        EXPECT_NE(read.settings, kEvery) << key << "=" << value;
        EXPECT_EQ(read.malformed, (std::vector<std::pair<std::string, std::string>>{{key, value}}));
    }

    // No alignment is shown as the first choice, and taken back.
    SettingTexts shown = shownTexts({});
    EXPECT_EQ(shown["align"] + shownTexts(kEvery)["align"], "无64K");
    EXPECT_EQ(readMergeSettings(shown).settings, MergeSettings{});
    EXPECT_EQ(dialogProblem(shown), std::nullopt);
    shown["base"] = "4G";
    shown["fill"] = "0x1FF";
    EXPECT_EQ(dialogProblem(shown), "填充字节：“0x1FF”不是 0x00 到 0xFF 之间的字节。");
    shown = shownTexts({});
    shown["pad"] = "true";
    EXPECT_EQ(dialogProblem(shown), "填满至芯片容量：请先填写芯片容量。");
    shown["flash_size"] = "2M";
    EXPECT_EQ(dialogProblem(shown), std::nullopt);
    shown["align"] = "3K";
    EXPECT_EQ(dialogProblem(shown), "对齐：“3K”不是 1 到 1M 之间 2 的幂（如 4K、64K）。");
    EXPECT_EQ(settingLabel("no_such"), "");
}

// The request takes each setting, and names the outputs from the image's
// stem; a setting that needs another is left out without it. The summary
// says what differs from the defaults, in the dialog's words.
TEST(MergeSettings, RequestAndSummary) {
    const MergeRequest plain{.image = {"/o/", "/o/img.bin", "/o/img.h"}};
    MergeRequest request = plain;
    applyMergeSettings({}, request);
    EXPECT_EQ(mergeOutputs(request), mergeOutputs(plain));
    EXPECT_EQ(request.alignment + request.fill + request.flashSize + request.base, 1u + 0xFF);
    EXPECT_FALSE(request.pad || request.reserve.any() || request.keepLayout);
    EXPECT_EQ(settingsSummary({}), "");

    applyMergeSettings(kEvery, request);
    EXPECT_EQ(mergeOutputs(request),
              (std::vector<std::string>{"/o/img.bin", "/o/img.h", "/o/img_layout.h", "/o/img.json",
                                        "/o/img.hex", "/o/img.srec", "/o/img.layout", "/o/img.fmap",
                                        "/o/img.svg"}));
    EXPECT_EQ(request.alignment + request.fill + request.flashSize + request.base,
              65536u + (16u << 20) + 0x08000000u);
    EXPECT_TRUE(request.pad && request.keepLayout && request.cHeader.table);
    EXPECT_EQ(request.reserve, (Reserve{25, true}));
    EXPECT_EQ(request.cHeader.prefix, "FW_");
    EXPECT_EQ(settingsSummary(kEvery),
              "对齐 64K，填充字节 0x00，芯片容量 16M，填满至芯片容量，预留空间 25%，保持上次布局，"
              "C头文件，校验表，宏前缀 FW_，JSON清单，Intel HEX，S-record，基地址 0x08000000，"
              "布局图，flashrom 布局文件，FMAP");

    MergeSettings alone;
    alone.pad = alone.cTable = true;
    alone.prefix = "FW_";
    alone.base = 16;
    request = plain;
    applyMergeSettings(alone, request);
    EXPECT_FALSE(request.pad || request.cHeader.table);
    EXPECT_EQ(request.base, 0u);
    EXPECT_EQ(mergeOutputs(request), mergeOutputs(plain));
    EXPECT_EQ(settingsSummary(alone), "");
    alone.srec = true;
    applyMergeSettings(alone, request);
    EXPECT_EQ(request.base, 16u);
    EXPECT_EQ(settingsSummary(alone), "S-record，基地址 0x00000010");
    // The region files are placed at the base too; the picture is not.
    alone.srec = false;
    alone.map = true;
    applyMergeSettings(alone, request);
    EXPECT_EQ(request.base, 0u);
    EXPECT_EQ(settingsSummary(alone), "布局图");
    for (const bool layoutFile : {true, false}) {
        alone.flashromLayout = layoutFile;
        alone.fmap = !layoutFile;
        request = plain;
        applyMergeSettings(alone, request);
        EXPECT_EQ(request.base, 16u);
        EXPECT_EQ(request.flashromLayout.empty() + request.fmap.empty(), 1);
    }
}

// What the user keeps is read once the window is up: keys missing are
// their defaults silently, malformed ones are named once, each with its
// text shown safely. The dialog shows the settings, tells a malformed value
// and stays open; 确定 keeps the values, 取消 drops them; a store that fails
// is told.
TEST_F(SettingsCommands, LoadEditAndKeep) {
    port.kept = {{"fill", "0x00"}};
    commands.loadMergeSettings();
    EXPECT_EQ(takeLog(), (Strings{"load merge"}));
    port.kept = {{"align", "3"}, {"fill", "0x00"}, {"prefix", "a\nb"}, {"other", "x"}};
    commands.loadMergeSettings();
    EXPECT_EQ(takeLog(),
              (Strings{"load merge", "message 提示|W|Ok|以下合并选项的值无效，已改用默认值："
                                     "\n\nalign = 3\nprefix = a\\nb"}));
    EXPECT_EQ(commands.state().settings.fill, 0);

    SettingTexts edited = shownTexts(commands.state().settings);
    edited["align"] = "4K";
    SettingTexts wrong = edited;
    wrong["reserve"] = "1x";
    port.edits = {wrong, edited, std::nullopt};
    const SettingTexts shownFirst = shownTexts(commands.state().settings);
    click(cmd::MergeSettings);
    EXPECT_EQ(port.shownSettings, shownFirst);
    EXPECT_EQ(takeLog(),
              (Strings{"settings",
                       message('E', "预留空间：“1x”不是小于 4G 的字节数（如 4K）或 0% 到 "
                                    "1000% 的百分比（如 25%），不预留请留空。"),
                       "store merge"}));
    EXPECT_EQ(port.kept["align"] + port.kept["fill"], "4K0x00");
    click(cmd::MergeSettings); // 取消
    EXPECT_EQ(takeLog(), (Strings{"settings"}));
    EXPECT_EQ(commands.state().settings.alignment, 4096u);
    port.keepFails = true;
    port.edits = {shownTexts({})};
    click(cmd::MergeSettings);
    EXPECT_EQ(takeLog(),
              (Strings{"settings", "store merge", message('W', text::kSettingsNotStored)}));
    EXPECT_EQ(commands.state().settings, MergeSettings{}); // for this run
}

// With settings, merge-save writes the image, its list file and every
// companion named from its stem, and says so: every file, what keeping the
// layout did, the settings used. A file grown past its slot moves, the rest
// stay. A chip too small writes nothing and says by how much.
TEST_F(SettingsCommands, MergeSaveWithSettings) {
    const std::string a = makeFile("a.bin", 1000), b = makeFile("b.dot", 3000);
    addRows({{a, 1000}, {b, 3000}}, 16);
    MergeSettings& settings = commands.state().settings;
    settings.alignment = 4096;
    settings.keepLayout = settings.cHeader = settings.manifest = true;
    port.saves = {dir / "out.bin", dir / "out", dir / "out"};
    click(cmd::MergeSave);
    const std::string files = text::kMergeOkHeader + dir / "out.bin\n" + dir / "out.h\n" +
                              dir / "out_layout.h\n" + dir / "out.json";
    const std::string used = "\n\n合并选项：对齐 4K，保持上次布局，C头文件，JSON清单";
    EXPECT_EQ(takeLog(), locked(cmd::MergeSave, "save 选择保存位置和文件名称",
                                {"end", message('I', files + "\n\n" + dir / "out.h" +
                                                         " 尚不存在，已重新布局" + used)}));
    EXPECT_EQ(readFile(dir / "out.bin").size(), 8192u + 3000);
    EXPECT_NE(readFile(dir / "out_layout.h").find("ZD_B_DOT_ADDR 0x00002000u"), std::string::npos);

    writeFile(a, zd::test::patternBytes(5000, 3));
    list().clear();
    addRows({{a, 5000}, {b, 3000}}, 16);
    click(cmd::MergeSave);
    EXPECT_EQ(takeLog().at(3), message('I', files + "\n\n沿用 " + dir / "out.h" +
                                                " 的布局：1 / 2 个文件保持原地址\n" + a +
                                                "：超出原有空间，地址由 4096 移至 12288" + used));

    settings = {};
    settings.flashSize = 4096;
    const std::string before = readFile(dir / "out.bin");
    click(cmd::MergeSave);
    EXPECT_EQ(takeLog().at(2), message('E', text::largerThanFlash(16 + 5000 + 3000, 4096)));
    EXPECT_EQ(readFile(dir / "out.bin"), before);
}

} // namespace
} // namespace zd::app::test
