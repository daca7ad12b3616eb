#include "win32/dialog_template.h"

namespace zd::win32 {
namespace {

class Writer {
  public:
    void word(WORD value) { words_.push_back(value); }
    void dword(DWORD value) {
        word(LOWORD(value));
        word(HIWORD(value));
    }
    void text(const std::wstring& value) {
        words_.insert(words_.end(), value.begin(), value.end());
        word(0);
    }
    // Each item starts on a 4-byte boundary (the vector's own storage is).
    void alignToDword() {
        if (words_.size() % 2 != 0) {
            word(0);
        }
    }
    std::vector<WORD> take() { return std::move(words_); }

  private:
    std::vector<WORD> words_;
};

} // namespace

std::vector<WORD> dialogTemplate(const TemplateDialog& dialog) {
    Writer out;
    out.word(1);      // dlgVer
    out.word(0xFFFF); // signature: the extended form
    out.dword(0);     // helpID
    out.dword(0);     // exStyle
    out.dword(dialog.style | DS_SETFONT);
    out.word(static_cast<WORD>(dialog.items.size()));
    for (const short value : {short{0}, short{0}, dialog.width, dialog.height}) {
        out.word(static_cast<WORD>(value));
    }
    out.word(0); // no menu
    out.word(0); // the standard dialog class
    out.text(dialog.title);
    out.word(dialog.pointSize);
    out.word(FW_NORMAL);
    out.word(MAKEWORD(FALSE, DEFAULT_CHARSET)); // italic, then the character set
    out.text(dialog.font);
    for (const TemplateItem& item : dialog.items) {
        out.alignToDword();
        out.dword(0); // helpID
        out.dword(item.extendedStyle);
        out.dword(item.style);
        for (const short value : {item.x, item.y, item.width, item.height}) {
            out.word(static_cast<WORD>(value));
        }
        out.dword(static_cast<DWORD>(item.id == 0 ? -1 : item.id));
        out.text(item.className);
        out.text(item.text);
        out.word(0); // no creation data
    }
    return out.take();
}

} // namespace zd::win32
