// Merges refused before anything is written.
#include "merge_test_support.h"

#include <sys/stat.h>

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::listOfFiles;

class MergeRefusal : public test::EarlierOutputs {
protected:
    void expectRefused(const EntryList& list, MergeStatus status, const std::string& path,
                       const std::string& output = "") {
        const auto names = test::namesIn(dir.path());
        const MergeResult result =
            mergeImage(list, true, output.empty() ? outputs : *outputPathsFor(output));
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.path, path);
        expectEarlierOutputsKept(names);
    }
};

TEST_F(MergeRefusal, AnInputThatCannotBeRead) {
    fs::create_symlink(dir / "gone.bin", dir / "dangling.bin");
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0); // refused before it could hang
    for (const std::string name : {"missing.bin", "dangling.bin", "folder", "pipe"}) {
        EntryList list = listOfFiles(0, {a});
        list.appendEntry(dir / name, 0, "");
        list.appendEntry(b, 256 * 1024, ".bin");
        expectRefused(list, MergeStatus::InputUnreadable, dir / name);
    }
}

TEST_F(MergeRefusal, AnInputWhoseSizeChangedSinceItWasListed) {
    const EntryList list = listOfFiles(4096, {a, b});
    for (const std::size_t now : {256 * 1024 + 10, 256 * 1024 - 10}) {
        test::writeFile(b, test::patternBytes(now, 2));
        expectRefused(list, MergeStatus::InputSizeChanged, b);
        const MergeResult result = mergeImage(list, false, outputs);
        EXPECT_EQ(result.expected, 256u * 1024u);
        EXPECT_EQ(result.actual, now);
    }
}

// Addresses are 32-bit: a layout ending past 4 GiB would wrap them.
TEST_F(MergeRefusal, ALayoutEndingPast4GiB) {
    expectRefused(listOfFiles(4294967000u, {a}), MergeStatus::LayoutTooLarge, a);
    test::makeSparseFile(dir / "big1", 3221225472u);
    test::makeSparseFile(dir / "big2", 3221225472u);
    expectRefused(listOfFiles(0, {a, dir / "big1", dir / "big2", b}), MergeStatus::LayoutTooLarge,
                  dir / "big2");
    // A 0-byte file placed exactly at 4 GiB would get address 0.
    test::makeSparseFile(dir / "big3", 4294967296u - 3221225472u);
    test::writeFile(dir / "empty", "");
    expectRefused(listOfFiles(0, {dir / "big1", dir / "big3", dir / "empty"}),
                  MergeStatus::LayoutTooLarge, dir / "empty");
}

// Neither output may replace an input, whatever spelling or link names it.
TEST_F(MergeRefusal, AnOutputIsAnInput) {
    fs::create_symlink(dir / "out.bin", dir / "link.bin");
    fs::create_hard_link(dir / "out.bin", dir / "hard.bin");
    fs::create_hard_link(dir / "out.h", dir / "saved.h");
    const std::string folder = dir.path().string();
    const std::string out = dir / "out";
    struct Case {
        std::string input;
        MergeStatus status;
        std::string output;
    };
    const Case cases[] = {
        {dir / "out.bin", MergeStatus::OutputIsInput, out},
        {dir / "link.bin", MergeStatus::OutputIsInput, out},
        {dir / "hard.bin", MergeStatus::OutputIsInput, out},
        {dir / "out.bin", MergeStatus::OutputIsInput, folder + "/./out.bin"},
        {dir / "out.bin", MergeStatus::OutputIsInput, folder + "//out.bin"},
        {dir / "out.bin", MergeStatus::OutputIsInput,
         folder + "/../" + dir.path().filename().string() + "/out"},
        {dir / "out.h", MergeStatus::ListIsInput, out},
        {dir / "saved.h", MergeStatus::ListIsInput, out},
        {dir / "out.h", MergeStatus::ListIsInput, folder + "/./out.bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input + " -> " + c.output);
        expectRefused(listOfFiles(0, {a, c.input}), c.status, c.input, c.output);
    }
}

} // namespace
} // namespace zd
