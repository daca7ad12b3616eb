#include "core/model/file_names.h"

#include <cstdint>
#include <cstdio>

namespace zd {

std::size_t utf8SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    std::uint32_t codePoint = 0;
    if (lead < 0x80) {
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        codePoint = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        codePoint = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        codePoint = lead & 0x07u;
    } else {
        return 0;
    }
    if (length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    constexpr std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < smallest[length] || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0;
    }
    return length;
}

bool listFileCanCarry(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    while (!name.empty()) {
        const std::size_t length = utf8SequenceLength(name);
        if (length == 0 || name.front() == '\n' || name.front() == '\r' || name.front() == '\0') {
            return false;
        }
        name.remove_prefix(length);
    }
    return true;
}

bool isC1Control(std::string_view sequence) {
    return sequence.size() == 2 && static_cast<unsigned char>(sequence[0]) == 0xC2 &&
           static_cast<unsigned char>(sequence[1]) < 0xA0;
}

bool isBidiControl(std::string_view sequence) {
    if (sequence.size() != 3) {
        return false;
    }
    const auto last = static_cast<unsigned char>(sequence[2]);
    const std::string_view lead = sequence.substr(0, 2);
    return (lead == "\xE2\x80" && last >= 0xAA && last <= 0xAE) ||
           (lead == "\xE2\x81" && last >= 0xA6 && last <= 0xA9);
}

std::string unicodeEscape(std::string_view sequence) {
    std::uint32_t codePoint =
        static_cast<unsigned char>(sequence[0]) & (sequence.size() == 2 ? 0x1Fu : 0x0Fu);
    for (const char c : sequence.substr(1)) {
        codePoint = (codePoint << 6) | (static_cast<unsigned char>(c) & 0x3Fu);
    }
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(codePoint));
    return escaped;
}

std::string printableName(std::string_view name) {
    if (name.empty()) {
        return "\"\"";
    }
    std::string shown;
    shown.reserve(name.size());
    while (!name.empty()) {
        const auto byte = static_cast<unsigned char>(name.front());
        const std::size_t length = utf8SequenceLength(name);
        const std::string_view sequence = name.substr(0, length);
        if (byte == '\n' || byte == '\r' || byte == '\t') {
            shown += '\\';
            shown += byte == '\n' ? 'n' : byte == '\r' ? 'r' : 't';
        } else if (length == 0 || byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        } else if (isC1Control(sequence) || isBidiControl(sequence)) {
            shown += unicodeEscape(sequence);
        } else {
            shown.append(sequence);
        }
        name.remove_prefix(length == 0 ? 1 : length);
    }
    return shown;
}

} // namespace zd
