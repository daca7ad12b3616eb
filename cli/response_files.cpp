#include "response_files.h"

#include "file_layer.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace zd::cli {
namespace {

// Far beyond any real list (20,000 long paths take about 2 MiB), but a
// device or a huge file named by mistake is not read into memory.
constexpr std::uint64_t kMaxBytes = 64ull << 20;

std::optional<std::string> readWhole(const std::string& path, std::string& text) {
    files::Input input;
    if (auto error = input.open(path)) {
        return error.message();
    }
    files::Status info;
    if (auto error = input.status(info)) {
        return error.message();
    }
    if (info.kind != files::Kind::Regular) {
        return std::string(info.kind == files::Kind::Directory ? "is a folder"
                                                               : "is not a regular file");
    }
    if (info.size > kMaxBytes) {
        return std::string("is larger than 64 MiB");
    }
    text.resize(static_cast<std::size_t>(info.size));
    std::size_t done = 0;
    while (done < text.size()) {
        std::size_t got = 0;
        if (auto error = input.read(text.data() + done, text.size() - done, got)) {
            return error.message();
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    text.resize(done);
    return std::nullopt;
}

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
        if (!line.empty()) {
            lines.emplace_back(line);
        }
    }
    return lines;
}

} // namespace

std::optional<std::string> expandResponseFiles(const std::vector<std::string>& args,
                                               std::vector<std::string>& expanded) {
    expanded.clear();
    bool literal = false;
    for (const std::string& arg : args) {
        if (literal || arg.size() < 2 || arg.front() != '@') {
            literal = literal || arg == "--";
            expanded.push_back(arg);
            continue;
        }
        const std::string path = arg.substr(1);
        std::string text;
        if (auto reason = readWhole(path, text)) {
            return "response file " + path + ": " + *reason;
        }
        for (std::string& line : linesOf(text)) {
            literal = literal || line == "--";
            expanded.push_back(std::move(line));
        }
    }
    return std::nullopt;
}

std::vector<std::string> namesAfterDashDash(std::vector<std::string> args) {
    const auto mark = std::find(args.begin(), args.end(), "--");
    if (mark == args.end()) {
        return args;
    }
    for (auto name = args.erase(mark); name != args.end(); ++name) {
        if (name->size() > 1 && name->front() == '-') {
            name->insert(0, {'.', files::kSeparator});
        }
    }
    return args;
}

} // namespace zd::cli
