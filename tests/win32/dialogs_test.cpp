// The three information dialogs as the resources make them, the progress
// window of a long merge, and the conversions for the common dialogs.
#include "control_table.h"
#include "merge_progress.h"
#include "window_fixture.h"

namespace zd::win32::test {
namespace {

struct DialogSeen {
    std::wstring title;
    POINT clientCorner{}; // in screen pixels
    RECT client{};
    RECT expected{};    // the template's size through the dialog's font
    std::wstring texts; // the controls' texts in template order, one per line
    int defaultId = 0;
    std::vector<int> tabStops;
    int endWith = IDCANCEL;
    bool openAfterOther = false;
};

DialogSeen* seen = nullptr;
SIZE templateSize{};

// Runs inside the dialog's own message loop: looks at it, then ends it.
void CALLBACK inspect(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    // The dialog is this thread's window of the dialog class, whichever
    // window of the desktop is active.
    HWND dialog = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM found) {
            wchar_t name[16] = {};
            ::GetClassNameW(window, name, 16);
            if (std::wstring_view(name) != L"#32770") {
                return TRUE;
            }
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&dialog));
    seen->title = windowText(dialog);
    ::ClientToScreen(dialog, &seen->clientCorner);
    ::GetClientRect(dialog, &seen->client);
    seen->expected = {0, 0, templateSize.cx, templateSize.cy};
    ::MapDialogRect(dialog, &seen->expected);
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        seen->texts += windowText(child) + L"\n";
        if (::GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) {
            seen->tabStops.push_back(::GetDlgCtrlID(child));
        }
    }
    seen->defaultId = LOWORD(::SendMessageW(dialog, DM_GETDEFID, 0, 0));
    // Another command leaves it open (an ended dialog is hidden); OK and
    // Cancel both end it.
    ::ShowWindow(dialog, SW_SHOWNA);
    ::SendMessageW(dialog, WM_COMMAND, 1234, 0);
    seen->openAfterOther = ::IsWindowVisible(dialog) != FALSE;
    ::SendMessageW(dialog, WM_COMMAND, seen->endWith, 0);
}

// Each dialog at the top-left corner of the main window's client area, as
// large as its template in its own font, with its texts in template order;
// OK the default and only focusable control; OK and Esc close it.
TEST_F(WindowTest, InformationDialogsAsTheirTemplates) {
    const std::wstring copyright = L"Copyright (C) 2023 Tessarine\n";
    const std::tuple<int, std::wstring, SIZE, std::wstring> cases[] = {
        // The icon control's text names icon 133 by number.
        {103,
         L"关于 ZadodazidErav",
         {170, 63},
         L"ZadodazidErav, 版本 1.1.0.0\n" + copyright + L"确定\n\xFFFF\x85\n"},
        {129,
         L"使用说明",
         {275, 161},
         L"确定\n（1）软件功能：按二制制格式合并多个文件\n"
         L"（2）前置偏移地址每次递进4KB(4096 Bytes)，也可手动输入设定，\n"
         L"（3）是否将文件的地址和大小信息保存在前置空间可选\n"
         L"（4）文件地址和大小信息各占4 Bytes，数据格式：LSB -> MSB\n" +
             copyright +
             L"（5）保存bin档同时会生成.h文件，后续可从该文件重新导入列表\n\n"
             L"联系方式：请访问网站\n          前缀加0x输入16进制\n"},
        {134,
         L"版本历史",
         {249, 109},
         L"确定\nRecords of Revision\nVer 1.1.0.0     2023/11/6 第一版发布\n"},
    };
    SystemDialogs system(::GetModuleHandleW(nullptr));
    POINT corner{0, 0};
    ::ClientToScreen(main(), &corner);
    for (const auto& [id, title, size, texts] : cases) {
        SCOPED_TRACE(id);
        DialogSeen found;
        found.endWith = id == 129 ? IDOK : IDCANCEL;
        seen = &found;
        templateSize = size;
        ::SetTimer(nullptr, 0, 10, inspect);
        system.infoDialog(main(), id);
        EXPECT_EQ(found.title, title);
        EXPECT_EQ(found.clientCorner.x, corner.x);
        EXPECT_EQ(found.clientCorner.y, corner.y);
        EXPECT_TRUE(::EqualRect(&found.client, &found.expected))
            << found.client.right << "x" << found.client.bottom;
        EXPECT_EQ(found.texts, texts);
        EXPECT_EQ(found.defaultId, IDOK);
        EXPECT_EQ(found.tabStops, std::vector<int>{IDOK});
        EXPECT_TRUE(found.openAfterOther);
    }
    seen = nullptr;
    EXPECT_TRUE(::IsWindowEnabled(main()));
}

// Nothing for half a second; then a window with a bar and Cancel, the main
// window disabled meanwhile; Cancel stops the merge; the end restores all.
ULONGLONG now = 0;

TEST_F(WindowTest, ProgressOfALongMerge) {
    MergeProgress& progress = window->port().progress();
    progress.setClock([] { return now; });
    EXPECT_TRUE(progress.report(0, 100));
    now += MergeProgress::kShowAfterMs - 1;
    EXPECT_TRUE(progress.report(40, 100));
    EXPECT_EQ(progress.window(), nullptr);
    now += 1;
    EXPECT_TRUE(progress.report(50, 100));
    ASSERT_NE(progress.window(), nullptr);
    const HWND bar = ::FindWindowExW(progress.window(), nullptr, PROGRESS_CLASSW, nullptr);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 500);
    now += MergeProgress::kUpdateEveryMs - 1;
    EXPECT_TRUE(progress.report(60, 100)); // too soon to show again
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 500);
    now += 1;
    EXPECT_TRUE(progress.report(70, 100));
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 700);
    now += MergeProgress::kUpdateEveryMs;
    EXPECT_TRUE(progress.report(0, 0)); // nothing to copy is all done
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 1000);
    EXPECT_EQ(::GetClassLongPtrW(progress.window(), GCLP_HBRBACKGROUND), COLOR_BTNFACE + 1);
    EXPECT_FALSE(::IsWindowEnabled(main()));
    EXPECT_EQ(windowText(progress.window()), L"提示");
    const HWND cancel = ::GetDlgItem(progress.window(), IDCANCEL);
    EXPECT_EQ(windowText(cancel), L"取消");
    ::SendMessageW(cancel, BM_CLICK, 0, 0);
    now += MergeProgress::kUpdateEveryMs;
    EXPECT_FALSE(progress.report(80, 100));
    EXPECT_FALSE(progress.report(90, 100)); // stays stopped until the merge ends
    window->port().endMergeProgress();
    EXPECT_EQ(progress.window(), nullptr);
    EXPECT_TRUE(::IsWindowEnabled(main()));
    EXPECT_TRUE(progress.report(0, 100)); // a new merge starts afresh
    progress.end();
}

TEST(CommonDialogs, FiltersSelectionsAndMessageTypes) {
    const std::wstring filters = filterText(
        {{"JPG 文件（*.jpg,*.jpeg）", {"*.jpg", "*.jpeg"}}, {"所有文件（*.*）", {"*.*"}}});
    const wchar_t expected[] = L"JPG 文件（*.jpg,*.jpeg）\0*.jpg;*.jpeg\0所有文件（*.*）\0*.*\0\0";
    EXPECT_EQ(filters, std::wstring(std::begin(expected), std::end(expected) - 1));

    // One file: its full path; several: the folder, then each name.
    const wchar_t one[] = L"C:\\res\\a.bin\0";
    EXPECT_EQ(selectedPaths(one, 7), std::vector<std::wstring>{L"C:\\res\\a.bin"});
    const wchar_t many[] = L"C:\\res\0a.bin\0字库.dot\0\0";
    EXPECT_EQ(selectedPaths(many, 7),
              (std::vector<std::wstring>{L"C:\\res\\a.bin", L"C:\\res\\字库.dot"}));
    const wchar_t noNames[] = L"\0C:\\x\0"; // no name offset: the path as it is
    EXPECT_EQ(selectedPaths(noNames + 1, 0), std::vector<std::wstring>{L"C:\\x"});
    const wchar_t root[] = L"D:\\\0x\0y\0\0";
    EXPECT_EQ(selectedPaths(root, 4), (std::vector<std::wstring>{L"D:\\x", L"D:\\y"}));
    EXPECT_EQ(messageBoxType(app::Icon::Error, app::Buttons::Ok), UINT{MB_OK | MB_ICONERROR});
}

} // namespace
} // namespace zd::win32::test
