// Starts the desktop window.
#include "dialog_layer.h"
#include "main_window.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

// Without a display Qt would abort with a long message; name the other way in.
bool haveDisplay() {
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// For the screenshot script only: files named in ZD_SCREENSHOT_FILES (one per
// line) are dropped onto the list once the window is up.
void dropScreenshotFiles(zd::ui::MainWindow& window) {
    const QString files = qEnvironmentVariable("ZD_SCREENSHOT_FILES");
    if (files.isEmpty()) {
        return;
    }
    QTimer::singleShot(300, &window, [&window, files] {
        std::vector<std::string> paths;
        for (const QString& path : files.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            paths.push_back(path.toStdString());
        }
        window.commands().onDrop(paths);
    });
}

} // namespace

int main(int argc, char* argv[]) {
    if (!haveDisplay()) {
        std::fputs("zadodaziderav: no display found (DISPLAY and WAYLAND_DISPLAY are unset); "
                   "use the command-line tool zadodaziderav-cli instead\n",
                   stderr);
        return 1;
    }
    QApplication application(argc, argv);
    zd::ui::setApplicationMetadata();

    zd::ui::QtDialogLayer dialogs;
    zd::ui::MainWindow window(dialogs);
    window.centreOnScreen();
    window.show();
    dropScreenshotFiles(window);
    return QApplication::exec();
}
