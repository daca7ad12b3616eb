#include "win32/control_table.h"

#include "app/commands.h"

#include <algorithm>
#include <commctrl.h>

namespace zd::win32 {
namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | WS_TABSTOP;
constexpr DWORD kPush = kChild | WS_TABSTOP | BS_DEFPUSHBUTTON;
// Display only, but legible: read-only text in the normal colour, where a
// disabled edit would draw grey on grey.
constexpr DWORD kReadout = kChild | WS_BORDER | ES_READONLY;

std::wstring decimalText(std::uint32_t value) {
    return std::to_wstring(value);
}

} // namespace

std::vector<ControlDesc> mainWindowControls(std::uint32_t frontOffset,
                                            std::uint32_t imageCapacity) {
    namespace cmd = app::cmd;
    return {
        {L"Button", L"选择文件与参数", 0, kChild | BS_GROUPBOX, 20, 10, 722, 425},
        {L"Button", L"前置添加文件信息", cmd::FileInfo, kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 300,
         30, 145, 20},
        {L"Static", L"前置偏移地址", 0, kLabel, 460, 30, 100, 20},
        {L"Button", L"-", cmd::StepDown, kPush, 561, 28, 20, 20},
        {L"Edit", decimalText(frontOffset), 402, kChild | WS_BORDER | ES_CENTER, 580, 28, 110, 20},
        {L"Button", L"+", cmd::StepUp, kPush, 690, 28, 20, 20},
        {L"Button", L"保存", cmd::ApplyOffset, kChild | BS_ICON, 710, 28, 20, 20},
        {L"Button", L"添加文件", cmd::AddFiles, kPush, 761, 18, 100, 30},
        {L"Button", L"导入存档", cmd::ImportList, kPush, 761, 63, 100, 30},
        {L"Button", L"上移", cmd::MoveUp, kPush, 761, 108, 100, 30},
        {L"Button", L"下移", cmd::MoveDown, kPush, 761, 153, 100, 30},
        {L"Button", L"删除", cmd::Delete, kPush, 761, 198, 100, 30},
        {L"Button", L"清空", cmd::Clear, kPush, 761, 243, 100, 30},
        {L"Button", L"合并保存", cmd::MergeSave, kPush, 761, 288, 100, 30},
        {L"Button", L"查看结果", cmd::ViewResult, kPush, 761, 333, 100, 30},
        {WC_LISTVIEWW, L"", 300, kChild | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS, 30, 55, 700,
         340},
        {L"Static", L"文件总数", 0, kLabel, 30, 405, 60, 20},
        {L"Edit", L"0", 401, kReadout, 100, 403, 60, 20},
        {L"Static", L"封包容量（Bytes）", 0, kLabel, 460, 405, 130, 20},
        {L"Edit", decimalText(imageCapacity), 403, kReadout, 590, 403, 140, 20},
        // Right-aligned, so that its text runs up to the link and the two
        // read as one line.
        {L"Static", L"推荐结合zu(DAVA)液晶控制芯片使用：VE8889 / RE8876 等，更多信息请访问：", 0,
         kLabel | SS_RIGHT, 30, 445, 533, 20},
    };
}

RECT controlRect(const ControlDesc& control, int dpi) {
    const auto scaled = [dpi](int pixels) { return ::MulDiv(pixels, dpi, 96); };
    RECT rect{scaled(control.x), scaled(control.y), scaled(control.x + control.width),
              scaled(control.y + control.height)};
    const int reach = control.x + control.width - app::kLinkX; // into the link, at 96 DPI
    if (control.y == app::kLinkY && control.x < app::kLinkX && reach > 0) {
        rect.right = std::min<LONG>(rect.right, scaled(app::kLinkX) + reach);
    }
    return rect;
}

const std::array<ColumnDesc, 5>& listColumns() {
    // The titles stay English, unlike the rest of the window.
    static const std::array<ColumnDesc, 5> columns{{
        {L"No.", 40, LVCFMT_CENTER},
        {L"File Name", 300, LVCFMT_LEFT},
        {L"Size(byte)", 100, LVCFMT_RIGHT},
        {L"Address", 100, LVCFMT_RIGHT},
        {L"Data Format", 100, LVCFMT_CENTER},
    }};
    return columns;
}

POINT centredPosition(int width, int height) {
    return {(width - kWindowWidth) / 2, (height - kWindowHeight) / 2};
}

} // namespace zd::win32
