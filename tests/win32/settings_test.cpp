// The merge settings in the Windows window: the dialog made from the app's
// table, the settings kept in the registry, and a merge-save with them that
// writes what the command line writes with the same options.
#include "app/merge_settings.h"
#include "app/settings_dialog.h"
#include "tests/support/run_program.h"
#include "tests/support/settings_outputs.h"
#include "tests/win32/fake_dialogs.h"
#include "win32/main_window.h"
#include "win32/settings_store.h"

#include <functional>
#include <gtest/gtest.h>

namespace zd::win32 {
namespace {

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
    if (dialog != nullptr && ::GetWindow(dialog, GW_OWNER) != nullptr) {
        ::KillTimer(nullptr, timer);
        ::ShowWindow(dialog, SW_SHOWNA); // shown once idle; an ended dialog is hidden
        onDialog(dialog);
    }
}

// A control outside the dialog, over another or too narrow for its text
// (in the dialog's font, at the display's scale), by its text.
std::string misplaced(HWND dialog) {
    std::string found;
    RECT area{};
    ::GetClientRect(dialog, &area);
    std::vector<RECT> placed;
    const HDC dc = ::GetDC(dialog);
    ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)));
    for (HWND control = ::GetWindow(dialog, GW_CHILD); control != nullptr;
         control = ::GetWindow(control, GW_HWNDNEXT)) {
        wchar_t kind[16] = {};
        ::GetClassNameW(control, kind, 16);
        const LONG type = ::GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
        const bool button = kind == std::wstring(L"Button"),
                   check = button && type == BS_AUTOCHECKBOX;
        RECT at{}, both{};
        ::GetWindowRect(control, &at);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&at), 2);
        found += ::IntersectRect(&both, &at, &area) && ::EqualRect(&both, &at) ? "" : "out ";
        if (button && type == BS_GROUPBOX) {
            continue;
        }
        for (const RECT& other : placed) {
            // A choice's window holds its list, which drops over the fields below.
            found += ::IntersectRect(&both, &other, &at) && kind != std::wstring(L"ComboBox")
                         ? "over:" + textOf(control) + " "
                         : "";
        }
        placed.push_back(at);
        const std::wstring text = files::toWideLenient(textOf(control));
        SIZE extent{};
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        const int room = at.right - at.left - (check ? ::GetSystemMetrics(SM_CXMENUCHECK) : 0);
        found += (kind == std::wstring(L"Static") || check) && extent.cx > room
                     ? "cut:" + textOf(control) + " "
                     : "";
    }
    ::ReleaseDC(dialog, dc);
    return found;
}

// The real dialogs, their messages written down instead of shown.
class TellingDialogs final : public SystemDialogs {
  public:
    using SystemDialogs::SystemDialogs;
    std::string told;
    int message(HWND owner, const std::wstring& text, const std::wstring& caption,
                UINT type) override {
        told += textOf(owner) + "|" + files::toUtf8(caption) + "|" +
                std::to_string(type & MB_ICONMASK) + "|" + files::toUtf8(text);
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
        while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kKey.c_str());
    }
    void setValue(const std::string& name, const std::string& value) {
        const std::wstring text = files::toWideLenient(value);
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey.c_str(), files::toWideLenient(name).c_str(),
                          REG_SZ, text.c_str(),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    std::string takeLog() { return std::exchange(dialogs.log, {}); }

    zd::test::TempDir dir;
    FakeDialogs dialogs;
    std::optional<MainWindow> window;
};

// The table's fields, each text whole in its room at the display's scale
// and none over another; Tab walks them in the table's order; the common
// alignments to pick from; 确定 with a malformed value tells it over the
// dialog and keeps it open, with good ones gives every value; 取消 gives
// nothing.
TEST_F(Settings, TheDialog) {
    TellingDialogs system(::GetModuleHandleW(nullptr));
    app::MergeSettings settings;
    settings.fill = 0;
    settings.cHeader = true;
    std::string seen;
    onDialog = [&seen](HWND dialog) {
        seen = textOf(dialog) + " " + misplaced(dialog) + "\n";
        HWND at = ::GetDlgItem(dialog, 1001);
        for (int step = 0; step < 19; ++step, at = ::GetNextDlgTabItem(dialog, at, FALSE)) {
            for (const app::DialogField& field : app::kSettingsFields) {
                seen += field.id == ::GetDlgCtrlID(at)
                            ? (*field.key ? field.key : field.text) + std::string(" ")
                            : "";
            }
        }
        wchar_t choice[16] = {};
        for (int i = 0; i < ::SendDlgItemMessageW(dialog, 1001, CB_GETCOUNT, 0, 0); ++i) {
            ::SendDlgItemMessageW(dialog, 1001, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(choice));
            seen += "\n" + files::toUtf8(choice);
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
    EXPECT_EQ(seen, "合并选项 \nalign fill flash_size pad reserve keep_layout c_header c_table "
                    "prefix manifest ihex srec base map flashrom_layout fmap 确定 取消 align \n"
                    "无\n4K\n64K open");
    EXPECT_EQ(system.told, "合并选项|提示|16|填充字节：“0x100”不是 0x00 到 0xFF 之间的字节。");
    app::SettingTexts expected = app::shownTexts(settings);
    expected["align"] = "64K";
    expected["fill"] = "1";
    expected["fmap"] = "true";
    EXPECT_EQ(kept, expected);
    onDialog = [](HWND dialog) { ::SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0); };
    ::SetTimer(nullptr, 0, 10, whenUp);
    EXPECT_EQ(system.mergeSettings(window->handle(), expected, app::dialogProblem), std::nullopt);
}

// A user without the key sees the defaults and gets no key; 确定 writes
// every setting as a text value under HKEY_CURRENT_USER in place of what
// was there, read back the same by the next window; a number value is taken
// as its decimal text; a malformed value is told once and is its default.
TEST_F(Settings, KeptInTheRegistry) {
    window->commands().loadMergeSettings();
    EXPECT_EQ(window->commands().state().settings, app::MergeSettings{});
    HKEY none = nullptr;
    EXPECT_NE(::RegOpenKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_READ, &none), ERROR_SUCCESS);
    app::MergeSettings settings;
    settings.alignment = 4096;
    settings.reserve = {25, true};
    dialogs.settings = app::shownTexts(settings);
    setValue("stale", "x");
    ::SendMessageW(window->handle(), WM_COMMAND, app::cmd::MergeSettings, 0);
    app::SettingTexts kept = readRegistrySettings(kKey);
    EXPECT_EQ(kept, app::storedTexts(settings));
    EXPECT_EQ(kept["align"] + " " + kept["reserve"], "4K 25%");
    MainWindow next(::GetModuleHandleW(nullptr), dialogs, "host");
    ASSERT_TRUE(next.create());
    next.commands().loadMergeSettings();
    EXPECT_EQ(next.commands().state().settings, settings);

    setValue("align", "3");
    const DWORD zero = 0;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey.c_str(), L"fill", REG_DWORD, &zero, sizeof zero);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey.c_str(), L"pad", REG_BINARY, &zero, sizeof zero);
    next.commands().loadMergeSettings();
    EXPECT_EQ(takeLog(), "settings\nmessage 提示 ! 以下合并选项的值\n");
    EXPECT_EQ(readRegistrySettings(kKey)["pad"], "?");
    EXPECT_EQ(next.commands().state().settings.alignment, 1u);
    EXPECT_EQ(next.commands().state().settings.fill, 0);
}

// Merge-save with every setting from the registry writes what the command
// line writes with the same options, byte for byte, and again after a file
// grew past its slot, the layout kept.
TEST_F(Settings, MergeSaveWritesWhatTheCommandLineWrites) {
    for (const auto& [name, text] : zd::test::kEverySetting) {
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
        ASSERT_EQ(zd::test::runProgram(zd::test::besideThisProgram("zadodaziderav-cli.exe"),
                                       zd::test::everyOption(dir / "cli/img", {a, b}),
                                       dir / "printed.txt"),
                  0)
            << zd::test::readFile(dir / "printed.txt");
        zd::test::expectSameOutputs(dir / "win", dir / "cli");
    }
    EXPECT_EQ(zd::test::readFile(dir / "win/img.bin").size(), 1u << 20);
}

} // namespace
} // namespace zd::win32
