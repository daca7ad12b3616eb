#include "cli/cli.h"

#include "cli/command.h"
#include "cli/option_values.h"
#include "cli/response_files.h"

#include <map>

#ifndef ZD_VERSION
#error "ZD_VERSION must come from the build (the CMake project version)"
#endif

namespace zd::cli {
namespace {

// Every command: its name, its line in the overview, and what sets it up.
// A new command is one more row here and one more setUp function.
struct CommandRow {
    const char* name;
    const char* summary;
    CommandSetUp setUp;
};
constexpr CommandRow kCommands[] = {
    {"merge", "merge files into an image (.bin) and its list file (.h)", setUpMerge},
    {"verify", "check an image against its list file or manifest", setUpVerify},
    {"inspect", "show the file info table at the start of an image", setUpInspect},
    {"unpack", "write each file of an image to a folder", setUpUnpack},
    {"diff", "show which flash sectors differ between two images", setUpDiff},
    {"flash", "program an image into a chip through flashrom", setUpFlash},
};

constexpr const char* kFooter =
    "An argument @FILE stands for the lines of FILE, one argument a line.\n"
    "Exit status: 0 success, 1 failure, 2 usage error, 128 + N when stopped by\n"
    "signal N (130 for Ctrl+C).";

// "help" and "help COMMAND" as --help would have it.
std::vector<std::string> helpAsFlag(std::vector<std::string> args) {
    if (!args.empty() && args.front() == "help") {
        args.front() = "--help";
    }
    return args;
}

// A word the parse left over: before the command, or past what it takes.
std::string unexpected(const std::string& word, bool afterCommand) {
    if (word.starts_with("-")) {
        return "unknown option " + word;
    }
    return (afterCommand ? "unexpected argument " : "unknown command ") + word;
}

} // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const std::atomic<bool>* stopRequested) {
    Context context{out, err, stopRequested};

    CLI::App app("Merges files into one flat image for a serial flash, as the window does.",
                 kProgram);
    app.footer(kFooter); // set first: every command inherits it
    app.set_version_flag("-V,--version", std::string(kProgram) + " " + ZD_VERSION);
    // One command a run: a later word that names a command is an input.
    app.require_subcommand(0, 1);
    std::map<const CLI::App*, Runner> runners;
    for (const CommandRow& row : kCommands) {
        CLI::App* command = app.add_subcommand(row.name, row.summary);
        runners[command] = row.setUp(*command);
    }
    // Words no command takes land in remaining() to be named below; set
    // after the commands so that they do not inherit it.
    app.allow_extras();

    if (args.empty()) {
        err << app.help();
        return kUsageError;
    }
    ExpandedArgs expanded = expandResponseFiles(args);
    if (expanded.problem) {
        return context.usage("", *expanded.problem);
    }
    if (const auto problem = settleOptionValues(app, expanded.args)) {
        return context.usage(problem->command, problem->problem);
    }
    context.responseFiles = expanded.files;
    const NamedArgs named = namesAfterDashDash(std::move(expanded.args));
    const std::vector<std::string> ready = helpAsFlag(named.args);
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(ready.rbegin(), ready.rend());
    int code = kSuccess;
    try {
        app.parse(reversed);
        const std::vector<CLI::App*> chosen = app.get_subcommands();
        if (const auto unknown = app.remaining(); !unknown.empty()) {
            code = context.usage("", named.asGiven(unexpected(unknown.front(), !chosen.empty())));
        } else if (chosen.empty()) {
            code = context.usage("", "a command is needed");
        } else {
            code = runners.at(chosen.front())(context);
        }
    } catch (const CLI::CallForHelp&) {
        out << app.help();
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n';
    } catch (const CLI::ParseError& error) {
        const std::vector<CLI::App*> chosen = app.get_subcommands();
        code = context.usage(chosen.empty() ? "" : chosen.front()->get_name(),
                             named.asGiven(error.what()));
    }
    // What was printed is the result: if it did not arrive, the run failed.
    if (!out.flush()) {
        context.fail("standard output", "cannot be written");
        return code == kSuccess ? kFailure : code;
    }
    return code;
}

} // namespace zd::cli
