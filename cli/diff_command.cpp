// diff: which sectors of a flash holding one image must change to hold
// another, and the records that program just those.
#include "cli/cli.h"
#include "cli/command.h"
#include "cli/firmware_outputs.h"
#include "cli/wording.h"
#include "core/check/check.h"
#include "core/model/file_names.h"
#include "core/model/number_parse.h"

#include <memory>

namespace zd::cli {
namespace {

struct DiffOptions {
    std::string oldImage;
    std::string newImage;
    check::DiffSettings settings;
    bool check = false;
    bool baseGiven = false;
};

int runDiff(const DiffOptions& options, const Context& context) {
    if (options.baseGiven && options.settings.ihex.empty() && options.settings.srec.empty()) {
        return context.usage("diff", "--base needs --ihex or --srec");
    }
    const check::DiffResult result = check::diffImages(
        options.oldImage, options.newImage, options.settings,
        [&context](check::SectorRun run) {
            context.out << hex32(run.begin) << '\t' << run.length << '\n';
        },
        context.keepGoing());
    if (!result.ok()) {
        const std::string& path = result.path.empty() ? options.newImage : result.path;
        context.fail(path, diffFailureText(result, options.settings.base));
        return kFailure;
    }
    if (result.oldSize > result.newSize) {
        context.out << printableName(options.oldImage) << " goes on "
                    << bytesText(result.oldSize - result.newSize) << " past the end of "
                    << printableName(options.newImage) << ", at " << hex32(result.newSize)
                    << "; they stay as they are\n";
    }
    context.out << result.changedSectors << " of " << result.sectors << " sectors of "
                << bytesText(options.settings.sectorSize) << " changed: " << result.bytesToProgram
                << " of " << bytesText(result.newSize) << " to program\n";
    // --check asks whether anything must be programmed: OLD's bytes past
    // NEW's end stay as they are.
    return options.check && result.changedSectors > 0 ? kFailure : kSuccess;
}

} // namespace

Runner setUpDiff(CLI::App& command) {
    auto options = std::make_shared<DiffOptions>();
    command.add_option("OLD", options->oldImage, "the image the flash holds now")
        ->type_name("")
        ->required();
    command.add_option("NEW", options->newImage, "the image it is to hold")
        ->type_name("")
        ->required();
    addByteSizeOption(command, "--sector", options->settings.sectorSize,
                      "the flash's erase sector (as -f takes numbers): a\n"
                      "power of two up to 16M (default 4K)",
                      check::sectorSizeProblem);
    command.add_flag("--check", options->check,
                     "exit with 1 when a sector must be written, as git\n"
                     "diff --exit-code does; 0 when NEW is OLD or its\n"
                     "start: nothing to program");
    for (const auto& [name, path, what] :
         {std::tuple{"--ihex", &options->settings.ihex, "Intel HEX"},
          std::tuple{"--srec", &options->settings.srec, "Motorola S-records"}}) {
        addOutputOption(command, name, *path,
                        std::string("also write the changed sectors, whole, as\n") + what);
    }
    addByteCountOption(command, "--base", options->settings.base,
                       "the address of NEW's first byte in --ihex and\n"
                       "--srec (default 0)")
        ->type_name("ADDR")
        ->each([options](const std::string&) { options->baseGiven = true; });
    command.footer("Prints every run of changed sectors (its offset in NEW and its length),\n"
                   "then how many sectors changed and how many bytes they hold. A sector\n"
                   "changed when NEW's bytes in it differ from OLD's, or OLD ends first;\n"
                   "OLD's bytes past NEW's end are named. Erasing each sector the records\n"
                   "touch and writing them turns a flash holding OLD into one holding NEW.\n"
                   "Both images are read once, in small pieces. Exit status 0 whatever\n"
                   "differs (with --check, 1 when a sector must be written).\n\n" +
                   command.get_footer());
    return [options](const Context& context) { return runDiff(*options, context); };
}

} // namespace zd::cli
