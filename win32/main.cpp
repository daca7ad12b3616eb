// Starts the Windows window; files and folders named on the command line
// are added as a drop adds them.
#include "win32/control_table.h"
#include "win32/dialogs.h"
#include "win32/main_window.h"

#include <windows.h>

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
    if (const auto files = zd::win32::commandLineFiles(::GetCommandLineW()); !files.empty()) {
        window.commands().onDrop(files);
    }
    return zd::win32::runMessageLoop(accelerators);
}
