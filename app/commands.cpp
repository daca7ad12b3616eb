#include "app/commands.h"

#include "app/handlers.h"
#include "core/files/file_layer.h"

#include <utility>

namespace zd::app {

ButtonLock::ButtonLock(Port& port, int commandId)
    : port_(port), commandId_(commandId), wasEnabled_(port.isButtonEnabled(commandId)) {
    port_.setButtonEnabled(commandId_, false);
}

ButtonLock::~ButtonLock() {
    port_.setButtonEnabled(commandId_, wasEnabled_);
    port_.redraw();
}

void showTotals(Context c) {
    c.port.setDisplayText(Display::FileCount,
                          decimal(static_cast<std::uint64_t>(c.state.list.rowCount())));
    c.port.setDisplayText(Display::Capacity, decimal(c.state.list.imageCapacity()));
}

Commands::Commands(Port& port, std::string publisherHost)
    : port_(port), publisherHost_(std::move(publisherHost)) {}

bool Commands::onCommand(int id, int notificationCode) {
    const Context c{port_, state_};
    // Control commands answer only a click; typing into the front-offset
    // edit or a shortcut must not start them.
    if (notificationCode == kNotifyClick) {
        switch (id) {
        case cmd::Delete:
            deleteRow(c);
            return true;
        case cmd::Clear:
            clearList(c);
            return true;
        case cmd::AddFiles:
            addFiles(c);
            return true;
        case cmd::MergeSave:
            mergeSave(c);
            return true;
        case cmd::MoveUp:
            moveUp(c);
            return true;
        case cmd::MoveDown:
            moveDown(c);
            return true;
        case cmd::StepUp:
            stepOffsetUp(c);
            return true;
        case cmd::StepDown:
            stepOffsetDown(c);
            return true;
        case cmd::ViewResult:
            viewResult(c);
            return true;
        case cmd::ImportList:
            importListFile(c);
            return true;
        case cmd::FileInfo:
            fileInfoToggled(c);
            return true;
        case cmd::ApplyOffset:
            applyTypedOffset(c);
            return true;
        case cmd::FolderImport:
            importFolder(c);
            return true;
        default:
            break;
        }
    }
    switch (id) {
    case cmd::About:
        port_.runDialog(InfoDialog::About);
        return true;
    case cmd::Usage:
        port_.runDialog(InfoDialog::Usage);
        return true;
    case cmd::RevisionHistory:
        port_.runDialog(InfoDialog::RevisionHistory);
        return true;
    case cmd::Exit:
        port_.quit();
        return true;
    case cmd::LatestVersion:
        port_.openUrl(linkText() + kLatestVersionPath);
        return true;
    case cmd::ExportHeader:
        exportHeader(c);
        return true;
    case cmd::VerifyImage:
        verifyImageFile(c);
        return true;
    case cmd::ImageInfo:
        showImageTable(c);
        return true;
    case cmd::MergeSettings:
        editMergeSettings(c);
        return true;
    default:
        return false;
    }
}

void Commands::onMouseMove(int x, int y) {
    state_.linkHot = kLinkRect.contains(x, y);
    if (state_.linkHot) {
        port_.showHandCursor();
    }
    // Repainted on every move, changed or not, so the colour never lags.
    port_.repaintLink();
}

void Commands::onLeftButtonDown(int x, int y) {
    if (kLinkRect.contains(x, y)) {
        port_.openUrl(linkText());
    }
}

void Commands::loadMergeSettings() {
    app::loadMergeSettings(Context{port_, state_});
}

void Commands::onDrop(const std::vector<std::string>& paths) {
    addDropped(Context{port_, state_}, paths);
}

void Commands::openWith(const std::vector<std::string>& paths) {
    std::vector<std::string> absolute;
    for (const std::string& path : paths) {
        absolute.push_back(files::absolutePath(path));
    }
    addDropped(Context{port_, state_}, absolute);
}

// The platform's open operation needs the scheme in front of a bare host.
std::string Commands::linkText() const {
    return "http://" + publisherHost_;
}

} // namespace zd::app
