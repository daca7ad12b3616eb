#include "core/model/list_file.h"

#include "core/files/file_errors.h"
#include "core/files/file_reading.h"
#include "core/files/output_set.h"
#include "core/model/file_names.h"
#include "core/model/listed_names.h"
#include "core/model/number_parse.h"

#include <vector>

namespace zd {
namespace {

constexpr std::string_view kHeader = "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n";
constexpr std::string_view kFooter = "\n}\n";
constexpr std::string_view kColumns = "/*No,FileName,Size,Address*/"; // line 2, white space aside
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Longer than any row line: a path of 32,767 UTF-16 units takes at most
// about 96 KiB in UTF-8.
constexpr std::size_t kLongestLine = 128 * 1024;

std::string_view withoutCarriageReturn(std::string_view line) {
    return line.ends_with('\r') ? line.substr(0, line.size() - 1) : line;
}

std::string withoutBlanks(std::string_view line) {
    std::string kept;
    for (const char c : line) {
        if (c != ' ' && c != '\t' && c != '\r') {
            kept += c;
        }
    }
    return kept;
}

// The address field as the row shows it, without the blanks and the ";".
std::string_view trimmedAddress(std::string_view field) {
    const auto first = field.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    field.remove_prefix(first);
    const auto last = field.find_last_not_of(" \t;\r");
    return field.substr(0, last == std::string_view::npos ? 0 : last + 1);
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
    } else if (!listFileCanCarry(fields.name)) {
        fields.problem = "file name holds a line break or a NUL, or is not valid UTF-8";
    }
    return fields;
}

// Takes a list file line by line and stops at the first line that cannot
// be one of a list file's.
class ListParser {
  public:
    // Line `lineNumber_ + 1`, without its line feed; false once the file is
    // found wrong.
    bool take(std::string_view line) {
        ++lineNumber_;
        if (line.size() > kLongestLine) {
            return fail("a line longer than any list file's");
        }
        switch (lineNumber_) {
        case 1:
            if (line.starts_with(kByteOrderMark)) {
                line.remove_prefix(kByteOrderMark.size());
            }
            return withoutBlanks(line) == "{" || fail("line 1 is not the list file's \"{\"");
        case 2:
            return withoutBlanks(line) == kColumns ||
                   fail("line 2 is not the list file's column comment");
        case 3:
            return withoutBlanks(line).empty() || fail("line 3 is not empty");
        default:
            break;
        }
        if (closed_) {
            return withoutBlanks(line).empty() || fail("text after the closing \"}\"");
        }
        if (withoutBlanks(line) == "}") {
            closed_ = true;
            return true;
        }
        if (line.size() <= 10) {
            return true;
        }
        return takeRow(line);
    }

    ListReadResult finish() {
        if (result_.status == ListReadResult::Status::Ok && !closed_) {
            ++lineNumber_;
            fail(lineNumber_ <= 3 ? "the list file's header is missing"
                                  : "the closing \"}\" is missing");
        }
        if (!everyAddress_) {
            result_.addresses.clear();
        }
        return std::move(result_);
    }

    bool fail(std::string reason) {
        result_.status = ListReadResult::Status::FormatError;
        result_.errorLine = lineNumber_;
        result_.reason = std::move(reason);
        result_.rows.clear();
        result_.addresses.clear();
        return false;
    }

  private:
    bool takeRow(std::string_view line) {
        const auto firstComma = line.find(',');
        if (firstComma == std::string_view::npos) {
            return fail("no comma after the row number");
        }
        if (firstRow_) {
            const std::string_view number = line.substr(0, firstComma);
            if (number.size() != 2 || parseCount(number) != 1u) {
                return fail("the first row is not number 1");
            }
            firstRow_ = false;
        }
        const RowFields fields = splitRow(withoutCarriageReturn(line.substr(firstComma + 1)));
        if (fields.problem) {
            return fail(fields.problem);
        }
        const auto size = parseCount(fields.size);
        if (!size) {
            return fail("size is not an unsigned 32-bit number");
        }
        result_.rows.push_back(NewEntry{std::string(fields.name), *size});
        const auto address = parseCount(fields.address);
        if (everyAddress_ && !address) {
            result_.addressLine = lineNumber_;
            result_.addressText = std::string(trimmedAddress(fields.address));
        }
        everyAddress_ = everyAddress_ && address.has_value();
        if (everyAddress_) {
            result_.addresses.push_back(*address);
        }
        return true;
    }

    ListReadResult result_;
    int lineNumber_ = 0;
    bool firstRow_ = true;
    bool closed_ = false;
    bool everyAddress_ = true;
};

ListReadResult cannotOpen(std::error_code error) {
    ListReadResult result;
    result.status = ListReadResult::Status::CannotOpen;
    result.error = error;
    return result;
}

} // namespace

std::string listAddressProblem(const ListReadResult& read) {
    const std::string field =
        read.addressText.empty() ? "no address" : "the address " + read.addressText;
    return "line " + std::to_string(read.addressLine) + ": " + field +
           " is not an unsigned 32-bit number";
}

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
    for (const Entry& entry : list.entries()) {
        if (!listFileCanCarry(entry.path)) {
            return std::make_error_code(std::errc::illegal_byte_sequence);
        }
    }
    return files::writeWholeFile(path, listFileText(list));
}

ListReadResult parseListFile(std::string_view text) {
    ListParser parser;
    std::size_t position = 0;
    while (position < text.size()) {
        const auto end = text.find('\n', position);
        const std::string_view line = text.substr(
            position, end == std::string_view::npos ? std::string_view::npos : end - position);
        position = end == std::string_view::npos ? text.size() : end + 1;
        if (!parser.take(line)) {
            break;
        }
    }
    return parser.finish();
}

ListReadResult readListFile(const std::string& path) {
    ListParser parser;
    std::string pending; // the start of a line whose end has not been read yet
    bool failed = false;
    const std::error_code error = files::readPieces(path, [&](std::string_view piece) {
        for (auto end = piece.find('\n'); end != std::string_view::npos; end = piece.find('\n')) {
            if (pending.empty()) {
                failed = !parser.take(piece.substr(0, end));
            } else {
                pending.append(piece.substr(0, end));
                failed = !parser.take(pending);
                pending.clear();
            }
            if (failed) {
                return false;
            }
            piece.remove_prefix(end + 1);
        }
        pending.append(piece);
        // No list file holds such a line: stop reading.
        failed = pending.size() > kLongestLine && !parser.take(pending);
        return !failed;
    });
    if (error == files::FileErrc::NotAFile) {
        parser.fail("not a regular file");
    } else if (error) {
        return cannotOpen(error);
    } else if (!failed && !pending.empty()) {
        parser.take(pending); // a last line without a line feed
    }
    return parser.finish();
}

void resolveListedNames(std::vector<NewEntry>& rows, const std::string& listPath) {
    const std::string folder = folderPartOf(files::absolutePath(listPath));
    for (NewEntry& row : rows) {
        row.path = resolveListedName(row.path, folder);
    }
}

} // namespace zd
