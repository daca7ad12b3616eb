// The command line run in the test's own process, as a script would call it.
#pragma once

#include "cli/cli.h"

#include <atomic>
#include <sstream>
#include <string>
#include <vector>

namespace zd::test {

struct CliRun {
    int code = 0;
    std::string out; // what it printed on stdout
    std::string err; // ... and on stderr
    std::string printed() const { return out + err; }
};

inline CliRun runCli(const std::vector<std::string>& args,
                     const std::atomic<bool>* stop = nullptr) {
    std::ostringstream out, err;
    const int code = cli::run(args, out, err, stop);
    return {code, out.str(), err.str()};
}

} // namespace zd::test
