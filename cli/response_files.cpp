#include "cli/response_files.h"

#include "core/files/file_errors.h"
#include "core/files/file_reading.h"
#include "core/model/file_names.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace zd::cli {
namespace {

// What makes a name that starts with "-" one no parser takes for an option.
const std::string kNamePrefix{'.', files::kSeparator};

// Far beyond any real list (20,000 long paths take about 2 MiB), but a
// huge file named by mistake (an image, say) is not read into memory.
constexpr std::uint64_t kMaxBytes = 16ull << 20;

std::optional<std::string> readWhole(const std::string& path, std::string& text) {
    const std::error_code error = files::readWholeFile(path, kMaxBytes, text);
    if (!error) {
        return std::nullopt;
    }
    if (error == std::errc::is_a_directory) {
        return std::string("is a folder");
    }
    if (error == files::FileErrc::NotAFile) {
        return std::string("is not a regular file");
    }
    if (error == std::errc::file_too_large) {
        return std::string("is larger than 16 MiB");
    }
    return error.message();
}

// Every line, an empty one too: dropping it would hand an option that
// expects a value the next line instead.
std::vector<std::string> linesOf(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
    }
    return lines;
}

} // namespace

ExpandedArgs expandResponseFiles(const std::vector<std::string>& args) {
    ExpandedArgs expanded;
    const auto holdsNul = [&expanded](const std::string& arg, const std::string& where) {
        if (arg.find('\0') == std::string::npos) {
            return false;
        }
        expanded.problem = where + printableName(arg) + " holds a NUL, which no name can hold";
        return true;
    };
    bool literal = false;
    for (const std::string& arg : args) {
        if (holdsNul(arg, "the argument ")) {
            return expanded;
        }
        if (literal || arg.size() < 2 || arg.front() != '@') {
            literal = literal || arg == "--";
            expanded.args.push_back(arg);
            continue;
        }
        const std::string path = arg.substr(1);
        std::string text;
        if (auto reason = readWhole(path, text)) {
            expanded.problem = "response file " + printableName(path) + ": " + *reason;
            return expanded;
        }
        expanded.files.push_back(path);
        for (std::string& line : linesOf(text)) {
            if (holdsNul(line, "response file " + printableName(path) + ": the line ")) {
                return expanded;
            }
            literal = literal || line == "--";
            expanded.args.push_back(std::move(line));
        }
    }
    return expanded;
}

NamedArgs namesAfterDashDash(std::vector<std::string> args) {
    NamedArgs named{std::move(args)};
    const auto mark = std::find(named.args.begin(), named.args.end(), "--");
    if (mark == named.args.end()) {
        return named;
    }
    for (auto name = named.args.erase(mark); name != named.args.end(); ++name) {
        if (name->starts_with('-')) {
            named.renamed.push_back(*name);
            name->insert(0, kNamePrefix);
        }
    }
    return named;
}

std::string NamedArgs::asGiven(std::string message) const {
    for (const std::string& name : renamed) {
        const std::string changed = kNamePrefix + name;
        for (auto at = message.find(changed); at != std::string::npos;
             at = message.find(changed, at + name.size())) {
            message.erase(at, kNamePrefix.size());
        }
    }
    return message;
}

} // namespace zd::cli
