// What every command of the command-line tool shares: the streams it speaks
// through, how it reports, and the option forms used by more than one
// command.
//
// A command is a CLI11 subcommand set up by one function (see cli.cpp's
// command table): it declares its options on the subcommand, bound to an
// options struct it owns, and returns the runner that acts on them once the
// arguments have been parsed.
#pragma once

#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace zd::cli {

inline constexpr const char* kProgram = "zadodaziderav-cli";

struct Context {
    std::ostream& out; // results only: output paths, tables
    std::ostream& err; // failures, notes and usage errors
    const std::atomic<bool>* stopRequested = nullptr;

    bool stopped() const { return stopRequested && stopRequested->load(); }
    // "zadodaziderav-cli: SUBJECT: WHAT", one line on stderr.
    void fail(std::string_view subject, std::string_view what) const;
    // A usage error of `command`, one line on stderr; returns kUsageError.
    int usage(std::string_view command, std::string_view problem) const;
};

using Runner = std::function<int(const Context&)>;

// Declares the options of a command on `command` and returns its runner.
using CommandSetUp = Runner (*)(CLI::App& command);

// The first value a byte-count option refuses as too large, and how users
// say it.
struct ByteLimit {
    std::uint64_t bytes;
    const char* text;
};
inline constexpr ByteLimit kBelow4GiB{std::uint64_t{1} << 32, "4 GiB"};

// Adds a byte-count option (an offset, size or address): the forms
// parseByteCount takes, below `limit`. Anything else is a usage error
// naming the value.
CLI::Option* addByteCountOption(CLI::App& command, const std::string& names, std::uint32_t& value,
                                const std::string& description, ByteLimit limit = kBelow4GiB);

// Adds -q/--quiet: nothing is printed on success.
CLI::Option* addQuietFlag(CLI::App& command, bool& quiet);

Runner setUpMerge(CLI::App& command);
Runner setUpVerify(CLI::App& command);
Runner setUpInspect(CLI::App& command);
Runner setUpUnpack(CLI::App& command);
Runner setUpDiff(CLI::App& command);

} // namespace zd::cli
