// The one main window: menu bar, the fixed controls below it, and the
// commands they drive.
#pragma once

#include "app/commands.h"

#include <QMainWindow>
#include <QPoint>
#include <QSize>
#include <memory>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace zd::ui {

class ClientArea;
class DialogLayer;
class EntryTableModel;
class EntryTableView;
class WindowPort;

// The program's name, version, desktop entry, icon and the toolkit's
// Chinese texts; needs the QApplication.
void setApplicationMetadata();

// The publisher's web host the link shows, fixed when the program is built.
std::string publisherHost();

// Where a 900 x 530 window goes so that it sits in the middle of a screen
// area of `available`; truncates toward zero like the division it copies.
QPoint centredPosition(QSize available);

class MainWindow final : public QMainWindow {
    Q_OBJECT
  public:
    // The size of the area below the menu bar.
    static constexpr QSize kClientSize{884, 471};

    explicit MainWindow(DialogLayer& dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    app::Commands& commands() { return *commands_; }
    ClientArea& clientArea() { return *client_; }
    EntryTableView& table() { return *table_; }
    QLineEdit& display(app::Display display);
    QCheckBox& fileInfoBox() { return *fileInfo_; }
    // A push button by its command id; null for an id without a button.
    QPushButton* button(int commandId);

    // Shows the window in the middle of the primary screen, then, once the
    // window is up, takes the merge settings the user keeps and adds the
    // files and folders named on the command line after the program's name
    // as a drop adds them. Qt has taken its own
    // options out of argv; the rest pass on byte for byte.
    void start(int argc, char** argv);

  private:
    void buildControls();
    void buildMenus();
    void buildShortcuts();
    void centreOnScreen();
    void forwardDrop(const QStringList& paths);

    ClientArea* client_ = nullptr;
    EntryTableView* table_ = nullptr;
    QLineEdit* fileCount_ = nullptr;
    QLineEdit* frontOffset_ = nullptr;
    QLineEdit* capacity_ = nullptr;
    QCheckBox* fileInfo_ = nullptr;

    // Declared in the order they depend on each other: the port speaks to the
    // controls, the commands to the port, the model reads the commands' list.
    std::unique_ptr<WindowPort> port_;
    std::unique_ptr<app::Commands> commands_;
    std::unique_ptr<EntryTableModel> model_;
};

} // namespace zd::ui
