#include "cli/layout_options.h"

#include "core/model/reserve.h"

namespace zd::cli {
namespace {

const CLI::Validator kReserve(
    [](const std::string& text) -> std::string {
        return parseReserve(text) ? ""
                                  : "'" + text +
                                        "': not a size below 4 GiB (as -f takes it) or "
                                        "a percentage from 0% to " +
                                        std::to_string(kLargestReservePercent) + "%";
    },
    "");

// A list file's name: never empty and never starting with "-", so that a
// forgotten value cannot take the next word.
const CLI::Validator kListName(
    [](const std::string& text) -> std::string {
        if (text.empty()) {
            return "an empty name names no file";
        }
        return text.starts_with('-') ? "'" + text + "' starts with '-'; write ./" + text : "";
    },
    "");

} // namespace

void addLayoutOptions(CLI::App& merge, LayoutOptions& options) {
    MergeRequest& request = options.request;
    merge
        .add_option_function<std::string>(
            "--reserve",
            [&request](const std::string& text) { request.reserve = *parseReserve(text); },
            "room for each file to grow in place: its slot is\n"
            "its size plus SIZE (as -f takes numbers) or plus a\n"
            "percentage of it (25%), rounded up to --align; the\n"
            "next file starts at the slot's end, the room holds\n"
            "the --fill byte")
        ->type_name("SIZE")
        ->check(kReserve)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    merge
        .add_option("--layout-from", request.layoutFrom,
                    "keep the layout of an earlier merge, from its list\n"
                    "file: each file (matched by path, else by a file\n"
                    "name found once in each list) keeps its address\n"
                    "while it fits its slot (up to the next address of\n"
                    "that list); the others go after every slot kept")
        ->type_name("LIST.h")
        ->check(kListName)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    merge.add_flag("--keep-layout", request.keepLayout,
                   "keep the layout of the list file this merge\n"
                   "replaces (-o's .h), as --layout-from does; without\n"
                   "one, a fresh layout. Says what moved, and why");
}

std::optional<std::string> layoutUsageProblem(const LayoutOptions& options, bool output) {
    if (options.request.keepLayout && !options.request.layoutFrom.empty()) {
        return "--layout-from and --keep-layout: one of them, not both";
    }
    if (options.request.keepLayout && !output) {
        return "--keep-layout needs -o: it keeps the layout of the list file -o replaces";
    }
    return std::nullopt;
}

} // namespace zd::cli
