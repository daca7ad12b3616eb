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
    RECT expected{}; // the template's size through the dialog's font
    std::vector<std::wstring> texts;
    std::vector<RECT> rects, expectedRects;
    int focus = 0;
    std::vector<int> tabStops;
    int endWith = IDCANCEL;
    bool openAfterOther = false;
};

DialogSeen* seen = nullptr;
const std::vector<RECT>* templateRects = nullptr;
SIZE templateSize{};

// Runs inside the dialog's own message loop: looks at it, then ends it the
// way Esc does.
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
        seen->texts.push_back(windowText(child));
        seen->rects.push_back(rectIn(dialog, child));
    }
    // Corner and size are each converted, as the dialog manager does.
    for (RECT rect : *templateRects) {
        ::MapDialogRect(dialog, &rect);
        seen->expectedRects.push_back(
            {rect.left, rect.top, rect.left + rect.right, rect.top + rect.bottom});
    }
    // OK is the default button and the only control that takes the focus.
    seen->focus = LOWORD(::SendMessageW(dialog, DM_GETDEFID, 0, 0));
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (::GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) {
            seen->tabStops.push_back(::GetDlgCtrlID(child));
        }
    }
    // Another command leaves it open (an ended dialog is hidden); OK and
    // Cancel both end it.
    ::ShowWindow(dialog, SW_SHOWNA);
    ::SendMessageW(dialog, WM_COMMAND, 1234, 0);
    seen->openAfterOther = ::IsWindowVisible(dialog) != FALSE;
    ::SendMessageW(dialog, WM_COMMAND, seen->endWith, 0);
}

struct DialogCase {
    int id;
    const wchar_t* title;
    SIZE size;
    std::vector<std::wstring> texts;
    std::vector<RECT> rects; // x, y, width, height in dialog units
};

// Each dialog at the top-left corner of the main window's client area, as
// large as its template in its own font, with its texts in template order;
// OK the default and only focusable control; Esc closes it.
TEST_F(WindowTest, InformationDialogsAsTheirTemplates) {
    const std::wstring copyright = L"Copyright (C) 2023 Tessarine";
    const DialogCase cases[] = {
        {103,
         L"关于 ZadodazidErav",
         {170, 63},
         // The icon control's text names icon 133 by number.
         {L"ZadodazidErav, 版本 1.1.0.0", copyright, L"确定", std::wstring{L'\xFFFF', 133}},
         {{42, 14, 114, 8}, {42, 26, 114, 8}, {113, 42, 50, 14}, {15, 16, 20, 20}}},
        {129,
         L"使用说明",
         {275, 161},
         {L"确定", L"（1）软件功能：按二制制格式合并多个文件",
          L"（2）前置偏移地址每次递进4KB(4096 Bytes)，也可手动输入设定，",
          L"（3）是否将文件的地址和大小信息保存在前置空间可选",
          L"（4）文件地址和大小信息各占4 Bytes，数据格式：LSB -> MSB", copyright,
          L"（5）保存bin档同时会生成.h文件，后续可从该文件重新导入列表", L"",
          L"联系方式：请访问网站", L"          前缀加0x输入16进制"},
         {{213, 139, 50, 14},
          {14, 18, 157, 8},
          {14, 31, 234, 8},
          {14, 56, 197, 8},
          {14, 69, 218, 8},
          {106, 105, 138, 8},
          {14, 82, 229, 8},
          {11, 7, 251, 124},
          {151, 116, 92, 8},
          {14, 43, 93, 8}}},
        {134,
         L"版本历史",
         {249, 109},
         {L"确定", L"Records of Revision", L"Ver 1.1.0.0     2023/11/6 第一版发布"},
         {{192, 88, 50, 14}, {7, 7, 235, 75}, {13, 19, 123, 8}}},
    };
    SystemDialogs system(::GetModuleHandleW(nullptr));
    POINT corner{0, 0};
    ::ClientToScreen(main(), &corner);
    for (const DialogCase& expected : cases) {
        SCOPED_TRACE(expected.id);
        DialogSeen found;
        found.endWith = expected.id == 129 ? IDOK : IDCANCEL;
        seen = &found;
        templateRects = &expected.rects;
        templateSize = expected.size;
        ::SetTimer(nullptr, 0, 10, inspect);
        system.infoDialog(main(), expected.id);
        EXPECT_EQ(found.title, expected.title);
        EXPECT_EQ(found.clientCorner.x, corner.x);
        EXPECT_EQ(found.clientCorner.y, corner.y);
        EXPECT_TRUE(::EqualRect(&found.client, &found.expected))
            << found.client.right << "x" << found.client.bottom;
        EXPECT_EQ(found.texts, expected.texts);
        ASSERT_EQ(found.rects.size(), expected.rects.size());
        for (std::size_t i = 0; i < found.rects.size(); ++i) {
            const RECT& rect = found.rects[i];
            const RECT& want = found.expectedRects[i];
            // An icon control takes its icon's size; only its corner is set.
            const bool icon = expected.id == 103 && i == 3;
            EXPECT_TRUE(icon ? rect.left == want.left && rect.top == want.top
                             : ::EqualRect(&rect, &want))
                << i << ": " << rect.left << "," << rect.top << "," << rect.right << ","
                << rect.bottom;
        }
        EXPECT_EQ(found.focus, IDOK);
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
    const wchar_t root[] = L"D:\\\0x\0y\0\0";
    EXPECT_EQ(selectedPaths(root, 4), (std::vector<std::wstring>{L"D:\\x", L"D:\\y"}));

    EXPECT_EQ(messageBoxType(app::Icon::Information, app::Buttons::Ok),
              UINT{MB_OK | MB_ICONINFORMATION});
    EXPECT_EQ(messageBoxType(app::Icon::Warning, app::Buttons::YesNo),
              UINT{MB_YESNO | MB_ICONWARNING});
    EXPECT_EQ(messageBoxType(app::Icon::Error, app::Buttons::Ok), UINT{MB_OK | MB_ICONERROR});
}

} // namespace
} // namespace zd::win32::test
