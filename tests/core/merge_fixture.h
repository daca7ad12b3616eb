// A scratch folder with two inputs and an earlier image and list file, for
// the tests of what a merge writes and what it leaves alone.
#pragma once

#include "image_writer.h"
#include "test_files.h"

#include <gtest/gtest.h>

namespace zd::test {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// A merge's outcome in one comparable line: status, path, reason.
inline std::string summary(MergeStatus status, const std::string& path,
                           std::error_code error = {}) {
    return std::to_string(static_cast<int>(status)) + "|" + path + "|" +
           (error ? error.message() : "");
}
inline std::string summary(const MergeResult& result) {
    return summary(result.status, result.path, result.error);
}

class MergeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFile(a, abytes);
        writeFile(b, bbytes);
        writeFile(dir / "out.bin", "earlier image");
        writeFile(dir / "out.h", "earlier list");
    }
    // A list at `frontOffset` holding `paths` with their present lengths.
    static EntryList listOf(std::uint32_t frontOffset, const Names& paths) {
        EntryList list;
        list.setFrontOffset(frontOffset);
        list.recomputeLayout();
        for (const std::string& path : paths) {
            list.appendEntry(path, static_cast<std::uint32_t>(fs::file_size(path)), "");
        }
        return list;
    }
    // The earlier outputs are as they were and nothing else is in the folder.
    void expectEarlierKept(const Names& names = {"a.bin", "b.bin", "out.bin", "out.h"}) {
        EXPECT_EQ(readFile(dir / "out.bin"), "earlier image");
        EXPECT_EQ(readFile(dir / "out.h"), "earlier list");
        EXPECT_EQ(namesIn(dir.path()), names);
    }

    TempDir dir;
    std::string a = dir / "a.bin";
    std::string b = dir / "b.bin";
    std::string abytes = patternBytes(1234, 1);
    std::string bbytes = patternBytes(5000, 2);
    OutputPaths outputs = *outputPathsFor(dir / "out");
};

} // namespace zd::test
