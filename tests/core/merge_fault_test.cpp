// Merges that fail while writing: a full disk, a folder that cannot be
// written, a stop request, a list file that cannot be replaced, an input that
// changes under the copy. An earlier image must survive each, and no
// temporary may stay behind.
#include "image_writer.h"

#include "merge_test_support.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::listOfFiles;
using test::patternBytes;
using test::readFile;
using test::TempDir;
using test::writeFile;

const std::string kEarlierImage = "an image from an earlier merge";
const std::string kEarlierList = "a list file from an earlier merge";

struct ChildOutcome {
    bool setUp = false; // the child could arrange its conditions
    MergeStatus status = MergeStatus::Ok;
    int error = 0;
};

// Runs the merge in a child process after `arrange` has changed that
// process's conditions (its limits, its view of the file systems), and hands
// the result back through a pipe.
ChildOutcome mergeInChild(const EntryList& list, const OutputPaths& paths,
                          const std::function<bool()>& arrange) {
    int channel[2];
    if (::pipe(channel) != 0) {
        ADD_FAILURE() << "no pipe";
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        ChildOutcome outcome;
        outcome.setUp = arrange();
        if (outcome.setUp) {
            const MergeResult result = mergeImage(list, false, paths);
            outcome.status = result.status;
            outcome.error = result.error.value();
        }
        const bool sent = ::write(channel[1], &outcome, sizeof outcome) == sizeof outcome;
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    ChildOutcome outcome;
    const bool received = ::read(channel[0], &outcome, sizeof outcome) == sizeof outcome;
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(received && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return outcome;
}

// Files may not grow past `limit` bytes, which is how a full disk looks to
// the writer.
ChildOutcome mergeWithFileSizeLimit(const EntryList& list, const OutputPaths& paths, rlim_t limit) {
    const ChildOutcome outcome = mergeInChild(list, paths, [limit] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fileSize{limit, limit};
        return ::setrlimit(RLIMIT_FSIZE, &fileSize) == 0;
    });
    EXPECT_TRUE(outcome.setUp) << "setrlimit failed in the child";
    return outcome;
}

// `folder` turned read-only for the child alone, by a read-only bind mount
// in a mount namespace of its own.
ChildOutcome mergeIntoReadOnlyFolder(const EntryList& list, const OutputPaths& paths,
                                     const std::string& folder) {
    return mergeInChild(list, paths, [&folder] {
        return ::unshare(CLONE_NEWNS) == 0 &&
               ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
               ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                       nullptr) == 0;
    });
}

class MergeFault : public ::testing::Test {
protected:
    void SetUp() override {
        a = dir / "a.bin";
        b = dir / "b.bin";
        writeFile(a, patternBytes(256 * 1024, 1));
        writeFile(b, patternBytes(256 * 1024, 2));
        writeFile(dir / "out.bin", kEarlierImage);
        writeFile(dir / "out.h", kEarlierList);
        outputs = test::outputsIn(dir, "out");
    }

    // The folder holds the inputs and the earlier outputs, unchanged, and
    // nothing else.
    void expectEarlierOutputsKept() {
        EXPECT_EQ(readFile(dir / "out.bin"), kEarlierImage);
        EXPECT_EQ(readFile(dir / "out.h"), kEarlierList);
        expectNamesExactly({"a.bin", "b.bin", "out.bin", "out.h"});
    }
    void expectNamesExactly(std::vector<std::string> names) {
        std::vector<std::string> present = test::namesIn(dir.path());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(present, names);
    }

    TempDir dir;
    std::string a;
    std::string b;
    OutputPaths outputs;
};

TEST_F(MergeFault, AFullDiskIsReportedAndLeavesTheEarlierImage) {
    // Filling the front area fails.
    ChildOutcome front = mergeWithFileSizeLimit(listOfFiles(1 << 20, {a, b}), outputs, 64 * 1024);
    EXPECT_EQ(front.status, MergeStatus::ImageWriteFailed);
    EXPECT_EQ(front.error, EFBIG);
    expectEarlierOutputsKept();

    // Copying the inputs fails.
    ChildOutcome copy = mergeWithFileSizeLimit(listOfFiles(0, {a, b}), outputs, 300 * 1024);
    EXPECT_EQ(copy.status, MergeStatus::ImageWriteFailed);
    EXPECT_EQ(copy.error, EFBIG);
    expectEarlierOutputsKept();
}

TEST_F(MergeFault, AFullDiskForTheListFileAloneKeepsTheNewImage) {
    writeFile(dir / "empty", "");
    EntryList list;
    for (int i = 0; i < 1000; ++i) {
        list.appendEntry(dir / "empty", 0, "");
    }
    ChildOutcome outcome = mergeWithFileSizeLimit(list, outputs, 16 * 1024);
    EXPECT_EQ(outcome.status, MergeStatus::ListWriteFailed);
    EXPECT_EQ(outcome.error, EFBIG);
    EXPECT_EQ(readFile(dir / "out.bin"), "");
    EXPECT_EQ(readFile(dir / "out.h"), kEarlierList);
    expectNamesExactly({"a.bin", "b.bin", "empty", "out.bin", "out.h"});
}

TEST_F(MergeFault, ATargetFolderThatIsMissingOrAFile) {
    const EntryList list = listOfFiles(16, {a, b});
    const MergeResult missing = mergeImage(list, true, test::outputsIn(dir, "nowhere/img"));
    EXPECT_EQ(missing.status, MergeStatus::ImageCreateFailed);
    EXPECT_EQ(missing.error, std::errc::no_such_file_or_directory);

    const MergeResult notAFolder = mergeImage(list, true, test::outputsIn(dir, "a.bin/img"));
    EXPECT_EQ(notAFolder.status, MergeStatus::ImageCreateFailed);
    EXPECT_EQ(notAFolder.error, std::errc::not_a_directory);
    expectEarlierOutputsKept();
}

// /proc refuses new files even to root, so it stands in for a read-only disk.
TEST_F(MergeFault, AFolderOnAReadOnlyFileSystem) {
    const std::string probe = "/proc/zd-probe-" + std::to_string(::getpid());
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd >= 0) {
        ::close(fd);
        ::unlink(probe.c_str());
        GTEST_SKIP() << "/proc accepts new files here";
    }
    const MergeResult result =
        mergeImage(listOfFiles(0, {a, b}), false, *outputPathsFor(probe + ".bin"));
    EXPECT_EQ(result.status, MergeStatus::ImageCreateFailed);
    EXPECT_TRUE(result.error);
    EXPECT_FALSE(fs::exists(probe + ".bin"));
}

TEST_F(MergeFault, AFolderThatCannotBeWritten) {
    const EntryList list = listOfFiles(0, {a, b});
    if (::geteuid() != 0) {
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        const MergeResult result = mergeImage(list, false, outputs);
        fs::permissions(dir.path(), fs::perms::owner_all);
        EXPECT_EQ(result.status, MergeStatus::ImageCreateFailed);
        EXPECT_EQ(result.error, std::errc::permission_denied);
        expectEarlierOutputsKept();
        return;
    }
    // Root writes into folders without write permission, so the folder is
    // made read-only by a mount instead.
    const ChildOutcome outcome = mergeIntoReadOnlyFolder(list, outputs, dir.path().string());
    if (!outcome.setUp) {
        GTEST_SKIP() << "running as root without the right to mount a read-only folder; the "
                        "read-only file system case covers the failure";
    }
    EXPECT_EQ(outcome.status, MergeStatus::ImageCreateFailed);
    EXPECT_EQ(outcome.error, EROFS);
    expectEarlierOutputsKept();
}

TEST_F(MergeFault, AStopRequestLeavesNothingBehind) {
    const EntryList list = listOfFiles(4096, {a, b});
    int calls = 0;
    const MergeResult atOnce = mergeImage(list, true, outputs, [&](std::uint64_t, std::uint64_t) {
        ++calls;
        return false;
    });
    EXPECT_EQ(atOnce.status, MergeStatus::Stopped);
    EXPECT_EQ(calls, 1);
    expectEarlierOutputsKept();

    std::uint64_t stoppedAt = 0;
    const MergeResult midway =
        mergeImage(list, true, outputs, [&](std::uint64_t done, std::uint64_t total) {
            stoppedAt = done;
            return done <= 4096 || done >= total;
        });
    EXPECT_EQ(midway.status, MergeStatus::Stopped);
    EXPECT_GT(stoppedAt, 4096u);
    EXPECT_LT(stoppedAt, list.imageCapacity());
    expectEarlierOutputsKept();
}

TEST_F(MergeFault, AListPathThatCannotBeReplacedKeepsTheNewImage) {
    fs::remove(dir / "out.h");
    fs::create_directory(dir / "out.h");
    writeFile(dir / "out.h/inside", "kept");
    const EntryList list = listOfFiles(0, {a, b});
    const MergeResult result = mergeImage(list, false, outputs);
    EXPECT_EQ(result.status, MergeStatus::ListWriteFailed);
    EXPECT_EQ(result.path, outputs.listPath);
    EXPECT_TRUE(result.error);
    EXPECT_EQ(readFile(dir / "out.bin"), readFile(a) + readFile(b));
    EXPECT_EQ(readFile(dir / "out.h/inside"), "kept");
    expectNamesExactly({"a.bin", "b.bin", "out.bin", "out.h"});
}

// The checks before writing pass; the input then changes under the copy.
TEST_F(MergeFault, AnInputThatChangesWhileBeingCopied) {
    const EntryList list = listOfFiles(4096, {a, b});
    const auto appendTo = [](const std::string& path) {
        std::ofstream(path, std::ios::binary | std::ios::app) << "ten bytes!";
    };

    // Grown after the checks, before its copy starts.
    MergeResult grown = mergeImage(list, false, outputs, [&](std::uint64_t done, std::uint64_t) {
        if (done == 4096) {
            appendTo(b);
        }
        return true;
    });
    EXPECT_EQ(grown.status, MergeStatus::InputSizeChanged);
    EXPECT_EQ(grown.path, b);
    EXPECT_EQ(grown.actual, 256u * 1024u + 10u);
    expectEarlierOutputsKept();

    // Grown while its own copy runs.
    writeFile(b, patternBytes(256 * 1024, 2));
    bool appended = false;
    MergeResult growing = mergeImage(list, false, outputs, [&](std::uint64_t done, std::uint64_t) {
        if (done > 4096 && !appended) {
            appended = true;
            appendTo(a);
        }
        return true;
    });
    EXPECT_EQ(growing.status, MergeStatus::InputSizeChanged);
    EXPECT_EQ(growing.path, a);
    expectEarlierOutputsKept();

    // Cut short while its copy runs: large enough to be copied in several
    // chunks.
    writeFile(a, patternBytes(9 << 20, 1));
    const EntryList large = listOfFiles(4096, {a, b});
    bool truncated = false;
    MergeResult shrinking = mergeImage(large, false, outputs, [&](std::uint64_t done, std::uint64_t) {
        if (done > 4096 && !truncated) {
            truncated = true;
            EXPECT_EQ(::truncate(a.c_str(), 100), 0);
        }
        return true;
    });
    EXPECT_EQ(shrinking.status, MergeStatus::InputSizeChanged);
    EXPECT_EQ(shrinking.path, a);
    EXPECT_LT(shrinking.actual, 9u << 20);
    expectEarlierOutputsKept();
}

} // namespace
} // namespace zd
