// What every command of the command-line tool shares: the streams it speaks
// through, how it reports, and the option forms used by more than one
// command.
//
// A command is a CLI11 subcommand set up by one function (see cli.cpp's
// command table): it declares its options on the subcommand, bound to an
// options struct it owns, and returns the runner that acts on them once the
// arguments have been parsed.
#pragma once

#include "core/files/progress.h"

#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace zd::cli {

inline constexpr const char* kProgram = "zadodaziderav-cli";

struct Context {
    std::ostream& out; // results only: output paths, tables
    std::ostream& err; // failures, notes and usage errors
    const std::atomic<bool>* stopRequested = nullptr;
    std::vector<std::string> responseFiles{}; // read for the arguments: no output may replace one

    bool stopped() const { return stopRequested && stopRequested->load(); }
    // What every long command is given to learn whether to go on: until a
    // stop is asked.
    files::KeepGoing keepGoing() const {
        return [this](std::uint64_t, std::uint64_t) { return !stopped(); };
    }
    // "zadodaziderav-cli: SUBJECT: WHAT", one line on stderr, the subject
    // (a name) shown through printableName.
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

// Adds an option naming an output file (or folder). Its value is taken as
// given, never empty and never starting with "-" (write "./-name"), so that
// a forgotten value cannot turn the next word, an input, into an output.
CLI::Option* addOutputOption(CLI::App& command, const std::string& names, std::string& value,
                             const std::string& description);

// The check of an option naming a file the command reads: an empty value
// names none and is a usage error, as for an output.
CLI::Validator namesAFile();

// Adds a 64-bit size option (a flash's, a sector's) taking the same forms;
// a count `problem` names a reason for is a usage error saying it.
using SizeProblem = std::optional<std::string> (*)(std::uint64_t size);
CLI::Option* addByteSizeOption(CLI::App& command, const std::string& names, std::uint64_t& value,
                               const std::string& description, SizeProblem problem);

// "1 byte", "2 bytes".
std::string bytesText(std::uint64_t count);

// A transform for options that take a byte count as parseByteCount reads
// it, refused (a usage error naming the value) when `problem` says why;
// CLI11 then reads the plain decimal it leaves behind.
CLI::Validator byteCountCheck(std::function<std::optional<std::string>(std::uint64_t)> problem);

// A transform for options that take one byte, 0x00 to 0xFF, written as
// parseByteCount reads counts but without the K or M no byte takes.
CLI::Validator byteCheck();

// Adds -q/--quiet: nothing is printed on success.
CLI::Option* addQuietFlag(CLI::App& command, bool& quiet);

Runner setUpMerge(CLI::App& command);
Runner setUpVerify(CLI::App& command);
Runner setUpInspect(CLI::App& command);
Runner setUpUnpack(CLI::App& command);
Runner setUpDiff(CLI::App& command);
Runner setUpFlash(CLI::App& command);

} // namespace zd::cli
