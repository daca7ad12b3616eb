// Starts the desktop window; files and folders named on the command line are
// added to the list as a drop adds them.
#include "ui/dialog_layer.h"
#include "ui/main_window.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kNoDisplay =
    "zadodaziderav: cannot open a display (DISPLAY and WAYLAND_DISPLAY unset or not "
    "answering); use the command-line tool zadodaziderav-cli instead\n";

// Qt's messages while the application object connects to the display. When no
// platform starts, Qt warns about each one it tried and then ends the program
// with a fatal message (an abort, exit status 134); the user gets one line and
// status 1 instead. Otherwise the held messages go out as usual.
class DisplayGuard {
  public:
    DisplayGuard() {
        held_ = &messages_;
        previous_ = qInstallMessageHandler(&DisplayGuard::hold);
    }
    ~DisplayGuard() {
        qInstallMessageHandler(previous_);
        held_ = nullptr;
        for (const Held& message : messages_) {
            const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
            previous_(message.type, context, message.text);
        }
    }
    DisplayGuard(const DisplayGuard&) = delete;
    DisplayGuard& operator=(const DisplayGuard&) = delete;

  private:
    struct Held {
        QtMsgType type;
        std::string category;
        QString text;
    };

    static void hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type == QtFatalMsg) {
            std::fputs(kNoDisplay, stderr);
            std::_Exit(1);
        }
        held_->push_back({type, context.category != nullptr ? context.category : "", text});
    }

    static inline std::vector<Held>* held_ = nullptr;
    QtMessageHandler previous_ = nullptr;
    std::vector<Held> messages_;
};

std::unique_ptr<QApplication> openDisplay(int& argc, char** argv) {
    const DisplayGuard guard;
    return std::make_unique<QApplication>(argc, argv);
}

} // namespace

int main(int argc, char* argv[]) {
    const std::unique_ptr<QApplication> application = openDisplay(argc, argv);
    zd::ui::setApplicationMetadata();

    zd::ui::QtDialogLayer dialogs;
    zd::ui::MainWindow window(dialogs);
    window.start(argc, argv);
    return QApplication::exec();
}
