// Every merge setting away from its default, as the windows keep them, and
// the command line's options that ask for the same: the windows' tests
// merge with each and compare what they wrote.
#pragma once

#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace zd::test {

inline const std::pair<const char*, const char*> kEverySetting[] = {
    {"align", "4K"},        {"fill", "0x00"},    {"flash_size", "1M"},
    {"pad", "true"},        {"reserve", "10%"},  {"keep_layout", "true"},
    {"c_header", "true"},   {"c_table", "true"}, {"prefix", "FW_"},
    {"manifest", "true"},   {"ihex", "true"},    {"srec", "true"},
    {"base", "0x08000000"}, {"map", "true"},     {"flashrom_layout", "true"},
    {"fmap", "true"}};

// The command line's merge with the same settings into `stem`, of `inputs`.
inline std::vector<std::string> everyOption(const std::string& stem,
                                            const std::vector<std::string>& inputs) {
    std::istringstream words("--align 4K --fill 0x00 --flash-size 1M --pad --reserve 10% "
                             "--keep-layout --c-header _layout.h --c-table --prefix FW_ "
                             "--manifest .json --ihex .hex --srec .srec --base 0x08000000 "
                             "--map .svg --flashrom-layout .layout --fmap .fmap");
    std::vector<std::string> args{"merge", "-o", stem};
    for (std::string word; words >> word;) {
        args.push_back(word.starts_with('.') || word.starts_with('_') ? stem + word : word);
    }
    args.insert(args.end(), inputs.begin(), inputs.end());
    return args;
}

// Both folders hold the image, its list file and every companion, each the
// same byte for byte.
inline void expectSameOutputs(const std::string& window, const std::string& cli) {
    const std::vector<std::string> written = namesIn(window);
    EXPECT_EQ(written,
              (std::vector<std::string>{"img.bin", "img.fmap", "img.h", "img.hex", "img.json",
                                        "img.layout", "img.srec", "img.svg", "img_layout.h"}));
    EXPECT_EQ(namesIn(cli), written);
    for (const std::string& name : written) {
        EXPECT_TRUE(readFile(window + "/" + name) == readFile(cli + "/" + name)) << name;
    }
}

} // namespace zd::test
