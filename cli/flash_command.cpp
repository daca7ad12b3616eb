// flash: an image programmed into a chip through flashrom, only its range
// and within it only what changed.
#include "cli/cli.h"
#include "cli/command.h"
#include "cli/wording.h"
#include "core/files/child_process.h"
#include "core/flash/flash.h"
#include "core/model/file_names.h"
#include "core/model/number_parse.h"

#include <memory>

namespace zd::cli {
namespace {

struct FlashOptions {
    flash::FlashRequest request;
    std::uint32_t at = 0;
    std::string flashrom;
};

// What happens, printed as it happens: the plan and the outcome on
// standard output, flashrom's stages on standard error.
class Report final : public flash::FlashObserver {
  public:
    Report(const FlashOptions& options, const Context& context)
        : options_(options), context_(context) {}
    bool written = false; // a write ended well

    void found(const flash::FlashTarget& target) override {
        context_.out << "chip " << printableName(target.chip) << " (" << bytesText(target.chipSize)
                     << "): " << printableName(options_.request.image) << " ("
                     << bytesText(target.size) << ") goes to " << chipRangeText(target)
                     << "; the rest of the chip stays as it is\n";
        if (options_.request.previous.empty()) {
            context_.out << "flashrom reads the range first and writes only the blocks that "
                            "differ\n";
        }
    }
    void changes(const std::vector<check::SectorRun>& runs,
                 const check::DiffResult& diff) override {
        const std::uint64_t at = options_.request.at;
        std::uint64_t bytes = 0;
        for (const check::SectorRun& run : runs) {
            context_.out << hex32(at + run.begin) << '\t' << run.length << '\n';
            bytes += run.length;
        }
        context_.out << diff.changedSectors << " of " << diff.sectors << " sectors of "
                     << bytesText(flash::kSectorBytes) << " differ from "
                     << printableName(options_.request.previous) << ": "
                     << (bytes ? bytesText(bytes) + " to program, the rest is not read"
                               : "nothing to program")
                     << '\n';
    }
    // Standard error is tied to standard output, so what was printed before
    // shows before the stage when both streams go to one file too.
    void stage(flash::Stage stage) override {
        context_.err << flashStageText(stage) << '\n';
    }
    void wrote(const flash::BlockCounts& blocks, bool unchanged) override {
        written = true;
        if (unchanged) {
            context_.out << "flashrom found the blocks holding the image already: nothing "
                            "written\n";
        } else if (blocks.blocks != 0) {
            context_.out << "flashrom erased " << blocks.erased << " and wrote " << blocks.written
                         << " of " << blocks.blocks << " blocks\n";
        }
    }
    void mending(std::uint64_t sectors) override {
        context_.out << "the range read back differs from the image in " << sectors
                     << (sectors == 1 ? " sector" : " sectors") << ": the chip did not hold "
                     << printableName(options_.request.previous)
                     << "; programming the whole range again, reading it first\n";
    }

  private:
    const FlashOptions& options_;
    const Context& context_;
};

// An empty programmer or chip would leave flashrom to choose, or to refuse
// in its own words: a usage error, as an empty file name is.
CLI::Validator namesOne(const char* what) {
    return CLI::Validator(
        [what](const std::string& text) {
            return text.empty() ? std::string("an empty value names no ") + what : std::string();
        },
        "");
}

int runFlash(FlashOptions options, const Context& context) {
    options.request.at = options.at;
    std::string program = options.flashrom;
    if (program.empty()) {
        program = flash::findFlashrom();
    }
    if (program.empty() || !files::canRun(program)) {
        const FailureLine line = flashromMissing(options.flashrom);
        context.fail(line.subject, line.what);
        return kFailure;
    }
    Report report(options, context);
    const flash::FlashResult result = flash::programChip(
        options.request, flash::systemFlashrom(program), report, context.keepGoing());
    if (!result.ok()) {
        const FlashFailure failure = flashFailure(result, options.request, report.written);
        context.fail(failure.line.subject, failure.line.what);
        for (const std::string& line : failure.said) {
            context.err << "  " << printableName(line) << '\n';
        }
        return kFailure;
    }
    context.out << "done: the range " << chipRangeText(result.target) << " holds "
                << printableName(options.request.image)
                << (result.readBack  ? " (read back and compared)"
                    : report.written ? " (checked by flashrom)"
                                     : " as --previous says (not read; --verify reads it back)")
                << '\n';
    return kSuccess;
}

} // namespace

Runner setUpFlash(CLI::App& command) {
    auto options = std::make_shared<FlashOptions>();
    flash::FlashRequest& request = options->request;
    command.add_option("IMAGE", request.image, "the image to program")->type_name("")->required();
    command
        .add_option("-p,--programmer", request.programmer,
                    "flashrom's programmer, as its -p takes it:\n"
                    "ch341a_spi, ft2232_spi:type=2232H,\n"
                    "linux_spi:dev=/dev/spidev0.0,spispeed=8000")
        ->type_name("NAME[:PARAMS]")
        ->check(namesOne("programmer"))
        ->required();
    command
        .add_option("-c,--chip", request.chip,
                    "the chip, as flashrom -L names it, when the one\n"
                    "found matches several definitions")
        ->type_name("NAME")
        ->check(namesOne("chip"));
    addByteCountOption(command, "--at", options->at,
                       "the chip offset of the image's first byte\n"
                       "(default 0), as merge -f takes numbers")
        ->type_name("ADDR");
    command
        .add_option("--previous", request.previous,
                    "what the range holds now (the image last\n"
                    "programmed): the chip is not read first, only\n"
                    "the 4 KiB sectors that differ from it are\n"
                    "written and checked")
        ->type_name("OLD.bin")
        ->check(namesAFile());
    command.add_flag("--verify", request.verify,
                     "then read the whole range back; if it differs\n"
                     "(the chip did not hold --previous), program it\n"
                     "again, reading it first, and read it back again");
    command
        .add_option("--flashrom", options->flashrom,
                    "the flashrom program to run (default: flashrom\n"
                    "on the PATH, or in /usr/sbin)")
        ->type_name("PATH")
        ->check(namesAFile());
    command.footer("Programs IMAGE into the chip at --at through flashrom, run as a program of\n"
                   "its own, and nothing else of the chip: flashrom is given a layout region\n"
                   "that covers exactly the image's range. Prints where the image goes and\n"
                   "what will change, flashrom's stages as it runs (on standard error) and\n"
                   "the outcome. Whatever can be refused (the image, flashrom, the programmer,\n"
                   "the chip, the fit) is refused before anything is written. Exit status 0\n"
                   "only when what was checked holds the image; a stop (Ctrl+C) while\n"
                   "flashrom writes may leave the range half programmed.\n\n" +
                   command.get_footer());
    return [options](const Context& context) { return runFlash(*options, context); };
}

} // namespace zd::cli
