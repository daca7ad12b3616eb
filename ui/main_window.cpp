#include "ui/main_window.h"

#include "app/messages.h"
#include "ui/client_area.h"
#include "ui/entry_table_model.h"
#include "ui/entry_table_view.h"
#include "ui/group_frame.h"
#include "ui/icons.h"
#include "ui/window_port.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QTranslator>
#include <algorithm>

namespace zd::ui {

namespace {

// The outer size the window's placement is worked out for.
constexpr int kOuterWidth = 900;
constexpr int kOuterHeight = 530;

struct SideButton {
    int id;
    const char* text;
    QRect geometry;
};

// The column of command buttons on the right.
const SideButton kSideButtons[] = {
    {app::cmd::AddFiles, "添加文件", {761, 18, 100, 30}},
    {app::cmd::ImportList, "导入存档", {761, 63, 100, 30}},
    {app::cmd::MoveUp, "上移", {761, 108, 100, 30}},
    {app::cmd::MoveDown, "下移", {761, 153, 100, 30}},
    {app::cmd::Delete, "删除", {761, 198, 100, 30}},
    {app::cmd::Clear, "清空", {761, 243, 100, 30}},
    {app::cmd::MergeSave, "合并保存", {761, 288, 100, 30}},
    {app::cmd::ViewResult, "查看结果", {761, 333, 100, 30}},
};

QString idName(int id) {
    return QString::number(id);
}

// A static text: drawn from the top of its box, and transparent to the pointer
// so that moves over it reach the area below, as over the bare area.
QLabel* label(QWidget* parent, const char* text, QRect geometry,
              Qt::Alignment horizontal = Qt::AlignLeft) {
    auto* widget = new QLabel(QString::fromUtf8(text), parent);
    widget->setTextFormat(Qt::PlainText);
    widget->setAlignment(horizontal | Qt::AlignTop);
    widget->setGeometry(geometry);
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    return widget;
}

QLineEdit* edit(QWidget* parent, int id, QRect geometry) {
    auto* widget = new QLineEdit(QStringLiteral("0"), parent);
    widget->setObjectName(idName(id));
    widget->setGeometry(geometry);
    widget->setAttribute(Qt::WA_NoMousePropagation);
    return widget;
}

// A display of the layout: the user cannot change it, but reads it as easily
// as any text (a disabled edit's grey on grey is too faint) and may select
// and copy it. The face of the window behind dark text marks it display only.
QLineEdit* readout(QWidget* parent, int id, QRect geometry) {
    QLineEdit* widget = edit(parent, id, geometry);
    widget->setReadOnly(true);
    widget->setFocusPolicy(Qt::ClickFocus); // Tab passes it by
    QPalette colours = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::Base, colours.color(group, QPalette::Window));
        colours.setColor(group, QPalette::Text, colours.color(group, QPalette::WindowText));
    }
    widget->setPalette(colours);
    return widget;
}

} // namespace

void setApplicationMetadata() {
    QApplication::setApplicationVersion(QStringLiteral(ZD_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("zadodaziderav"));
    QApplication::setWindowIcon(applicationIcon());

    // Qt's own dialog texts in Chinese too, like the rest of the window,
    // whatever the user's locale; without the translation they stay English.
    auto* translator = new QTranslator(qApp);
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    }
}

std::string publisherHost() {
    return ZD_PUBLISHER_HOST;
}

QPoint centredPosition(QSize available) {
    return {(available.width() - kOuterWidth) / 2, (available.height() - kOuterHeight) / 2};
}

MainWindow::MainWindow(DialogLayer& dialogs, QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Tessarine Tool (Ver: %1)").arg(QStringLiteral(ZD_VERSION)));
    setWindowIcon(applicationIcon());

    client_ = new ClientArea(this);
    client_->setObjectName(QStringLiteral("client"));
    setCentralWidget(client_);
    buildControls();

    port_ = std::make_unique<WindowPort>(*this, dialogs);
    commands_ = std::make_unique<app::Commands>(*port_, publisherHost());
    model_ = std::make_unique<EntryTableModel>(commands_->list());
    table_->setModel(model_.get());
    client_->setCommands(commands_.get());

    buildMenus();
    buildShortcuts();
    resize(kClientSize.width(), kClientSize.height() + menuBar()->sizeHint().height());
}

MainWindow::~MainWindow() {
    // The controls outlive the members; the area must not reach the commands.
    // (The view lets go of its model by itself when the model goes.)
    client_->setCommands(nullptr);
}

void MainWindow::buildControls() {
    QWidget* area = client_;

    QGroupBox* frame = makeGroupFrame(QStringLiteral("选择文件与参数"), area);
    frame->setObjectName(QStringLiteral("frame"));
    frame->setGeometry(20, 10, 722, 425);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);

    fileInfo_ = new QCheckBox(QStringLiteral("前置添加文件信息"), area);
    fileInfo_->setObjectName(idName(app::cmd::FileInfo));
    fileInfo_->setGeometry(300, 30, 145, 20);
    fileInfo_->setAttribute(Qt::WA_NoMousePropagation);
    // `clicked` comes after the box has toggled itself.
    connect(fileInfo_, &QCheckBox::clicked, this,
            [this] { commands_->onCommand(app::cmd::FileInfo, app::kNotifyClick); });

    label(area, "前置偏移地址", {460, 30, 100, 20});

    auto addButton = [this, area](int id, const QString& text, QRect geometry) {
        auto* button = new QPushButton(text, area);
        button->setObjectName(idName(id));
        button->setGeometry(geometry);
        button->setAttribute(Qt::WA_NoMousePropagation);
        connect(button, &QPushButton::clicked, this,
                [this, id] { commands_->onCommand(id, app::kNotifyClick); });
        return button;
    };
    addButton(app::cmd::StepDown, QStringLiteral("-"), {561, 28, 20, 20});
    frontOffset_ = edit(area, static_cast<int>(app::Display::FrontOffset), {580, 28, 110, 20});
    frontOffset_->setAlignment(Qt::AlignCenter);
    addButton(app::cmd::StepUp, QStringLiteral("+"), {690, 28, 20, 20});

    // The apply button shows its picture; its text stays as its name.
    QPushButton* apply = addButton(app::cmd::ApplyOffset, QString(), {710, 28, 20, 20});
    apply->setIcon(applyIcon());
    apply->setAccessibleName(QStringLiteral("保存"));
    apply->setToolTip(QStringLiteral("保存"));

    for (const SideButton& button : kSideButtons) {
        addButton(button.id, QString::fromUtf8(button.text), button.geometry);
    }

    table_ = new EntryTableView(area);
    table_->setObjectName(QStringLiteral("300"));
    table_->setGeometry(30, 55, 700, 340);
    table_->setTabKeyNavigation(false); // Tab leaves the list for the next control
    connect(table_, &EntryTableView::pathsDropped, this, &MainWindow::forwardDrop);

    label(area, "文件总数", {30, 405, 60, 20});
    fileCount_ = readout(area, static_cast<int>(app::Display::FileCount), {100, 403, 60, 20});
    label(area, "封包容量（Bytes）", {460, 405, 130, 20});
    capacity_ = readout(area, static_cast<int>(app::Display::Capacity), {590, 403, 140, 20});
    // Right-aligned, so that it ends where the link begins and the two read
    // as one line whatever the font's width.
    label(area, "推荐结合zu(DAVA)液晶控制芯片使用：VE8889 / RE8876 等，更多信息请访问：",
          {30, 445, 533, 20}, Qt::AlignRight);
}

void MainWindow::buildMenus() {
    auto addItem = [this](QMenu* menu, int id, const QString& text) {
        QAction* action = menu->addAction(text);
        connect(action, &QAction::triggered, this,
                [this, id] { commands_->onCommand(id, app::kNotifyClick); });
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    addItem(file, app::cmd::FolderImport, QStringLiteral("从文件夹导入(&F)..."));
    addItem(file, app::cmd::Exit, QStringLiteral("退出(&X)"));

    QMenu* tools = menuBar()->addMenu(QString::fromUtf8(app::text::kToolsMenu));
    for (const app::text::MenuItem& item : app::text::kToolsMenuItems) {
        if (item.text == nullptr) {
            tools->addSeparator();
        } else {
            addItem(tools, item.id, QString::fromUtf8(item.text));
        }
    }

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    addItem(help, app::cmd::Usage, QStringLiteral("使用说明"));
    addItem(help, app::cmd::RevisionHistory, QStringLiteral("版本历史"));
    addItem(help, app::cmd::LatestVersion, QStringLiteral("最新版本"));
    addItem(help, app::cmd::About, QStringLiteral("关于(&A) ..."));
}

void MainWindow::buildShortcuts() {
    // Alt+"/" and Alt+"?" open About from anywhere in the window.
    for (const QKeyCombination keys : {Qt::ALT | Qt::Key_Slash, Qt::ALT | Qt::Key_Question}) {
        auto* shortcut = new QShortcut(QKeySequence(keys), this);
        connect(shortcut, &QShortcut::activated, this,
                [this] { commands_->onCommand(app::cmd::About, app::kNotifyShortcut); });
    }
}

QLineEdit& MainWindow::display(app::Display display) {
    switch (display) {
    case app::Display::FileCount:
        return *fileCount_;
    case app::Display::FrontOffset:
        return *frontOffset_;
    case app::Display::Capacity:
        break;
    }
    return *capacity_;
}

QPushButton* MainWindow::button(int commandId) {
    return client_->findChild<QPushButton*>(idName(commandId), Qt::FindDirectChildrenOnly);
}

void MainWindow::centreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    move(screen->geometry().topLeft() + centredPosition(screen->availableGeometry().size()));
}

void MainWindow::start(int argc, char** argv) {
    centreOnScreen();
    show();
    // Once the window is up, so that a message about the settings has it
    // for its owner.
    const std::vector<std::string> paths(argv + std::min(argc, 1), argv + argc);
    QTimer::singleShot(0, this, [this, paths] {
        commands_->loadMergeSettings();
        if (!paths.empty()) {
            commands_->openWith(paths);
        }
    });
}

void MainWindow::forwardDrop(const QStringList& paths) {
    std::vector<std::string> dropped;
    for (const QString& path : paths) {
        dropped.push_back(path.toStdString());
    }
    commands_->onDrop(dropped);
}

} // namespace zd::ui
