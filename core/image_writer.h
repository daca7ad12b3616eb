// The merged image: a front area of `frontOffset` bytes, then every listed
// file's bytes back to back in row order.
//
// The front area is all 0xFF, or starts with the file info table when it is
// asked for and fits: one 8-byte record per entry, its address then its size,
// each unsigned 32-bit little-endian. The list file is written beside the
// image in the same run.
#pragma once

#include "entry_list.h"
#include "output_names.h"

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>

namespace zd {

// The table is written only when there is at least one entry and the front
// offset is strictly greater than 8 bytes per entry.
bool infoTableFits(std::uint32_t frontOffset, int rowCount);

enum class MergeStatus {
    Ok,
    OutputIsInput,     // the image path names one of the inputs (`path` is that input)
    ListIsInput,       // the list path names one of the inputs
    InputUnreadable,   // an input cannot be opened or read (`path`, `error`)
    InputSizeChanged,  // an input's length differs from its listed size (`expected`, `actual`)
    LayoutTooLarge,    // the layout ends past 4 GiB (`path` is the first entry past it)
    ImageCreateFailed, // the image's temporary cannot be created (`error`)
    ImageWriteFailed,  // writing, closing or renaming the image failed (`error`)
    ListWriteFailed,   // the image is in place but the list file could not be written
    Stopped,           // the progress callback asked to stop; nothing was left behind
};

struct MergeResult {
    MergeStatus status = MergeStatus::Ok;
    std::string path;           // the file the status is about
    std::error_code error;      // the system's reason, when there is one
    std::uint64_t expected = 0; // listed size, for InputSizeChanged
    std::uint64_t actual = 0;   // length found, for InputSizeChanged
    bool infoTableWritten = false;
    // The table was asked for but left out: there were rows and the front
    // area had no room for 8 bytes each.
    bool infoTableLeftOut = false;
    bool ok() const { return status == MergeStatus::Ok; }
};

// Bytes written so far of the whole image; return false to stop the merge.
using MergeProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// Checks everything first (inputs readable and of their listed sizes, the
// layout within 4 GiB, neither output naming an input), then writes the image
// and the list file under temporary names and renames each into place when
// complete. On failure nothing is left under the final names and earlier
// files of those names are untouched, except that a list file failure leaves
// the finished image in place.
MergeResult mergeImage(const EntryList& list, bool withInfoTable, const OutputPaths& paths,
                       const MergeProgress& progress = {});

// The checks mergeImage makes before it creates anything, with the same
// result, so that a dry run fails exactly where the merge would. With empty
// `paths` (no output named) the outputs are not compared with the inputs.
MergeResult checkMerge(const EntryList& list, const OutputPaths& paths);

} // namespace zd
