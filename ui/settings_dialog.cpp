#include "ui/settings_dialog.h"

#include "app/settings_dialog.h"
#include "ui/group_frame.h"
#include "ui/info_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zd::ui {
namespace {

QString qText(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The value `shown` holds for `key`; empty when it holds none.
QString shownValue(const app::SettingTexts& shown, const char* key) {
    const auto found = shown.find(key);
    return found == shown.end() ? QString() : QString::fromStdString(found->second);
}

} // namespace

SettingsDialog::SettingsDialog(const app::SettingTexts& shown, app::SettingsCheck check,
                               std::function<void(const QString&)> tell, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      check_(std::move(check)), tell_(std::move(tell)) {
    setWindowTitle(qText(app::kSettingsTitle));
    // In the window's own font, as the dialog's fields are laid out in its units.
    const DialogUnits units(font());
    setFixedSize(units.x(app::kSettingsWidth), units.y(app::kSettingsHeight));

    // Created in the table's order, which Tab follows.
    QLabel* label = nullptr;
    for (const app::DialogField& field : app::kSettingsFields) {
        QWidget* widget = nullptr;
        const QString value = shownValue(shown, field.key);
        switch (field.kind) {
        case app::FieldKind::Group: // before the fields it surrounds, so behind them
            widget = makeGroupFrame(qText(field.text), this);
            break;
        case app::FieldKind::Label:
            widget = label = new QLabel(qText(field.text), this);
            break;
        case app::FieldKind::Choice: {
            auto* choice = new QComboBox(this);
            choice->setEditable(true);
            choice->setInsertPolicy(QComboBox::NoInsert);
            for (const char* common : app::kAlignmentChoices) {
                choice->addItem(qText(common));
            }
            choice->setEditText(value);
            widget = choice;
            break;
        }
        case app::FieldKind::Edit:
            widget = new QLineEdit(value, this);
            break;
        case app::FieldKind::Check: {
            auto* box = new QCheckBox(qText(field.text), this);
            box->setChecked(value == QLatin1String("true"));
            widget = box;
            break;
        }
        case app::FieldKind::Ok:
        case app::FieldKind::Cancel: {
            auto* button = new QPushButton(qText(field.text), this);
            const bool ok = field.kind == app::FieldKind::Ok;
            button->setDefault(ok);
            connect(button, &QPushButton::clicked, this, ok ? &QDialog::accept : &QDialog::reject);
            widget = button;
            break;
        }
        }
        if (*field.key != '\0') {
            widget->setObjectName(QString::fromUtf8(field.key));
            if (label != nullptr && field.kind != app::FieldKind::Check) {
                label->setBuddy(widget);
            }
        }
        if (field.kind != app::FieldKind::Label) {
            label = nullptr;
        }
        widget->setGeometry(units.rect(field.x, field.y, field.width, field.height));
    }
}

app::SettingTexts SettingsDialog::values() const {
    app::SettingTexts values;
    for (const app::DialogField& field : app::kSettingsFields) {
        const QString key = QString::fromUtf8(field.key);
        if (key.isEmpty()) {
            continue;
        }
        QString value;
        if (const auto* choice = findChild<QComboBox*>(key)) {
            value = choice->currentText();
        } else if (const auto* edit = findChild<QLineEdit*>(key)) {
            value = edit->text();
        } else if (const auto* box = findChild<QCheckBox*>(key)) {
            value = box->isChecked() ? QStringLiteral("true") : QStringLiteral("false");
        }
        values[field.key] = value.toStdString();
    }
    return values;
}

void SettingsDialog::accept() {
    if (const std::optional<std::string> problem = check_(values())) {
        tell_(QString::fromStdString(*problem));
        return;
    }
    QDialog::accept();
}

} // namespace zd::ui
