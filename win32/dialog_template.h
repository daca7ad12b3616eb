// A dialog template made in memory, as the resource compiler makes one from
// a DIALOGEX statement, for dialogs described by a table rather than by the
// resource script: the system then lays them out in dialog units of their
// font, so they grow with the display's scale as the script's dialogs do.
#pragma once

#include <string>
#include <vector>
#include <windows.h>

namespace zd::win32 {

struct TemplateItem {
    std::wstring className; // "Button", "Edit", "Static", "ComboBox"
    std::wstring text;
    int id; // 0 for none
    DWORD style;
    DWORD extendedStyle;
    short x, y, width, height; // dialog units
};

struct TemplateDialog {
    std::wstring title;
    DWORD style;
    short width, height; // dialog units
    std::wstring font;
    WORD pointSize;
    std::vector<TemplateItem> items; // in the order Tab walks them
};

// The DLGTEMPLATEEX for `dialog`, ready for DialogBoxIndirectParamW; the
// style gets DS_SETFONT so that the font is used.
std::vector<WORD> dialogTemplate(const TemplateDialog& dialog);

} // namespace zd::win32
