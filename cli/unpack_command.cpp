// unpack: every row's bytes of an image into a file of its own.
#include "cli/cli.h"
#include "cli/command.h"
#include "cli/image_text.h"
#include "core/check/image_unpack.h"
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

// The file the failure is about, and what is wrong with it.
std::pair<std::string, std::string> failureOf(const UnpackResult& result,
                                              const std::string& image) {
    using Status = UnpackResult::Status;
    const std::string path = printableName(result.path);
    switch (result.status) {
    case Status::Ok:
        break;
    case Status::ImageUnreadable:
        return {path, imageUnreadableText(result.error)};
    case Status::NoTable:
        return {path, "no file info table found at its start; name the list file with -l"};
    case Status::ListUnreadable:
        return {path, result.error ? "cannot be read: " + result.error.message()
                                   : "not a list file this tool wrote: " + result.reason};
    case Status::FolderUnusable:
        return {path, "cannot take the files: " + result.error.message()};
    case Status::BadName:
        return {path, "its file name cannot name a file here"};
    case Status::DuplicateName:
        return {path, "two rows would be written to this file name"};
    case Status::TargetExists:
        return {path, "exists already; unpack replaces no file"};
    case Status::ImageTooShort:
        // The table's rows run past the image's end, or one listed row does.
        return {path, result.path == image ? tableCutShortText(result.imageSize, result.needed)
                                           : "the image is " + std::to_string(result.imageSize) +
                                                 " bytes long, but this file's bytes end at "
                                                 "offset " +
                                                 std::to_string(result.needed)};
    case Status::WriteFailed:
        return {path, "cannot be written: " + result.error.message()};
    case Status::Stopped:
        return {path, "unpack stopped"};
    case Status::NotAnnounced:
        break;
    }
    return {};
}

int runUnpack(const UnpackOptions& options, const Context& context) {
    UnpackHooks hooks;
    hooks.stop = [&context] { return context.stopped(); };
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
    const UnpackResult result = unpackImage(options.image, options.folder, options.list, hooks);
    if (result.status == UnpackResult::Status::NotAnnounced) {
        return kFailure;
    }
    if (!result.ok()) {
        const auto [path, what] = failureOf(result, options.image);
        context.fail(path, what + "; no file was left behind");
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
