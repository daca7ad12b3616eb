#include "win32/dialogs.h"

#include "core/files/utf16_text.h"

#include <algorithm>
#include <commdlg.h>
#include <shellapi.h>

namespace zd::win32 {
namespace {

constexpr std::size_t kSaveBuffer = 32768;

// The proposed name in the name field, and its folder as the one the dialog
// opens in; `folder` must outlive the dialog.
void propose(OPENFILENAMEW& dialog, const std::string& proposed, std::wstring& folder) {
    if (proposed.empty()) {
        return;
    }
    const std::wstring path = files::toWideLenient(proposed);
    const std::size_t cut = path.find_last_of(L"\\/") + 1; // 0 when there is no folder
    folder = path.substr(0, cut);
    path.copy(dialog.lpstrFile, std::min<std::size_t>(path.size() - cut, dialog.nMaxFile - 1), cut);
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
}

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
    // Set up afresh for every use: first filter; no name and no folder unless
    // one is proposed.
    std::wstring buffer(request.multiple ? selectionChars_ : kSaveBuffer, L'\0');
    const std::wstring filters = filterText(request.filters);
    const std::wstring title = files::toWideLenient(request.title);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES |
                   (request.multiple ? OFN_ALLOWMULTISELECT : 0);
    app::OpenChoice choice;
    std::wstring folder;
    propose(dialog, request.proposed, folder);
    if (!::GetOpenFileNameW(&dialog)) {
        // 0 for a cancel; a selection that does not fit fails rather than
        // losing names.
        choice.failure = ::CommDlgExtendedError();
        return choice;
    }
    for (const std::wstring& path : selectedPaths(buffer.c_str(), dialog.nFileOffset)) {
        choice.paths.push_back(files::toUtf8(path));
    }
    return choice;
}

std::optional<std::string> SystemDialogs::saveFile(HWND owner,
                                                   const app::FileDialogRequest& request) {
    std::wstring buffer(kSaveBuffer, L'\0');
    const std::wstring filters = filterText(request.filters);
    const std::wstring title = files::toWideLenient(request.title);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrTitle = title.c_str();
    // A new name can be confirmed; an existing one is asked about first.
    dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    std::wstring folder;
    propose(dialog, request.proposed, folder);
    if (!::GetSaveFileNameW(&dialog)) {
        return std::nullopt;
    }
    return files::toUtf8(buffer.c_str());
}

void SystemDialogs::infoDialog(HWND owner, int resourceId) {
    ::DialogBoxParamW(instance_, MAKEINTRESOURCEW(resourceId), owner, infoDialogProcedure, 0);
}

void SystemDialogs::shellOpen(const std::wstring& target) {
    ::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace zd::win32
