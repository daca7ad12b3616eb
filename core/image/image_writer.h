// The image wing (core/image/): writing the merged image and its list file,
// the file info table's format (info_table.h, its one owner), CRC-32 and the
// copy that sums what it copies. Uses the model and files wings.
//
// The merged image: a front area of `frontOffset` bytes, then every listed
// file's bytes in row order, each at its address (back to back, or after a
// gap up to the list's alignment), then filler up to a size asked for.
//
// The front area is all filler, or starts with the file info table when it
// is asked for and fits. The filler is 0xFF, erased flash, unless asked
// otherwise. The list file is written beside the image in the same
// run.
#pragma once

#include "core/files/progress.h"
#include "core/image/image_stream.h"
#include "core/image/info_table.h"
#include "core/model/entry_list.h"
#include "core/model/output_names.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace zd {

enum class MergeStatus {
    Ok,
    OutputIsInput,     // an output (the image, or a companion) would replace the input `path`,
                       // or a file read with it (MergeOptions::filesRead)
    ListIsInput,       // the list file would replace the input (or file read) `path`
    NameNotListable,   // the list file cannot carry the name `path` (see listFileCanCarry)
    InputUnreadable,   // an input cannot be opened or read, or is not a regular file (`path`,
                       // `error`)
    InputSizeChanged,  // an input's length differs from its listed size (`expected`, `actual`)
    InputSizeUnknown,  // the system reports the listed size, but reading gives another
                       // length (files of /proc or /sys): its length cannot be known
    LayoutTooLarge,    // the layout ends past 4 GiB (`path` is the first entry past it)
    FolderNotWritable, // no file can be created in the folder `path` (`error`)
    ImageCreateFailed, // the image cannot be created (`error`: read-only, in use, a folder...)
    ImageWriteFailed,  // writing, flushing or renaming the image failed (`error`)
    ListWriteFailed,   // the list file cannot be created or written (`error`)
    CompanionFailed,   // a companion output cannot be created or written (`path`, `error`)
    Stopped,           // the progress callback asked to stop
};
// Whatever the status, when it is not Ok no output has changed: neither the
// image nor the list file nor any companion was put in place, and earlier
// files of those names are as they were.

struct MergeResult {
    MergeStatus status = MergeStatus::Ok;
    std::string path;           // the file (or folder) the status is about
    std::error_code error;      // the system's reason, when there is one
    std::uint64_t expected = 0; // listed size, for InputSizeChanged and InputSizeUnknown
    std::uint64_t actual = 0;   // length found, for InputSizeChanged
    std::string output;         // OutputIsInput: the output that would replace the input
    bool infoTableWritten = false;
    // The table was asked for but left out: there were rows and the front
    // area had no room for 8 bytes each.
    bool infoTableLeftOut = false;
    bool ok() const { return status == MergeStatus::Ok; }
};


namespace files {
class OutputFile;
}

// What the companions learn of the finished image.
struct MergedImage {
    // Readable at file.temporary() until the outputs are put in place.
    const files::OutputFile& file;
    std::uint64_t size = 0; // padding included
    bool infoTableWritten = false;
    // With MergeOptions::checksums: every row's CRC-32, in row order, and the
    // whole image's.
    std::vector<std::uint32_t> rowCrcs;
    std::uint32_t crc = 0;
};

// A further file put in place together with the image and the list file,
// all or none: a header, a manifest, a hex dump of the image. It has
// either `write` or `stream`.
struct Companion {
    std::string path;
    // Writes the whole content into `out`. Called once the image is complete.
    std::function<std::error_code(files::OutputFile& out, const MergedImage& image)> write;
    // Makes the content from the image's bytes in the same pass that writes
    // the image: called once `out` is created, before the first byte; the
    // stream then sees every byte and is finished once the image is
    // complete. The inputs are then copied by plain reads and writes, each
    // piece shown to the streams between the two.
    std::function<std::unique_ptr<ImageStream>(files::OutputFile& out)> stream{};
};

struct MergeOptions {
    // Flush every output to stable storage before it is put in place, so a
    // power cut leaves the earlier files or the new ones, never empty or
    // partial ones. Off only where speed matters more (the command line's
    // --no-sync).
    bool durable = true;
    std::vector<Companion> companions;
    // The image is filled up to this length (a flash's size) when its layout
    // ends before it.
    std::uint64_t padTo = 0;
    // The byte of the front area's filler, the gaps before aligned rows and
    // the padding.
    unsigned char fill = 0xFF;
    // Takes every row's CRC-32 and the image's while copying, for a
    // manifest: summed where the input lies as the kernel copies it
    // (checksum_copy.h), or between the read and the write of each piece
    // when streamed companions want the bytes too.
    bool checksums = false;
    // When not empty: the list file's own folder (absolute, ending in a
    // separator), and the list names its files relative to it where it can.
    std::string listFolder{};
    // The files the caller read to make the list besides the inputs (saved
    // list files, argument files). No output may replace one of them, by
    // name or as the same file by another, as none may replace an input.
    std::vector<std::string> filesRead{};
};

// Writes the image and the list file (and the companions) under temporary
// names, then puts them all in place at once. Names equal to an output and
// the layout are checked before anything is created, every output's target
// when it is created, and each input on its open descriptor when it is
// copied: it must still be a regular file of its listed size, and exactly
// that many bytes are copied. `progress` is told the bytes written of the
// whole image at least every MiB or so (within inputs, within a large front
// area or padding), and once more before the outputs are put in place.
MergeResult mergeImage(const EntryList& list, bool withInfoTable, const OutputPaths& paths,
                       const files::KeepGoing& progress = {}, const MergeOptions& options = {});

// The image's length: where the layout ends, or `padTo` when that is more.
std::uint64_t paddedSize(const EntryList& list, std::uint64_t padTo);

// The checks mergeImage makes without copying, with the same result, so
// that a dry run fails where the merge would: the list as a whole, then each
// input opened and checked on its descriptor (not its content: a file whose
// reported length is not what it holds is found by the merge alone). With
// empty `paths` (no output named) the outputs are not compared with the
// inputs; the companions of `options` are.
MergeResult checkMerge(const EntryList& list, const OutputPaths& paths,
                       const MergeOptions& options = {});

} // namespace zd
