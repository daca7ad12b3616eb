// The list-file reader on any bytes: no crash, no undefined behaviour, and
// whatever it accepts survives a round trip through the writer unchanged.

#include "entry_list.h"
#include "fuzz_check.h"
#include "list_file.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

int lineCount(std::string_view text) {
    int lines = 0;
    for (std::size_t at = 0; at < text.size(); ++lines) {
        const auto end = text.find('\n', at);
        at = end == std::string_view::npos ? text.size() : end + 1;
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const zd::ListReadResult read = zd::parseListFile(text);

    if (read.status == zd::ListReadResult::Status::FormatError) {
        // The header lines are never looked at, so an error lies past them.
        ZD_FUZZ_CHECK(read.rows.empty());
        ZD_FUZZ_CHECK(read.errorLine >= 4 && read.errorLine <= lineCount(text));
        ZD_FUZZ_CHECK(!read.reason.empty());
        return 0;
    }
    ZD_FUZZ_CHECK(read.status == zd::ListReadResult::Status::Ok);

    zd::EntryList list;
    list.appendEntries(read.rows);
    const zd::ListReadResult again = zd::parseListFile(zd::listFileText(list));
    ZD_FUZZ_CHECK(again.status == zd::ListReadResult::Status::Ok);
    ZD_FUZZ_CHECK(again.rows.size() == read.rows.size());
    for (std::size_t i = 0; i < read.rows.size(); ++i) {
        ZD_FUZZ_CHECK(!read.rows[i].path.empty());
        ZD_FUZZ_CHECK(again.rows[i].path == read.rows[i].path);
        ZD_FUZZ_CHECK(again.rows[i].size == read.rows[i].size);
    }
    return 0;
}
