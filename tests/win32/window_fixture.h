// The real Windows window in the test process, its dialogs answered by a
// scripted fake, driven by the messages the system would send.
#pragma once

#include "dialogs.h"
#include "main_window.h"
#include "test_files.h"
#include "utf16_text.h"

#include <commctrl.h>
#include <deque>
#include <gtest/gtest.h>
#include <memory>

namespace zd::win32::test {

using Strings = std::vector<std::string>;

// Logs every dialog and hand-over as one line of UTF-8; plays back answers.
class FakeDialogs final : public Dialogs {
  public:
    std::deque<int> answers; // one per Yes/No box
    std::deque<Strings> opens;
    std::deque<std::optional<std::string>> saves;
    Strings log;

    int message(HWND owner, const std::wstring& text, const std::wstring& caption,
                UINT type) override {
        EXPECT_NE(owner, nullptr);
        log.push_back("message " + win::toUtf8(caption) + "|" + std::to_string(type) + "|" +
                      win::toUtf8(text));
        if ((type & MB_TYPEMASK) == MB_OK) {
            return IDOK;
        }
        return take(answers);
    }
    Strings openFiles(HWND, const app::FileDialogRequest& request) override {
        log.push_back("open " + request.title);
        return take(opens);
    }
    std::optional<std::string> saveFile(HWND, const app::FileDialogRequest& request) override {
        log.push_back("save " + request.title);
        return take(saves);
    }
    void infoDialog(HWND, int resourceId) override {
        log.push_back("dialog " + std::to_string(resourceId));
    }
    void shellOpen(const std::wstring& target) override {
        log.push_back("shell " + win::toUtf8(target));
    }

  private:
    template <typename T> static T take(std::deque<T>& queue) {
        if (queue.empty()) {
            ADD_FAILURE() << "nothing scripted for this dialog";
            return T{};
        }
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
};

inline std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A window's rectangle in the client pixels of `parent`.
inline RECT rectIn(HWND parent, HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Ends what a destroyed main window leaves in the queue.
inline void drainQuit() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window =
            std::make_unique<MainWindow>(::GetModuleHandleW(nullptr), dialogs, "www.example.com");
        ASSERT_TRUE(window->create());
        ::ShowWindow(main(), SW_SHOWNORMAL);
        ::UpdateWindow(main());
    }
    void TearDown() override {
        const HWND gone = window->handle();
        window.reset();
        EXPECT_FALSE(::IsWindow(gone));
        drainQuit();
        EXPECT_TRUE(dialogs.answers.empty() && dialogs.opens.empty() && dialogs.saves.empty());
    }
    HWND main() const { return window->handle(); }
    HWND control(int id) const { return window->control(id); }
    // A click as the user makes it: the button's own press and release.
    void click(int id) { ::SendMessageW(control(id), BM_CLICK, 0, 0); }
    // A menu item chosen: a command with notification code 0 and no control.
    void menu(int id) { ::SendMessageW(main(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    std::string text(int id) const { return win::toUtf8(windowText(control(id))); }
    Strings takeLog() { return std::exchange(dialogs.log, {}); }
    int rowCount() const {
        return static_cast<int>(::SendMessageW(window->listView(), LVM_GETITEMCOUNT, 0, 0));
    }
    // A cell as the list control shows it.
    std::string cell(int row, int column) const {
        wchar_t buffer[1024] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = 1024;
        ::SendMessageW(window->listView(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(&item));
        return win::toUtf8(buffer);
    }
    void select(int row) {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        ::SendMessageW(window->listView(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(&item));
    }

    zd::test::TempDir dir;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

} // namespace zd::win32::test
