#include "dialog_layer.h"

#include "info_dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <memory>

namespace zd::ui {

namespace {

QMessageBox::Icon toQt(app::Icon icon) {
    switch (icon) {
    case app::Icon::Information:
        return QMessageBox::Information;
    case app::Icon::Warning:
        return QMessageBox::Warning;
    case app::Icon::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

// "*.*" means every file to the user, as it does on the desktop the lists
// come from; Qt would read it as "names with a dot".
QString qtPattern(const std::string& pattern) {
    return pattern == "*.*" ? QStringLiteral("*") : QString::fromStdString(pattern);
}

// A dialog set up afresh for every use: empty name field, the first filter.
std::unique_ptr<QFileDialog> fileDialog(QWidget* owner, const app::FileDialogRequest& request) {
    auto dialog = std::make_unique<QFileDialog>(owner, QString::fromStdString(request.title));
    const QStringList filters = nameFilters(request);
    dialog->setNameFilters(filters);
    if (!filters.isEmpty()) {
        dialog->selectNameFilter(filters.front());
    }
    // The labels already name their patterns; showing Qt's copy would repeat them.
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    return dialog;
}

} // namespace

QStringList nameFilters(const app::FileDialogRequest& request) {
    QStringList filters;
    for (const app::FileFilter& filter : request.filters) {
        QStringList patterns;
        for (const std::string& pattern : filter.patterns) {
            patterns << qtPattern(pattern);
        }
        filters << QString::fromStdString(filter.label) + QStringLiteral(" (") +
                       patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

app::Answer QtDialogLayer::message(QWidget* owner, const QString& text, const QString& caption,
                                   app::Icon icon, app::Buttons buttons) {
    QMessageBox box(toQt(icon), caption, text, QMessageBox::NoButton, owner);
    if (buttons == app::Buttons::Ok) {
        box.setDefaultButton(box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole));
        box.exec();
        return app::Answer::Ok;
    }
    QPushButton* yes = box.addButton(QStringLiteral("是"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("否"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? app::Answer::Yes : app::Answer::No;
}

QStringList QtDialogLayer::openFiles(QWidget* owner, const app::FileDialogRequest& request) {
    auto dialog = fileDialog(owner, request);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (dialog->exec() != QDialog::Accepted) {
        return {};
    }
    return dialog->selectedFiles();
}

std::optional<QString> QtDialogLayer::saveFile(QWidget* owner,
                                               const app::FileDialogRequest& request) {
    auto dialog = fileDialog(owner, request);
    // A new name is fine; an existing one is confirmed first (Qt's default).
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog->selectedFiles().front();
}

void QtDialogLayer::infoDialog(QWidget* owner, app::InfoDialog dialog, QPoint topLeft) {
    const std::unique_ptr<QDialog> box = makeInfoDialog(dialog, owner);
    box->move(topLeft);
    box->exec();
}

void QtDialogLayer::openExternal(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

} // namespace zd::ui
