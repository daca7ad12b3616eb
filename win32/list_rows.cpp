#include "win32/list_rows.h"

#include "core/files/utf16_text.h"

#include <commctrl.h>

namespace zd::win32 {

ListRows::ListRows(HWND listView, EntryList& list) : listView_(listView), list_(list) {
    list_.setObserver(this);
}

ListRows::~ListRows() {
    list_.setObserver(nullptr);
}

void ListRows::onNotify(const NMHDR& header) {
    if (header.hwndFrom != listView_) {
        return;
    }
    if (header.code == LVN_GETDISPINFOW) {
        auto& item = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
        if ((item.mask & LVIF_TEXT) && item.iItem >= 0 && item.iItem < list_.rowCount()) {
            text_ = files::toWideLenient(
                list_.cellText(item.iItem, static_cast<Column>(item.iSubItem)));
            item.pszText = text_.data();
        }
        return;
    }
    if (header.code == LVN_GETINFOTIPW) {
        // The whole path, which the column may cut.
        auto& tip = reinterpret_cast<NMLVGETINFOTIPW&>(const_cast<NMHDR&>(header));
        if (tip.iItem >= 0 && tip.iItem < list_.rowCount() && tip.cchTextMax > 0) {
            const std::wstring path = files::toWideLenient(list_.at(tip.iItem).path);
            lstrcpynW(tip.pszText, path.c_str(), tip.cchTextMax);
        }
    }
}

void ListRows::rowsAboutToBeInserted(int first, int last) {
    pendingFirst_ = first;
    pendingLast_ = last;
}

void ListRows::rowsInserted() {
    ::SendMessageW(listView_, WM_SETREDRAW, FALSE, 0);
    for (int row = pendingFirst_; row <= pendingLast_; ++row) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = LPSTR_TEXTCALLBACKW;
        ::SendMessageW(listView_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (item.iSubItem = 1; item.iSubItem < kColumnCount; ++item.iSubItem) {
            ::SendMessageW(listView_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                           reinterpret_cast<LPARAM>(&item));
        }
    }
    ::SendMessageW(listView_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(listView_, nullptr, TRUE);
}

void ListRows::rowsAboutToBeRemoved(int first, int last) {
    pendingFirst_ = first;
    pendingLast_ = last;
}

void ListRows::rowsRemoved() {
    if (list_.empty()) {
        ::SendMessageW(listView_, LVM_DELETEALLITEMS, 0, 0);
        return;
    }
    for (int row = pendingLast_; row >= pendingFirst_; --row) {
        ::SendMessageW(listView_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
    }
}

void ListRows::rowsChanged(int first, int last) {
    ::SendMessageW(listView_, LVM_REDRAWITEMS, static_cast<WPARAM>(first),
                   static_cast<LPARAM>(last));
}

} // namespace zd::win32
