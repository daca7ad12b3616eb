// Merges that must be refused before anything is written: each leaves an
// earlier image and list file of the same name as they were, and no
// temporary file behind.
#include "image_writer.h"

#include "merge_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
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

class MergeRefusal : public ::testing::Test {
protected:
    void SetUp() override {
        a = dir / "a.bin";
        b = dir / "b.bin";
        writeFile(a, patternBytes(3000, 1));
        writeFile(b, patternBytes(700, 2));
        writeFile(dir / "out.bin", kEarlierImage);
        writeFile(dir / "out.h", kEarlierList);
        outputs = test::outputsIn(dir, "out.bin");
    }

    // Runs the merge and checks it was refused with `status` naming `path`,
    // with the earlier outputs untouched and no new name in the folder.
    void expectRefused(const EntryList& list, MergeStatus status, const std::string& path,
                       const OutputPaths& paths) {
        const std::vector<std::string> namesBefore = test::namesIn(dir.path());
        const MergeResult result = mergeImage(list, true, paths);
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.path, path);
        EXPECT_EQ(readFile(dir / "out.bin"), kEarlierImage);
        EXPECT_EQ(readFile(dir / "out.h"), kEarlierList);
        EXPECT_EQ(test::namesIn(dir.path()), namesBefore);
    }
    void expectRefused(const EntryList& list, MergeStatus status, const std::string& path) {
        expectRefused(list, status, path, outputs);
    }

    TempDir dir;
    std::string a;
    std::string b;
    OutputPaths outputs;
};

TEST_F(MergeRefusal, AnInputThatCannotBeRead) {
    EntryList list = listOfFiles(0, {a, b});
    list.appendEntry(dir / "missing.bin", 0, ".bin");
    expectRefused(list, MergeStatus::InputUnreadable, dir / "missing.bin");

    fs::create_symlink(dir / "gone.bin", dir / "dangling.bin");
    EntryList dangling = listOfFiles(0, {a});
    dangling.appendEntry(dir / "dangling.bin", 0, ".bin");
    dangling.appendEntry(b, 700, ".bin");
    expectRefused(dangling, MergeStatus::InputUnreadable, dir / "dangling.bin");

    fs::create_directory(dir / "folder");
    EntryList folder;
    folder.appendEntry(dir / "folder", 0, "");
    folder.appendEntry(a, 3000, ".bin");
    expectRefused(folder, MergeStatus::InputUnreadable, dir / "folder");

    // A pipe is refused before it is opened, so the merge cannot hang on it.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EntryList pipe = listOfFiles(0, {a});
    pipe.appendEntry(dir / "pipe", 0, "");
    expectRefused(pipe, MergeStatus::InputUnreadable, dir / "pipe");
}

TEST_F(MergeRefusal, AnInputWhoseSizeChangedSinceItWasListed) {
    const EntryList list = listOfFiles(4096, {a, b});
    writeFile(b, patternBytes(710, 2));
    expectRefused(list, MergeStatus::InputSizeChanged, b);
    const MergeResult grown = mergeImage(list, false, outputs);
    EXPECT_EQ(grown.expected, 700u);
    EXPECT_EQ(grown.actual, 710u);

    writeFile(b, patternBytes(690, 2));
    expectRefused(list, MergeStatus::InputSizeChanged, b);
    EXPECT_EQ(mergeImage(list, false, outputs).actual, 690u);
}

// Addresses are 32-bit: a layout ending past 4 GiB would wrap them.
TEST_F(MergeRefusal, ALayoutEndingPast4GiB) {
    writeFile(dir / "k.bin", patternBytes(1000, 3));
    expectRefused(listOfFiles(4294967000u, {dir / "k.bin"}), MergeStatus::LayoutTooLarge,
                  dir / "k.bin");

    // Listed sizes must match the files, so the large case uses sparse files
    // that take no disk: 3 GiB + 3 GiB passes 4 GiB at the second.
    ASSERT_TRUE(test::makeSparseFile(dir / "big1", 3221225472u));
    ASSERT_TRUE(test::makeSparseFile(dir / "big2", 3221225472u));
    expectRefused(listOfFiles(0, {a, dir / "big1", dir / "big2", b}), MergeStatus::LayoutTooLarge,
                  dir / "big2");

    // A 0-byte file placed exactly at 4 GiB would get address 0.
    ASSERT_TRUE(test::makeSparseFile(dir / "big3", 4294967296u - 3221225472u));
    writeFile(dir / "empty", "");
    expectRefused(listOfFiles(0, {dir / "big1", dir / "big3", dir / "empty"}),
                  MergeStatus::LayoutTooLarge, dir / "empty");
}

// Writing the image must never replace one of its own inputs, whatever
// spelling or link names it.
TEST_F(MergeRefusal, TheImageIsAnInput) {
    const auto earlier = static_cast<std::uint32_t>(kEarlierImage.size());
    EntryList byText = listOfFiles(0, {a});
    byText.appendEntry(dir / "out.bin", earlier, ".bin");
    expectRefused(byText, MergeStatus::OutputIsInput, dir / "out.bin");

    fs::create_symlink(dir / "out.bin", dir / "link.bin");
    expectRefused(listOfFiles(0, {a, dir / "link.bin"}), MergeStatus::OutputIsInput,
                  dir / "link.bin");

    fs::create_hard_link(dir / "out.bin", dir / "hard.bin");
    expectRefused(listOfFiles(0, {dir / "hard.bin", b}), MergeStatus::OutputIsInput,
                  dir / "hard.bin");

    const std::string folder = dir.path().string();
    for (const std::string& spelling : {folder + "/./out.bin", folder + "//out.bin",
                                       folder + "/../" + dir.path().filename().string() + "/out"}) {
        expectRefused(byText, MergeStatus::OutputIsInput, dir / "out.bin",
                      *outputPathsFor(spelling));
    }
}

TEST_F(MergeRefusal, TheListFileIsAnInput) {
    const auto earlier = static_cast<std::uint32_t>(kEarlierList.size());
    EntryList byText = listOfFiles(0, {a});
    byText.appendEntry(dir / "out.h", earlier, ".h");
    expectRefused(byText, MergeStatus::ListIsInput, dir / "out.h");

    fs::create_hard_link(dir / "out.h", dir / "saved.h");
    expectRefused(listOfFiles(0, {a, dir / "saved.h"}), MergeStatus::ListIsInput, dir / "saved.h");

    expectRefused(byText, MergeStatus::ListIsInput, dir / "out.h",
                  *outputPathsFor(dir.path().string() + "/./out.bin"));
}

} // namespace
} // namespace zd
