// unpack: every row's bytes of an image into a file of its own.
#include "cli/cli.h"
#include "cli/command.h"
#include "cli/wording.h"
#include "core/check/check.h"
#include "core/model/file_names.h"

#include <memory>

namespace zd::cli {
namespace {

struct UnpackOptions {
    std::string image;
    std::string folder;
    std::string list;
    bool quiet = false;
};

int runUnpack(const UnpackOptions& options, const Context& context) {
    check::UnpackHooks hooks;
    hooks.keepGoing = context.keepGoing();
    // The paths are the result: files whose names did not arrive are taken
    // back (run() then says that standard output cannot be written).
    hooks.announce = [&](const std::vector<std::string>& written) {
        if (!options.quiet) {
            for (const std::string& path : written) {
                context.out << printableName(path) << '\n';
            }
        }
        return static_cast<bool>(context.out.flush());
    };
    const check::UnpackResult result =
        check::unpackImage(options.image, options.folder, options.list, hooks);
    if (result.status == check::UnpackResult::Status::NotAnnounced) {
        return kFailure;
    }
    if (!result.ok()) {
        const FailureLine line = unpackFailure(result, options.image);
        context.fail(line.subject, line.what + "; no file was left behind");
        return kFailure;
    }
    return kSuccess;
}

} // namespace

Runner setUpUnpack(CLI::App& command) {
    auto options = std::make_shared<UnpackOptions>();
    command.add_option("IMAGE", options->image, "the image (.bin)")->type_name("")->required();
    addOutputOption(command, "-d,--directory", options->folder,
                    "the folder the files go to (made, with its\n"
                    "parents, when missing)")
        ->type_name("DIR")
        ->required();
    command
        .add_option("-l,--list", options->list,
                    "name the files as this list file does (each\n"
                    "path's file name) and take their addresses from\n"
                    "it; without it: 001.bin, 002.bin ... from the\n"
                    "image's file info table")
        ->type_name("LIST.h")
        ->check(namesAFile())
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    addQuietFlag(command, options->quiet);
    command.footer("Writes each file's bytes to a new file in DIR and prints its path.\n"
                   "Replaces no file: when a name is taken, nothing is written.\n\n" +
                   command.get_footer());
    return [options](const Context& context) { return runUnpack(*options, context); };
}

} // namespace zd::cli
