#include "cli.h"

#include "entry_list.h"
#include "file_intake.h"
#include "file_layer.h"
#include "file_names.h"
#include "image_writer.h"
#include "list_file.h"
#include "number_parse.h"
#include "output_names.h"

#include <optional>

namespace zd::cli {
namespace {

constexpr const char* kProgram = "zadodaziderav-cli";

constexpr const char* kUsage =
    R"(Usage: zadodaziderav-cli merge -o PATH [-f OFFSET] [-i] [-l LIST.h]... [--dry-run] [INPUT]...

Merges files into one flat image (.bin) and writes its list file (.h) beside
it, exactly as the window's merge-save does.

  -o, --output PATH        the output name; "img", "img.bin" and "img.h" all
                           give img.bin and img.h
  -f, --front-offset TEXT  bytes before the first file: decimal, 0x hex or
                           0-prefixed octal (default 0)
  -i, --info               write the file info table (address and size of
                           every file, 8 bytes each) into the front area
  -l, --list LIST.h        append the rows of a saved list file (repeatable)
      --dry-run            print the layout and capacity, write nothing
  INPUT                    a file, added as it is; or a folder, whose files
                           (not subfolders) are added in name order
  -h, --help               show this help
  -V, --version            show the version

List files come first, in the order given, then the inputs.
Exit status: 0 success, 1 failure, 2 usage error.
)";

struct MergeOptions {
    std::string output;
    std::uint32_t frontOffset = 0;
    bool info = false;
    bool dryRun = false;
    std::vector<std::string> lists;
    std::vector<std::string> inputs;
};

struct UsageError {
    std::string message;
};

// Parses the arguments after "merge"; on a usage error returns it.
std::optional<UsageError> parseMerge(const std::vector<std::string>& args, MergeOptions& options) {
    bool onlyInputs = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                return std::nullopt;
            }
            return args[++i];
        };
        if (onlyInputs || arg.empty() || arg[0] != '-' || arg == "-") {
            options.inputs.push_back(arg);
        } else if (arg == "--") {
            onlyInputs = true;
        } else if (arg == "-o" || arg == "--output") {
            auto v = value();
            if (!v) {
                return UsageError{"option " + arg + " needs a path"};
            }
            options.output = *v;
        } else if (arg == "-f" || arg == "--front-offset") {
            auto v = value();
            if (!v) {
                return UsageError{"option " + arg + " needs a value"};
            }
            options.frontOffset = parseFrontOffset(*v);
        } else if (arg == "-l" || arg == "--list") {
            auto v = value();
            if (!v) {
                return UsageError{"option " + arg + " needs a list file"};
            }
            options.lists.push_back(*v);
        } else if (arg == "-i" || arg == "--info") {
            options.info = true;
        } else if (arg == "--dry-run") {
            options.dryRun = true;
        } else {
            return UsageError{"unknown option " + arg};
        }
    }
    if (options.output.empty() && !options.dryRun) {
        return UsageError{"merge needs -o PATH"};
    }
    return std::nullopt;
}

std::string reasonOf(const MergeResult& result) {
    switch (result.status) {
    case MergeStatus::Ok:
        return "ok";
    case MergeStatus::OutputIsInput:
        return "the output image would replace this input";
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
        return "has a name the list file cannot carry (a line feed, a carriage return or bytes "
               "that are not UTF-8)";
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

// Builds the list from the options; on failure prints why and returns false.
bool buildList(const MergeOptions& options, EntryList& list, std::ostream& err) {
    list.setFrontOffset(options.frontOffset);
    list.recomputeLayout();
    for (const std::string& path : options.lists) {
        const ListReadResult read = readListFile(path);
        if (read.status == ListReadResult::Status::CannotOpen) {
            err << kProgram << ": " << path << ": cannot be opened: " << read.error.message()
                << '\n';
            return false;
        }
        if (read.status == ListReadResult::Status::FormatError) {
            err << kProgram << ": " << path;
            if (read.errorLine) {
                err << ':' << read.errorLine;
            }
            err << ": not a list file this tool wrote: " << read.reason << '\n';
            return false;
        }
        list.appendEntries(read.rows);
    }
    // Rows carry full paths, as the window's do, so that the list file
    // reads the same from any working folder.
    std::vector<std::string> inputs;
    for (const std::string& given : options.inputs) {
        inputs.push_back(given.empty() ? given : files::absolutePath(given));
    }
    const IntakeBatch batch = takeInputs(inputs);
    for (const RefusedFile& refused : batch.refused) {
        err << kProgram << ": " << printableName(refused.path) << ": " << describe(refused) << '\n';
    }
    if (!batch.refused.empty()) {
        return false;
    }
    list.appendEntries(batch.accepted);
    return true;
}

void printLayout(const EntryList& list, std::ostream& out) {
    out << "No.\tFile Name\tSize(byte)\tAddress\tData Format\n";
    for (int row = 0; row < list.rowCount(); ++row) {
        for (int column = 0; column < kColumnCount; ++column) {
            out << (column ? "\t" : "") << list.cellText(row, static_cast<Column>(column));
        }
        out << '\n';
    }
    out << "Image capacity: " << list.imageCapacity() << " bytes\n";
}

int runMerge(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             const std::atomic<bool>* stopRequested) {
    MergeOptions options;
    if (auto usage = parseMerge(args, options)) {
        err << kProgram << ": " << usage->message << "\nTry '" << kProgram << " --help'.\n";
        return kUsageError;
    }
    std::optional<OutputPaths> paths;
    if (!options.output.empty()) {
        paths = outputPathsFor(options.output);
        if (!paths) {
            err << kProgram << ": " << options.output << ": the output needs a file name\n";
            return kUsageError;
        }
    }
    EntryList list;
    if (!buildList(options, list, err)) {
        return kFailure;
    }
    if (options.dryRun) {
        printLayout(list, out);
        return kSuccess;
    }
    const MergeResult result =
        mergeImage(list, options.info, *paths, [stopRequested](std::uint64_t, std::uint64_t) {
            return !(stopRequested && stopRequested->load());
        });
    if (!result.ok()) {
        err << kProgram << ": " << printableName(result.path) << ": " << reasonOf(result) << '\n';
        return kFailure;
    }
    out << paths->imagePath << '\n' << paths->listPath << '\n';
    if (result.infoTableLeftOut) {
        out << "note: the front offset (" << list.frontOffset()
            << " bytes) is not larger than 8 bytes per file ("
            << 8ull * static_cast<unsigned long long>(list.rowCount())
            << "), so no file info table was written\n";
    }
    return kSuccess;
}

} // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const std::atomic<bool>* stopRequested) {
    if (args.empty()) {
        err << kUsage;
        return kUsageError;
    }
    const std::string& command = args.front();
    if (command == "-h" || command == "--help" || command == "help") {
        out << kUsage;
        return kSuccess;
    }
    if (command == "-V" || command == "--version") {
        out << kProgram << " 1.1.0.0\n";
        return kSuccess;
    }
    if (command == "merge") {
        return runMerge(args, out, err, stopRequested);
    }
    err << kProgram << ": unknown command " << command << "\nTry '" << kProgram << " --help'.\n";
    return kUsageError;
}

} // namespace zd::cli
