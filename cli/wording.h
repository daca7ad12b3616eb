// The command line's words for what core reports: one English text for
// each status of each result, kept here so that every command says the
// same thing the same way. The subject of a failure line (a name) is shown
// through printableName by Context::fail.
#pragma once

#include "core/check/check.h"
#include "core/flash/programming.h"
#include "core/image/merge_result.h"
#include "core/intake/file_intake.h"
#include "core/merge/merge.h"
#include "core/merge/merge_request.h"

#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

namespace zd::cli {

// Why a file was not taken in, as a short phrase after its name.
std::string refusedText(const RefusedFile& refused);

// A merge that failed or was refused, as the one line that says so: the
// name it is about and what happened.
struct FailureLine {
    std::string subject;
    std::string what;
};
FailureLine mergeFailure(const MergeResult& result, const MergeRequest& request);

// What a merge that keeps a layout says (without the program's name):
// each row that moved or came new, with its addresses and why, then how
// many kept their place; or that there was no list file to keep. Nothing
// for a merge that keeps no layout.
std::vector<std::string> layoutReportLines(const LayoutReport& report, const MergeRequest& request);

// An image that cannot be read (a pipe or a device is named as such).
std::string imageUnreadableText(const std::error_code& error);
// The image holds the table, but not the bytes of all its rows.
std::string tableCutShortText(std::uint64_t imageSize, std::uint64_t tableEnd);

// One line for a row verify found bad: No., file name, address, what is
// wrong.
std::string verifyRowLine(const check::RowFinding& row);

// The filler after the file info table differs at `offset`.
std::string frontAreaDamagedText(std::uint64_t offset);

// An unpack that failed: the file it is about and what is wrong with it.
FailureLine unpackFailure(const check::UnpackResult& result, const std::string& image);

// What stopped a diff, said of the file it is about (`base`: the records').
std::string diffFailureText(const check::DiffResult& result, std::uint32_t base);

// flashrom is not there: at the path `named` (--flashrom), or when that is
// empty, anywhere programs are looked for; how to get it.
FailureLine flashromMissing(const std::string& named);
// The range the image takes in the chip: "0x00100000 to 0x0010869F".
std::string chipRangeText(const flash::FlashTarget& target);
// A flash that failed, was refused or stopped: the line that says so, and
// flashrom's own lines to pass on after it. `written`: a write had ended
// well before.
struct FlashFailure {
    FailureLine line;
    std::vector<std::string> said;
};
FlashFailure flashFailure(const flash::FlashResult& result, const flash::FlashRequest& request,
                          bool written);
// The line shown as flashrom begins a stage.
std::string flashStageText(flash::Stage stage);

} // namespace zd::cli
