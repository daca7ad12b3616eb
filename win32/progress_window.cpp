#include "win32/progress_window.h"

#include <commctrl.h>
#include <initializer_list>

namespace zd::win32 {
namespace {

constexpr const wchar_t* kClass = L"ZadodazidEravProgress";

} // namespace

bool ProgressWindow::report(std::uint64_t done, std::uint64_t total) {
    if (const std::optional<int> step = throttle_.report(done, total)) {
        show(*step);
    }
    return !throttle_.cancelled();
}

void ProgressWindow::show(int step) {
    if (window_ == nullptr) {
        createWindow();
    }
    ::SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(step), 0);
    // Keep the windows painted and let Cancel be pressed.
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            throttle_.cancel();
            break;
        }
        if (!::IsDialogMessageW(window_, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

void ProgressWindow::end() {
    throttle_.end();
    if (window_ != nullptr) {
        ::EnableWindow(owner_, TRUE);
        ::DestroyWindow(window_);
        window_ = nullptr;
        bar_ = nullptr;
    }
}

void ProgressWindow::createWindow() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClass;
    ::RegisterClassExW(&windowClass); // fails harmlessly when already there

    RECT owner{};
    ::GetWindowRect(owner_, &owner);
    const int width = 320;
    const int height = 130;
    window_ = ::CreateWindowExW(WS_EX_DLGMODALFRAME, kClass, L"提示",
                                WS_POPUP | WS_CAPTION | WS_VISIBLE, owner.left + 40, owner.top + 60,
                                width, height, owner_, nullptr, instance, this);
    if (window_ == nullptr) {
        return;
    }
    const HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    const HWND label = ::CreateWindowExW(0, L"Static", L"正在合并保存……", WS_CHILD | WS_VISIBLE, 16,
                                         12, 280, 20, window_, nullptr, instance, nullptr);
    bar_ = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 16, 36, 280, 18,
                             window_, nullptr, instance, nullptr);
    const HWND cancel = ::CreateWindowExW(
        0, L"Button", L"取消", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 216, 62, 80,
        26, window_, reinterpret_cast<HMENU>(IDCANCEL), instance, nullptr);
    for (const HWND control : {label, cancel}) {
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    ::SendMessageW(bar_, PBM_SETRANGE32, 0, app::ProgressThrottle::kSteps);
    ::EnableWindow(owner_, FALSE);
    ::SetFocus(cancel);
}

LRESULT CALLBACK ProgressWindow::procedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ProgressWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    // Cancel, Esc and the close box all stop the merge.
    if (self != nullptr &&
        ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE)) {
        self->throttle_.cancel();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace zd::win32
