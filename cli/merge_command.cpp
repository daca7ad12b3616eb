// merge: the list from list files and inputs, then the image and its list
// file, or with --dry-run the layout only.
#include "cli/cli.h"
#include "cli/command.h"
#include "cli/firmware_outputs.h"
#include "core/files/file_layer.h"
#include "core/image/image_writer.h"
#include "core/image/info_table.h"
#include "core/model/entry_list.h"
#include "core/model/file_names.h"
#include "core/model/list_file.h"
#include "core/model/listed_names.h"
#include "core/model/output_names.h"
#include "intake/file_intake.h"

#include <memory>
#include <optional>
#include <vector>

namespace zd::cli {
namespace {

struct MergeOptions {
    std::string output;
    std::uint32_t frontOffset = 0;
    std::uint32_t align = 1;
    std::uint32_t fill = 0xFF;
    bool info = false;
    bool dryRun = false;
    bool noSync = false;
    bool quiet = false;
    std::vector<std::string> lists;
    std::vector<std::string> inputs;
    FirmwareOptions firmware;
};

std::string reasonOf(const MergeResult& result) {
    switch (result.status) {
    case MergeStatus::Ok:
        return "ok";
    case MergeStatus::OutputIsInput:
        return "the output " + printableName(result.output) + " would replace this input";
    case MergeStatus::ListIsInput:
        return "the output list file would replace this input";
    case MergeStatus::InputUnreadable:
        return "cannot be read: " + result.error.message();
    case MergeStatus::InputSizeChanged:
        return "listed with " + decimal(result.expected) + " bytes but now " +
               decimal(result.actual) + " bytes long; add it again";
    case MergeStatus::InputSizeUnknown:
        return "its length cannot be known: the system reports " + decimal(result.expected) +
               " bytes, but reading it gives another length (as for files of /proc or /sys)";
    case MergeStatus::NameNotListable:
        return describe({result.path, RefusedFile::Reason::NameNotListable, {}});
    case MergeStatus::FolderNotWritable:
        return "no file can be created in this folder: " + result.error.message();
    case MergeStatus::LayoutTooLarge:
        return "would lie past 4 GiB, beyond what an image can address";
    case MergeStatus::ImageCreateFailed:
        return "cannot be created: " + result.error.message();
    case MergeStatus::ImageWriteFailed:
    case MergeStatus::ListWriteFailed:
    case MergeStatus::CompanionFailed:
        return "cannot be written: " + result.error.message();
    case MergeStatus::Stopped:
        return "merge stopped; nothing was written";
    }
    return {};
}

// Rows carry full paths, as the window's do, so that the list file reads the
// same from any working folder. On POSIX the working folder is asked for
// once, not once for each of thousands of inputs; Win32 makes a path full
// without asking the system.
std::vector<std::string> fullPaths(const std::vector<std::string>& given) {
    std::vector<std::string> full;
    full.reserve(given.size());
    std::string here;
    for (const std::string& path : given) {
        if (path.empty() || files::kWin32 || path.front() == '/') {
            full.push_back(path.empty() ? path : files::absolutePath(path));
            continue;
        }
        if (here.empty()) {
            here = files::absolutePath(".");
        }
        full.push_back(files::absolutePath(here + '/' + path));
    }
    return full;
}

// Builds the list from the options, and adds the folders taken whole to
// `folders`; on failure says why and returns false.
bool buildList(const MergeOptions& options, EntryList& list, std::vector<std::string>& folders,
               const Context& context) {
    list.setFrontOffset(options.frontOffset);
    list.setAlignment(options.align);
    list.recomputeLayout();
    for (const std::string& path : options.lists) {
        ListReadResult read = readListFile(path);
        if (read.status == ListReadResult::Status::CannotOpen) {
            context.fail(path, "cannot be opened: " + read.error.message());
            return false;
        }
        if (read.status == ListReadResult::Status::FormatError) {
            context.fail(read.errorLine ? path + ":" + std::to_string(read.errorLine) : path,
                         "not a list file this tool wrote: " + read.reason);
            return false;
        }
        resolveListedNames(read.rows, path);
        list.appendEntries(read.rows);
    }
    const IntakeBatch batch = takeInputs(fullPaths(options.inputs));
    for (const RefusedFile& refused : batch.refused) {
        context.fail(printableName(refused.path), describe(refused));
    }
    if (!batch.refused.empty()) {
        return false;
    }
    list.appendEntries(batch.accepted);
    folders = batch.folders;
    return true;
}

void printLayout(const EntryList& list, std::ostream& out) {
    out << "No.\tFile Name\tSize(byte)\tAddress\tData Format\n";
    for (int row = 0; row < list.rowCount(); ++row) {
        for (int column = 0; column < kColumnCount; ++column) {
            const std::string cell = list.cellText(row, static_cast<Column>(column));
            out << (column ? "\t" : "")
                << (column == static_cast<int>(Column::FileName) ? printableName(cell) : cell);
        }
        out << '\n';
    }
    // Wide: an image may end at exactly 4 GiB, which 32 bits cannot show.
    out << "Image capacity: " << list.layoutEnd() << " bytes\n";
}

// An output whose name Windows would take for a stream of another file;
// named, before anything is written.
bool refusedStream(const std::string& output, const Context& context) {
    if (!namesAStream(output)) {
        return false;
    }
    context.fail(output, "a ':' in a file name names a hidden stream of another file on Windows; "
                         "choose a name without it");
    return true;
}

int runMerge(const MergeOptions& options, const Context& context) {
    if (refusedStream(options.output, context)) {
        return kFailure;
    }
    std::optional<OutputPaths> paths;
    if (!options.output.empty()) {
        paths = outputPathsFor(options.output);
        if (!paths) {
            return context.usage("merge", "the output " + options.output + " has no file name");
        }
    } else if (!options.dryRun) {
        return context.usage("merge", "an output is needed: -o PATH (or --dry-run)");
    }
    if (const auto problem = firmwareUsageProblem(options.firmware)) {
        return context.usage("merge", *problem);
    }
    EntryList list;
    FirmwareSettings firmware = options.firmware.settings;
    if (!buildList(options, list, firmware.alsoRead, context)) {
        return kFailure;
    }
    firmware.alsoRead.insert(firmware.alsoRead.begin(), options.lists.begin(), options.lists.end());
    firmware.alsoRead.insert(firmware.alsoRead.end(), context.responseFiles.begin(),
                             context.responseFiles.end());
    const OutputPaths outputs = paths.value_or(OutputPaths{});
    firmware.fill = static_cast<unsigned char>(options.fill);
    if (const FirmwareFit fit = checkFirmwareFit(firmware, list, outputs); !fit.ok()) {
        context.fail(outputs.imagePath.empty() ? "the image" : outputs.imagePath,
                     firmwareFitText(fit, firmware));
        return kFailure;
    }
    zd::MergeOptions merge = firmwareMergeOptions(firmware, list, outputs);
    merge.durable = !options.noSync;
    merge.filesRead = options.lists;
    merge.filesRead.insert(merge.filesRead.end(), context.responseFiles.begin(),
                           context.responseFiles.end());
    for (const Companion& companion : merge.companions) {
        if (refusedStream(companion.path, context)) {
            return kFailure;
        }
    }
    if (options.dryRun) {
        if (const MergeResult checked = checkMerge(list, outputs, merge); !checked.ok()) {
            context.fail(printableName(checked.path), reasonOf(checked));
            return kFailure;
        }
        if (!options.quiet) {
            printLayout(list, context.out);
        }
        return kSuccess;
    }
    const MergeResult result = mergeImage(
        list, options.info, outputs,
        [&context](std::uint64_t, std::uint64_t) { return !context.stopped(); }, merge);
    if (!result.ok()) {
        context.fail(printableName(result.path), reasonOf(result));
        return kFailure;
    }
    if (!options.quiet) {
        context.out << printableName(outputs.imagePath) << '\n'
                    << printableName(outputs.listPath) << '\n';
        for (const Companion& companion : merge.companions) {
            context.out << printableName(companion.path) << '\n';
        }
        if (result.infoTableLeftOut) {
            context.err << kProgram << ": note: the front offset (" << list.frontOffset()
                        << " bytes) is not larger than 8 bytes per file ("
                        << kInfoRecordBytes * list.entries().size()
                        << "), so no file info table was written\n";
        }
    }
    return kSuccess;
}

} // namespace

Runner setUpMerge(CLI::App& command) {
    auto options = std::make_shared<MergeOptions>();
    addOutputOption(command, "-o,--output", options->output,
                    "the output name, as typed in the window's save\n"
                    "dialog: img, img.bin and img.h all give img.bin\n"
                    "and img.h");
    addByteCountOption(command, "-f,--front-offset", options->frontOffset,
                       "bytes before the first file (default 0, below\n"
                       "4 GiB): decimal, 0x hexadecimal or 0-prefixed\n"
                       "octal, optionally followed by K (KiB) or M (MiB)")
        ->type_name("OFFSET");
    command
        .add_option("--align", options->align,
                    "start every file at a multiple of N, a power of\n"
                    "two from 1 (the default: back to back) to 1M, as\n"
                    "-f takes numbers; the gaps hold the --fill byte.\n"
                    "With the file system's block size (4K on most),\n"
                    "every input starts on a block, and XFS and btrfs\n"
                    "share all its blocks but its last partial one with\n"
                    "the image instead of copying them")
        ->type_name("N")
        ->transform(byteCountCheck(alignmentProblem))
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    command
        .add_option("--fill", options->fill,
                    "the filler byte of the front area, the --align\n"
                    "gaps and --pad, 0x00 to 0xFF (default 0xFF)")
        ->type_name("BYTE")
        ->transform(byteCheck())
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    command.add_flag("-i,--info", options->info,
                     "write the file info table (address and size of\n"
                     "every file, 8 bytes each) into the front area");
    command
        .add_option("-l,--list", options->lists,
                    "append the rows of a saved list file; repeatable.\n"
                    "List files come first, in the order given, then\n"
                    "the inputs")
        ->type_name("LIST.h")
        ->check(namesAFile())
        ->allow_extra_args(false);
    command.add_flag("--dry-run", options->dryRun,
                     "check the inputs and print the layout and the\n"
                     "capacity; write nothing (-o is optional)");
    command.add_flag("--no-sync", options->noSync,
                     "do not wait for the outputs to reach the disk\n"
                     "before putting them in place: faster, but a power\n"
                     "cut soon after may leave them empty or partial");
    addQuietFlag(command, options->quiet);
    addFirmwareOptions(command, options->firmware);
    command
        .add_option("INPUT", options->inputs,
                    "a file, added as it is, or a folder, whose files\n"
                    "(not subfolders) are added in name order; put --\n"
                    "before names that start with -")
        ->type_name("");
    return [options](const Context& context) { return runMerge(*options, context); };
}

} // namespace zd::cli
