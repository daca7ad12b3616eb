// The merge settings in the Windows window: the dialog made from the app's
// table, the settings kept in the registry, and a merge-save with them that
// writes what the command line writes with the same options.
#include "app/merge_settings.h"
#include "app/settings_dialog.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"
#include "tests/win32/fake_dialogs.h"
#include "win32/main_window.h"
#include "win32/settings_store.h"

#include <functional>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace zd::win32 {
namespace {

// Every setting away from its default, as registry values.
const std::pair<const char*, const char*> kEverySetting[] = {
    {"align", "4K"},       {"fill", "0x00"},        {"flash_size", "1M"}, {"pad", "true"},
    {"reserve", "10%"},    {"keep_layout", "true"}, {"c_header", "true"}, {"c_table", "true"},
    {"prefix", "FW_"},     {"manifest", "true"},    {"ihex", "true"},     {"srec", "true"},
    {"base", "0x08000000"}};
// The same as the command line's options, after -o.
const char* const kEveryOption =
    "--align 4K --fill 0x00 --flash-size 1M --pad --reserve 10% "
    "--keep-layout --c-header $S_layout.h --c-table --prefix FW_ "
    "--manifest $S.json --ihex $S.hex --srec $S.srec --base 0x08000000";

const std::wstring kKey = settingsKey(app::kMergeSettingsGroup);

std::string textOf(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return files::toUtf8(text);
}

// What is done with the next dialog this thread shows, from inside its own
// message loop.
std::function<void(HWND)> onDialog;

void CALLBACK whenUp(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND dialog = ::GetActiveWindow();
    if (dialog == nullptr || ::GetWindow(dialog, GW_OWNER) == nullptr) {
        return; // not up yet
    }
    ::KillTimer(nullptr, timer);
    onDialog(dialog);
}

// The real dialogs, their messages written down instead of shown.
class TellingDialogs final : public SystemDialogs {
  public:
    using SystemDialogs::SystemDialogs;
    std::string told;
    int message(HWND owner, const std::wstring& text, const std::wstring& caption,
                UINT type) override {
        told += textOf(owner) + "|" + files::toUtf8(caption) + "|" +
                std::to_string(type & MB_ICONMASK) + "|" + files::toUtf8(text) + "\n";
        return IDOK;
    }
};

class Settings : public ::testing::Test {
  protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kKey.c_str());
        window.emplace(::GetModuleHandleW(nullptr), dialogs, "host");
        ASSERT_TRUE(window->create());
    }
    void TearDown() override {
        window.reset();
        MSG quit;
        ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kKey.c_str());
    }
    void setValue(const std::string& name, const std::string& value) {
        const std::wstring text = files::toWideLenient(value);
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, kKey.c_str(),
                                    files::toWideLenient(name).c_str(), REG_SZ, text.c_str(),
                                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    std::string value(const std::string& name) {
        wchar_t text[256] = {};
        DWORD size = sizeof text;
        const LSTATUS status =
            ::RegGetValueW(HKEY_CURRENT_USER, kKey.c_str(), files::toWideLenient(name).c_str(),
                           RRF_RT_REG_SZ, nullptr, text, &size);
        return status == ERROR_SUCCESS ? files::toUtf8(text) : "(none)";
    }
    void command(int id) { ::SendMessageW(window->handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    std::string takeLog() { return std::exchange(dialogs.log, {}); }

    zd::test::TempDir dir;
    FakeDialogs dialogs;
    std::optional<MainWindow> window;
};

// The fields as the table has them, each text whole in its room at the
// display's scale and none over another; Tab walks them in the table's
// order; the common alignments to pick from; 确定 with a malformed value
// says so over the dialog and keeps it open, with good ones gives every
// value; 取消 gives nothing.
TEST_F(Settings, TheDialog) {
    TellingDialogs system(::GetModuleHandleW(nullptr));
    app::MergeSettings settings;
    settings.fill = 0;
    settings.cHeader = true;
    std::string seen, walk, fits;
    onDialog = [&](HWND dialog) {
        ::ShowWindow(dialog, SW_SHOWNA); // shown once idle; ending it hides it
        seen = textOf(dialog);
        RECT area{};
        ::GetClientRect(dialog, &area);
        std::vector<RECT> placed;
        const HDC dc = ::GetDC(dialog);
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)));
        for (HWND control = ::GetWindow(dialog, GW_CHILD); control != nullptr;
             control = ::GetWindow(control, GW_HWNDNEXT)) {
            wchar_t kind[32] = {};
            ::GetClassNameW(control, kind, 32);
            RECT at{};
            ::GetWindowRect(control, &at);
            ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&at), 2);
            const LONG style = ::GetWindowLongW(control, GWL_STYLE);
            const bool frame =
                (style & BS_TYPEMASK) == BS_GROUPBOX && kind == std::wstring(L"Button");
            RECT inside{};
            fits += ::IntersectRect(&inside, &at, &area) && ::EqualRect(&inside, &at) ? "" : "out ";
            if (frame) {
                continue;
            }
            for (const RECT& other : placed) {
                RECT both{};
                if (::IntersectRect(&both, &other, &at) && !(kind == std::wstring(L"ComboBox"))) {
                    fits += "over:" + textOf(control) + " ";
                }
            }
            placed.push_back(at);
            const std::wstring text = files::toWideLenient(textOf(control));
            SIZE extent{};
            ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
            const bool check =
                (style & BS_TYPEMASK) == BS_AUTOCHECKBOX && kind == std::wstring(L"Button");
            const int room = at.right - at.left - (check ? ::GetSystemMetrics(SM_CXMENUCHECK) : 0);
            fits += (kind == std::wstring(L"Static") || check) && extent.cx > room
                        ? "cut:" + textOf(control) + " "
                        : "";
        }
        ::ReleaseDC(dialog, dc);
        HWND at = ::GetDlgItem(dialog, 1001);
        ::SetFocus(at);
        for (int step = 0; step < 19; ++step, at = ::GetNextDlgTabItem(dialog, at, FALSE)) {
            const int id = ::GetDlgCtrlID(at);
            for (const app::DialogField& field : app::kSettingsFields) {
                walk +=
                    field.id == id ? (*field.key ? field.key : field.text) + std::string(" ") : "";
            }
        }
        wchar_t choice[16] = {};
        for (int i = 0; i < ::SendDlgItemMessageW(dialog, 1001, CB_GETCOUNT, 0, 0); ++i) {
            ::SendDlgItemMessageW(dialog, 1001, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(choice));
            seen += " " + files::toUtf8(choice);
        }
        ::SetDlgItemTextW(dialog, 1002, L"0x100");
        ::SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        seen += ::IsWindowVisible(dialog) ? " open" : " closed";
        ::SetDlgItemTextW(dialog, 1001, L"64K");
        ::SetDlgItemTextW(dialog, 1002, L"1");
        ::CheckDlgButton(dialog, 1016, BST_CHECKED);
        ::SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    ::SetTimer(nullptr, 0, 10, whenUp);
    const auto kept =
        system.mergeSettings(window->handle(), app::shownTexts(settings), app::dialogProblem);
    EXPECT_EQ(seen, "合并选项 无 4K 64K open");
    EXPECT_EQ(fits, "");
    EXPECT_EQ(walk, "align fill flash_size pad reserve keep_layout c_header c_table prefix "
                    "manifest ihex srec base map flashrom_layout fmap 确定 取消 align ");
    EXPECT_EQ(system.told, "合并选项|提示|16|填充字节：“0x100”不是 0x00 到 0xFF 之间的字节。\n");
    app::SettingTexts expected = app::shownTexts(settings);
    expected["align"] = "64K";
    expected["fill"] = "1";
    expected["fmap"] = "true";
    EXPECT_EQ(kept, expected);

    onDialog = [](HWND dialog) { ::SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0); };
    ::SetTimer(nullptr, 0, 10, whenUp);
    EXPECT_EQ(system.mergeSettings(window->handle(), app::shownTexts({}), app::dialogProblem),
              std::nullopt);
}

// A user without the key sees the defaults and gets no key; 确定 writes
// every setting as a text value under HKEY_CURRENT_USER, read back the same
// by the next window; a number value is taken as its decimal text; a
// malformed value is told once and is its default.
TEST_F(Settings, KeptInTheRegistry) {
    window->commands().loadMergeSettings();
    EXPECT_EQ(window->commands().state().settings, app::MergeSettings{});
    EXPECT_EQ(value("align"), "(none)");
    EXPECT_EQ(takeLog(), "");

    app::MergeSettings settings;
    settings.alignment = 4096;
    settings.reserve = {25, true};
    settings.manifest = true;
    dialogs.settings = app::shownTexts(settings);
    setValue("stale", "x");
    command(app::cmd::MergeSettings);
    EXPECT_EQ(takeLog(), "settings\n");
    EXPECT_EQ(value("align") + " " + value("reserve") + " " + value("manifest") + " " +
                  value("fill") + " " + value("stale"),
              "4K 25% true 0xFF (none)");
    MainWindow next(::GetModuleHandleW(nullptr), dialogs, "host");
    ASSERT_TRUE(next.create());
    next.commands().loadMergeSettings();
    EXPECT_EQ(next.commands().state().settings, settings);

    setValue("align", "3");
    const DWORD zero = 0;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey.c_str(), L"fill", REG_DWORD, &zero, sizeof zero);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey.c_str(), L"pad", REG_BINARY, &zero, sizeof zero);
    next.commands().loadMergeSettings();
    EXPECT_EQ(takeLog(), "message 提示 ! 以下合并选项的值\n");
    EXPECT_EQ(next.commands().state().settings.alignment, 1u);
    EXPECT_EQ(next.commands().state().settings.fill, 0);
}

// Merge-save with every setting from the registry writes what the command
// line writes with the same options, byte for byte, and again after a file
// grew past its slot, the layout kept.
TEST_F(Settings, MergeSaveWritesWhatTheCommandLineWrites) {
    for (const auto& [name, text] : kEverySetting) {
        setValue(name, text);
    }
    window->commands().loadMergeSettings();
    const std::string a = dir / "a.bin", b = dir / "b.dot";
    zd::test::writeFile(b, zd::test::patternBytes(700, 2));
    std::filesystem::create_directories(zd::test::pathOf(dir / "win"));
    std::filesystem::create_directories(zd::test::pathOf(dir / "cli"));
    dialogs.saved = dir / "win/img.bin";
    for (const int size : {3000, 9000}) {
        zd::test::writeFile(a, zd::test::patternBytes(size, 1));
        window->commands().list().clear();
        dialogs.chosen = {a, b};
        ::SendMessageW(window->control(app::cmd::AddFiles), BM_CLICK, 0, 0);
        ::SendMessageW(window->control(app::cmd::MergeSave), BM_CLICK, 0, 0);
        EXPECT_EQ(takeLog(), "open 选择导入文件（多选）\nmessage 提示 i 总共添加 2 个\n"
                             "save 选择保存位置和文件名称\nmessage 提示 i 合并成功！成功创\n");
        const std::string stem = dir / "cli/img";
        std::vector<std::string> args{"merge", "-o", stem};
        std::istringstream options(std::regex_replace(kEveryOption, std::regex(R"(\$S)"), stem));
        for (std::string word; options >> word;) {
            args.push_back(word);
        }
        args.insert(args.end(), {a, b});
        ASSERT_EQ(zd::test::runProgram(zd::test::besideThisProgram("zadodaziderav-cli.exe"), args,
                                       dir / "printed.txt"),
                  0)
            << zd::test::readFile(dir / "printed.txt");
        const std::vector<std::string> written = zd::test::namesIn(dir / "win");
        EXPECT_EQ(written, (std::vector<std::string>{"img.bin", "img.h", "img.hex", "img.json",
                                                     "img.srec", "img_layout.h"}));
        EXPECT_EQ(zd::test::namesIn(dir / "cli"), written);
        for (const std::string& name : written) {
            EXPECT_EQ(zd::test::readFile(dir / ("win/" + name)),
                      zd::test::readFile(dir / ("cli/" + name)))
                << name;
        }
    }
    EXPECT_EQ(zd::test::readFile(dir / "win/img.bin").size(), 1u << 20);
}

} // namespace
} // namespace zd::win32
