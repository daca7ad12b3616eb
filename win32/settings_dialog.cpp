#include "win32/settings_dialog.h"

#include "app/settings_dialog.h"
#include "core/files/utf16_text.h"

#include <commctrl.h>

namespace zd::win32 {
namespace {

// The room a choice's list takes below its text when it drops down.
constexpr short kChoiceListHeight = 60;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

struct Kind {
    const wchar_t* className;
    DWORD style;
    DWORD extendedStyle;
};

Kind kindOf(app::FieldKind kind) {
    switch (kind) {
    case app::FieldKind::Group:
        return {L"Button", kChild | BS_GROUPBOX, 0};
    case app::FieldKind::Label:
        return {L"Static", kChild | SS_LEFT, 0};
    case app::FieldKind::Choice:
        return {L"ComboBox", kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0};
    case app::FieldKind::Edit:
        return {L"Edit", kChild | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case app::FieldKind::Check:
        return {L"Button", kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0};
    case app::FieldKind::Ok:
        return {L"Button", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0};
    case app::FieldKind::Cancel:
        break;
    }
    return {L"Button", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0};
}

// What one run of the dialog is given and gives back.
struct Run {
    const app::SettingTexts& shown;
    const app::SettingsCheck& check;
    const TellProblem& tell;
    std::optional<app::SettingTexts> kept;
};

void showValues(HWND dialog, const app::SettingTexts& shown) {
    for (const app::DialogField& field : app::kSettingsFields) {
        const auto found = shown.find(field.key);
        if (*field.key == '\0' || found == shown.end()) {
            continue;
        }
        const std::wstring value = files::toWideLenient(found->second);
        if (field.kind == app::FieldKind::Check) {
            ::CheckDlgButton(dialog, field.id, found->second == "true" ? BST_CHECKED : 0);
            continue;
        }
        if (field.kind == app::FieldKind::Choice) {
            for (const char* common : app::kAlignmentChoices) {
                ::SendDlgItemMessageW(
                    dialog, field.id, CB_ADDSTRING, 0,
                    reinterpret_cast<LPARAM>(files::toWideLenient(common).c_str()));
            }
        }
        ::SetDlgItemTextW(dialog, field.id, value.c_str());
    }
}

// Over the middle of its owner, as Qt places a dialog.
void centreOnOwner(HWND dialog) {
    RECT owner{}, own{};
    ::GetWindowRect(::GetWindow(dialog, GW_OWNER), &owner);
    ::GetWindowRect(dialog, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    ::SetWindowPos(dialog, nullptr, (owner.left + owner.right - width) / 2,
                   (owner.top + owner.bottom - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        showValues(dialog, reinterpret_cast<Run*>(lParam)->shown);
        centreOnOwner(dialog);
        return TRUE; // the focus goes to the first field
    }
    auto* run = reinterpret_cast<Run*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    if (message != WM_COMMAND || run == nullptr) {
        return FALSE;
    }
    switch (LOWORD(wParam)) {
    case IDOK: {
        app::SettingTexts values = settingsDialogValues(dialog);
        if (const std::optional<std::string> problem = run->check(values)) {
            run->tell(dialog, *problem);
            return TRUE;
        }
        run->kept = std::move(values);
        ::EndDialog(dialog, IDOK);
        return TRUE;
    }
    case IDCANCEL:
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

TemplateDialog settingsDialogTemplate() {
    TemplateDialog dialog{files::toWideLenient(app::kSettingsTitle),
                          WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_FIXEDSYS,
                          app::kSettingsWidth,
                          app::kSettingsHeight,
                          L"MS Shell Dlg", // the system's dialog font, as in the resource script
                          8,
                          {}};
    for (const app::DialogField& field : app::kSettingsFields) {
        const Kind kind = kindOf(field.kind);
        const short listHeight = field.kind == app::FieldKind::Choice ? kChoiceListHeight : 0;
        dialog.items.push_back({kind.className, files::toWideLenient(field.text), field.id,
                                kind.style, kind.extendedStyle, static_cast<short>(field.x),
                                static_cast<short>(field.y), static_cast<short>(field.width),
                                static_cast<short>(field.height + listHeight)});
    }
    return dialog;
}

std::optional<app::SettingTexts> runSettingsDialog(HINSTANCE instance, HWND owner,
                                                   const app::SettingTexts& shown,
                                                   const app::SettingsCheck& check,
                                                   const TellProblem& tell) {
    const std::vector<WORD> words = dialogTemplate(settingsDialogTemplate());
    Run run{shown, check, tell, std::nullopt};
    ::DialogBoxIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), owner,
                              procedure, reinterpret_cast<LPARAM>(&run));
    return run.kept;
}

app::SettingTexts settingsDialogValues(HWND dialog) {
    app::SettingTexts values;
    for (const app::DialogField& field : app::kSettingsFields) {
        if (*field.key == '\0') {
            continue;
        }
        if (field.kind == app::FieldKind::Check) {
            values[field.key] =
                ::IsDlgButtonChecked(dialog, field.id) == BST_CHECKED ? "true" : "false";
            continue;
        }
        const HWND control = ::GetDlgItem(dialog, field.id);
        std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
        values[field.key] = files::toUtf8(text);
    }
    return values;
}

} // namespace zd::win32
