// What the main window is made of, as data: its controls (class, id, style,
// rectangle and text) and the list's columns. The window creates exactly
// this table, and the tests read it back from the live window.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>
#include <windows.h>

namespace zd::win32 {

struct ControlDesc {
    const wchar_t* className;
    std::wstring text;
    int id; // 0 for a control that sends no command
    DWORD style;
    int x, y, width, height; // client pixels at 96 DPI
};

// The 21 controls in creation order; the two numbers are what the
// front-offset edit and the capacity display show at first.
std::vector<ControlDesc> mainWindowControls(std::uint32_t frontOffset, std::uint32_t imageCapacity);

// Where a control goes, in window pixels at `dpi`: its edges scaled, so
// that neighbours stay neighbours. At 96 DPI the label before the link
// reaches one pixel into the link's first letter cell, the blank column
// before the letter; scaled, that pixel would grow over the letter, as the
// label is drawn after the link. So it reaches that one pixel at any scale.
RECT controlRect(const ControlDesc& control, int dpi);

struct ColumnDesc {
    const wchar_t* title;
    int width;  // pixels at 96 DPI
    int format; // LVCFMT_*
};
const std::array<ColumnDesc, 5>& listColumns();

// Grid lines and full-row selection, and the whole path as a tip over a row.
inline constexpr DWORD kListExtendedStyle =
    0x21 /* LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT */ | 0x400 /* LVS_EX_INFOTIP */;

// The main window's class, title, outer size and the link's place.
inline constexpr int kWindowWidth = 900;
inline constexpr int kWindowHeight = 530;
inline constexpr int kTitleString = 103;
inline constexpr int kClassString = 109;
inline constexpr int kMenu = 109;
inline constexpr int kAccelerators = 109;
inline constexpr int kAppIcon = 133;
inline constexpr int kApplyIcon = 135;
inline constexpr COLORREF kLinkColour = RGB(50, 50, 50);
inline constexpr COLORREF kHotLinkColour = RGB(0, 0, 255);

// Where a window of the outer size goes on a full-screen client area of
// `width` x `height`; the division truncates toward zero.
POINT centredPosition(int width, int height);

} // namespace zd::win32
