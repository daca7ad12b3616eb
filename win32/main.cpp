// Starts the Windows window; files and folders named on the command line
// are added as a drop adds them.
#include "win32/control_table.h"
#include "win32/dialogs.h"
#include "win32/main_window.h"

#include <string>
#include <windows.h>

namespace {

// A window that cannot be made is said so, with the system's reason,
// rather than the program ending without a word.
int refuseToStart(DWORD code) {
    wchar_t* reason = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                         FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&reason), 0, nullptr);
    const std::wstring text = L"无法创建主窗口：" + std::wstring(reason ? reason : L"") +
                              L"（错误代码 " + std::to_wstring(code) + L"）";
    ::LocalFree(reason);
    ::MessageBoxW(nullptr, text.c_str(), L"zadodaziderav", MB_OK | MB_ICONERROR);
    return 1;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    zd::win32::SystemDialogs dialogs(instance);
    zd::win32::MainWindow window(instance, dialogs, ZD_PUBLISHER_HOST);
    if (!window.create()) {
        return refuseToStart(::GetLastError());
    }
    ::ShowWindow(window.handle(), showCommand);
    ::UpdateWindow(window.handle());
    const HACCEL accelerators =
        ::LoadAcceleratorsW(instance, MAKEINTRESOURCEW(zd::win32::kAccelerators));
    window.commands().loadMergeSettings(); // a message about them is owned by the window
    if (const auto files = zd::win32::commandLineFiles(::GetCommandLineW()); !files.empty()) {
        window.commands().onDrop(files);
    }
    return zd::win32::runMessageLoop(accelerators);
}
