// A folder with two inputs and the outputs of an earlier merge, which every
// failed merge must leave exactly as they were.
#pragma once

#include "entry_list.h"
#include "image_writer.h"
#include "output_names.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace zd::test {

// A list at `frontOffset` holding `paths` with their present lengths.
inline EntryList listOfFiles(std::uint32_t frontOffset, const std::vector<std::string>& paths) {
    EntryList list;
    list.setFrontOffset(frontOffset);
    list.recomputeLayout();
    for (const std::string& path : paths) {
        list.appendEntry(path, static_cast<std::uint32_t>(std::filesystem::file_size(path)),
                         dataFormatOf(path));
    }
    return list;
}

inline std::string le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

inline const std::string kEarlierImage = "an image from an earlier merge";
inline const std::string kEarlierList = "a list file from an earlier merge";

class EarlierOutputs : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(a, patternBytes(256 * 1024, 1));
        writeFile(b, patternBytes(256 * 1024, 2));
        writeFile(dir / "out.bin", kEarlierImage);
        writeFile(dir / "out.h", kEarlierList);
    }
    // The earlier outputs are unchanged and nothing else was left behind.
    void expectEarlierOutputsKept(std::vector<std::string> names = {"a.bin", "b.bin", "out.bin",
                                                                     "out.h"}) {
        EXPECT_EQ(readFile(dir / "out.bin"), kEarlierImage);
        EXPECT_EQ(readFile(dir / "out.h"), kEarlierList);
        EXPECT_EQ(namesIn(dir.path()), names);
    }

    TempDir dir;
    std::string a = dir / "a.bin";
    std::string b = dir / "b.bin";
    OutputPaths outputs = *outputPathsFor(dir / "out");
};

} // namespace zd::test
