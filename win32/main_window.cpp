#include "win32/main_window.h"

#include "app/messages.h"
#include "core/files/utf16_text.h"
#include "win32/control_table.h"
#include "win32/dialogs.h"
#include "win32/list_rows.h"

#include <commctrl.h>
#include <shellapi.h>

namespace zd::win32 {
namespace {

std::wstring loadString(HINSTANCE instance, int id) {
    wchar_t buffer[100] = {};
    ::LoadStringW(instance, static_cast<UINT>(id), buffer, 100);
    return buffer;
}

} // namespace

MainWindow::MainWindow(HINSTANCE instance, Dialogs& dialogs, std::string publisherHost)
    : instance_(instance), port_(*this, dialogs), commands_(port_, std::move(publisherHost)) {}

MainWindow::~MainWindow() {
    rows_.reset();
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
}

bool MainWindow::create() {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);

    const std::wstring title = loadString(instance_, kTitleString);
    const std::wstring className = loadString(instance_, kClassString);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance_;
    windowClass.hIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(kAppIcon));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEW(kMenu);
    windowClass.lpszClassName = className.c_str();
    // A class left by an earlier window of this process serves again.
    if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }

    const HDC screen = ::GetDC(nullptr);
    dpi_ = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    if (dpi_ <= 0) {
        dpi_ = 96;
    }
    const POINT at = centredPosition(::MulDiv(::GetSystemMetrics(SM_CXFULLSCREEN), 96, dpi_),
                                     ::MulDiv(::GetSystemMetrics(SM_CYFULLSCREEN), 96, dpi_));
    ::CreateWindowExW(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, toWindow(at.x),
                      toWindow(at.y), toWindow(kWindowWidth), toWindow(kWindowHeight), nullptr,
                      nullptr, instance_, this);
    if (window_ != nullptr) {
        addToolsMenu(::GetMenu(window_));
    }
    return window_ != nullptr;
}

void addToolsMenu(HMENU bar) {
    const HMENU tools = ::CreatePopupMenu();
    for (const app::text::MenuItem& item : app::text::kToolsMenuItems) {
        if (item.text == nullptr) {
            ::AppendMenuW(tools, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        ::AppendMenuW(tools, MF_STRING, static_cast<UINT_PTR>(item.id),
                      files::toWideLenient(item.text).c_str());
    }
    // Between File and Help; the bar owns it from here on.
    ::InsertMenuW(bar, 1, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(tools),
                  files::toWideLenient(app::text::kToolsMenu).c_str());
}

RECT MainWindow::linkArea() const {
    const app::LinkRect& hit = app::kLinkRect;
    RECT area{toWindow(hit.left), toWindow(hit.top), toWindow(hit.right + 1),
              toWindow(hit.bottom + 1)};
    const std::wstring text = files::toWideLenient(commands_.linkText());
    SIZE extent{};
    const HDC dc = ::GetDC(window_);
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::ReleaseDC(window_, dc);
    const RECT drawn{toWindow(app::kLinkX), toWindow(app::kLinkY),
                     toWindow(app::kLinkX) + extent.cx, toWindow(app::kLinkY) + extent.cy};
    ::UnionRect(&area, &area, &drawn);
    return area;
}

LRESULT CALLBACK MainWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createControls();
        return 0;
    case WM_PAINT:
        paint();
        return 0;
    case WM_PRINTCLIENT:
        paintLink(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_COMMAND:
        if (commands_.onCommand(LOWORD(wParam), HIWORD(wParam))) {
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        // Unsigned halves of the position word, as the link's test takes them.
        commands_.onMouseMove(fromWindow(LOWORD(lParam)), fromWindow(HIWORD(lParam)));
        return 0;
    case WM_LBUTTONDOWN:
        commands_.onLeftButtonDown(fromWindow(LOWORD(lParam)), fromWindow(HIWORD(lParam)));
        return 0;
    case WM_NOTIFY:
        if (rows_ != nullptr) {
            rows_->onNotify(*reinterpret_cast<const NMHDR*>(lParam));
        }
        return 0;
    case WM_DROPFILES:
        drop(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_DESTROY:
        rows_.reset();
        ::PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        window_ = nullptr;
        break;
    default:
        break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::createControls() {
    EntryList& list = commands_.list();
    for (const ControlDesc& desc : mainWindowControls(list.frontOffset(), list.imageCapacity())) {
        const RECT at = controlRect(desc, dpi_);
        const HWND control = ::CreateWindowExW(
            0, desc.className, desc.text.c_str(), desc.style, at.left, at.top, at.right - at.left,
            at.bottom - at.top, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(desc.id)),
            instance_, nullptr);
        if (control != nullptr && desc.id == app::cmd::ApplyOffset) {
            // The apply button shows icon 135 at the small-icon size.
            if (const HANDLE icon =
                    ::LoadImageW(instance_, MAKEINTRESOURCEW(kApplyIcon), IMAGE_ICON,
                                 ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                 LR_DEFAULTCOLOR)) {
                ::SendMessageW(control, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
            }
        }
        if (control != nullptr && desc.id == 300) {
            ::SendMessageW(control, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kListExtendedStyle);
        }
    }
    list.recomputeLayout(); // imageCapacity := frontOffset, with no rows yet
    const HWND listView = this->listView();
    int index = 0;
    for (const ColumnDesc& desc : listColumns()) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = desc.format;
        column.cx = toWindow(desc.width);
        column.pszText = const_cast<wchar_t*>(desc.title);
        ::SendMessageW(listView, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index++),
                       reinterpret_cast<LPARAM>(&column));
    }
    rows_ = std::make_unique<ListRows>(listView, list);
    port_.progress().setOwner(window_);
    // Files and folders dropped anywhere on the window are added.
    ::DragAcceptFiles(window_, TRUE);
}

void MainWindow::paint() {
    PAINTSTRUCT paint{};
    paintLink(::BeginPaint(window_, &paint));
    ::EndPaint(window_, &paint);
}

void MainWindow::paintLink(HDC dc) {
    // The font and the opaque white background of a fresh paint.
    ::SetTextColor(dc, commands_.state().linkHot ? kHotLinkColour : kLinkColour);
    const std::wstring text = files::toWideLenient(commands_.linkText());
    ::TextOutW(dc, toWindow(app::kLinkX), toWindow(app::kLinkY), text.c_str(),
               static_cast<int>(text.size()));
}

void MainWindow::drop(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(::DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(::DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(files::toUtf8(path));
    }
    ::DragFinish(drop);
    commands_.onDrop(paths);
}

void dispatchMessage(HACCEL accelerators, MSG& message) {
    if (!::TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

std::vector<std::string> commandLineFiles(const wchar_t* commandLine) {
    std::vector<std::string> files;
    int count = 0;
    wchar_t** args = ::CommandLineToArgvW(commandLine, &count);
    for (int i = 1; args != nullptr && i < count; ++i) {
        files.push_back(files::toUtf8(args[i]));
    }
    ::LocalFree(args);
    return files;
}

int runMessageLoop(HACCEL accelerators) {
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        dispatchMessage(accelerators, message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace zd::win32
