// The firmware wing (core/firmware/): what firmware work needs beside the
// image and its list file: a C header of the layout (c_header.h), a JSON
// manifest with CRC-32s (manifest.h), the image as Intel HEX or S-records
// (hex_formats.h), the flash it is written to (flash_size.h) and a
// dependency file for the build that runs the merge (depfile.h). Here are
// the settings that ask for them and what they turn into: the merge's
// companion outputs and options, and the checks that need the layout. It
// uses the image, model and files wings; the command line and the window
// both fill in the same FirmwareSettings, so nothing here knows either.
#pragma once

#include "core/firmware/c_header.h"
#include "core/image/image_writer.h"
#include "core/model/entry_list.h"
#include "core/model/output_names.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zd {

// Each member may be left out of a designated initializer.
struct FirmwareSettings {
    std::string cHeader{};                                  // its path; empty: none
    std::string prefix = std::string(kDefaultHeaderPrefix); // must pass prefixProblem
    bool cTable = false;         // the header also holds the table of every file's CRC-32
    std::string manifest{};      // its path; empty: none
    std::uint64_t flashSize = 0; // 0: none; else must pass flashSizeProblem
    bool pad = false;            // fill the image up to flashSize
    unsigned char fill = 0xFF;   // the filler: front area, alignment gaps, padding
    std::string ihex{};          // Intel HEX path; empty: none
    std::string srec{};          // S-record path; empty: none
    std::uint32_t base = 0;      // the address of the image's first byte in both
    bool relative = false;       // the list file names its files relative to its folder
    std::string depfile{};       // the dependency file's path; empty: none
    // What the merge read besides the rows' files (list files, folders
    // taken whole, response files): the dependency file names them too.
    std::vector<std::string> alsoRead{};
};

// What the settings refuse of a layout, before anything is written.
enum class FirmwareFault {
    None,
    LargerThanFlash,   // the image is larger than flashSize
    PastAddressSpace,  // placed at base, the image runs past 4 GiB, beyond the
                       // addresses of HEX and S-records
    DepfileCannotName, // the dependency file cannot hold `name` (depfile.h): `reason`
};

struct FirmwareFit {
    FirmwareFault fault = FirmwareFault::None;
    std::uint64_t imageSize = 0; // the image's length, padding included
    std::string name{};
    std::string reason{};
    bool ok() const { return fault == FirmwareFault::None; }
};

// `paths`: the image and list file, which the dependency file names too.
FirmwareFit checkFirmwareFit(const FirmwareSettings& settings, const EntryList& list,
                             const OutputPaths& paths);

// The merge options that write the companions, in the order header,
// manifest, HEX, S-records, dependency file, and pad the image. `list` must outlive the merge.
MergeOptions firmwareMergeOptions(const FirmwareSettings& settings, const EntryList& list,
                                  const OutputPaths& paths);

} // namespace zd
