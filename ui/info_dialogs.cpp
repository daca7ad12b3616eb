#include "ui/info_dialogs.h"

#include "ui/group_frame.h"
#include "ui/icons.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace zd::ui {

namespace {

// The average is taken over the Latin alphabet, as dialog units are defined;
// a CJK font's own average would count its wide glyphs.
constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

const char* const kCopyright = "Copyright (C) 2023 Tessarine";
const char* const kContact = "联系方式：请访问网站";

class Builder {
  public:
    Builder(QDialog& dialog, int pointSize) : dialog_(dialog), units_(fontOf(pointSize)) {
        dialog_.setFont(fontOf(pointSize));
    }

    void size(int width, int height) { dialog_.setFixedSize(units_.x(width), units_.y(height)); }

    void text(const char* text, int x, int y, int width, int height) {
        auto* label = new QLabel(QString::fromUtf8(text), &dialog_);
        label->setGeometry(units_.rect(x, y, width, height));
    }

    void ok(int x, int y) {
        auto* button = new QPushButton(QStringLiteral("确定"), &dialog_);
        button->setGeometry(units_.rect(x, y, 50, 14));
        button->setDefault(true);
        button->setFocus();
        QObject::connect(button, &QPushButton::clicked, &dialog_, &QDialog::accept);
    }

    void group(const char* title, int x, int y, int width, int height) {
        QGroupBox* box = makeGroupFrame(QString::fromUtf8(title), &dialog_);
        box->setGeometry(units_.rect(x, y, width, height));
        box->lower(); // a frame behind the texts it surrounds
    }

    void icon(int x, int y) {
        // An icon control takes the icon's own size, not the template's.
        auto* label = new QLabel(&dialog_);
        label->setPixmap(applicationIcon().pixmap(32, 32));
        label->setGeometry(units_.x(x), units_.y(y), 32, 32);
    }

  private:
    static QFont fontOf(int pointSize) {
        QFont font = QApplication::font();
        font.setPointSize(pointSize);
        return font;
    }

    QDialog& dialog_;
    DialogUnits units_;
};

void buildAbout(Builder& b) {
    b.size(170, 63);
    b.text("ZadodazidErav, 版本 1.1.0.0", 42, 14, 114, 8);
    b.text(kCopyright, 42, 26, 114, 8);
    b.ok(113, 42);
    b.icon(15, 16);
}

void buildUsage(Builder& b) {
    b.size(275, 161);
    b.ok(213, 139);
    b.text("（1）软件功能：按二制制格式合并多个文件", 14, 18, 157, 8);
    b.text("（2）前置偏移地址每次递进4KB(4096 Bytes)，也可手动输入设定，", 14, 31, 234, 8);
    b.text("（3）是否将文件的地址和大小信息保存在前置空间可选", 14, 56, 197, 8);
    b.text("（4）文件地址和大小信息各占4 Bytes，数据格式：LSB -> MSB", 14, 69, 218, 8);
    b.text(kCopyright, 106, 105, 138, 8);
    b.text("（5）保存bin档同时会生成.h文件，后续可从该文件重新导入列表", 14, 82, 229, 8);
    b.group("", 11, 7, 251, 124);
    b.text(kContact, 151, 116, 92, 8);
    b.text("          前缀加0x输入16进制", 14, 43, 93, 8);
}

void buildRevisionHistory(Builder& b) {
    b.size(249, 109);
    b.ok(192, 88);
    b.group("Records of Revision", 7, 7, 235, 75);
    b.text("Ver 1.1.0.0     2023/11/6 第一版发布", 13, 19, 123, 8);
}

} // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString alphabet = QString::fromLatin1(kAlphabet);
    averageWidth_ = (metrics.horizontalAdvance(alphabet) + alphabet.size() / 2) / alphabet.size();
    height_ = metrics.height();
}

int DialogUnits::x(int units) const {
    return units * averageWidth_ / 4;
}
int DialogUnits::y(int units) const {
    return units * height_ / 8;
}

QRect DialogUnits::rect(int x, int y, int width, int height) const {
    return {this->x(x), this->y(y), this->x(width), this->y(height)};
}

std::unique_ptr<QDialog> makeInfoDialog(app::InfoDialog which, QWidget* parent) {
    auto dialog =
        std::make_unique<QDialog>(parent, Qt::Dialog | Qt::WindowTitleHint |
                                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    switch (which) {
    case app::InfoDialog::About: {
        dialog->setWindowTitle(QStringLiteral("关于 ZadodazidErav"));
        Builder builder(*dialog, 9);
        buildAbout(builder);
        break;
    }
    case app::InfoDialog::Usage: {
        dialog->setWindowTitle(QStringLiteral("使用说明"));
        Builder builder(*dialog, 8);
        buildUsage(builder);
        break;
    }
    case app::InfoDialog::RevisionHistory: {
        dialog->setWindowTitle(QStringLiteral("版本历史"));
        Builder builder(*dialog, 8);
        buildRevisionHistory(builder);
        break;
    }
    }
    return dialog;
}

} // namespace zd::ui
