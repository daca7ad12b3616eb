// What the merge writes for firmware work beside the image and its list
// file: a C header, a manifest, Intel HEX and S-records of the image, the
// image fitted to (and filled up to) a flash's size, and list files that
// name their files relative to themselves.
#pragma once

#include "cli/command.h"
#include "core/firmware/c_header.h"
#include "core/image/image_writer.h"
#include "core/model/entry_list.h"
#include "core/model/output_names.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zd::cli {

struct FirmwareOptions {
    std::string cHeader;
    std::string prefix = std::string(kDefaultHeaderPrefix);
    bool prefixGiven = false;
    std::string manifest;
    std::uint64_t flashSize = 0; // 0: none given
    bool pad = false;
    std::string ihex;
    std::string srec;
    std::uint32_t base = 0;
    bool baseGiven = false;
    bool relative = false;
};

// Declares the options on the merge command.
void addFirmwareOptions(CLI::App& merge, FirmwareOptions& options);

// A usage problem of the options taken together, or nothing.
std::optional<std::string> firmwareUsageProblem(const FirmwareOptions& options);

// The checks that need the layout, made before anything is written: the
// image fits the flash, and HEX and S-record addresses stay inside 32 bits.
// On failure says why (one line, about `imagePath`) and returns false.
bool checkFirmwareFit(const FirmwareOptions& options, const EntryList& list,
                      const std::string& imagePath, const Context& context);

// The merge options that write the companions, in the order the options
// are listed in --help, and pad the image. `list` must outlive the merge.
MergeOptions firmwareMergeOptions(const FirmwareOptions& options, const EntryList& list,
                                  const OutputPaths& paths);

} // namespace zd::cli
