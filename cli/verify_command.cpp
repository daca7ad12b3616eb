// verify: whether an image holds every row's bytes at its address, checked
// against the files a list file names or the CRC-32s of a manifest.
#include "cli/cli.h"
#include "cli/command.h"
#include "cli/wording.h"
#include "core/check/check.h"
#include "core/image/crc32.h"
#include "core/model/file_names.h"

#include <memory>

namespace zd::cli {
namespace {

struct VerifyOptions {
    std::string image;
    std::string list;
    std::string manifest;
    bool info = false;
    bool quiet = false;
};

int runVerify(const VerifyOptions& options, const Context& context) {
    if (options.list.empty() && options.manifest.empty()) {
        return context.usage("verify", "a list file (-l LIST.h) or a manifest (--manifest "
                                       "M.json) is needed");
    }
    if (!options.list.empty() && !options.manifest.empty()) {
        return context.usage("verify", "-l and --manifest: one of them, not both");
    }
    const bool byList = !options.list.empty();
    const files::KeepGoing stop = context.keepGoing();
    if (options.info && !byList) {
        return context.usage("verify", "--info goes with -l: a manifest says whether the image "
                                       "holds the table");
    }
    const check::VerifyResult result =
        byList ? check::verifyAgainstList(options.image, options.list, stop, options.info)
               : check::verifyAgainstManifest(options.image, options.manifest, stop);
    if (result.status == check::VerifyResult::Status::ImageUnreadable) {
        context.fail(options.image, imageUnreadableText(result.error));
        return kFailure;
    }
    if (result.status == check::VerifyResult::Status::Stopped) {
        context.fail(options.image, "verify stopped");
        return kFailure;
    }
    if (result.status == check::VerifyResult::Status::LayoutUnreadable) {
        context.fail(byList ? options.list : options.manifest,
                     result.error ? result.reason + ": " + result.error.message()
                                  : (byList ? "not a list file this tool wrote: "
                                            : "not a manifest this tool wrote: ") +
                                        result.reason);
        return kFailure;
    }
    if (result.bytesPastLayout > 0 && !options.quiet) {
        const bool one = result.bytesPastLayout == 1;
        context.err << kProgram << ": note: " << printableName(options.image) << " goes on "
                    << result.bytesPastLayout << (one ? " byte" : " bytes")
                    << " past the layout's end (" << result.layoutEnd << " bytes); "
                    << (one ? "it was" : "they were") << " not checked\n";
    }
    if (result.otherDataInFront && !options.quiet) {
        context.err << kProgram << ": note: " << printableName(options.image)
                    << ": its front area holds other data than a file info table; only the "
                       "files were checked (-i checks the table all the same)\n";
    }
    for (const check::RowFinding& row : result.rows) {
        context.out << verifyRowLine(row);
    }
    if (result.frontAreaDamagedAt) {
        context.fail(options.image, frontAreaDamagedText(*result.frontAreaDamagedAt));
    }
    if (result.imageShort) {
        context.fail(options.image, std::to_string(result.imageSize) +
                                        " bytes long, shorter than the manifest's " +
                                        std::to_string(result.layoutEnd));
    } else if (result.imageCrcDiffers && result.rows.empty()) {
        context.fail(options.image, "CRC-32 " + crc32Text(result.imageCrcFound) +
                                        " is not the manifest's image_crc32, while every "
                                        "file matches: the front area or the padding differs");
    }
    if (!result.ok()) {
        if (result.notThisImage) {
            context.fail(options.image, "not an image of this list: no file lies where the "
                                        "list puts it, and it holds no file info table");
        } else if (const std::size_t bad = result.rows.size()) {
            context.fail(options.image, std::to_string(bad) + (bad == 1 ? " file does not match"
                                                                        : " files do not match"));
        }
        return kFailure;
    }
    if (!options.quiet) {
        context.out << printableName(options.image) << ": every file matches"
                    << (result.tableChecked ? ", and so does the file info table" : "") << '\n';
    }
    return kSuccess;
}

} // namespace

Runner setUpVerify(CLI::App& command) {
    auto options = std::make_shared<VerifyOptions>();
    command.add_option("IMAGE", options->image, "the image (.bin), or a dump of the whole flash")
        ->type_name("")
        ->required();
    command.add_flag("-i,--info", options->info,
                     "with -l: the image holds a file info table, checked\n"
                     "whatever its front area holds (without it, the\n"
                     "table is checked where there is one)");
    command
        .add_option("-l,--list", options->list,
                    "check against the files the list file names, byte\n"
                    "for byte")
        ->type_name("LIST.h")
        ->check(namesAFile())
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    command
        .add_option("--manifest", options->manifest,
                    "check against the CRC-32s of the manifest the\n"
                    "merge wrote (the files need not be there)")
        ->type_name("M.json")
        ->check(namesAFile())
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    addQuietFlag(command, options->quiet);
    command.footer("Prints one line per file that does not match: its No., name, address\n"
                   "and the first differing offset (or the CRC-32 found and expected).\n"
                   "Bytes past the layout (a dump of a whole chip) are a note, not an\n"
                   "error. Exit status 1 when anything differs.\n\n" +
                   command.get_footer());
    return [options](const Context& context) { return runVerify(*options, context); };
}

} // namespace zd::cli
