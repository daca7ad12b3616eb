// Runs the command-line tool in-process and keeps what it printed.
#pragma once

#include "cli.h"

#include <atomic>
#include <sstream>
#include <string>
#include <vector>

namespace zd::test {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline CliRun runCli(const std::vector<std::string>& args,
                     const std::atomic<bool>* stopRequested = nullptr) {
    std::ostringstream out;
    std::ostringstream err;
    CliRun run;
    run.exitCode = zd::cli::run(args, out, err, stopRequested);
    run.out = out.str();
    run.err = err.str();
    return run;
}

inline int lineCount(const std::string& text) {
    int lines = 0;
    for (char c : text) {
        lines += c == '\n';
    }
    return lines;
}

} // namespace zd::test
