#include "core/model/file_names.h"

#include <cstdint>

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
        if (length == 0 || name.front() == '\n' || name.front() == '\r') {
            return false;
        }
        name.remove_prefix(length);
    }
    return true;
}

std::string printableName(std::string_view name) {
    if (name.empty()) {
        return "\"\"";
    }
    std::string shown;
    shown.reserve(name.size());
    while (!name.empty()) {
        const char c = name.front();
        const std::size_t length = utf8SequenceLength(name);
        if (c == '\n' || c == '\r' || c == '\t') {
            shown += '\\';
            shown += c == '\n' ? 'n' : c == '\r' ? 'r' : 't';
        } else if (length == 0) {
            constexpr char hex[] = "0123456789ABCDEF";
            const auto byte = static_cast<unsigned char>(c);
            shown += "\\x";
            shown += hex[byte >> 4];
            shown += hex[byte & 0x0F];
        } else {
            shown.append(name.substr(0, length));
        }
        name.remove_prefix(length == 0 ? 1 : length);
    }
    return shown;
}

} // namespace zd
