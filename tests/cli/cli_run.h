// The command line run in the test's own process, as a script would call it.
#pragma once

#include "cli/cli.h"
#include "tests/support/test_files.h"

#include <atomic>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace zd::test {

// `text` with every "$D" made `dir`.
inline std::string withDir(const std::string& text, const std::string& dir) {
    return std::regex_replace(text, std::regex(R"(\$D)"), dir); // no '$' in a scratch folder
}

// The words of `line`, split at spaces, with "$D" made `dir`; '' is an empty word.
inline std::vector<std::string> wordsOf(const std::string& line, const std::string& dir) {
    std::vector<std::string> words;
    std::istringstream in(withDir(line, dir));
    for (std::string word; in >> word;) {
        words.push_back(word == "''" ? "" : word);
    }
    return words;
}

// A scratch folder, "$D" in the lines run, and what the last run printed on
// stdout and on stderr.
class CliInFolder : public ::testing::Test {
  protected:
    std::string at(const std::string& text) const { return withDir(text, dir.path().string()); }
    int runWith(const std::vector<std::string>& args, const std::atomic<bool>* stop = nullptr) {
        std::ostringstream out, err;
        const int code = cli::run(args, out, err, stop);
        printed = out.str();
        errors = err.str();
        return code;
    }
    int run(const std::string& line, const std::atomic<bool>* stop = nullptr) {
        return runWith(wordsOf(line, dir.path().string()), stop);
    }
    TempDir dir;
    std::string printed, errors;
};

} // namespace zd::test
