// The Windows window driven by the messages the system would send, its
// dialogs answered by a scripted fake: the controls, columns and menu as
// described, every button and menu item reaching its command, the
// shortcuts, the link's rectangle, a drop and a merge; the information
// dialogs as their templates, the system's file dialogs, the progress of a
// long merge and the texts handed to the common dialogs.
#include "core/files/utf16_text.h"
#include "tests/support/test_files.h"
#include "win32/control_table.h"
#include "win32/dialogs.h"
#include "win32/main_window.h"
#include "win32/merge_progress.h"

#include <chrono>
#include <commctrl.h>
#include <dlgs.h>
#include <gtest/gtest.h>
#include <shlobj.h>

namespace zd::win32 {
namespace {

using Strings = std::vector<std::string>;

// Logs every dialog and hand-over as a line of UTF-8. A question is
// answered Yes; an open dialog gives the next chosen paths, a save dialog
// the first of them (none: cancelled).
class FakeDialogs final : public Dialogs {
  public:
    std::vector<Strings> chosen;
    std::string log;

    int message(HWND owner, const std::wstring& text, const std::wstring& caption,
                UINT type) override {
        log += std::string(owner ? "" : "unowned ") + "message " + win::toUtf8(caption) + "|" +
               std::to_string(type) + "|" + win::toUtf8(text) + "\n";
        return (type & MB_TYPEMASK) == MB_OK ? IDOK : IDYES;
    }
    Strings openFiles(HWND, const app::FileDialogRequest& request) override {
        return choose("open " + request.title);
    }
    std::optional<std::string> saveFile(HWND, const app::FileDialogRequest& request) override {
        const Strings paths = choose("save " + request.title);
        return paths.empty() ? std::nullopt : std::optional(paths[0]);
    }
    void infoDialog(HWND, int id) override { log += "dialog " + std::to_string(id) + "\n"; }
    void shellOpen(const std::wstring& to) override { log += "shell " + win::toUtf8(to) + "\n"; }

  private:
    // A dialog nothing was chosen for gives a path no test expects.
    Strings choose(const std::string& dialog) {
        log += dialog + "\n";
        Strings paths = chosen.empty() ? Strings{"(nothing chosen)"} : chosen.front();
        chosen.erase(chosen.begin(), chosen.begin() + !chosen.empty());
        return paths;
    }
};

std::string windowText(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return win::toUtf8(text);
}

std::string text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.emplace(::GetModuleHandleW(nullptr), dialogs, "www.example.com");
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

// The window's class, title, size and background; the 21 controls in
// creation order with their classes, ids, texts and rectangles, and the
// styles that change what they do; the list's columns; the menu bar.
TEST_F(WindowTest, ClassControlsColumnsAndMenuAsDescribed) {
    wchar_t name[64] = {};
    ::GetClassNameW(main(), name, 64);
    RECT outer{};
    ::GetWindowRect(main(), &outer);
    ::OffsetRect(&outer, -outer.left, -outer.top);
    EXPECT_EQ(win::toUtf8(name) + "|" + windowText(main()) + "|" + text(outer),
              "ZADODAZIDERAV|Tessarine Tool (Ver: 1.1.0.0)|0,0,900,530");
    EXPECT_EQ(::GetClassLongPtrW(main(), GCLP_HBRBACKGROUND), COLOR_MENU + 1);
    EXPECT_NE(::GetClassLongPtrW(main(), GCLP_HICON), 0);
    EXPECT_NE(::SendMessageW(control(601), BM_GETIMAGE, IMAGE_ICON, 0), 0);
    EXPECT_EQ(centredPosition(799, 600).x, -50); // truncated toward zero
    EXPECT_EQ(centredPosition(1920, 1031).y, 250);

    std::string found;
    for (HWND child = ::GetWindow(main(), GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::GetClassNameW(child, name, 64);
        RECT r{};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, main(), reinterpret_cast<POINT*>(&r), 2);
        found += win::toUtf8(::CharLowerW(name)) + "|" + std::to_string(::GetDlgCtrlID(child)) +
                 "|" + windowText(child) + "|" + text(r) + "\n";
    }
    EXPECT_EQ(found,
              "button|0|选择文件与参数|20,10,742,435\nbutton|404|前置添加文件信息|300,30,445,50\n"
              "static|0|前置偏移地址|460,30,560,50\nbutton|208|-|561,28,581,48\n"
              "edit|402|0|580,28,690,48\nbutton|207|+|690,28,710,48\n"
              "button|601|保存|710,28,730,48\nbutton|203|添加文件|761,18,861,48\n"
              "button|210|导入存档|761,63,861,93\nbutton|205|上移|761,108,861,138\n"
              "button|206|下移|761,153,861,183\nbutton|201|删除|761,198,861,228\n"
              "button|202|清空|761,243,861,273\nbutton|204|合并保存|761,288,861,318\n"
              "button|209|查看结果|761,333,861,363\nsyslistview32|300||30,55,730,395\n"
              "static|0|文件总数|30,405,90,425\nedit|401|0|100,403,160,423\n"
              "static|0|封包容量（Bytes）|460,405,590,425\nedit|403|0|590,403,730,423\n"
              "static|0|推荐结合zu(DAVA)液晶控制芯片使用：VE8889 / RE8876 等，更多信息请访问："
              "|30,445,563,465\n");
    EXPECT_TRUE(::GetWindowLongW(control(401), GWL_STYLE) & ES_READONLY);

    // Report style; grid lines, full-row selection and the path as a tip;
    // the columns' titles, widths and alignments (the list shows its first
    // column left-aligned whatever it is asked).
    const HWND list = window->listView();
    EXPECT_EQ(::GetWindowLongW(list, GWL_STYLE) & (LVS_TYPEMASK | LVS_SHOWSELALWAYS),
              LVS_REPORT | LVS_SHOWSELALWAYS);
    EXPECT_EQ(ListView_GetExtendedListViewStyle(list), 0x421u);
    std::string columns;
    LVCOLUMNW column{LVCF_TEXT | LVCF_WIDTH | LVCF_FMT, 0, 0, name, 64, 0, 0, 0, 0, 0, 0};
    for (int i = 0; ListView_GetColumn(list, i, &column); ++i) {
        columns += win::toUtf8(name) + "|" + std::to_string(column.cx) + "|" +
                   std::to_string(i ? column.fmt & LVCFMT_JUSTIFYMASK : 0) + " ";
    }
    EXPECT_EQ(columns,
              "No.|40|0 File Name|300|0 Size(byte)|100|1 Address|100|1 Data Format|100|2 ");

    std::string menus;
    const HMENU bar = ::GetMenu(main());
    for (const HMENU menu : {bar, ::GetSubMenu(bar, 0), ::GetSubMenu(bar, 1)}) {
        for (int i = 0; ::GetMenuStringW(menu, i, name, 64, MF_BYPOSITION); ++i) {
            menus += win::toUtf8(name) + "=" + std::to_string(int(::GetMenuItemID(menu, i))) + " ";
        }
    }
    EXPECT_EQ(menus,
              "文件(&F)=-1 帮助(&H)=-1 从文件夹导入(&F)...=32785 退出(&X)=105 使用说明=32783 "
              "版本历史=32796 最新版本=32797 关于(&A) ...=104 ");
}

// Each button and menu item reaches its command; a drop adds files; the
// list shows the rows and answers the control's asks for cells and tips;
// a merge with the file info table writes the image byte for byte.
TEST_F(WindowTest, ButtonsMenuItemsADropAndAMerge) {
    const std::string root = dir / "", a = root + "a.bin", b = root + "字库.dot";
    zd::test::writeFile(a, zd::test::patternBytes(1000, 1));
    zd::test::writeFile(b, zd::test::patternBytes(24, 2));
    const HWND list = window->listView();
    // What the dialogs give in turn. Each step: the buttons clicked or menu
    // items chosen (0: "0x10" typed into the offset, which starts nothing;
    // 1: row 2 selected; -id: a command with another notification code);
    // then the log, the three displays and each row's cells as the control
    // shows them (the folder left out).
    dialogs.chosen = {{a, b}, {}, {}, {a}};
    const std::pair<std::vector<int>, std::string> steps[] = {
        {{203},
         "open 选择导入文件（多选）\nmessage 提示|64|总共添加 2 个文件\n"
         "2 0 1024 | 1,a.bin,1000,0,.bin | 2,字库.dot,24,1000,.dot"},
        {{207, 207, 208, 0}, "2 0x10 5120 | 1,a.bin,1000,4096,.bin | 2,字库.dot,24,5096,.dot"},
        {{601, 1, 205}, "2 0x10 1040 | 1,字库.dot,24,16,.dot | 2,a.bin,1000,40,.bin"},
        {{206, 201}, "message 提示|52|确定要删除第 2 行吗？\n1 0x10 1016 | 1,a.bin,1000,16,.bin"},
        {{209, 204, 210, 32785, 104, 32783, 32796, 32797, 202},
         "message 提示|64|尚未保存过文件，暂无可查看的输出文件夹。\nsave 选择保存位置和文件名称\n"
         "open 选择存档文件\nopen 选择任一文件即导入当前文件夹所有文件\n"
         "message 提示|64|总共添加 2 个文件\ndialog 103\ndialog 129\ndialog 134\n"
         "shell http://www.example.com/html/2023/software_1106/35.html\n"
         "message 提示|52|确定要全部清空吗？\n0 0 0"},
        // A shortcut's code or an edit's notice reaches only the menu commands.
        {{-203, -404}, "0 0 0"},
    };
    for (const auto& [ids, expected] : steps) {
        for (const int id : ids) {
            if (id == 0) {
                ::SetWindowTextW(control(402), L"0x10");
            } else if (id == 1) {
                ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
            } else if (id < 0) {
                ::SendMessageW(main(), WM_COMMAND, MAKEWPARAM(-id, id == -203 ? 1 : EN_CHANGE), 0);
            } else {
                control(id) ? click(id) : menu(id);
            }
        }
        std::string shown = takeLog() + windowText(control(401)) + " " + windowText(control(402)) +
                            " " + windowText(control(403));
        wchar_t cell[512] = {};
        for (int row = 0; row < ListView_GetItemCount(list); ++row) {
            for (int column = 0; column < 5; ++column) {
                ListView_GetItemText(list, row, column, cell, 512);
                const std::string value = win::toUtf8(cell);
                shown += (column ? "," : " | ") +
                         value.substr(value.starts_with(root) ? root.size() : 0);
            }
        }
        EXPECT_EQ(shown, expected);
    }

    // The two files dropped, 字库.dot first. Tips and cells only for the
    // rows there and only from the list; a tip with room for its end only
    // is empty.
    const std::wstring names = win::toWideLenient(b + '\0' + a + '\0' + '\0');
    const HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
    *drop = {sizeof(DROPFILES), {}, FALSE, TRUE};
    names.copy(reinterpret_cast<wchar_t*>(drop + 1), names.size());
    ::GlobalUnlock(memory);
    ::SendMessageW(main(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    EXPECT_EQ(takeLog(), "message 提示|64|总共添加 2 个文件\n");
    click(207);
    click(404);
    takeLog(); // the check box's note, which the commands' tests read
    auto ask = [&](UINT code, HWND from, int row, int room) {
        wchar_t text[256] = L"-";
        NMLVGETINFOTIPW tip{{from, 300, code}, 0, text, room, row, 0, 0};
        NMLVDISPINFOW cell{
            {from, 300, code},
            {LVIF_TEXT, row, 1, 0, 0, text, room, 0, 0, 0, 0, 0, nullptr, nullptr, 0}};
        ::SendMessageW(main(), WM_NOTIFY, 300,
                       code == LVN_GETINFOTIPW ? LPARAM(&tip) : LPARAM(&cell));
        return win::toUtf8(code == LVN_GETINFOTIPW ? text : cell.item.pszText) + "|";
    };
    for (const UINT code : {LVN_GETINFOTIPW, LVN_GETDISPINFOW}) {
        EXPECT_EQ(ask(code, list, 0, 256) + ask(code, list, 1, 256) + ask(code, list, -1, 256) +
                      ask(code, list, 2, 256) + ask(code, main(), 0, 256) + ask(code, list, 0, 1),
                  b + "|" + a + "|-|-|-|" + (code == LVN_GETINFOTIPW ? "|" : b + "|"));
    }

    // The merge: the table of each file's address and size, low byte first,
    // then the files.
    dialogs.chosen = {{root + "镜像.bin"}};
    click(204);
    click(209);
    EXPECT_EQ(takeLog(),
              "save 选择保存位置和文件名称\nmessage 提示|64|合并成功！成功创建如下文件：\n\n" +
                  root + "镜像.bin\n" + root +
                  "镜像.h\n\n说明：前置空间已添加文件地址与大小信息。\nshell " + root + "\n");
    EXPECT_EQ(zd::test::readFile(root + "镜像.bin"),
              std::string("\0\x10\0\0\x18\0\0\0\x18\x10\0\0\xE8\x03\0\0", 16) +
                  std::string(4080, '\xFF') + zd::test::patternBytes(24, 2) +
                  zd::test::patternBytes(1000, 1));

    menu(105); // Exit ends the window
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
    ::PostQuitMessage(3);
    EXPECT_EQ(runMessageLoop(nullptr), 3);
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

// All four edges of the rectangle count as inside; every move repaints the
// rectangle, edges included, and the text drawn within it.
// Whether the link's text is painted in `colour` (0xRRGGBB) now.
bool linkDrawnIn(HWND window, std::uint32_t colour) {
    RECT client{};
    ::GetClientRect(window, &client);
    BITMAPINFO info{};
    info.bmiHeader = {
        sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC dc = ::CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(dc, bitmap);
    ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    ::GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    bool found = false;
    for (int y = 445; y < 466; ++y) {
        for (int x = 562; x < 773; ++x) {
            found = found || (pixels[y * client.right + x] & 0xFFFFFF) == colour;
        }
    }
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    return found;
}

TEST_F(WindowTest, TheLinkLightsUpAndOpensInsideItsRectangle) {
    const HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
    const std::tuple<int, int, bool> points[] = {
        {562, 445, true},  {772, 465, true},  {561, 445, false}, {773, 445, false},
        {562, 444, false}, {562, 466, false}, {700, 460, true},  {10, 10, false},
    };
    for (const auto& [x, y, inside] : points) {
        SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
        ::ValidateRect(main(), nullptr);
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
        ::SendMessageW(main(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        RECT update{};
        ::GetUpdateRect(main(), &update, FALSE);
        EXPECT_EQ(text(update), "562,445,773,466");
        EXPECT_EQ(::GetCursor() == hand, inside);
        EXPECT_EQ(linkDrawnIn(main(), 0x323232), !inside); // RGB(50, 50, 50)
        EXPECT_EQ(linkDrawnIn(main(), 0x0000FF), inside);  // blue while the pointer is on it
        ::SendMessageW(main(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        EXPECT_EQ(takeLog(), inside ? "shell http://www.example.com\n" : "");
    }
}

// What a timer saw of this thread's active dialog, run inside its own message
// loop: its title, the controls' texts in template order ("(tab)" for a
// focusable one), whether another command left it open, its default button
// and whether its client area is as large as `templateSize` in its font,
// at the owner's client corner. The timer then types `typed` into a file
// dialog's name box and ends the dialog with `answer`.
std::string seen;
SIZE templateSize{};
std::wstring typed;
WPARAM answer = IDCANCEL;

void CALLBACK inspect(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND dialog = ::GetActiveWindow();
    if (::GetWindow(dialog, GW_OWNER) == nullptr) {
        return; // the main window: the dialog is not up yet, the next tick looks again
    }
    ::KillTimer(nullptr, timer);
    seen = windowText(dialog) + "\n";
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child && templateSize.cx;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        seen += windowText(child) +
                (::GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP ? " (tab)\n" : "\n");
    }
    RECT client{}, expected{0, 0, templateSize.cx, templateSize.cy};
    ::GetClientRect(dialog, &client);
    ::MapWindowPoints(dialog, ::GetWindow(dialog, GW_OWNER), reinterpret_cast<POINT*>(&client), 2);
    ::MapDialogRect(dialog, &expected);
    ::ShowWindow(dialog, SW_SHOWNA); // an ended dialog is hidden
    ::SendMessageW(dialog, WM_COMMAND, 1234, 0);
    seen += (::IsWindowVisible(dialog) ? "open, default " : "ended, default ") +
            std::to_string(LOWORD(::SendMessageW(dialog, DM_GETDEFID, 0, 0))) + ", " +
            text(client) + (::EqualRect(&client, &expected) ? " as its template" : "");
    ::SetDlgItemTextW(dialog, cmb13, typed.c_str());
    ::SendMessageW(dialog, WM_COMMAND, answer, 0);
}

// Each dialog at the top-left corner of the main window's client area, as
// large as its template in its own font, with its texts in template order;
// OK the default and only focusable control; OK and Esc close it.
TEST_F(WindowTest, InformationDialogsAsTheirTemplates) {
    const std::string copyright = "Copyright (C) 2023 Tessarine\n";
    const int templates[][3] = {{103, 170, 63}, {129, 275, 161}, {134, 249, 109}};
    const std::string texts[] = {
        // The icon control's text names icon 133 by number.
        "关于 ZadodazidErav\nZadodazidErav, 版本 1.1.0.0\n" + copyright +
            "确定 (tab)\n\uFFFF\u0085\n",
        "使用说明\n确定 (tab)\n（1）软件功能：按二制制格式合并多个文件\n"
        "（2）前置偏移地址每次递进4KB(4096 Bytes)，也可手动输入设定，\n"
        "（3）是否将文件的地址和大小信息保存在前置空间可选\n"
        "（4）文件地址和大小信息各占4 Bytes，数据格式：LSB -> MSB\n" +
            copyright +
            "（5）保存bin档同时会生成.h文件，后续可从该文件重新导入列表\n\n"
            "联系方式：请访问网站\n          前缀加0x输入16进制\n",
        "版本历史\n确定 (tab)\nRecords of Revision\nVer 1.1.0.0     2023/11/6 第一版发布\n",
    };
    SystemDialogs system(::GetModuleHandleW(nullptr));
    for (int i = 0; i < 3; ++i) {
        templateSize = {templates[i][1], templates[i][2]};
        answer = templates[i][0] == 129 ? IDOK : IDCANCEL;
        ::SetTimer(nullptr, 0, 10, inspect);
        system.infoDialog(main(), templates[i][0]);
        EXPECT_TRUE(seen.starts_with(texts[i] + "open, default 1, 0,0,") &&
                    seen.ends_with(" as its template"))
            << seen;
    }
}

// The system's open and save dialogs give back the path typed, or nothing
// when cancelled; the texts they are handed and give back.
TEST_F(WindowTest, FileDialogsFiltersAndSelections) {
    const std::string chosen = dir / "图片.jpg", fresh = dir / "新.bin";
    zd::test::writeFile(chosen, "x");
    SystemDialogs system(::GetModuleHandleW(nullptr));
    const app::FileDialogRequest request{"选择", {{"所有文件（*.*）", {"*.*"}}}, true};
    templateSize = {};
    for (const WPARAM button : {IDOK, IDCANCEL}) {
        answer = button;
        typed = win::toWideLenient(chosen);
        ::SetTimer(nullptr, 0, 10, inspect);
        EXPECT_EQ(system.openFiles(main(), request), button == IDOK ? Strings{chosen} : Strings{});
        EXPECT_TRUE(seen.starts_with("选择\n")) << seen;
        typed = win::toWideLenient(fresh); // a name already there would be asked about
        ::SetTimer(nullptr, 0, 10, inspect);
        EXPECT_EQ(system.saveFile(main(), request).value_or("none"),
                  button == IDOK ? fresh : "none");
    }
    // The filter list and the chosen paths as the common dialogs take and
    // give them (the message box types show in the other tests' logs).
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

// Once due, a window with the bar and Cancel over the disabled main window,
// which is served meanwhile; Cancel stops the merge, and its end takes the
// window away and enables the main window again. (When it is due is the
// throttle's, tested with it.)
std::chrono::milliseconds now{0};

TEST_F(WindowTest, ProgressOfALongMerge) {
    app::Port& port = window->port();
    MergeProgress& progress = window->port().progress();
    progress.setClock([] { return now; });
    ::PostMessageW(main(), WM_COMMAND, app::cmd::About, 0); // served while the bar shows
    EXPECT_TRUE(port.reportMergeProgress(0, 100));
    EXPECT_EQ(progress.window(), nullptr);
    now += std::chrono::seconds(1);
    EXPECT_TRUE(port.reportMergeProgress(70, 100));
    const HWND bar = ::FindWindowExW(progress.window(), nullptr, PROGRESS_CLASSW, nullptr);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 700);
    EXPECT_EQ(::GetClassLongPtrW(progress.window(), GCLP_HBRBACKGROUND), COLOR_BTNFACE + 1);
    EXPECT_FALSE(::IsWindowEnabled(main()));
    const HWND cancel = ::GetDlgItem(progress.window(), IDCANCEL);
    EXPECT_EQ(windowText(progress.window()) + " " + windowText(cancel), "提示 取消");
    EXPECT_EQ(takeLog(), "dialog 103\n");
    ::SendMessageW(cancel, BM_CLICK, 0, 0);
    EXPECT_FALSE(port.reportMergeProgress(80, 100));
    port.endMergeProgress();
    EXPECT_TRUE(progress.window() == nullptr && ::IsWindowEnabled(main()));
}

} // namespace
} // namespace zd::win32
