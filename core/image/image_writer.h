// The image wing (core/image/): writing the merged image and its list file,
// the file info table's format (info_table.h, its one owner), what a merge
// ends with (merge_result.h), CRC-32 and the copy that sums what it copies.
// Formats it owns: the merged image and its file info table. Uses the model
// and files wings; only the merge wing (core/merge) drives the writer.
//
// The merged image: a front area of `frontOffset` bytes, then every listed
// file's bytes at its address (back to back in row order, or after a gap up
// to the list's alignment; a placed list's rows in address order, filler
// where a slot's room or a removed file's slot lies), then filler up to a
// size asked for.
//
// The front area is all filler, or starts with the file info table when it
// is asked for and fits. The filler is 0xFF, erased flash, unless asked
// otherwise. The list file is written beside the image in the same
// run.
#pragma once

#include "core/files/progress.h"
#include "core/image/image_stream.h"
#include "core/image/info_table.h"
#include "core/image/merge_result.h"
#include "core/model/entry_list.h"
#include "core/model/output_names.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace zd {

namespace files {
class OutputFile;
}

// What the companions learn of the finished image.
struct MergedImage {
    // Readable at file->temporary() until the outputs are put in place; none
    // when no image is written (writeCompanions).
    const files::OutputFile* file = nullptr;
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
    // What it may replace, told by the first bytes of a file of its name
    // that is not empty: a file of its own kind. None: any file.
    using KindTest = bool (*)(std::string_view head);
    KindTest replaces = nullptr;
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

// Every row's CRC-32, in row order, read from its input as mergeImage would
// copy it, with the same checks of each input (a regular file of its listed
// size, whose reading gives that many bytes) and the same stops, but nothing
// written: for outputs that need the sums and not the image.
MergeResult sumInputs(const EntryList& list, const files::KeepGoing& progress,
                      std::vector<std::uint32_t>& crcs);

// Writes the companions of `options` (and nothing else: no image, no list
// file) all or none, from what `image` tells of an image never written
// (its size, its rows' CRC-32s). Only companions with `write` are taken.
MergeResult writeCompanions(const MergeOptions& options, const MergedImage& image);

// The image's length: where the layout ends, or `padTo` when that is more.
std::uint64_t paddedSize(const EntryList& list, std::uint64_t padTo);

// The checks mergeImage makes without copying, with the same result, so
// that a dry run fails where the merge would: the list as a whole, then each
// input opened and checked on its descriptor (not its content: a file whose
// reported length is not what it holds is found by the merge alone). With
// empty `paths` (no output named) the outputs are not compared with the
// inputs; the companions of `options` are.
MergeResult checkMergeImage(const EntryList& list, const OutputPaths& paths,
                            const MergeOptions& options = {});

} // namespace zd
