// merge: the list from list files and inputs, then the image and its list
// file, or with --dry-run the layout only.
#include "cli/cli.h"
#include "cli/command.h"
#include "cli/firmware_outputs.h"
#include "cli/layout_options.h"
#include "cli/wording.h"
#include "core/files/file_layer.h"
#include "core/image/info_table.h"
#include "core/intake/file_intake.h"
#include "core/merge/merge.h"
#include "core/model/entry_list.h"
#include "core/model/file_names.h"
#include "core/model/list_file.h"
#include "core/model/listed_names.h"
#include "core/model/output_names.h"

#include <memory>
#include <optional>
#include <vector>

namespace zd::cli {
namespace {

struct MergeOptions {
    std::string output;
    std::uint32_t fill = 0xFF;
    bool dryRun = false;
    bool quiet = false;
    bool noSync = false;
    std::vector<std::string> lists;
    std::vector<std::string> inputs;
    MergeRequest request;
    FirmwareOptions firmware{request};
    LayoutOptions layout{request};
};

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

// The request's rows from the list files, then the inputs; what else was
// read (list files, folders taken whole) goes into its `alsoRead`. On
// failure says why and returns false.
bool addRows(const MergeOptions& options, MergeRequest& request, const Context& context) {
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
        request.rows.insert(request.rows.end(), read.rows.begin(), read.rows.end());
    }
    const IntakeBatch batch = takeInputs(fullPaths(options.inputs));
    for (const RefusedFile& refused : batch.refused) {
        context.fail(printableName(refused.path), refusedText(refused));
    }
    if (!batch.refused.empty()) {
        return false;
    }
    request.rows.insert(request.rows.end(), batch.accepted.begin(), batch.accepted.end());
    request.alsoRead = options.lists;
    request.alsoRead.insert(request.alsoRead.end(), batch.folders.begin(), batch.folders.end());
    request.alsoRead.insert(request.alsoRead.end(), context.responseFiles.begin(),
                            context.responseFiles.end());
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

int runMerge(const MergeOptions& options, const Context& context) {
    MergeRequest request = options.request;
    if (!options.output.empty()) {
        const std::optional<OutputPaths> paths = outputPathsFor(options.output);
        if (!paths) {
            return context.usage("merge", "the output " + options.output + " has no file name");
        }
        request.image = *paths;
    } else if (!options.dryRun) {
        return context.usage("merge", "an output is needed: -o PATH (or --dry-run)");
    }
    if (const auto problem = firmwareUsageProblem(options.firmware)) {
        return context.usage("merge", *problem);
    }
    if (const auto problem = layoutUsageProblem(options.layout, !options.output.empty())) {
        return context.usage("merge", *problem);
    }
    request.fill = static_cast<unsigned char>(options.fill);
    request.durable = !options.noSync;
    if (!addRows(options, request, context)) {
        return kFailure;
    }
    const MergePlan plan = planMerge(request);
    const MergeResult result =
        options.dryRun ? dryRun(request, plan) : runMerge(request, plan, context.keepGoing());
    if (!result.ok()) {
        const FailureLine line = mergeFailure(result, request);
        context.fail(line.subject, line.what);
        return kFailure;
    }
    if (options.quiet) {
        return kSuccess;
    }
    if (options.dryRun) {
        printLayout(plan.layout, context.out);
    } else {
        for (const std::string& path : mergeOutputs(request)) {
            context.out << printableName(path) << '\n';
        }
    }
    for (const std::string& line : layoutReportLines(plan.kept, request)) {
        context.err << kProgram << ": " << line << '\n';
    }
    if (options.dryRun) {
        return kSuccess;
    }
    if (result.infoTableLeftOut) {
        context.err << kProgram << ": note: the front offset (" << request.frontOffset
                    << " bytes) is not larger than 8 bytes per file ("
                    << kInfoRecordBytes * request.rows.size()
                    << "), so no file info table was written\n";
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
    addByteCountOption(command, "-f,--front-offset", options->request.frontOffset,
                       "bytes before the first file (default 0, below\n"
                       "4 GiB): decimal, 0x hexadecimal or 0-prefixed\n"
                       "octal, optionally followed by K (KiB) or M (MiB)")
        ->type_name("OFFSET");
    command
        .add_option("--align", options->request.alignment,
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
    command.add_flag("-i,--info", options->request.infoTable,
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
    command.add_flag("--overwrite", options->request.overwrite,
                     "let the outputs beside the image replace any file;\n"
                     "without it each replaces only an empty file or one\n"
                     "of its own kind that this tool wrote");
    addQuietFlag(command, options->quiet);
    addFirmwareOptions(command, options->firmware);
    addLayoutOptions(command, options->layout);
    command
        .add_option("INPUT", options->inputs,
                    "a file, added as it is, or a folder, whose files\n"
                    "(not subfolders) are added in name order; put --\n"
                    "before names that start with -")
        ->type_name("");
    return [options](const Context& context) { return runMerge(*options, context); };
}

} // namespace zd::cli
