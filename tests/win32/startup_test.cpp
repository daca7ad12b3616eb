// The Windows program started as Explorer's "open with" starts it: the files
// named after it are added, and counted, once the window runs.
#include "core/files/utf16_text.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace zd {
namespace {

// The visible top-level window titled `caption` of process `id`, once it
// shows; nullptr once `deadline` (GetTickCount64's) has passed.
HWND windowOf(DWORD id, const wchar_t* caption, ULONGLONG deadline) {
    for (; ::GetTickCount64() < deadline; ::Sleep(100)) {
        for (HWND found = nullptr; (found = ::FindWindowExW(nullptr, found, nullptr, caption));) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(found, &owner);
            if (owner == id && ::IsWindowVisible(found)) {
                return found;
            }
        }
    }
    return nullptr;
}

TEST(Startup, FilesNamedAtTheStartAreAdded) {
    test::TempDir dir;
    const std::string file = dir / "图片.jpg";
    test::writeFile(file, "1234");
    std::wstring command = L"\"" +
                           test::pathOf(test::besideThisProgram("zadodaziderav.exe")).wstring() +
                           L"\" \"" + test::pathOf(file).wstring() + L"\"";
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &start, &started));
    const ULONGLONG deadline = ::GetTickCount64() + 20000;
    if (const HWND told = windowOf(started.dwProcessId, L"提示", deadline)) {
        wchar_t text[256] = {};
        ::GetDlgItemTextW(told, 0xFFFF, text, 256); // a message box's text
        EXPECT_EQ(files::toUtf8(text), "总共添加 1 个文件");
        ::PostMessageW(told, WM_COMMAND, IDOK, 0);
    } else {
        ADD_FAILURE() << "the files were not counted";
    }
    ::PostMessageW(windowOf(started.dwProcessId, L"Tessarine Tool (Ver: 1.1.0.0)", deadline),
                   WM_CLOSE, 0, 0);
    DWORD status = STILL_ACTIVE;
    EXPECT_TRUE(::WaitForSingleObject(started.hProcess, 10000) == WAIT_OBJECT_0 &&
                ::GetExitCodeProcess(started.hProcess, &status) && status == 0)
        << status;
    ::TerminateProcess(started.hProcess, 9); // should it still run
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
}

} // namespace
} // namespace zd
