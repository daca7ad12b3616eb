#include "win32/window_port.h"

#include "core/files/utf16_text.h"
#include "win32/dialogs.h"
#include "win32/main_window.h"
#include "win32/settings_store.h"

#include <commctrl.h>

namespace zd::win32 {

WindowPort::WindowPort(MainWindow& window, Dialogs& dialogs)
    : window_(window), dialogs_(dialogs), progress_(nullptr) {}

app::Answer WindowPort::showMessage(const std::string& text, const std::string& caption,
                                    app::Icon icon, app::Buttons buttons) {
    const int pressed =
        dialogs_.message(window_.handle(), files::toWideLenient(text),
                         files::toWideLenient(caption), messageBoxType(icon, buttons));
    if (buttons == app::Buttons::Ok) {
        return app::Answer::Ok;
    }
    return pressed == IDYES ? app::Answer::Yes : app::Answer::No;
}

app::OpenChoice WindowPort::chooseFilesToOpen(const app::FileDialogRequest& request) {
    return dialogs_.openFiles(window_.handle(), request);
}

std::optional<std::string> WindowPort::chooseFileToSave(const app::FileDialogRequest& request) {
    return dialogs_.saveFile(window_.handle(), request);
}

std::string WindowPort::displayText(app::Display display) {
    const HWND control = window_.control(static_cast<int>(display));
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return files::toUtf8(text);
}

void WindowPort::setDisplayText(app::Display display, const std::string& text) {
    ::SetWindowTextW(window_.control(static_cast<int>(display)),
                     files::toWideLenient(text).c_str());
}

bool WindowPort::isFileInfoChecked() {
    return ::SendMessageW(window_.control(app::cmd::FileInfo), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::vector<int> WindowPort::selectedRows() {
    std::vector<int> rows;
    const HWND list = window_.listView();
    for (auto row = ::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
         row >= 0;
         row = ::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED)) {
        rows.push_back(static_cast<int>(row));
    }
    return rows;
}

void WindowPort::setRowSelected(int row, bool selected) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    ::SendMessageW(window_.listView(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&item));
}

bool WindowPort::isButtonEnabled(int commandId) {
    return ::IsWindowEnabled(window_.control(commandId)) != FALSE; // FALSE for no button
}

void WindowPort::setButtonEnabled(int commandId, bool enabled) {
    if (const HWND button = window_.control(commandId)) {
        ::EnableWindow(button, enabled);
    }
}

void WindowPort::redraw() {
    ::InvalidateRect(window_.handle(), nullptr, FALSE);
}

void WindowPort::repaintLink() {
    const RECT area = window_.linkArea();
    ::InvalidateRect(window_.handle(), &area, FALSE);
}

void WindowPort::showHandCursor() {
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
}

void WindowPort::openFolder(const std::string& path) {
    dialogs_.shellOpen(files::toWideLenient(path));
}

void WindowPort::openUrl(const std::string& url) {
    // The commands hand over full addresses, scheme included.
    dialogs_.shellOpen(files::toWideLenient(url));
}

void WindowPort::runDialog(app::InfoDialog dialog) {
    dialogs_.infoDialog(window_.handle(), static_cast<int>(dialog));
}

std::optional<app::SettingTexts> WindowPort::editMergeSettings(const app::SettingTexts& shown,
                                                               const app::SettingsCheck& check) {
    return dialogs_.mergeSettings(window_.handle(), shown, check);
}

app::SettingTexts WindowPort::loadSettings(const std::string& group) {
    return readRegistrySettings(settingsKey(group));
}

bool WindowPort::storeSettings(const std::string& group, const app::SettingTexts& values) {
    return writeRegistrySettings(settingsKey(group), values);
}

void WindowPort::quit() {
    ::DestroyWindow(window_.handle());
}

bool WindowPort::reportProgress(std::uint64_t done, std::uint64_t total) {
    return progress_.report(done, total);
}

void WindowPort::endProgress() {
    progress_.end();
}

} // namespace zd::win32
