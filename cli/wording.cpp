#include "cli/wording.h"

#include "cli/command.h"
#include "core/files/file_errors.h"
#include "core/files/path_text.h"
#include "core/image/crc32.h"
#include "core/model/entry_list.h"
#include "core/model/file_names.h"
#include "core/model/number_parse.h"

namespace zd::cli {
namespace {

// An image of `size` bytes placed at `base` that HEX and S-records (or
// `what` else) cannot address.
std::string pastAddressSpaceText(std::uint32_t base, std::uint64_t size,
                                 const char* what = "the addresses of Intel HEX and S-records") {
    return "placed at " + hex32(base) + ", its " + bytesText(size) +
           " would reach past 4 GiB, beyond " + what + "; nothing was written";
}

// What happened, after the name of the file it is about.
std::string reasonOf(const MergeResult& result) {
    switch (result.status) {
    case MergeStatus::Ok:
        return "ok";
    case MergeStatus::OutputIsInput:
        return "the output " + printableName(result.output) + " would replace this input";
    case MergeStatus::ListIsInput:
        return "the output list file would replace this input";
    case MergeStatus::InputUnreadable:
        return "cannot be read: " + result.error.message();
    case MergeStatus::InputSizeChanged:
        return "listed with " + decimal(result.expected) + " bytes but now " +
               decimal(result.actual) + " bytes long; add it again";
    case MergeStatus::InputSizeUnknown:
        return "its length cannot be known: the system reports " + decimal(result.expected) +
               " bytes, but reading it gives another length (as for files of /proc or /sys)";
    case MergeStatus::NameNotListable:
        return refusedText({result.path, RefusedFile::Reason::NameNotListable, {}});
    case MergeStatus::FolderNotWritable:
        return "no file can be created in this folder: " + result.error.message();
    case MergeStatus::LayoutTooLarge:
        return "would lie past 4 GiB, beyond what an image can address";
    case MergeStatus::ImageCreateFailed:
        return "cannot be created: " + result.error.message();
    case MergeStatus::ImageWriteFailed:
    case MergeStatus::ListWriteFailed:
    case MergeStatus::CompanionFailed:
        return "cannot be written: " + result.error.message();
    case MergeStatus::Stopped:
        return "merge stopped; nothing was written";
    case MergeStatus::NameIsStream:
        return "a ':' in a file name names a hidden stream of another file on Windows; "
               "choose a name without it";
    case MergeStatus::TooManyRegions:
        return "an FMAP holds at most 65535 areas, fewer than the front area and the files "
               "need; nothing was written";
    case MergeStatus::ForeignOutput:
    case MergeStatus::DepfileCannotName:
    case MergeStatus::EarlierLayoutUnusable:
        return result.error
                   ? "cannot be read: " + result.error.message() +
                         "; its layout cannot be kept; nothing was written"
                   : "its layout cannot be kept: " + result.reason + "; nothing was written";
    case MergeStatus::LargerThanFlash:
    case MergeStatus::PastAddressSpace:
    case MergeStatus::FrontAreaReachesKept:
        break; // worded with the request's settings
    }
    return {};
}

// What the layout's checks against the flash, the addresses and the front
// area found.
std::string fitText(const MergeResult& result, const MergeRequest& request) {
    if (result.status == MergeStatus::FrontAreaReachesKept) {
        return "would keep its address " + decimal(result.address) + ", inside the front area of " +
               bytesText(request.frontOffset) + "; nothing was written";
    }
    if (result.status == MergeStatus::LargerThanFlash) {
        return "would be " + bytesText(result.imageSize) + ", " +
               bytesText(result.imageSize - request.flashSize) + " over the flash size (" +
               bytesText(request.flashSize) + "); nothing was written";
    }
    if (request.ihex.empty() && request.srec.empty()) {
        return pastAddressSpaceText(request.base, result.imageSize,
                                    "the 32-bit offsets of flashrom's layout and the FMAP");
    }
    return pastAddressSpaceText(request.base, result.imageSize);
}

} // namespace

std::string refusedText(const RefusedFile& refused) {
    switch (refused.reason) {
    case RefusedFile::Reason::CannotOpen:
        return "cannot be read: " + refused.error.message();
    case RefusedFile::Reason::NotAFile:
        return "is not a regular file";
    case RefusedFile::Reason::TooLarge:
        return "is 4 GiB or larger, which an image cannot describe";
    case RefusedFile::Reason::EmptyName:
        return "an empty name names no file";
    case RefusedFile::Reason::NameNotListable:
        return "has a name the list file cannot carry (a line feed, a carriage return, a NUL or "
               "bytes that are not UTF-8)";
    case RefusedFile::Reason::FolderUnreadable:
        return "cannot list the folder: " + refused.error.message();
    }
    return {};
}

// What the output named `path` is, as "a C header", "Intel HEX"...
std::string outputKind(const std::string& path, const MergeRequest& request) {
    const std::pair<const std::string&, const char*> kinds[] = {
        {request.cHeader.path, "a C header"},
        {request.manifest, "a manifest"},
        {request.ihex, "Intel HEX"},
        {request.srec, "S-records"},
        {request.depfile, "a dependency file"},
        {request.flashromLayout, "a flashrom layout"},
        {request.fmap, "an FMAP"},
        {request.layoutMap, "a layout picture"},
    };
    for (const auto& [output, kind] : kinds) {
        if (output == path) {
            return kind;
        }
    }
    return "an output";
}

FailureLine mergeFailure(const MergeResult& result, const MergeRequest& request) {
    switch (result.status) {
    case MergeStatus::ForeignOutput:
        return {result.path, "exists and is not " + outputKind(result.path, request) +
                                 " this tool wrote, so it is not replaced; nothing was written "
                                 "(remove it first, or give --overwrite)"};
    case MergeStatus::LargerThanFlash:
    case MergeStatus::PastAddressSpace:
    case MergeStatus::FrontAreaReachesKept:
        return {result.path.empty() ? "the image" : result.path, fitText(result, request)};
    case MergeStatus::DepfileCannotName:
        return {request.image.imagePath.empty() ? "the image" : request.image.imagePath,
                "the dependency file " + printableName(request.depfile) + " cannot name " +
                    printableName(result.path) + ": " + result.reason + "; nothing was written"};
    default:
        return {result.path, reasonOf(result)};
    }
}

std::vector<std::string> layoutReportLines(const LayoutReport& report,
                                           const MergeRequest& request) {
    const std::string list = printableName(report.listPath);
    if (report.listMissing) {
        return {"note: " + printableName(request.image.listPath) +
                " does not exist yet: a fresh layout, nothing kept"};
    }
    if (report.listPath.empty()) {
        return {};
    }
    std::vector<std::string> lines;
    const LayoutMoves& moves = report.moves;
    for (const RowMove& move : moves.moved) {
        const std::string name = printableName(request.rows.at(move.row).path);
        lines.push_back(move.why == MoveReason::GrewPastSlot
                            ? name + ": moved from " + decimal(move.from) + " to " +
                                  decimal(move.to) + ": grew past its slot"
                            : name + ": placed at " + decimal(move.to) + ": new");
    }
    std::string summary = list + ": layout kept: " + decimal(moves.kept) + " of " +
                          decimal(request.rows.size()) + " files kept their place";
    if (moves.removed > 0) {
        summary += "; " + decimal(moves.removed) +
                   (moves.removed == 1 ? " earlier file no longer listed, its slot"
                                       : " earlier files no longer listed, their slots") +
                   " left unused";
    }
    lines.push_back(summary);
    return lines;
}

std::string imageUnreadableText(const std::error_code& error) {
    if (error == make_error_code(files::FileErrc::NotAFile)) {
        return "not a regular file: a pipe or a device cannot be read as an image; "
               "save it to a file first";
    }
    return "cannot be read: " + error.message();
}

// The image holds the table, but not the bytes of all its rows.
std::string tableCutShortText(std::uint64_t imageSize, std::uint64_t tableEnd) {
    return "the image is " + std::to_string(imageSize) +
           " bytes long, but its file info table lists files up to offset " +
           std::to_string(tableEnd) + ": it is cut short";
}

// What verify finds wrong with a row, in English.
constexpr check::FindingWords kFindingWords{
    .content = {"", "first difference at offset {offset}", "CRC-32 {found}, expected {expected}",
                "the image ends at offset {offset}, inside the file",
                "the file cannot be read: {error}",
                "the file is now {inputSize} bytes long, not {size}",
                "the image is {offset} bytes long, ending before the file"},
    .table = {"", "the file info table says address {tableAddress}, size {tableSize}",
              "the image ends before the file's record in the file info table",
              "the file info table holds filler where the file's record belongs"},
    .pastSlot = "runs past its slot, which ends at {slotEnd}",
    .separator = "; ",
};

std::string verifyRowLine(const check::RowFinding& row) {
    return std::to_string(row.number) + '\t' + printableName(row.path) + '\t' +
           std::to_string(row.address) + '\t' + check::findingText(row, kFindingWords) + '\n';
}

std::string frontAreaDamagedText(std::uint64_t offset) {
    return "the front area differs from its filler at offset " + std::to_string(offset) +
           ", after the file info table: it is damaged";
}

FailureLine unpackFailure(const check::UnpackResult& result, const std::string& image) {
    using Status = check::UnpackResult::Status;
    const std::string& path = result.path;
    switch (result.status) {
    case Status::Ok:
        break;
    case Status::ImageUnreadable:
        return {path, imageUnreadableText(result.error)};
    case Status::NoTable:
        return {path, "no file info table found at its start; name the list file with -l"};
    case Status::ListUnreadable:
        return {path, result.error ? "cannot be read: " + result.error.message()
                                   : "not a list file this tool wrote: " + result.reason};
    case Status::FolderUnusable:
        return {path, "cannot take the files: " + result.error.message()};
    case Status::BadName:
        return {path, "its file name cannot name a file here"};
    case Status::DuplicateName:
        return {path, "two rows would be written to this file name"};
    case Status::TargetExists:
        return {path, "exists already; unpack replaces no file"};
    case Status::ImageTooShort:
        // The table's rows run past the image's end, or one listed row does.
        return {path, result.path == image ? tableCutShortText(result.imageSize, result.needed)
                                           : "the image is " + std::to_string(result.imageSize) +
                                                 " bytes long, but this file's bytes end at "
                                                 "offset " +
                                                 std::to_string(result.needed)};
    case Status::WriteFailed:
        return {path, "cannot be written: " + result.error.message()};
    case Status::Stopped:
        return {path, "unpack stopped"};
    case Status::NotAnnounced:
        break;
    }
    return {};
}

std::string diffFailureText(const check::DiffResult& result, std::uint32_t base) {
    using Status = check::DiffResult::Status;
    switch (result.status) {
    case Status::Ok:
        break;
    case Status::OldUnreadable:
    case Status::NewUnreadable:
        return imageUnreadableText(result.error);
    case Status::PastAddressSpace:
        return pastAddressSpaceText(base, result.newSize);
    case Status::OutputFailed:
        return "cannot be written: " + result.error.message() + "; nothing was written";
    case Status::OutputIsInput:
        return "is one of the images compared; nothing was written";
    case Status::Stopped:
        return "diff stopped; nothing was written";
    }
    return {};
}

FailureLine flashromMissing(const std::string& named) {
    if (!named.empty()) {
        return {named, "no program to run here; name flashrom's own path with --flashrom"};
    }
    return {
        files::kWin32 ? "flashrom.exe" : "flashrom",
        files::kWin32
            ? "not found on the PATH; put a flashrom build for Windows on the PATH, or name it "
              "with --flashrom PATH"
            : "not found; install it (Debian and Ubuntu: sudo apt install flashrom), or name it "
              "with --flashrom PATH"};
}

std::string chipRangeText(const flash::FlashTarget& target) {
    return hex32(target.at) + " to " + hex32(target.at + target.size - 1);
}

FlashFailure flashFailure(const flash::FlashResult& result, const flash::FlashRequest& request,
                          bool written) {
    using Status = flash::FlashResult::Status;
    const flash::FlashTarget& target = result.target;
    const std::string programmer = "-p " + printableName(request.programmer);
    switch (result.status) {
    case Status::Ok:
        break;
    case Status::Unreadable:
        return {{result.path, imageUnreadableText(result.error) + "; the chip was not changed"},
                {}};
    case Status::ImageEmpty:
        return {{result.path, "is empty: nothing to program"}, {}};
    case Status::CannotStart:
        return {{"flashrom", "cannot be started: " + result.error.message()}, {}};
    case Status::Refused:
        return {{"flashrom",
                 "refused " + programmer +
                     (request.chip.empty() ? "" : " --chip " + printableName(request.chip)) +
                     "; the chip was not changed. It said:"},
                result.said};
    case Status::NoChip:
        return {{"flashrom", request.chip.empty()
                                 ? "found no flash chip on " + programmer +
                                       "; check the programmer and its wiring to the chip"
                                 : "found no chip " + printableName(request.chip) + " on " +
                                       programmer +
                                       "; check the name (flashrom -L lists them) "
                                       "and the wiring"},
                {}};
    case Status::SeveralChips: {
        std::string names;
        for (const std::string& chip : result.chips) {
            names += (names.empty() ? "" : ", ") + printableName(chip);
        }
        return {{"flashrom", "several chip definitions match the chip found (" + names +
                                 "); name the right one with --chip, as in --chip " +
                                 printableName(result.chips.front())},
                {}};
    }
    case Status::DoesNotFit:
        return {{request.image, bytesText(target.size) + " at " + hex32(target.at) +
                                    " do not fit the chip " + printableName(target.chip) + " of " +
                                    bytesText(target.chipSize) + "; the chip was not changed"},
                {}};
    case Status::ScratchFailed:
        return {{result.path, "cannot hold flashrom's files: " + result.error.message() +
                                  "; the chip was not changed"},
                {}};
    case Status::WriteFailed:
        return {{"flashrom", "failed writing: the range " + chipRangeText(target) +
                                 " may be half programmed; program it again without --previous. "
                                 "It said:"},
                result.said};
    case Status::ReadFailed:
        return {{"flashrom", "failed reading the range back: it was programmed but not checked. "
                             "It said:"},
                result.said};
    case Status::Differs:
        return {{request.image, "the range " + chipRangeText(target) +
                                    " read back differs from it in " +
                                    std::to_string(result.sectors) + " of its sectors of " +
                                    bytesText(flash::kSectorBytes)},
                {}};
    case Status::Stopped:
        if (result.touched) {
            return {{request.image, "stopped while flashrom was writing: the range " +
                                        chipRangeText(target) +
                                        " may be half programmed; program it again without "
                                        "--previous"},
                    {}};
        }
        return {{request.image, written ? "stopped: the range was programmed, but not read back"
                                        : "stopped; the chip was not changed"},
                {}};
    }
    return {};
}

std::string flashStageText(flash::Stage stage) {
    switch (stage) {
    case flash::Stage::ReadingRange:
        return "flashrom: reading the range...";
    case flash::Stage::Writing:
        return "flashrom: erasing and writing the blocks that differ...";
    case flash::Stage::Verifying:
        return "flashrom: checking what it wrote...";
    case flash::Stage::ReadingBack:
        return "flashrom: reading the range back...";
    }
    return {};
}

} // namespace zd::cli
