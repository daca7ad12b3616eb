// The main window as it is drawn and as it routes: the controls, menu and
// shortcuts against the window's description, every button and menu item
// reaching its command, the link's rectangle and colours, and a merge.
#include "commands.h"
#include "control_table.h"
#include "window_fixture.h"

#include <array>
#include <cstring>
#include <shlobj.h>

namespace zd::win32::test {
namespace {

using app::cmd::About;

std::string lowerClassName(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    ::CharLowerW(name);
    return win::toUtf8(name);
}

std::string menuText(HMENU menu, UINT position) {
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return win::toUtf8(text);
}

std::string rectText(const RECT& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

// The window as described: class, title and size; the 21 controls in
// creation order with their classes, ids, texts, rectangles and styles; the
// list's columns; the menu bar; the two shortcuts.
TEST_F(WindowTest, ClassControlsListMenuAndShortcutsAsDescribed) {
    EXPECT_EQ(lowerClassName(main()), "zadodaziderav");
    EXPECT_EQ(windowText(main()), L"Tessarine Tool (Ver: 1.1.0.0)");
    EXPECT_EQ(::GetClassLongPtrW(main(), GCL_STYLE), CS_HREDRAW | CS_VREDRAW);
    EXPECT_EQ(::GetClassLongPtrW(main(), GCLP_HBRBACKGROUND), COLOR_MENU + 1);
    EXPECT_NE(::GetClassLongPtrW(main(), GCLP_HICON), 0);
    RECT outer{};
    ::GetWindowRect(main(), &outer);
    EXPECT_EQ(rectText({0, 0, outer.right - outer.left, outer.bottom - outer.top}), "0,0,900,530");
    EXPECT_EQ(centredPosition(799, 600).x, -50); // truncated toward zero
    EXPECT_EQ(centredPosition(1920, 1031).y, 250);

    const Strings controls = {
        "button|0|选择文件与参数|20,10,742,435",
        "button|404|前置添加文件信息|300,30,445,50",
        "static|0|前置偏移地址|460,30,560,50",
        "button|208|-|561,28,581,48",
        "edit|402|0|580,28,690,48",
        "button|207|+|690,28,710,48",
        "button|601|保存|710,28,730,48",
        "button|203|添加文件|761,18,861,48",
        "button|210|导入存档|761,63,861,93",
        "button|205|上移|761,108,861,138",
        "button|206|下移|761,153,861,183",
        "button|201|删除|761,198,861,228",
        "button|202|清空|761,243,861,273",
        "button|204|合并保存|761,288,861,318",
        "button|209|查看结果|761,333,861,363",
        "syslistview32|300||30,55,730,395",
        "static|0|文件总数|30,405,90,425",
        "edit|401|0|100,403,160,423",
        "static|0|封包容量（Bytes）|460,405,590,425",
        "edit|403|0|590,403,730,423",
        "static|0|推荐结合zu(DAVA)液晶控制芯片使用：VE8889 / RE8876 "
        "等，更多信息请访问：|30,445,563,"
        "465",
    };
    const std::vector<ControlDesc> descs = mainWindowControls(0, 0);
    Strings found;
    for (HWND child = ::GetWindow(main(), GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        found.push_back(lowerClassName(child) + "|" + std::to_string(::GetDlgCtrlID(child)) + "|" +
                        win::toUtf8(windowText(child)) + "|" + rectText(rectIn(main(), child)));
        if (found.size() <= descs.size()) {
            // The styles asked for, but an edit draws its border itself.
            const ControlDesc& desc = descs[found.size() - 1];
            const DWORD asked = desc.style & (found.back().starts_with("edit") ? ~WS_BORDER : ~0u);
            EXPECT_EQ(::GetWindowLongW(child, GWL_STYLE) & asked, asked) << found.back();
            EXPECT_EQ(::GetWindowLongW(child, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY, 0);
        }
    }
    EXPECT_EQ(found, controls);
    EXPECT_NE(::SendMessageW(control(601), BM_GETIMAGE, IMAGE_ICON, 0), 0);
    for (const auto& [id, style] : {std::pair{404, BS_AUTOCHECKBOX},
                                    {401, ES_READONLY},
                                    {300, LVS_REPORT | LVS_SHOWSELALWAYS},
                                    {203, WS_TABSTOP}}) {
        EXPECT_EQ(::GetWindowLongW(control(id), GWL_STYLE) & style, style) << id;
    }

    // Grid lines, full-row selection and the path as a tip; the columns'
    // titles, widths and alignments (the list shows its first column
    // left-aligned whatever it is asked).
    const HWND list = window->listView();
    EXPECT_EQ(::SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x421);
    Strings columns;
    for (int i = 0; i < 6; ++i) {
        wchar_t title[32] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = title;
        column.cchTextMax = 32;
        if (::SendMessageW(list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column))) {
            columns.push_back(win::toUtf8(title) + "|" + std::to_string(column.cx) + "|" +
                              std::to_string(i ? column.fmt & LVCFMT_JUSTIFYMASK : 0));
        }
    }
    EXPECT_EQ(columns, (Strings{"No.|40|0", "File Name|300|0", "Size(byte)|100|1", "Address|100|1",
                                "Data Format|100|2"}));

    // The menu bar: items, mnemonics and commands.
    const HMENU bar = ::GetMenu(main());
    Strings menus;
    for (int position = 0; position < ::GetMenuItemCount(bar); ++position) {
        menus.push_back(menuText(bar, static_cast<UINT>(position)) + ":");
        const HMENU popup = ::GetSubMenu(bar, position);
        for (int i = 0; i < ::GetMenuItemCount(popup); ++i) {
            menus.back().append(" ").append(menuText(popup, static_cast<UINT>(i)));
            menus.back().append("=").append(std::to_string(::GetMenuItemID(popup, i)));
        }
    }
    EXPECT_EQ(menus, (Strings{"文件(&F): 从文件夹导入(&F)...=32785 退出(&X)=105",
                              "帮助(&H): 使用说明=32783 版本历史=32796 最新版本=32797 "
                              "关于(&A) ...=104"}));

    // Two character shortcuts with Alt and without a menu highlight.
    const HACCEL table = ::LoadAcceleratorsW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(109));
    ACCEL entries[4] = {};
    ASSERT_EQ(::CopyAcceleratorTableW(table, entries, 4), 2);
    for (const auto& [entry, key] : {std::pair{entries[0], '/'}, std::pair{entries[1], '?'}}) {
        EXPECT_EQ(entry.fVirt & 0x7F, FALT | FNOINVERT);
        EXPECT_EQ(entry.key, key);
        EXPECT_EQ(entry.cmd, About);
    }
}

// A control command runs only for a click; the menu commands for any code.
TEST_F(WindowTest, ButtonsAndMenuItemsReachTheirCommands) {
    const std::string a = dir / "a.bin";
    const std::string b = dir / "字库.dot";
    zd::test::writeFile(a, zd::test::patternBytes(1000, 1));
    zd::test::writeFile(b, zd::test::patternBytes(24, 2));
    const std::string added = "message 提示|64|总共添加 2 个文件";

    dialogs.opens = {{a, b}};
    click(203);
    EXPECT_EQ(takeLog(), (Strings{"open 选择导入文件（多选）", added}));
    ASSERT_EQ(rowCount(), 2);
    EXPECT_EQ(cell(1, 1) + "|" + cell(1, 2) + "|" + cell(1, 3) + "|" + cell(1, 4),
              b + "|24|1000|.dot");
    EXPECT_EQ(text(401) + " " + text(403), "2 1024");
    // The path as the row's tip; nothing for a row that is not there, as a
    // tip or as a cell.
    for (const int row : {0, 1, 2, -1}) {
        wchar_t tip[256] = L"-";
        NMLVGETINFOTIPW notice{{window->listView(), 300, LVN_GETINFOTIPW}, 0, tip, 1, row, 0, 0};
        ::SendMessageW(main(), WM_NOTIFY, 300, reinterpret_cast<LPARAM>(&notice));
        EXPECT_EQ(tip[0], row == 0 || row == 1 ? L'\0' : L'-'); // room for the end only
        tip[0] = L'-';
        notice.cchTextMax = 256;
        ::SendMessageW(main(), WM_NOTIFY, 300, reinterpret_cast<LPARAM>(&notice));
        NMLVDISPINFOW cell{{window->listView(), 300, LVN_GETDISPINFOW}, {}};
        cell.item.mask = LVIF_TEXT;
        cell.item.iItem = row;
        cell.item.iSubItem = 1;
        cell.item.pszText = tip;
        cell.item.cchTextMax = 256;
        ::SendMessageW(main(), WM_NOTIFY, 300, reinterpret_cast<LPARAM>(&cell));
        EXPECT_EQ(win::toUtf8(tip), row == 0 ? a : row == 1 ? b : "-");
    }
    EXPECT_TRUE(::IsWindowEnabled(control(203)));

    click(207);
    click(207);
    click(208);
    EXPECT_EQ(text(402) + " " + text(403) + " " + cell(0, 3), "4096 5120 4096");
    ::SetWindowTextW(control(402), L"0x10"); // an edit's change notice starts nothing
    EXPECT_EQ(text(403), "5120");
    click(601);
    EXPECT_EQ(text(402) + " " + text(403) + " " + cell(1, 3), "0x10 1040 1016");

    select(1);
    click(205);
    EXPECT_EQ(cell(0, 1) + " " + cell(0, 0), b + " 1");
    click(206);
    EXPECT_EQ(cell(1, 1), b);
    dialogs.answers = {IDYES};
    click(201);
    EXPECT_EQ(takeLog(), Strings{"message 提示|52|确定要删除第 2 行吗？"});
    EXPECT_EQ(rowCount(), 1);

    click(404);
    EXPECT_EQ(::SendMessageW(control(404), BM_GETCHECK, 0, 0), BST_CHECKED);
    ASSERT_EQ(takeLog().size(), 1u);
    click(209);
    EXPECT_EQ(takeLog(), Strings{"message 提示|64|尚未保存过文件，暂无可查看的输出文件夹。"});
    dialogs.saves = {std::nullopt};
    click(204);
    dialogs.opens = {{}};
    click(210);
    EXPECT_EQ(takeLog(), (Strings{"save 选择保存位置和文件名称", "open 选择存档文件"}));

    dialogs.opens = {{a}};
    menu(32785);
    EXPECT_EQ(rowCount(), 3); // the whole folder: a.bin and 字库.dot
    takeLog();
    for (const int id : {104, 32783, 32796, 32797}) {
        menu(id);
    }
    EXPECT_EQ(takeLog(), (Strings{"dialog 103", "dialog 129", "dialog 134",
                                  "shell http://www.example.com/html/2023/software_1106/35.html"}));
    dialogs.answers = {IDYES};
    click(202);
    EXPECT_EQ(rowCount(), 0);
    EXPECT_EQ(text(401), "0");
    takeLog();

    // A shortcut's code reaches only the menu commands.
    ::SendMessageW(main(), WM_COMMAND, MAKEWPARAM(203, 1), 0);
    ::SendMessageW(main(), WM_COMMAND, MAKEWPARAM(404, EN_CHANGE), 0);
    EXPECT_TRUE(takeLog().empty());

    menu(105);
    EXPECT_EQ(window->handle(), nullptr);
    MSG quit{};
    EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// Files named on the command line are added as a drop adds them; the loop
// ends with the quit message's code.
TEST(StartAndEnd, CommandLineFilesAndTheQuitCode) {
    EXPECT_EQ(commandLineFiles(L"zadodaziderav.exe \"C:\\my files\\图片.jpg\" D:\\x"),
              (Strings{"C:\\my files\\图片.jpg", "D:\\x"}));
    EXPECT_TRUE(commandLineFiles(L"zadodaziderav.exe").empty());
    ::PostQuitMessage(3);
    EXPECT_EQ(runMessageLoop(nullptr), 3);
}

// Alt+"/" and Alt+"?" open About while the main window holds the focus, and
// do nothing while a control holds it. The keys are given as the keyboard
// gives them, and the loop turns them into characters.
TEST_F(WindowTest, ShortcutsOnlyWhileTheWindowHasTheFocus) {
    const HACCEL table = ::LoadAcceleratorsW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(109));
    auto press = [&](HWND target, bool shift) {
        BYTE keys[256] = {};
        keys[VK_MENU] = keys[VK_LMENU] = 0x80;
        keys[VK_SHIFT] = keys[VK_LSHIFT] = shift ? 0x80 : 0;
        ::SetKeyboardState(keys);
        MSG message{target, WM_SYSKEYDOWN, VK_OEM_2, 0x20350001, 0, {}};
        dispatchMessage(table, message);
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            dispatchMessage(table, message);
        }
        ::SetKeyboardState(std::array<BYTE, 256>{}.data());
        return takeLog();
    };
    for (const bool shift : {false, true}) {
        EXPECT_EQ(press(main(), shift), Strings{"dialog 103"}) << shift;
        EXPECT_EQ(press(control(203), shift), Strings{}) << shift;
        EXPECT_EQ(press(window->listView(), shift), Strings{}) << shift;
    }
}

// The colours of the link text, drawn the way a paint draws it.
std::pair<bool, bool> linkColours(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HDC dc = ::CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(dc, bitmap);
    ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    ::GdiFlush();
    bool grey = false, blue = false;
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int y = 445; y < 465; ++y) {
        for (int x = 562; x < 700; ++x) {
            const std::uint32_t pixel = pixels[y * client.right + x] & 0xFFFFFF;
            grey = grey || pixel == 0x323232;
            blue = blue || pixel == 0x0000FF;
        }
    }
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    return {grey, blue};
}

// All four edges of the rectangle count as inside; every move repaints it.
TEST_F(WindowTest, TheLinkLightsUpAndOpensInsideItsRectangle) {
    EXPECT_EQ(linkColours(main()), std::pair(true, false));
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
        EXPECT_EQ(window->commands().state().linkHot, inside);
        EXPECT_EQ(::GetCursor() == hand, inside);
        RECT update{};
        ::GetUpdateRect(main(), &update, FALSE);
        EXPECT_TRUE(update.left <= 562 && update.top <= 445 && update.right > 772 &&
                    update.bottom > 465);
        EXPECT_EQ(linkColours(main()), std::pair(!inside, inside));
        ::SendMessageW(main(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        EXPECT_EQ(takeLog(), inside ? Strings{"shell http://www.example.com"} : Strings{});
    }
}

// Files dropped on the window, then merged with the file info table: the
// image byte for byte, and the list file beside it.
TEST_F(WindowTest, ADropAndAMergeThroughTheWindow) {
    const std::string a = dir / "in/图片.jpg";
    std::filesystem::create_directories(zd::test::pathOf(dir / "in/sub"));
    zd::test::writeFile(a, zd::test::patternBytes(300, 1));
    zd::test::writeFile(dir / "in/sub/b.bin", zd::test::patternBytes(20, 2));

    std::wstring names;
    for (const std::string& path : {a, dir / "in/sub"}) {
        names += win::toWideLenient(path) + L'\0';
    }
    names += L'\0';
    const HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, names.data(), names.size() * sizeof(wchar_t));
    ::GlobalUnlock(memory);
    ::SendMessageW(main(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    EXPECT_EQ(takeLog(), Strings{"message 提示|64|总共添加 2 个文件"});

    click(207);
    click(404);
    dialogs.saves = {dir / "out/镜像.bin"};
    std::filesystem::create_directory(zd::test::pathOf(dir / "out"));
    click(204);
    const Strings log = takeLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[2], "message 提示|64|合并成功！成功创建如下文件：\n\n" + dir / "out/镜像.bin" +
                          "\n" + dir / "out/镜像.h" +
                          "\n\n说明：前置空间已添加文件地址与大小信息。");
    auto le32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8),
                           static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
    };
    EXPECT_EQ(zd::test::readFile(dir / "out/镜像.bin"),
              le32(4096) + le32(300) + le32(4396) + le32(20) + std::string(4080, '\xFF') +
                  zd::test::patternBytes(300, 1) + zd::test::patternBytes(20, 2));
    EXPECT_EQ(zd::test::readFile(dir / "out/镜像.h"),
              "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n\t1, \"" + a +
                  "\", 300, 4096;\n\t2, \"" + dir / "in/sub/b.bin" + "\", 20, 4396;\n\n}\n");
    click(209);
    EXPECT_EQ(takeLog(), Strings{"shell " + dir / "out/"});
}

} // namespace
} // namespace zd::win32::test
