// Starts the Windows window.
#include "control_table.h"
#include "dialogs.h"
#include "main_window.h"
#include "utf16_text.h"

#include <windows.h>

namespace {

// For the screenshot script only: files named in ZD_SCREENSHOT_FILES (one
// per line) are dropped onto the list once the window is up.
std::vector<std::string> screenshotFiles() {
    std::vector<std::string> paths;
    wchar_t buffer[32768];
    const DWORD length = ::GetEnvironmentVariableW(L"ZD_SCREENSHOT_FILES", buffer, 32768);
    if (length == 0 || length >= 32768) {
        return paths;
    }
    const std::string text = zd::win::toUtf8(std::wstring_view(buffer, length));
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        if (end > start) {
            paths.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return paths;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    zd::win32::SystemDialogs dialogs(instance);
    zd::win32::MainWindow window(instance, dialogs, ZD_PUBLISHER_HOST);
    if (!window.create()) {
        return 0;
    }
    ::ShowWindow(window.handle(), showCommand);
    ::UpdateWindow(window.handle());
    const HACCEL accelerators =
        ::LoadAcceleratorsW(instance, MAKEINTRESOURCEW(zd::win32::kAccelerators));
    if (const std::vector<std::string> files = screenshotFiles(); !files.empty()) {
        window.commands().onDrop(files);
    }
    return zd::win32::runMessageLoop(accelerators);
}
