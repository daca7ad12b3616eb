#include "list_file.h"

#include "file_layer.h"
#include "listed_names.h"
#include "number_parse.h"
#include "output_file.h"

#include <vector>

namespace zd {
namespace {

constexpr std::string_view kHeader = "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n";
constexpr std::string_view kFooter = "\n}\n";

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t codePoint = 0;
        if (lead < 0x80) {
            ++i;
            continue;
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
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (codePoint < smallest[length] || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

ListReadResult formatError(int line, std::string reason) {
    ListReadResult result;
    result.status = ListReadResult::Status::FormatError;
    result.errorLine = line;
    result.reason = std::move(reason);
    return result;
}

// Name and size of one row line, or the reason it cannot be read.
struct RowFields {
    std::string_view name;
    std::string_view size;
    std::string_view address; // the rest of the line after the size's comma
    const char* problem = nullptr;
};

RowFields splitRow(std::string_view afterNumber) {
    RowFields fields;
    const auto open = afterNumber.find('"');
    const auto close = afterNumber.rfind('"');
    std::size_t sizeStart = 0;
    if (open != std::string_view::npos && close != open) {
        // The name is everything between the quotes, commas included.
        fields.name = afterNumber.substr(open + 1, close - open - 1);
        const auto comma = afterNumber.find(',', close);
        if (comma == std::string_view::npos) {
            fields.problem = "no size after the file name";
            return fields;
        }
        sizeStart = comma + 1;
    } else {
        // Without quotes the name field runs to the next comma, less the
        // two bytes before the name and the one after it.
        const auto comma = afterNumber.find(',');
        const std::string_view field = afterNumber.substr(0, comma);
        if (field.size() < 3) {
            fields.problem = "file name field too short";
            return fields;
        }
        fields.name = field.substr(2, field.size() - 3);
        if (comma == std::string_view::npos) {
            fields.problem = "no size after the file name";
            return fields;
        }
        sizeStart = comma + 1;
    }
    const std::string_view rest = afterNumber.substr(sizeStart);
    const auto sizeEnd = rest.find(',');
    fields.size = rest.substr(0, sizeEnd);
    if (sizeEnd != std::string_view::npos) {
        fields.address = rest.substr(sizeEnd + 1);
    }
    if (fields.name.empty()) {
        fields.problem = "empty file name";
    }
    return fields;
}

} // namespace

std::string listFileText(const EntryList& list) {
    return listFileText(list, {});
}

std::string listFileText(const EntryList& list, std::string_view listFolder) {
    std::string text(kHeader);
    text.reserve(kHeader.size() + kFooter.size() + list.entries().size() * 64);
    int number = 0;
    for (const Entry& entry : list.entries()) {
        ++number;
        text += '\t';
        text += decimal(static_cast<std::uint64_t>(number));
        text += ", \"";
        text += listFolder.empty() ? entry.path : relativeName(entry.path, listFolder);
        text += "\", ";
        text += decimal(entry.size);
        text += ", ";
        text += decimal(entry.address);
        text += ";\n";
    }
    text += kFooter;
    return text;
}

std::error_code writeListFile(const std::string& path, const EntryList& list) {
    return writeWholeFile(path, listFileText(list));
}

ListReadResult parseListFile(std::string_view text) {
    ListReadResult result;
    bool everyAddress = true;
    int lineNumber = 0;
    bool firstRow = true;
    std::size_t position = 0;
    while (position < text.size()) {
        const auto end = text.find('\n', position);
        const std::string_view line = text.substr(
            position, end == std::string_view::npos ? std::string_view::npos : end - position);
        position = end == std::string_view::npos ? text.size() : end + 1;
        ++lineNumber;
        if (lineNumber <= 3 || line.size() <= 10) {
            continue;
        }
        const auto firstComma = line.find(',');
        if (firstComma == std::string_view::npos) {
            return formatError(lineNumber, "no comma after the row number");
        }
        if (firstRow) {
            const std::string_view number = line.substr(0, firstComma);
            if (number.size() != 2 || parseCount(number) != 1u) {
                return formatError(lineNumber, "the first row is not number 1");
            }
            firstRow = false;
        }
        const RowFields fields = splitRow(line.substr(firstComma + 1));
        if (fields.problem) {
            return formatError(lineNumber, fields.problem);
        }
        if (!isValidUtf8(fields.name)) {
            return formatError(lineNumber, "file name is not valid UTF-8");
        }
        const auto size = parseCount(fields.size);
        if (!size) {
            return formatError(lineNumber, "size is not an unsigned 32-bit number");
        }
        result.rows.push_back(NewEntry{std::string(fields.name), *size});
        const auto address = parseCount(fields.address);
        everyAddress = everyAddress && address.has_value();
        if (everyAddress) {
            result.addresses.push_back(*address);
        }
    }
    if (!everyAddress) {
        result.addresses.clear();
    }
    return result;
}

ListReadResult readListFile(const std::string& path) {
    const auto cannotOpen = [](std::error_code error) {
        ListReadResult result;
        result.status = ListReadResult::Status::CannotOpen;
        result.error = error;
        return result;
    };
    // Opening does not wait, so a pipe given as a list file cannot hang the read.
    files::Input input;
    if (auto error = input.open(path)) {
        return cannotOpen(error);
    }
    files::Status info;
    if (auto error = input.status(info)) {
        return cannotOpen(error);
    }
    if (info.kind != files::Kind::Regular) {
        return cannotOpen(std::make_error_code(info.kind == files::Kind::Directory
                                                   ? std::errc::is_a_directory
                                                   : std::errc::invalid_argument));
    }
    std::string text;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        std::size_t got = 0;
        if (auto error = input.read(buffer.data(), buffer.size(), got)) {
            return cannotOpen(error);
        }
        if (got == 0) {
            break;
        }
        text.append(buffer.data(), got);
    }
    return parseListFile(text);
}

} // namespace zd
