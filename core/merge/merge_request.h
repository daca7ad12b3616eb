// One merge, as every front end asks for it: a plain request holding the
// rows, how they are laid out, and every output with its settings. The
// command line fills it from its options, the window from its list and its
// merge settings; core/merge/merge.h checks, plans and runs it. A new
// option is one field here and its effect in this wing.
#pragma once

#include "core/firmware/c_header.h"
#include "core/model/entry_list.h"
#include "core/model/output_names.h"
#include "core/model/reserve.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zd {

// The C header of the layout (c_header.h).
struct CHeaderOutput {
    std::string path{};                                     // empty: none
    std::string prefix = std::string(kDefaultHeaderPrefix); // must pass prefixProblem
    bool table = false; // also the table firmware walks to check its files at boot
};

// Each member may be left out of a designated initializer.
struct MergeRequest {
    // What is merged, in merge order, and how it is laid out.
    std::vector<NewEntry> rows{};
    std::uint32_t frontOffset = 0;
    std::uint32_t alignment = 1; // every row starts at a multiple (see alignmentProblem)
    bool infoTable = false;      // the file info table, where the front area has room
    unsigned char fill = 0xFF;   // the filler: front area, alignment gaps, padding
    std::uint64_t flashSize = 0; // 0: none; else must pass flashSizeProblem
    bool pad = false;            // fill the image up to flashSize

    // Slots with room to grow, and an earlier merge's layout kept
    // (layout_plan.h): each file's slot is its size plus `reserve`; with
    // `layoutFrom`, or with `keepLayout` the list file at image.listPath
    // (the one this merge replaces; none there: a fresh layout), each file
    // that still fits its earlier slot keeps its address. With none of
    // them, the files lie back to back (aligned) as ever.
    Reserve reserve{};
    std::string layoutFrom{}; // an earlier merge's list file; empty: none
    bool keepLayout = false;

    // The image and its list file. Empty for a dry run that names no output,
    // and for a request whose only output is the C header (the window's
    // export): then nothing needing the image's bytes may be asked for.
    OutputPaths image{};
    bool relative = false; // the list file names its files relative to its folder
    CHeaderOutput cHeader{};
    std::string manifest{}; // JSON with every file's CRC-32; empty: none
    std::string ihex{};     // the image as Intel HEX; empty: none
    std::string srec{};     // the image as Motorola S-records; empty: none
    std::uint32_t base = 0; // the address of the image's first byte in both, and in the regions
    std::string depfile{};  // a dependency file for Make and Ninja; empty: none
    // The front area and every file as named regions of the flash, for the
    // tools that program a chip by region (core/firmware/flash_regions.h).
    std::string flashromLayout{}; // flashrom's layout file; empty: none
    std::string fmap{};           // an FMAP 1.1 structure; empty: none
    std::string layoutMap{};      // a picture of the layout, SVG; empty: none
    // The outputs beside the image may replace any file. Without it each
    // replaces only an empty file or one of its own kind as this tool writes
    // it, so that a name given by mistake (an input, say) is never lost.
    bool overwrite = false;

    // Every file the merge reads besides the rows' files: list files,
    // folders taken whole, response files. No output may replace one, and
    // the dependency file names them.
    std::vector<std::string> alsoRead{};

    // Flush every output to stable storage before it is put in place, so a
    // power cut leaves the earlier files or the new ones, never empty or
    // partial ones. Off only where speed matters more.
    bool durable = true;
};

} // namespace zd
