// Another program run: found where programs live, its two outputs read as
// one in the order it wrote them, its exit status, a stop that ends it, and
// the scratch folder that goes with everything in it.
#include "core/files/child_process.h"
#include "core/files/file_layer.h"
#include "core/files/scratch_folder.h"
#include "core/files/staged_files.h"
#include "tests/support/test_files.h"

#include <chrono>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace zd::test {
namespace {

TEST(ScratchFolder, GoesWithEverythingInIt) {
    std::string path;
    // A name left by an earlier run of the same process id is passed over.
    const std::string taken = files::joinedPath(
        files::temporaryFolder(), "zd-scratch-" + std::to_string(files::processId()) + "-1");
    std::filesystem::create_directory(pathOf(taken));
    {
        files::ScratchFolder scratch;
        ASSERT_FALSE(scratch.make());
        files::ScratchFolder another;
        ASSERT_FALSE(another.make());
        EXPECT_NE(another.path(), scratch.path());
        EXPECT_NE(scratch.path(), taken);
        path = scratch.path();
        writeFile(scratch.pathOf("a.bin"), "a");
        writeFile(scratch.pathOf("b.layout"), "b");
        EXPECT_EQ(readFile(path + "/a.bin"), "a");
    }
    EXPECT_FALSE(std::filesystem::exists(pathOf(path)));
    std::filesystem::remove(pathOf(taken));
#ifndef _WIN32
    // A thousand names taken: it gives up, saying so, rather than look on.
    TempDir full;
    const char* tmp = std::getenv("TMPDIR");
    const std::string before = tmp ? tmp : "";
    ::setenv("TMPDIR", full.path().c_str(), 1);
    for (int n = 1; n <= 1000; ++n) {
        std::filesystem::create_directory(
            full.path() /
            ("zd-scratch-" + std::to_string(files::processId()) + "-" + std::to_string(n)));
    }
    files::ScratchFolder none;
    EXPECT_EQ(none.make(), std::errc::file_exists);
    tmp ? ::setenv("TMPDIR", before.c_str(), 1) : ::unsetenv("TMPDIR");
#endif
}

#ifndef _WIN32
TEST(ChildProcess, FoundRunReadAndStopped) {
    TempDir dir;
    writeFile(dir / "tool", "#!/bin/sh\necho out; echo err >&2; echo \"$1|$2\"; exit 3\n");
    writeFile(dir / "plain", "not to be run");
    ::chmod((dir / "tool").c_str(), 0755);
    const std::string folder = dir.path().string();
    EXPECT_EQ(files::findProgram("tool", {"/nonexistent", folder + "/"}), dir / "tool");
    EXPECT_EQ(files::findProgram("plain", {folder}), "");
    EXPECT_EQ(files::findProgram("tool", {"/nonexistent"}), "");
    // The PATH's folders, then the system's.
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", "/a::/bc:", 1);
    EXPECT_EQ(files::programFolders(),
              (std::vector<std::string>{"/a", "/bc", "/usr/local/sbin", "/usr/sbin", "/sbin"}));
    ::setenv("PATH", path.c_str(), 1);

    // Nothing of a run stays open.
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto opened = openFiles();
    files::ChildProcess child;
    ASSERT_FALSE(child.start(dir / "tool", {"a b", ""}));
    std::string text;
    for (bool ended = false; !ended;) {
        ASSERT_FALSE(child.read(text, 1000, ended));
    }
    EXPECT_EQ(text, "out\nerr\na b|\n");
    EXPECT_EQ(child.wait(), 3);
    EXPECT_EQ(openFiles(), opened);

    ASSERT_FALSE(child.start("/bin/sleep", {"30"}));
    bool ended = false;
    ASSERT_FALSE(child.read(text, 10, ended));
    EXPECT_FALSE(ended);
    child.stop();
    EXPECT_EQ(child.wait(), 128 + SIGTERM);
    EXPECT_EQ(child.start(dir / "missing", {}), std::errc::no_such_file_or_directory);

    // A program still running when its owner goes is stopped, not waited
    // out, and reaped: no zombie of it is left.
    pid_t left = 0;
    const auto going = std::chrono::steady_clock::now();
    {
        files::ChildProcess owner;
        ASSERT_FALSE(owner.start("/bin/sh", {"-c", "echo $$; exec sleep 30"}));
        std::string pid;
        while (!pid.ends_with('\n')) {
            ASSERT_FALSE(owner.read(pid, 1000, ended));
        }
        left = std::stoi(pid);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - going, std::chrono::seconds(10));
    EXPECT_EQ(::waitpid(left, nullptr, WNOHANG), -1);

    // A signal while the wait waits (as Ctrl+C brings) does not end it.
    struct sigaction alarm {};
    alarm.sa_handler = [](int) {};
    ASSERT_EQ(::sigaction(SIGALRM, &alarm, nullptr), 0);
    ASSERT_FALSE(child.start("/bin/sh", {"-c", "exec >&- 2>&-; sleep 0.3; exit 4"}));
    ASSERT_FALSE(child.read(text, 1000, ended));
    ::ualarm(100000, 0);
    EXPECT_EQ(child.wait(), 4);
    std::signal(SIGALRM, SIG_DFL);
}
#endif

} // namespace
} // namespace zd::test
