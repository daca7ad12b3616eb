// What a merge ended with: written, or refused or failed with nothing
// changed, and why. Shared by the image writer and the merge request above
// it, so that front ends can word it without knowing the writer.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>

namespace zd {

enum class MergeStatus {
    Ok,
    OutputIsInput,     // an output (the image, or a companion) would replace the input `path`,
                       // or a file read with it (list files, response files)
    ListIsInput,       // the list file would replace the input (or file read) `path`
    NameNotListable,   // the list file cannot carry the name `path` (see listFileCanCarry)
    InputUnreadable,   // an input cannot be opened or read, or is not a regular file (`path`,
                       // `error`)
    InputSizeChanged,  // an input's length differs from its listed size (`expected`, `actual`)
    InputSizeUnknown,  // the system reports the listed size, but reading gives another
                       // length (files of /proc or /sys): its length cannot be known
    LayoutTooLarge,    // the layout ends past 4 GiB (`path` is the first entry past it)
    NameIsStream,      // on Windows the output `path` would land in a hidden stream of
                       // another file (see namesAStream)
    ForeignOutput,     // an output beside the image would replace `path`, a file that is
                       // not empty and not one of that output's kind as this tool writes it
    DepfileCannotName, // the dependency file cannot hold the name `path` so that Make and
                       // Ninja both read it back (`reason` says why)
    LargerThanFlash,   // the image, `imageSize` bytes, is larger than the flash
    PastAddressSpace,  // placed at the HEX and S-records' base, the image of `imageSize`
                       // bytes runs past 4 GiB, beyond their addresses (and the regions')
    TooManyRegions,    // the FMAP `path` would hold more areas than its 16-bit count
    FolderNotWritable, // no file can be created in the folder `path` (`error`)
    ImageCreateFailed, // the image cannot be created (`error`: read-only, in use, a folder...)
    ImageWriteFailed,  // writing, flushing or renaming the image failed (`error`)
    ListWriteFailed,   // the list file cannot be created or written (`error`)
    CompanionFailed,   // a companion output cannot be created or written (`path`, `error`)
    Stopped,           // the progress callback asked to stop
    // The list file `path` whose layout is to be kept cannot be read
    // (`error`) or kept (`reason`: not a list file, rows overlap...).
    EarlierLayoutUnusable,
    // The front area would reach the file `path`, kept at `address`.
    FrontAreaReachesKept,
};
// Whatever the status, when it is not Ok no output has changed: neither the
// image nor the list file nor any companion was put in place, and earlier
// files of those names are as they were.

struct MergeResult {
    MergeStatus status = MergeStatus::Ok;
    std::string path;            // the file (or folder) the status is about
    std::error_code error;       // the system's reason, when there is one
    std::uint64_t expected = 0;  // listed size, for InputSizeChanged and InputSizeUnknown
    std::uint64_t actual = 0;    // length found, for InputSizeChanged
    std::string output;          // OutputIsInput: the output that would replace the input
    std::uint64_t imageSize = 0; // LargerThanFlash and PastAddressSpace: the image's length
    std::string reason;          // DepfileCannotName: why; EarlierLayoutUnusable: what is
                                 // wrong, in English
    std::uint32_t address = 0;   // FrontAreaReachesKept: the file's kept address
    bool infoTableWritten = false;
    // The table was asked for but left out: there were rows and the front
    // area had no room for 8 bytes each.
    bool infoTableLeftOut = false;
    bool ok() const { return status == MergeStatus::Ok; }
};

} // namespace zd
