// The command-line tool: the same list, layout and merge as the window, for
// build scripts.
#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

namespace zd::cli {

// Exit codes.
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;
inline constexpr int kUsageError = 2;

// Runs the tool with `args` (UTF-8, without the program name). Results go
// to `out`, everything else (failures, notes, usage errors) to `err`; a run
// whose results cannot be written to `out` fails. A merge stops, leaving
// nothing behind, once `stopRequested` becomes true. Free of system calls
// outside the file layer, so that every system's entry point can call it.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const std::atomic<bool>* stopRequested = nullptr);

} // namespace zd::cli
