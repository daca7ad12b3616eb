// The Windows window driven by the messages the system would send, its
// dialogs answered by a scripted fake; the system's dialogs; the progress.
#include "core/files/utf16_text.h"
#include "tests/support/first_asks.h"
#include "tests/support/test_files.h"
#include "tests/win32/fake_dialogs.h"
#include "win32/control_table.h"
#include "win32/dialogs.h"
#include "win32/main_window.h"
#include "win32/progress_window.h"

#include <algorithm>
#include <cderr.h>
#include <chrono>
#include <commctrl.h>
#include <cstdlib>
#include <dlgs.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <tuple>

namespace zd::win32 {
namespace {

std::string windowText(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return files::toUtf8(text);
}

// Whether `window` paints any pixel of `r` in its client area in `colour`,
// its background included.
bool paints(HWND window, RECT r, COLORREF colour) {
    const HDC screen = ::GetDC(window), dc = ::CreateCompatibleDC(screen);
    const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, r.right, r.bottom);
    ::ReleaseDC(window, screen);
    ::SelectObject(dc, bitmap); // until the memory DC goes
    ::SendMessageW(window, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    bool found = false;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            found = found || ::GetPixel(dc, x, y) == colour;
        }
    }
    ::DeleteDC(dc);
    ::DeleteObject(bitmap);
    return found;
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.emplace(::GetModuleHandleW(nullptr), dialogs, "host");
        ASSERT_TRUE(window->create());
        ::ShowWindow(main(), SW_SHOWNORMAL);
    }
    void TearDown() override {
        window.reset();
        MSG quit; // what the destroyed window posts
        ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        EXPECT_TRUE(dialogs.chosen.empty());
    }
    HWND main() const { return window->handle(); }
    HWND control(int id) const { return window->control(id); }
    // A click as the user makes it: the button's own press and release.
    void click(int id) { ::SendMessageW(control(id), BM_CLICK, 0, 0); }
    // A menu item chosen: a command with notification code 0 and no control.
    void menu(int id) { ::SendMessageW(main(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    std::string takeLog() { return std::exchange(dialogs.log, {}); }

    zd::test::TempDir dir;
    FakeDialogs dialogs;
    std::optional<MainWindow> window;
};

// In the middle of the screen's free area, with its title and icons, its
// face in the menu colour; the counts cannot be typed into; the list with
// grid lines, whole rows selected and the path as a tip.
TEST_F(WindowTest, WhatTheWindowShows) {
    RECT outer{};
    ::GetWindowRect(main(), &outer);
    EXPECT_LE(std::abs(outer.left + outer.right - ::GetSystemMetrics(SM_CXFULLSCREEN)), 1);
    EXPECT_LE(std::abs(outer.top + outer.bottom - ::GetSystemMetrics(SM_CYFULLSCREEN)), 1);
    EXPECT_EQ(windowText(main()), "Tessarine Tool (Ver: 1.1.0.0)");
    EXPECT_NE(::GetClassLongPtrW(main(), GCLP_HICON), 0);
    EXPECT_NE(::SendMessageW(control(601), BM_GETIMAGE, IMAGE_ICON, 0), 0);
    EXPECT_TRUE(paints(main(), {0, 0, 10, 10}, ::GetSysColor(COLOR_MENU)));
    for (const int readout : {401, 403}) {
        ::SendMessageW(control(readout), WM_CHAR, L'7', 0);
        EXPECT_EQ(windowText(control(readout)), "0");
    }
    EXPECT_EQ(ListView_GetExtendedListViewStyle(window->listView()), 0x421u);
}

// Each button and menu item reaches its command, a shortcut's code starts no
// button's; the list shows the rows as they are added from a dialog or a
// drop, moved, deleted and cleared, with the selection the commands read
// and set, and answers the control's asks for cells and tips only for rows
// there and only from the list; Exit ends the window.
TEST_F(WindowTest, CommandsAndTheListsRows) {
    const std::string root = dir / "", a = root + "a.bin", b = root + "字库.dot";
    zd::test::writeFile(a, zd::test::patternBytes(1000, 1));
    zd::test::writeFile(b, zd::test::patternBytes(24, 2));
    const HWND list = window->listView();
    // The log, the three displays and each row's cells (the folder left out).
    const auto shown = [&] {
        std::string seen = takeLog() + windowText(control(401)) + " " + windowText(control(402)) +
                           " " + windowText(control(403));
        wchar_t cell[512] = {};
        for (int row = 0; row < ListView_GetItemCount(list); ++row) {
            for (int column = 0; column < 5; ++column) {
                ListView_GetItemText(list, row, column, cell, 512);
                const std::string value = files::toUtf8(cell);
                seen += (column ? "," : " | ") +
                        value.substr(value.starts_with(root) ? root.size() : 0);
            }
        }
        return seen;
    };
    std::string asked;
    for (const auto& [id, first] : zd::test::kControlsAsk) {
        click(id);
        asked += first + "\n";
    }
    for (const int id : {207, 207, 208}) {
        click(id);
    }
    ::SendMessageW(main(), WM_COMMAND, MAKEWPARAM(203, 1), 0);
    const HMENU bar = ::GetMenu(main());
    for (int at = 0; at < ::GetMenuItemCount(bar); ++at) { // File, Tools, Help
        const HMENU items = ::GetSubMenu(bar, at);
        for (int i = 0; i < ::GetMenuItemCount(items); ++i) {
            if (const int id = static_cast<int>(::GetMenuItemID(items, i)); id != app::cmd::Exit) {
                menu(id);
            }
        }
    }
    dialogs.chosen = {a, b};
    click(203);
    EXPECT_TRUE(::IsWindowEnabled(control(203))); // again, once the command is done
    EXPECT_EQ(shown(), asked + zd::test::kMenusAsk +
                           "open 选择导入文件（多选）\nmessage 提示 i 总共添加 2 个\n2 4096 5120 | "
                           "1,a.bin,1000,4096,.bin | 2,字库.dot,24,5096,.dot");
    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    click(205);
    click(206); // the selection moved up with the row
    click(201);
    ::SetWindowTextW(control(402), L"0x10"); // typed, which starts nothing
    click(601);
    EXPECT_EQ(shown(), "message 提示 !? 确定要删除第 2\n1 0x10 1016 | 1,a.bin,1000,16,.bin");

    // 字库.dot dropped first.
    const std::wstring names = files::toWideLenient(b + '\0' + a + '\0' + '\0');
    const HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
    *drop = {sizeof(DROPFILES), {}, FALSE, TRUE};
    names.copy(reinterpret_cast<wchar_t*>(drop + 1), names.size());
    ::GlobalUnlock(memory);
    ::SendMessageW(main(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    EXPECT_EQ(shown(), "message 提示 i 总共添加 2 个\n3 0x10 2040 | 1,a.bin,1000,16,.bin | "
                       "2,字库.dot,24,1016,.dot | 3,a.bin,1000,1040,.bin");
    // A tip with room for its end only is empty.
    auto ask = [&](UINT code, HWND from, int row, int room) {
        wchar_t text[256] = L"-";
        NMLVGETINFOTIPW tip{{from, 300, code}, 0, text, room, row, 0, 0};
        NMLVDISPINFOW cell{
            {from, 300, code},
            {LVIF_TEXT, row, 1, 0, 0, text, room, 0, 0, 0, 0, 0, nullptr, nullptr, 0}};
        ::SendMessageW(main(), WM_NOTIFY, 300,
                       code == LVN_GETINFOTIPW ? LPARAM(&tip) : LPARAM(&cell));
        return files::toUtf8(code == LVN_GETINFOTIPW ? text : cell.item.pszText) + "|";
    };
    for (const UINT code : {LVN_GETINFOTIPW, LVN_GETDISPINFOW}) {
        EXPECT_EQ(ask(code, list, 0, 256) + ask(code, list, 1, 256) + ask(code, list, -1, 256) +
                      ask(code, list, 3, 256) + ask(code, main(), 0, 256) + ask(code, list, 0, 1),
                  a + "|" + b + "|-|-|-|" + (code == LVN_GETINFOTIPW ? "|" : a + "|"));
    }
    click(202);
    EXPECT_EQ(shown(), "message 提示 !? 确定要全部清空吗\n0 0 0");
    menu(app::cmd::Exit);
    EXPECT_EQ(window->handle(), nullptr);
}

// Alt+"/" and Alt+"?" open About while the main window holds the focus, and
// do nothing while a control holds it. The keys are given as the keyboard
// gives them, and the loop turns them into characters. The files named on
// the command line (added as a drop adds them); the loop ends with the quit
// message's code.
TEST_F(WindowTest, ShortcutsCommandLineAndTheLoop) {
    EXPECT_EQ(commandLineFiles(L"zadodaziderav.exe \"C:\\my files\\图片.jpg\" D:\\x"),
              (Strings{"C:\\my files\\图片.jpg", "D:\\x"}));
    ::PostMessageW(main(), WM_COMMAND, app::cmd::About, 0);
    ::PostQuitMessage(3);
    EXPECT_EQ(runMessageLoop(nullptr), 3);
    EXPECT_EQ(takeLog(), "dialog 103\n");
    const HACCEL table = ::LoadAcceleratorsW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(109));
    for (const bool shift : {false, true}) {
        for (const HWND target : {main(), control(203), window->listView()}) {
            BYTE keys[256] = {};
            keys[VK_MENU] = keys[VK_LMENU] = 0x80;
            keys[VK_SHIFT] = keys[VK_LSHIFT] = shift ? 0x80 : 0;
            ::SetKeyboardState(keys);
            MSG message{target, WM_SYSKEYDOWN, VK_OEM_2, 0x20350001, 0, {}};
            do {
                dispatchMessage(table, message);
            } while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
            keys[VK_MENU] = keys[VK_LMENU] = keys[VK_SHIFT] = keys[VK_LSHIFT] = 0;
            ::SetKeyboardState(keys);
            EXPECT_EQ(takeLog(), target == main() ? "dialog 103\n" : "") << shift;
        }
    }
}

// A move over the link lights it and shows the hand, one off it dims it;
// each repaints the link's hot area, edges included (the commands' hit test
// agrees at its corners), which holds the painted text; a press opens the
// address only over it.
TEST_F(WindowTest, TheLinkLightsUpUnderThePointer) {
    const auto move = [&](int x, int y) {
        ::ValidateRect(main(), nullptr);
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
        ::SendMessageW(main(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        return window->commands().state().linkHot;
    };
    for (const bool over : {true, false}) {
        const int x = over ? 700 : 10, y = over ? 460 : 10;
        EXPECT_EQ(move(x, y), over);
        RECT link{};
        ::GetUpdateRect(main(), &link, FALSE);
        EXPECT_EQ(::GetCursor() == ::LoadCursorW(nullptr, IDC_HAND), over);
        EXPECT_EQ(paints(main(), link, RGB(50, 50, 50)), !over);
        EXPECT_EQ(paints(main(), link, RGB(0, 0, 255)), over);
        ::SendMessageW(main(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        EXPECT_EQ(takeLog(), over ? "url http://host\n" : "");
        const auto [l, t, r, b] = link;
        EXPECT_TRUE(move(l, t) && move(r - 1, b - 1) && !move(l - 1, t) && !move(l, t - 1) &&
                    !move(r, b - 1) && !move(r - 1, b));
    }
}

// What a timer saw of this thread's active dialog, run inside its own message
// loop: its title, whether another command left it open, its default button
// and its client area's top-left corner in the owner's; a file dialog's name
// box as it opened. The timer then types `typed` into that box and ends the
// dialog with `answer`.
std::string seen;
std::wstring typed;
WPARAM answer = IDCANCEL;

void CALLBACK inspect(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND dialog = ::GetActiveWindow();
    if (::GetWindow(dialog, GW_OWNER) == nullptr) {
        return; // the main window: the dialog is not up yet, the next tick looks again
    }
    ::KillTimer(nullptr, timer);
    POINT corner{};
    ::MapWindowPoints(dialog, ::GetWindow(dialog, GW_OWNER), &corner, 1);
    ::ShowWindow(dialog, SW_SHOWNA); // an ended dialog is hidden
    ::SendMessageW(dialog, WM_COMMAND, 1234, 0);
    seen = windowText(dialog) + (::IsWindowVisible(dialog) ? ", open" : ", ended") + ", default " +
           std::to_string(LOWORD(::SendMessageW(dialog, DM_GETDEFID, 0, 0))) + ", at " +
           std::to_string(corner.x) + "," + std::to_string(corner.y);
    wchar_t name[MAX_PATH] = {};
    if (::GetDlgItemTextW(dialog, cmb13, name, MAX_PATH) > 0) {
        seen += ", name " + files::toUtf8(name);
    }
    ::SetDlgItemTextW(dialog, cmb13, typed.c_str());
    ::SendMessageW(dialog, WM_COMMAND, answer, 0);
}

// The next dialog is to be inspected, `name` typed into it and `button` to end it.
void answerNext(const std::string& name, WPARAM button) {
    typed = files::toWideLenient(name);
    answer = button;
    ::SetTimer(nullptr, 0, 10, inspect);
}

// Each dialog at the top-left corner of the main window's client area, OK its
// default; OK and Esc close it, no other command does.
TEST_F(WindowTest, InformationDialogs) {
    const std::pair<int, std::string> dialogs[] = {
        {103, "关于 ZadodazidErav"}, {129, "使用说明"}, {134, "版本历史"}};
    SystemDialogs system(::GetModuleHandleW(nullptr));
    for (const auto& [id, title] : dialogs) {
        answerNext("", id == 129 ? IDOK : IDCANCEL);
        system.infoDialog(main(), id);
        EXPECT_EQ(seen, title + ", open, default 1, at 0,0");
    }
}

// The system's open and save dialogs give back the path typed, or nothing
// when cancelled, and the open dialog its failure; the texts they are handed and give back.
TEST_F(WindowTest, FileDialogsFiltersAndSelections) {
    const std::string chosen = dir / "图片.jpg", fresh = dir / "新.bin";
    zd::test::writeFile(chosen, "x");
    SystemDialogs system(::GetModuleHandleW(nullptr));
    app::FileDialogRequest request{"选择", {{"所有文件（*.*）", {"*.*"}}}, true};
    for (const WPARAM button : {IDOK, IDCANCEL}) {
        answerNext(chosen, button);
        const app::OpenChoice opened = system.openFiles(main(), request);
        EXPECT_EQ(opened.paths, button == IDOK ? Strings{chosen} : Strings{});
        EXPECT_EQ(opened.failure, 0u); // a cancel is no failure
        EXPECT_EQ(seen.substr(0, seen.find(',')), "选择");
        answerNext(fresh, button); // a name already there would be asked about
        EXPECT_EQ(system.saveFile(main(), request).value_or("none"),
                  button == IDOK ? fresh : "none");
    }
    // A proposed path: its name in the box, its folder the one a bare name
    // is found in.
    for (const auto& [proposed, name] : {std::pair{chosen, "图片.jpg"}, {fresh, "新.bin"}}) {
        request.proposed = proposed;
        answerNext(name, IDOK);
        const auto given = proposed == chosen ? system.openFiles(main(), request).paths.at(0)
                                              : system.saveFile(main(), request).value_or("none");
        EXPECT_TRUE(seen.ends_with(std::string(", name ") + name)) << seen;
        EXPECT_EQ(given, proposed);
    }
    request.proposed.clear();
    // A selection longer than the dialog's room fails it, with the system's
    // code for that.
    answerNext(chosen, IDOK);
    EXPECT_EQ(SystemDialogs(::GetModuleHandleW(nullptr), 8).openFiles(main(), request).failure,
              DWORD{FNERR_BUFFERTOOSMALL});
    // The filter list and the chosen paths as the common dialogs take and
    // give them.
    const wchar_t filters[] = L"JPG 文件（*.jpg,*.jpeg）\0*.jpg;*.jpeg\0所有文件（*.*）\0*.*\0\0";
    EXPECT_EQ(filterText({{"JPG 文件（*.jpg,*.jpeg）", {"*.jpg", "*.jpeg"}},
                          {"所有文件（*.*）", {"*.*"}}}),
              std::wstring(std::begin(filters), std::end(filters) - 1));
    // One file: its full path (also with no name offset, whatever precedes
    // the buffer); several: the folder, then each name.
    const wchar_t* noOffset = L"\0C:\\x" + 1;
    const std::tuple<const wchar_t*, std::size_t, std::vector<std::wstring>> selections[] = {
        {L"C:\\res\\a.bin", 7, {L"C:\\res\\a.bin"}},
        {noOffset, 0, {L"C:\\x"}},
        {L"C:\\res\0a.bin\0字库.dot\0", 7, {L"C:\\res\\a.bin", L"C:\\res\\字库.dot"}},
        {L"D:\\\0x\0y\0", 4, {L"D:\\x", L"D:\\y"}},
    };
    for (const auto& [buffer, offset, paths] : selections) {
        EXPECT_EQ(selectedPaths(buffer, offset), paths);
    }
}

// At 100 % every control lies as the table says, the label before the link
// reaching one pixel into the link's first letter cell, before the letter.
// At 125 % and 150 % the controls grow by their edges, and that label still
// ends one pixel into the link, never over its first letter (at 150 % it
// hid the "h" of http).
TEST(ControlTable, PlacesAtEveryScale) {
    for (const int dpi : {96, 120, 144}) {
        for (const ControlDesc& control : mainWindowControls(0, 0)) {
            const RECT at = controlRect(control, dpi);
            const auto scaled = [dpi](int pixels) { return ::MulDiv(pixels, dpi, 96); };
            EXPECT_EQ(at.left, scaled(control.x));
            EXPECT_EQ(at.bottom, scaled(control.y + control.height));
            const bool beforeLink = control.y == app::kLinkY;
            EXPECT_EQ(at.right,
                      beforeLink ? scaled(app::kLinkX) + 1 : scaled(control.x + control.width))
                << dpi << " " << files::toUtf8(control.text);
        }
    }
}

// Once due, a window with the bar and Cancel over the disabled main window,
// which is served meanwhile; Cancel stops the merge, and its end takes the
// window away and enables the main window again. (When it is due is the
// throttle's, tested with it.)
std::chrono::milliseconds now{0};

TEST_F(WindowTest, ProgressOfALongMerge) {
    app::Port& port = window->port();
    ProgressWindow& progress = window->port().progress();
    progress.setClock([] { return now; });
    ::PostMessageW(main(), WM_COMMAND, app::cmd::About, 0); // served while the bar shows
    EXPECT_TRUE(port.reportProgress(0, 100));
    EXPECT_EQ(progress.window(), nullptr);
    now += std::chrono::seconds(1);
    EXPECT_TRUE(port.reportProgress(70, 100));
    const HWND bar = ::FindWindowExW(progress.window(), nullptr, PROGRESS_CLASSW, nullptr);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 700);
    EXPECT_TRUE(paints(progress.window(), {0, 0, 10, 10}, ::GetSysColor(COLOR_BTNFACE)));
    EXPECT_FALSE(::IsWindowEnabled(main()));
    const HWND cancel = ::GetDlgItem(progress.window(), IDCANCEL);
    EXPECT_EQ(windowText(progress.window()) + " " + windowText(cancel), "提示 取消");
    EXPECT_EQ(takeLog(), "dialog 103\n");
    ::SendMessageW(cancel, BM_CLICK, 0, 0);
    EXPECT_FALSE(port.reportProgress(80, 100));
    port.endProgress();
    EXPECT_TRUE(progress.window() == nullptr && ::IsWindowEnabled(main()));
    // The next merge starts afresh; the program's end, asked for meanwhile,
    // stops it and is passed on.
    EXPECT_TRUE(port.reportProgress(0, 100));
    now += std::chrono::seconds(1);
    ::PostQuitMessage(7);
    EXPECT_FALSE(port.reportProgress(10, 100));
    MSG quit{};
    EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && quit.wParam == 7);
    port.endProgress();
}

} // namespace
} // namespace zd::win32
