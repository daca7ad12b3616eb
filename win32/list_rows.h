// The list control over the core entry list: the control holds one item per
// row and asks for every cell's text when it draws it, so the rows live in
// one place only.
#pragma once

#include "core/model/entry_list.h"

#include <string>
#include <windows.h>

namespace zd::win32 {

class ListRows final : private EntryListObserver {
  public:
    ListRows(HWND listView, EntryList& list);
    ~ListRows() override;
    ListRows(const ListRows&) = delete;
    ListRows& operator=(const ListRows&) = delete;

    // Answers the control's notices for cell texts and tips.
    void onNotify(const NMHDR& header);

  private:
    void rowsAboutToBeInserted(int first, int last) override;
    void rowsInserted() override;
    void rowsAboutToBeRemoved(int first, int last) override;
    void rowsRemoved() override;
    void rowsChanged(int first, int last) override;

    HWND listView_;
    EntryList& list_;
    int pendingFirst_ = 0;
    int pendingLast_ = -1;
    std::wstring text_; // the last text handed out; the control copies it at once
};

} // namespace zd::win32
