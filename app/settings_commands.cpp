// The merge settings: taken from where the user keeps them once the window
// is up, and changed in their dialog.
#include "app/handlers.h"
#include "app/merge_settings.h"
#include "app/messages.h"
#include "core/model/file_names.h"

namespace zd::app {

void loadMergeSettings(Context c) {
    const SettingsRead read = readMergeSettings(c.port.loadSettings(kMergeSettingsGroup));
    c.state.settings = read.settings;
    if (read.malformed.empty()) {
        return; // a key missing is its default, silently
    }
    std::string said = text::kSettingsMalformed;
    for (const auto& [key, value] : read.malformed) {
        said += "\n" + key + " = " + printableName(value);
    }
    c.port.showMessage(said, text::kNotice, Icon::Warning, Buttons::Ok);
}

void editMergeSettings(Context c) {
    const std::optional<SettingTexts> edited =
        c.port.editMergeSettings(shownTexts(c.state.settings), dialogProblem);
    if (!edited) {
        return;
    }
    c.state.settings = readMergeSettings(*edited).settings;
    if (!c.port.storeSettings(kMergeSettingsGroup, storedTexts(c.state.settings))) {
        c.port.showMessage(text::kSettingsNotStored, text::kNotice, Icon::Warning, Buttons::Ok);
    }
}

} // namespace zd::app
