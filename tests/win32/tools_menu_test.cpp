// The tools menu of the Windows window, driven through its items with
// scripted dialogs.
#include "app/messages.h"
#include "core/files/utf16_text.h"
#include "tests/support/test_files.h"
#include "win32/dialogs.h"
#include "win32/main_window.h"

#include <gtest/gtest.h>

namespace zd::win32 {
namespace {

using Strings = std::vector<std::string>;

// Logs every message (caption, icon, text) and the name each file dialog
// proposes; the file dialogs give what the test scripted, in order.
class ScriptedDialogs final : public Dialogs {
  public:
    Strings chosen, log;

    int message(HWND, const std::wstring& text, const std::wstring& caption, UINT type) override {
        log.push_back(win::toUtf8(caption) + "|" + std::to_string(type & MB_ICONMASK) + "|" +
                      win::toUtf8(text));
        return IDOK;
    }
    Strings openFiles(HWND, const app::FileDialogRequest& request) override {
        log.push_back("open " + request.proposed);
        return {take()};
    }
    std::optional<std::string> saveFile(HWND, const app::FileDialogRequest& request) override {
        log.push_back("save " + request.proposed);
        return take();
    }
    void infoDialog(HWND, int) override {}
    void shellOpen(const std::wstring&) override {}

  private:
    std::string take() {
        const std::string path = chosen.front();
        chosen.erase(chosen.begin());
        return path;
    }
};

// 工具 sits between 文件 and 帮助; after a merge-save its export proposes the
// image's name, verify finds the image good and the table shows its rows.
TEST(ToolsMenu, BetweenFileAndHelpEachItemWorks) {
    zd::test::TempDir dir;
    ScriptedDialogs dialogs;
    std::optional<MainWindow> window(std::in_place, ::GetModuleHandleW(nullptr), dialogs, "host");
    ASSERT_TRUE(window->create());
    const HMENU bar = ::GetMenu(window->handle()), tools = ::GetSubMenu(bar, 1);
    wchar_t title[32] = {};
    ::GetMenuStringW(bar, 1, title, 32, MF_BYPOSITION);
    EXPECT_EQ(win::toUtf8(title), "工具(&T)");
    ASSERT_EQ(::GetMenuItemCount(bar), 3);
    ASSERT_EQ(::GetMenuItemCount(tools), 3);
    zd::test::writeFile(dir / "a.bin", zd::test::patternBytes(1234, 1));
    window->commands().onDrop({dir / "a.bin"});
    dialogs.chosen = {dir / "img", dir / "out.h", dir / "img.bin", dir / "img.h", dir / "img.bin"};
    ::SendMessageW(window->control(app::cmd::MergeSave), BM_CLICK, 0, 0);
    for (int i = 0; i < 3; ++i) {
        ::SendMessageW(window->handle(), WM_COMMAND, ::GetMenuItemID(tools, i), 0);
    }
    const Strings& log = dialogs.log;
    ASSERT_EQ(log.size(), 10u);
    EXPECT_EQ(log[3], "save " + dir / "img_layout.h");
    EXPECT_EQ(log[4], "提示|64|" + app::text::headerExported(dir / "out.h"));
    EXPECT_NE(zd::test::readFile(dir / "out.h").find("#define ZD_A_BIN_CRC32 0x"),
              std::string::npos);
    EXPECT_EQ(log[6], "open " + dir / "img.h");
    EXPECT_EQ(log[7], "校验镜像|64|" + app::text::verifyPassed(1, false));
    EXPECT_EQ(log[9], "镜像信息|64|" + app::text::noInfoTable(dir / "img.bin"));
    window.reset();
    MSG quit; // what the destroyed window posts
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

} // namespace
} // namespace zd::win32
