// The window program started as a user starts it.
#include "tests/ui/qstring_printer.h"

#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// Without a display the program says so in one line and ends with status 1,
// not with the toolkit's abort. With one, what Qt says while it connects still
// comes out (here its plugin search, asked for with QT_DEBUG_PLUGINS), and the
// window runs on.
TEST(Startup, OneLineWithoutADisplayQtsMessagesWithOne) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"}) {
        environment.remove(QString::fromLatin1(name));
    }
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ZD_WINDOW_BINARY), {QStringLiteral("file.bin")});
    ASSERT_TRUE(program.waitForFinished(30000));
    // A crash is no normal exit; what the program printed, standard output last.
    EXPECT_EQ(QString("%1 %2 ").arg(program.exitStatus()).arg(program.exitCode()) +
                  program.readAllStandardError() + program.readAllStandardOutput(),
              "0 1 zadodaziderav: cannot open a display (DISPLAY and WAYLAND_DISPLAY unset or "
              "not answering); use the command-line tool zadodaziderav-cli instead\n");

    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_DEBUG_PLUGINS"), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_MESSAGE_PATTERN"),
                       QStringLiteral("%{category}|%{message}"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ZD_WINDOW_BINARY), {});
    // Qt looks for its platform plugins only while it connects.
    const QRegularExpression kPlatformSearch(
        R"(qt\.core\.plugin\.factoryloader\|checking directory path "[^"]*/platforms")");
    QString said;
    for (int waited = 0; waited < 300 && !said.contains(kPlatformSearch); ++waited) {
        program.waitForReadyRead(100);
        said += QString::fromUtf8(program.readAllStandardError());
    }
    EXPECT_TRUE(said.contains(kPlatformSearch)) << said.toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished();
}

} // namespace
