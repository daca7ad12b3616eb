#include "cli/wording.h"

#include "cli/command.h"
#include "core/files/file_errors.h"
#include "core/image/crc32.h"
#include "core/model/entry_list.h"
#include "core/model/file_names.h"
#include "core/model/number_parse.h"

namespace zd::cli {
namespace {

// An image of `size` bytes placed at `base` that HEX and S-records cannot address.
std::string pastAddressSpaceText(std::uint32_t base, std::uint64_t size) {
    return "placed at " + hex32(base) + ", its " + bytesText(size) +
           " would reach past 4 GiB, beyond the addresses of Intel HEX and S-records; "
           "nothing was written";
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

} // namespace zd::cli
