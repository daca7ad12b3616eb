#include "ui/dialog_layer.h"

#include "app/messages.h"
#include "ui/info_dialogs.h"
#include "ui/settings_dialog.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
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

// A dialog set up afresh for every use: the name field empty or holding the
// proposed name, in the proposed name's folder; the first filter selected (a
// new dialog selects it).
std::unique_ptr<QFileDialog> fileDialog(QWidget* owner, const app::FileDialogRequest& request) {
    auto dialog = std::make_unique<QFileDialog>(owner, QString::fromStdString(request.title));
    dialog->setNameFilters(nameFilters(request));
    if (!request.proposed.empty()) {
        const QFileInfo proposed(QString::fromStdString(request.proposed));
        dialog->setDirectory(proposed.absolutePath());
        dialog->selectFile(proposed.fileName());
    }
    // The labels already name their patterns; showing Qt's copy would repeat them.
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    return dialog;
}

// The names in the dialog's name field: several in double quotes
// ("a.bin" "b.dot"), as the dialog writes a multiple selection there, or one
// without. A name may be absolute, start at the home folder ("~/"), or be
// relative to the dialog's folder.
QStringList typedPaths(const QString& field, const QDir& folder) {
    QStringList names;
    if (field.contains(QLatin1Char('"'))) {
        const QStringList parts = field.split(QLatin1Char('"'));
        for (qsizetype i = 1; i < parts.size(); i += 2) { // the even parts lie between names
            names << parts[i];
        }
    } else {
        names << field;
    }
    QStringList paths;
    for (QString name : names) {
        if (name.isEmpty()) {
            continue;
        }
        if (name == QLatin1String("~") || name.startsWith(QLatin1String("~/"))) {
            name.replace(0, 1, QDir::homePath());
        }
        paths << folder.absoluteFilePath(name); // ".." is the system's to resolve
    }
    return paths;
}

// What the user chose: every name in the name field, then any selected file
// the field does not name. Qt's own answer holds only what it selected in its
// list whenever it selected anything there, and it selects only names that the
// current filter shows and that it has listed already; a name of another type,
// or one typed before the folder was read, would be lost without a word.
// Names that do not exist come back too, so that the command names them.
QStringList chosenPaths(const QFileDialog& dialog) {
    QStringList chosen;
    // The name field of Qt's own dialog; a desktop's native dialog has none.
    if (const auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        chosen = typedPaths(field->text(), dialog.directory());
    }
    QStringList clean;
    for (const QString& path : chosen) {
        clean << QDir::cleanPath(path);
    }
    for (const QString& path : dialog.selectedFiles()) {
        if (!clean.contains(QDir::cleanPath(path))) {
            chosen << path;
        }
    }
    return chosen;
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
    auto dialog = fileDialog(owner, request); // an open dialog
    dialog->setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (dialog->exec() != QDialog::Accepted) {
        return {};
    }
    return chosenPaths(*dialog);
}

std::optional<QString> QtDialogLayer::saveFile(QWidget* owner,
                                               const app::FileDialogRequest& request) {
    auto dialog = fileDialog(owner, request);
    // Any name (the default file mode); an existing one is confirmed first
    // unless the command asks itself.
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
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

std::optional<app::SettingTexts> QtDialogLayer::mergeSettings(QWidget* owner,
                                                              const app::SettingTexts& shown,
                                                              const app::SettingsCheck& check) {
    SettingsDialog* shownOn = nullptr;
    SettingsDialog dialog(
        shown, check,
        [this, &shownOn](const QString& problem) {
            message(shownOn, problem, QString::fromUtf8(app::text::kNotice), app::Icon::Error,
                    app::Buttons::Ok);
        },
        owner);
    shownOn = &dialog;
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.values();
}

void QtDialogLayer::openExternal(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

} // namespace zd::ui
