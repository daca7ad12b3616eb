// Merges that fail while writing: an earlier image survives each, and no
// temporary stays behind.
#include "merge_test_support.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::listOfFiles;

struct ChildOutcome {
    bool setUp = false; // the child could arrange its conditions
    MergeStatus status = MergeStatus::Ok;
    int error = 0;
};

// Runs the merge in a child process after `arrange` has changed that
// process's limits or mounts, and hands the result back through a pipe.
ChildOutcome mergeInChild(const EntryList& list, const OutputPaths& paths,
                          const std::function<bool()>& arrange) {
    int channel[2];
    EXPECT_EQ(::pipe(channel), 0);
    if (::fork() == 0) {
        ChildOutcome outcome;
        outcome.setUp = arrange();
        if (outcome.setUp) {
            const MergeResult result = mergeImage(list, false, paths);
            outcome.status = result.status;
            outcome.error = result.error.value();
        }
        ::_exit(::write(channel[1], &outcome, sizeof outcome) == sizeof outcome ? 0 : 1);
    }
    ::close(channel[1]);
    ChildOutcome outcome;
    EXPECT_EQ(::read(channel[0], &outcome, sizeof outcome), static_cast<ssize_t>(sizeof outcome));
    ::close(channel[0]);
    int status = 0;
    ::wait(&status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return outcome;
}

// Files may not grow past `limit` bytes: a full disk, as the writer sees it.
ChildOutcome mergeWithFileSizeLimit(const EntryList& list, const OutputPaths& paths, rlim_t limit) {
    const ChildOutcome outcome = mergeInChild(list, paths, [limit] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fileSize{limit, limit};
        return ::setrlimit(RLIMIT_FSIZE, &fileSize) == 0;
    });
    EXPECT_TRUE(outcome.setUp);
    EXPECT_EQ(outcome.error, EFBIG);
    return outcome;
}

using MergeFault = test::EarlierOutputs;

TEST_F(MergeFault, AFullDiskIsReported) {
    // While filling the front area, then while copying the inputs.
    EXPECT_EQ(mergeWithFileSizeLimit(listOfFiles(1 << 20, {a, b}), outputs, 64 * 1024).status,
              MergeStatus::ImageWriteFailed);
    expectEarlierOutputsKept();
    EXPECT_EQ(mergeWithFileSizeLimit(listOfFiles(0, {a, b}), outputs, 300 * 1024).status,
              MergeStatus::ImageWriteFailed);
    expectEarlierOutputsKept();

    // The list file alone does not fit: the new image stays.
    test::writeFile(dir / "empty", "");
    EntryList list;
    for (int i = 0; i < 1000; ++i) {
        list.appendEntry(dir / "empty", 0, "");
    }
    EXPECT_EQ(mergeWithFileSizeLimit(list, outputs, 16 * 1024).status,
              MergeStatus::ListWriteFailed);
    EXPECT_EQ(test::readFile(dir / "out.bin"), "");
    EXPECT_EQ(test::readFile(dir / "out.h"), test::kEarlierList);
    EXPECT_EQ(test::namesIn(dir.path()),
              (std::vector<std::string>{"a.bin", "b.bin", "empty", "out.bin", "out.h"}));
}

TEST_F(MergeFault, AFolderThatCannotBeWritten) {
    const EntryList list = listOfFiles(16, {a, b});
    EXPECT_EQ(mergeImage(list, true, *outputPathsFor(dir / "nowhere/img")).error,
              std::errc::no_such_file_or_directory);
    EXPECT_EQ(mergeImage(list, true, *outputPathsFor(dir / "a.bin/img")).error,
              std::errc::not_a_directory);

    // /proc refuses new files even to root.
    const std::string probe = "/proc/zd-probe-" + std::to_string(::getpid());
    const MergeResult proc = mergeImage(list, false, *outputPathsFor(probe + ".bin"));
    EXPECT_EQ(proc.status, MergeStatus::ImageCreateFailed);
    EXPECT_FALSE(fs::exists(probe + ".bin"));

    // Root writes into folders without write permission, so the folder is
    // made read-only by a bind mount in a child's own mount namespace.
    const std::string folder = dir.path().string();
    const ChildOutcome readOnly = mergeInChild(list, outputs, [&folder] {
        if (::geteuid() != 0) {
            fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
            return true;
        }
        return ::unshare(CLONE_NEWNS) == 0 &&
               ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
               ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                       nullptr) == 0;
    });
    fs::permissions(folder, fs::perms::owner_all);
    if (readOnly.setUp) {
        EXPECT_EQ(readOnly.status, MergeStatus::ImageCreateFailed);
        EXPECT_TRUE(readOnly.error == EROFS || readOnly.error == EACCES) << readOnly.error;
    }
    expectEarlierOutputsKept();
}

TEST_F(MergeFault, AStopRequestLeavesNothingBehind) {
    const EntryList list = listOfFiles(4096, {a, b});
    int calls = 0;
    EXPECT_EQ(mergeImage(list, true, outputs, [&](auto, auto) { return ++calls > 1; }).status,
              MergeStatus::Stopped);
    EXPECT_EQ(calls, 1);
    expectEarlierOutputsKept();

    std::uint64_t stoppedAt = 0;
    const MergeResult midway = mergeImage(list, true, outputs, [&](auto done, auto total) {
        stoppedAt = done;
        return done <= 4096 || done >= total;
    });
    EXPECT_EQ(midway.status, MergeStatus::Stopped);
    EXPECT_GT(stoppedAt, 4096u);
    EXPECT_LT(stoppedAt, list.imageCapacity());
    expectEarlierOutputsKept();
}

// The checks before writing pass; the input then changes under the copy.
TEST_F(MergeFault, AnInputThatChangesWhileBeingCopied) {
    test::writeFile(a, test::patternBytes(9 << 20, 1)); // copied in several chunks
    const EntryList list = listOfFiles(4096, {a, b});
    const auto grow = [](const std::string& path) {
        std::ofstream(path, std::ios::binary | std::ios::app) << "ten bytes!";
    };
    struct Case {
        const char* what;
        std::string path;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"b grown before its copy", b, [&] { grow(b); }},
        {"a grown during its copy", a, [&] { grow(a); }},
        {"a cut during its copy", a, [&] { fs::resize_file(a, 100); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::writeFile(a, test::patternBytes(9 << 20, 1));
        test::writeFile(b, test::patternBytes(256 * 1024, 2));
        bool changed = false;
        const MergeResult result = mergeImage(list, false, outputs, [&](auto done, auto) {
            if (!changed && (done == 4096) == (c.path == b)) {
                changed = true;
                c.change();
            }
            return true;
        });
        EXPECT_EQ(result.status, MergeStatus::InputSizeChanged);
        EXPECT_EQ(result.path, c.path);
        expectEarlierOutputsKept();
    }
}

} // namespace
} // namespace zd
