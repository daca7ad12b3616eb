#include "ui/settings_store.h"

#include <QSettings>
#include <QStringList>

namespace zd::ui {
namespace {

// The program's own file (on Linux an INI file) in the user's settings folder.
const QString kName = QStringLiteral("zadodaziderav");

} // namespace

app::SettingTexts readSettingsGroup(const QString& group) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kName, kName);
    settings.beginGroup(group);
    app::SettingTexts values;
    for (const QString& key : settings.childKeys()) {
        const QVariant value = settings.value(key);
        // A text with a comma reads back as a list; its parts are joined
        // again, so that it is checked, not lost.
        const QString text = value.typeId() == QMetaType::QStringList
                                 ? value.toStringList().join(QLatin1Char(','))
                                 : value.toString();
        values[key.toStdString()] = text.toStdString();
    }
    return values;
}

bool writeSettingsGroup(const QString& group, const app::SettingTexts& values) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kName, kName);
    settings.remove(group);
    settings.beginGroup(group);
    for (const auto& [key, value] : values) {
        settings.setValue(QString::fromStdString(key), QString::fromStdString(value));
    }
    settings.sync(); // which sets the status
    return settings.status() == QSettings::NoError;
}

} // namespace zd::ui
