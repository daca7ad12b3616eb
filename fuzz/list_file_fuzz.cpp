// The list file on any bytes, two ways round:
//
// - as a list file (input not starting with a zero byte): the reader does
//   not crash, and whatever it accepts survives a round trip through the
//   writer unchanged;
// - as names (input starting with a zero byte): the rest is cut into names
//   at each 0x10 byte, and bytes below 0x10 stand for the troublesome ones
//   (line feed, carriage return, quote, comma, bytes that are not UTF-8), so
//   that they come often. Whatever list the writer accepts reads back as
//   the same rows.

#include "core/model/entry_list.h"
#include "core/model/file_names.h"
#include "core/model/list_file.h"
#include "fuzz/fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

int lineCount(std::string_view text) {
    int lines = 0;
    for (std::size_t at = 0; at < text.size(); ++lines) {
        const auto end = text.find('\n', at);
        at = end == std::string_view::npos ? text.size() : end + 1;
    }
    return lines;
}

void readerRoundTrip(std::string_view text) {
    const zd::ListReadResult read = zd::parseListFile(text);
    if (read.status == zd::ListReadResult::Status::FormatError) {
        // A missing line is reported one past the last.
        ZD_FUZZ_CHECK(read.rows.empty());
        ZD_FUZZ_CHECK(read.errorLine >= 1 && read.errorLine <= lineCount(text) + 1);
        ZD_FUZZ_CHECK(!read.reason.empty());
        return;
    }
    ZD_FUZZ_CHECK(read.status == zd::ListReadResult::Status::Ok);

    zd::EntryList list;
    list.appendEntries(read.rows);
    const zd::ListReadResult again = zd::parseListFile(zd::listFileText(list));
    ZD_FUZZ_CHECK(again.status == zd::ListReadResult::Status::Ok);
    ZD_FUZZ_CHECK(again.rows.size() == read.rows.size());
    for (std::size_t i = 0; i < read.rows.size(); ++i) {
        ZD_FUZZ_CHECK(zd::listFileCanCarry(read.rows[i].path));
        ZD_FUZZ_CHECK(again.rows[i].path == read.rows[i].path);
        ZD_FUZZ_CHECK(again.rows[i].size == read.rows[i].size);
    }
}

void writerRoundTrip(std::string_view data) {
    static const std::string_view kTroublesome[16] = {
        "\n",           "\r",       "\"", ",",  "\xFF", "\xC3", "\xA9",   "\xE5\x9B",
        "\xED\xA0\x80", "\xC0\xAF", "\\", "\t", "; ",   "\r\n", "\"\", ", "图"};
    std::vector<zd::NewEntry> rows(1);
    for (const char c : data) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0x10) {
            rows.emplace_back();
        } else if (byte < 0x10) {
            rows.back().path += kTroublesome[byte];
        } else {
            rows.back().path += c;
        }
    }
    bool accepted = true;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].size = static_cast<std::uint32_t>(i * 2654435761u);
        accepted = accepted && zd::listFileCanCarry(rows[i].path);
    }
    if (!accepted) {
        return; // writeListFile refuses the list; nothing is written
    }
    zd::EntryList list;
    list.appendEntries(rows);
    const zd::ListReadResult read = zd::parseListFile(zd::listFileText(list));
    ZD_FUZZ_CHECK(read.status == zd::ListReadResult::Status::Ok);
    ZD_FUZZ_CHECK(read.rows.size() == rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ZD_FUZZ_CHECK(read.rows[i].path == rows[i].path);
        ZD_FUZZ_CHECK(read.rows[i].size == rows[i].size);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!bytes.empty() && bytes.front() == '\0') {
        writerRoundTrip(bytes.substr(1));
    } else {
        readerRoundTrip(bytes);
    }
    return 0;
}
