#include "win32/dialogs.h"

#include "app/messages.h"
#include "core/files/utf16_text.h"
#include "win32/settings_dialog.h"

#include <algorithm>
#include <commdlg.h>
#include <shellapi.h>

namespace zd::win32 {
namespace {

constexpr std::size_t kSaveBuffer = 32768;

// One file dialog's description, set up afresh for every use: the first
// filter; no name and no folder unless one is proposed, then the proposed
// name in the name field and its folder as the one the dialog opens in. It
// owns every text the description points to, so it cannot be moved.
class FileDialog {
  public:
    FileDialog(HWND owner, const app::FileDialogRequest& request, std::size_t bufferChars,
               DWORD flags)
        : buffer_(bufferChars, L'\0'), filters_(filterText(request.filters)),
          title_(files::toWideLenient(request.title)) {
        dialog_.lStructSize = sizeof dialog_;
        dialog_.hwndOwner = owner;
        dialog_.lpstrFilter = filters_.c_str();
        dialog_.nFilterIndex = 1;
        dialog_.lpstrFile = buffer_.data();
        dialog_.nMaxFile = static_cast<DWORD>(buffer_.size());
        dialog_.lpstrTitle = title_.c_str();
        dialog_.Flags = flags;
        propose(request.proposed);
    }
    FileDialog(const FileDialog&) = delete;
    FileDialog& operator=(const FileDialog&) = delete;

    OPENFILENAMEW* description() { return &dialog_; }
    const wchar_t* result() const { return buffer_.c_str(); }

  private:
    void propose(const std::string& proposed) {
        if (proposed.empty()) {
            return;
        }
        const std::wstring path = files::toWideLenient(proposed);
        const std::size_t cut = path.find_last_of(L"\\/") + 1; // 0 when there is no folder
        folder_ = path.substr(0, cut);
        path.copy(dialog_.lpstrFile, std::min<std::size_t>(path.size() - cut, dialog_.nMaxFile - 1),
                  cut);
        dialog_.lpstrInitialDir = folder_.empty() ? nullptr : folder_.c_str();
    }

    std::wstring buffer_;
    std::wstring filters_;
    std::wstring title_;
    std::wstring folder_;
    OPENFILENAMEW dialog_{};
};

} // namespace

UINT messageBoxType(app::Icon icon, app::Buttons buttons) {
    UINT type = buttons == app::Buttons::YesNo ? MB_YESNO : MB_OK;
    switch (icon) {
    case app::Icon::Information:
        return type | MB_ICONINFORMATION;
    case app::Icon::Warning:
        return type | MB_ICONWARNING;
    case app::Icon::Error:
        return type | MB_ICONERROR;
    }
    return type;
}

std::wstring filterText(const std::vector<app::FileFilter>& filters) {
    std::wstring text;
    for (const app::FileFilter& filter : filters) {
        text += files::toWideLenient(filter.label);
        text += L'\0';
        for (std::size_t i = 0; i < filter.patterns.size(); ++i) {
            text += (i ? L";" : L"") + files::toWideLenient(filter.patterns[i]);
        }
        text += L'\0';
    }
    text += L'\0';
    return text;
}

std::vector<std::wstring> selectedPaths(const wchar_t* buffer, std::size_t nameOffset) {
    std::vector<std::wstring> paths;
    if (nameOffset == 0 || buffer[nameOffset - 1] != L'\0') {
        paths.emplace_back(buffer); // one file: its full path
        return paths;
    }
    // The folder, then the names; a drive root already ends in "\".
    std::wstring folder(buffer);
    if (folder.empty() || folder.back() != L'\\') {
        folder += L'\\';
    }
    for (const wchar_t* name = buffer + nameOffset; *name != L'\0';) {
        const std::wstring_view part(name);
        paths.push_back(folder + std::wstring(part));
        name += part.size() + 1;
    }
    return paths;
}

INT_PTR CALLBACK infoDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE; // the focus goes to OK, the first control that takes it
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

int SystemDialogs::message(HWND owner, const std::wstring& text, const std::wstring& caption,
                           UINT type) {
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

app::OpenChoice SystemDialogs::openFiles(HWND owner, const app::FileDialogRequest& request) {
    FileDialog dialog(owner, request, request.multiple ? selectionChars_ : kSaveBuffer,
                      OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES |
                          (request.multiple ? OFN_ALLOWMULTISELECT : 0));
    app::OpenChoice choice;
    if (!::GetOpenFileNameW(dialog.description())) {
        // 0 for a cancel; a selection that does not fit fails rather than
        // losing names.
        choice.failure = ::CommDlgExtendedError();
        return choice;
    }
    for (const std::wstring& path :
         selectedPaths(dialog.result(), dialog.description()->nFileOffset)) {
        choice.paths.push_back(files::toUtf8(path));
    }
    return choice;
}

std::optional<std::string> SystemDialogs::saveFile(HWND owner,
                                                   const app::FileDialogRequest& request) {
    // A new name can be confirmed; an existing one is asked about first,
    // unless the command asks itself.
    FileDialog dialog(owner, request, kSaveBuffer,
                      OFN_EXPLORER | OFN_PATHMUSTEXIST |
                          (request.confirmOverwrite ? OFN_OVERWRITEPROMPT : 0));
    if (!::GetSaveFileNameW(dialog.description())) {
        return std::nullopt;
    }
    return files::toUtf8(dialog.result());
}

void SystemDialogs::infoDialog(HWND owner, int resourceId) {
    ::DialogBoxParamW(instance_, MAKEINTRESOURCEW(resourceId), owner, infoDialogProcedure, 0);
}

std::optional<app::SettingTexts> SystemDialogs::mergeSettings(HWND owner,
                                                              const app::SettingTexts& shown,
                                                              const app::SettingsCheck& check) {
    return runSettingsDialog(
        instance_, owner, shown, check, [this](HWND dialog, const std::string& problem) {
            message(dialog, files::toWideLenient(problem), files::toWideLenient(app::text::kNotice),
                    messageBoxType(app::Icon::Error, app::Buttons::Ok));
        });
}

void SystemDialogs::shellOpen(const std::wstring& target) {
    ::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace zd::win32
