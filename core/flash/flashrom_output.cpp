#include "core/flash/flashrom_output.h"

#include <algorithm>
#include <regex>

namespace zd::flash {
namespace {

// The lines of `text`, without their line ends.
std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string line(text.substr(0, end));
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

bool startsWithAny(std::string_view line, std::initializer_list<std::string_view> starts) {
    return std::any_of(starts.begin(), starts.end(),
                       [line](std::string_view start) { return line.starts_with(start); });
}

// flashrom's lines that say nothing about this run: its banner, the delay
// loop's calibration, and the note asking for test reports of an untested
// chip (from "This flash part has status" to "Thanks for your help!").
std::vector<std::string> withoutNotes(const std::vector<std::string>& lines) {
    std::vector<std::string> kept;
    bool inNote = false;
    for (const std::string& line : lines) {
        if (line.starts_with("This flash part has status")) {
            inNote = true;
        }
        const bool banner = line.starts_with("flashrom ") && line.find(" on ") != std::string::npos;
        if (!inNote && !banner && !line.empty() &&
            !startsWithAny(line,
                           {"flashrom is free software", "Using clock_gettime",
                            "Calibrating delay loop", "===", "No operations were specified"})) {
            kept.push_back(line);
        }
        if (line.starts_with("Thanks for your help!")) {
            inNote = false;
        }
    }
    return kept;
}

const std::regex kFound(R"re(^Found .* flash chip "([^"]+)")re");
const std::regex kBlock(R"(0x[0-9a-fA-F]+-0x[0-9a-fA-F]+:([A-Z]*))");

// The stages in the words flashrom begins them with.
constexpr std::pair<const char*, Stage> kStages[] = {
    {"Reading old flash chip contents...", Stage::ReadingRange},
    {"Erasing and writing flash chip...", Stage::Writing},
    {"Verifying flash...", Stage::Verifying},
    {"Reading flash...", Stage::ReadingBack},
};

} // namespace

ProbeReport readProbe(std::string_view output) {
    ProbeReport report;
    for (const std::string& line : withoutNotes(linesOf(output))) {
        std::smatch found;
        if (std::regex_search(line, found, kFound)) {
            report.chips.push_back(found[1]);
        } else if (line.starts_with("No EEPROM/flash device found")) {
            report.noChip = true;
        } else if (!line.empty() && line.size() <= 19 &&
                   line.find_first_not_of("0123456789") == std::string::npos) {
            report.size = std::stoull(line);
        } else {
            report.said.push_back(line);
        }
    }
    return report;
}

void RunReader::feed(std::string_view text) {
    text_ += text;
    // A stage is told as soon as flashrom has begun it, before its line ends.
    for (const auto& [words, stage] : kStages) {
        if (std::find(begun_.begin(), begun_.end(), stage) == begun_.end() &&
            text_.find(words) != std::string::npos) {
            begun_.push_back(stage);
            onStage_(stage);
        }
    }
}

BlockCounts RunReader::blocks() const {
    BlockCounts counts;
    for (std::sregex_iterator block(text_.begin(), text_.end(), kBlock), none; block != none;
         ++block) {
        const std::string flags = (*block)[1];
        ++counts.blocks;
        counts.erased += flags.find('E') != std::string::npos;
        counts.written += flags.find('W') != std::string::npos;
    }
    return counts;
}

bool RunReader::unchanged() const {
    return text_.find("Chip content is identical") != std::string::npos;
}

std::vector<std::string> RunReader::said() const {
    const std::vector<std::string> lines = withoutNotes(linesOf(text_));
    std::vector<std::string> failures;
    for (const std::string& line : lines) {
        for (const char* word :
             {"rror", "FAIL", "fail", "Fail", "unknown state", "Abort", "Invalid"}) {
            if (line.find(word) != std::string::npos) {
                failures.push_back(line);
                break;
            }
        }
    }
    if (failures.empty() && !lines.empty()) {
        failures.push_back(lines.back());
    }
    return failures;
}

} // namespace zd::flash
