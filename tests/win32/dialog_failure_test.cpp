// The system's open dialog that fails, told from one that is cancelled.
#include "core/files/utf16_text.h"
#include "tests/support/test_files.h"
#include "win32/dialogs.h"

#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

namespace zd::win32 {
namespace {

const wchar_t kTitle[] = L"选择导入文件（多选）";
std::wstring typedName;
WPARAM pressed = IDCANCEL;

// Once the dialog is up, types the name and presses the button.
void CALLBACK answerDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND dialog = ::FindWindowW(nullptr, kTitle);
    if (dialog == nullptr) {
        return; // not up yet: the next tick looks again
    }
    ::KillTimer(nullptr, timer);
    ::SetDlgItemTextW(dialog, cmb13, typedName.c_str());
    ::SendMessageW(dialog, WM_COMMAND, pressed, 0);
}

// A selection longer than the dialog's room fails it with the system's
// code for that; a cancel gives no names and no code.
TEST(OpenDialog, FailureCarriesItsCodeAndCancelDoesNot) {
    zd::test::TempDir dir;
    const std::string chosen = dir / "a file whose full path is longer than the room.bin";
    zd::test::writeFile(chosen, "x");
    SystemDialogs system(::GetModuleHandleW(nullptr), 16);
    const app::FileDialogRequest request{win::toUtf8(kTitle), {{"所有文件（*.*）", {"*.*"}}}, true};
    typedName = win::toWideLenient(chosen);
    for (const WPARAM button : {IDOK, IDCANCEL}) {
        pressed = button;
        ::SetTimer(nullptr, 0, 10, answerDialog);
        const app::OpenChoice choice = system.openFiles(nullptr, request);
        EXPECT_TRUE(choice.paths.empty());
        EXPECT_EQ(choice.failure, button == IDOK ? FNERR_BUFFERTOOSMALL : 0u);
    }
}

} // namespace
} // namespace zd::win32
