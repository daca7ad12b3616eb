#include "core/firmware/c_header.h"

#include "core/model/file_names.h"
#include "core/model/listed_names.h"
#include "core/model/number_parse.h"

#include <cstdio>
#include <unordered_map>
#include <unordered_set>

namespace zd {
namespace {

// The header's first line, which tells it from any other file.
constexpr std::string_view kHeaderComment =
    "/* Where each file lies in the merged image. Generated; do not edit. */";

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// NAME before collisions are settled: empty when nothing of it is usable.
std::string baseName(std::string_view fileName) {
    std::string name;
    bool gap = false;
    for (const char c : fileName) {
        if (isAsciiLetter(c) || isAsciiDigit(c)) {
            if (gap && !name.empty()) {
                name += '_';
            }
            gap = false;
            name += asciiUpper(c);
        } else {
            gap = true;
        }
    }
    return name;
}

// An unsigned C constant: "0x00001000u".
std::string constant(std::uint64_t value) {
    return hex32(value) + "u";
}

// `name` made safe inside a /* */ comment on one line.
std::string commentText(std::string_view name) {
    std::string text;
    std::size_t i = 0;
    while (i < name.size()) {
        const char c = name[i];
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            if (const std::size_t length = utf8SequenceLength(name.substr(i))) {
                // A bidirectional control would make compilers warn that
                // the comment's text reads otherwise than it runs; a C1
                // control is a command to the terminal that shows it.
                const std::string_view sequence = name.substr(i, length);
                text += isBidiControl(sequence) || isC1Control(sequence) ? unicodeEscape(sequence)
                                                                         : std::string(sequence);
                i += length;
                continue;
            }
        }
        if (byte < 0x20 || byte >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        } else {
            const char before = text.empty() ? ' ' : text.back();
            if ((before == '*' && c == '/') || (before == '/' && c == '*')) {
                text += '\\';
            }
            text += c;
        }
        ++i;
    }
    return text;
}

// The lower-case prefix the table's names start with: "zd_" for "ZD_".
std::string tablePrefix(std::string_view prefix) {
    std::string lower(prefix);
    for (char& c : lower) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return lower;
}

// The struct and the array of every row's macros (see cHeaderText).
std::string tableText(const std::string& prefix, const std::vector<std::string>& names) {
    const std::string lower = tablePrefix(prefix);
    std::string text = "\n/* Every file's address, size and CRC-32, in row order. */\n";
    text += "struct " + lower +
            "file {\n    uint32_t address;\n    uint32_t size;\n"
            "    uint32_t crc32;\n};\n";
    if (names.empty()) {
        return text;
    }
    text += "\nstatic const struct " + lower + "file " + lower + "files[" + prefix +
            "FILE_COUNT] = {\n";
    for (const std::string& name : names) {
        const std::string macro = prefix + name;
        text += "    {" + macro + "_ADDR, " + macro + "_SIZE, " + macro + "_CRC32},\n";
    }
    return text + "};\n";
}

} // namespace

std::optional<std::string> prefixProblem(std::string_view prefix) {
    if (prefix.empty() || !isAsciiLetter(prefix.front())) {
        return "the prefix must start with an ASCII letter";
    }
    for (const char c : prefix) {
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != '_') {
            return "the prefix may hold only ASCII letters, digits and _";
        }
    }
    if (prefix.find("__") != std::string_view::npos) {
        return "the prefix must not hold __ (such names are reserved in C and C++)";
    }
    return std::nullopt;
}

std::vector<std::string> headerNames(const EntryList& list) {
    std::vector<std::string> names;
    names.reserve(list.entries().size());
    std::unordered_set<std::string> taken;
    // The next suffix to try for a name, so many equal names stay quick.
    std::unordered_map<std::string, unsigned> nextSuffix;
    for (std::size_t row = 0; row < list.entries().size(); ++row) {
        std::string name = baseName(fileNameOf(list.entries()[row].path));
        if (name.empty()) {
            name = "FILE_" + std::to_string(row + 1);
        }
        if (taken.count(name)) {
            unsigned& suffix = nextSuffix.try_emplace(name, 2).first->second;
            std::string candidate;
            do {
                candidate = name + "_" + std::to_string(suffix++);
            } while (taken.count(candidate));
            name = std::move(candidate);
        }
        taken.insert(name);
        names.push_back(std::move(name));
    }
    return names;
}

std::string cHeaderText(const EntryList& list, const CHeaderSettings& settings) {
    const std::string& prefix = settings.prefix;
    const std::string guard = prefix + "IMAGE_LAYOUT_H";
    std::string text = std::string(kHeaderComment) + "\n";
    text += "#ifndef " + guard + "\n#define " + guard + "\n\n";
    if (settings.table) {
        text += "#include <stdint.h>\n\n";
    }
    text += "#define " + prefix + "IMAGE_BYTES " + constant(settings.imageSize) + "\n";
    text += "#define " + prefix + "FRONT_OFFSET " + constant(list.frontOffset()) + "\n";
    text += "#define " + prefix + "FILE_COUNT " + std::to_string(list.rowCount()) + "u\n";
    const std::vector<std::string> names = headerNames(list);
    for (std::size_t row = 0; row < names.size(); ++row) {
        const Entry& entry = list.entries()[row];
        const std::string shown = settings.listFolder.empty()
                                      ? entry.path
                                      : relativeName(entry.path, settings.listFolder);
        text += "\n/* " + std::to_string(row + 1) + ": " + commentText(shown) + " */\n";
        text += "#define " + prefix + names[row] + "_ADDR " + constant(entry.address) + "\n";
        text += "#define " + prefix + names[row] + "_SIZE " + constant(entry.size) + "\n";
        text +=
            "#define " + prefix + names[row] + "_CRC32 " + constant(settings.crcs.at(row)) + "\n";
    }
    if (settings.table) {
        text += tableText(prefix, names);
    }
    text += "\n#endif /* " + guard + " */\n";
    return text;
}

bool isCHeaderText(std::string_view head) {
    return head.starts_with(kHeaderComment);
}

} // namespace zd
