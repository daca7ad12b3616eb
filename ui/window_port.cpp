#include "ui/window_port.h"

#include "ui/client_area.h"
#include "ui/dialog_layer.h"
#include "ui/entry_table_view.h"
#include "ui/main_window.h"
#include "ui/settings_store.h"

#include <QApplication>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace zd::ui {

namespace {

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

} // namespace

WindowPort::WindowPort(MainWindow& window, DialogLayer& dialogs)
    : window_(window), dialogs_(dialogs), progress_(&window) {}

app::Answer WindowPort::showMessage(const std::string& message, const std::string& caption,
                                    app::Icon icon, app::Buttons buttons) {
    return dialogs_.message(&window_, text(message), text(caption), icon, buttons);
}

// Qt's dialog has no failure of its own to report: it gives names or none.
app::OpenChoice WindowPort::chooseFilesToOpen(const app::FileDialogRequest& request) {
    app::OpenChoice choice;
    for (const QString& path : dialogs_.openFiles(&window_, request)) {
        choice.paths.push_back(path.toStdString());
    }
    return choice;
}

std::optional<std::string> WindowPort::chooseFileToSave(const app::FileDialogRequest& request) {
    const std::optional<QString> path = dialogs_.saveFile(&window_, request);
    if (!path) {
        return std::nullopt;
    }
    return path->toStdString();
}

std::string WindowPort::displayText(app::Display display) {
    return window_.display(display).text().toStdString();
}

void WindowPort::setDisplayText(app::Display display, const std::string& value) {
    window_.display(display).setText(text(value));
}

bool WindowPort::isFileInfoChecked() {
    return window_.fileInfoBox().isChecked();
}

std::vector<int> WindowPort::selectedRows() {
    std::vector<int> rows;
    const QItemSelectionModel* selection = window_.table().selectionModel();
    if (selection == nullptr) {
        return rows;
    }
    for (const QModelIndex& index : selection->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void WindowPort::setRowSelected(int row, bool selected) {
    QItemSelectionModel* selection = window_.table().selectionModel();
    if (selection == nullptr) {
        return;
    }
    // Selects without moving the current row or scrolling.
    const QModelIndex index = window_.table().model()->index(row, 0);
    selection->select(index,
                      (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                          QItemSelectionModel::Rows);
}

bool WindowPort::isButtonEnabled(int commandId) {
    const QPushButton* button = window_.button(commandId);
    return button != nullptr && button->isEnabled();
}

void WindowPort::setButtonEnabled(int commandId, bool enabled) {
    if (QPushButton* button = window_.button(commandId)) {
        button->setEnabled(enabled);
    }
}

void WindowPort::redraw() {
    window_.update();
}

void WindowPort::repaintLink() {
    window_.clientArea().update(window_.clientArea().linkArea());
}

void WindowPort::showHandCursor() {
    window_.clientArea().setCursor(Qt::PointingHandCursor);
}

void WindowPort::openFolder(const std::string& path) {
    dialogs_.openExternal(QUrl::fromLocalFile(text(path)));
}

void WindowPort::openUrl(const std::string& url) {
    // The commands hand over full addresses, scheme included.
    dialogs_.openExternal(QUrl(text(url)));
}

void WindowPort::runDialog(app::InfoDialog dialog) {
    // At the top-left corner of the area below the menu bar.
    const QPoint topLeft = window_.clientArea().mapToGlobal(QPoint(0, 0));
    dialogs_.infoDialog(&window_, dialog, topLeft);
}

std::optional<app::SettingTexts> WindowPort::editMergeSettings(const app::SettingTexts& shown,
                                                               const app::SettingsCheck& check) {
    return dialogs_.mergeSettings(&window_, shown, check);
}

app::SettingTexts WindowPort::loadSettings(const std::string& group) {
    return readSettingsGroup(text(group));
}

bool WindowPort::storeSettings(const std::string& group, const app::SettingTexts& values) {
    return writeSettingsGroup(text(group), values);
}

void WindowPort::quit() {
    window_.close();
    QCoreApplication::quit();
}

bool WindowPort::reportProgress(std::uint64_t done, std::uint64_t total) {
    return progress_.report(done, total);
}

void WindowPort::endProgress() {
    progress_.end();
}

} // namespace zd::ui
