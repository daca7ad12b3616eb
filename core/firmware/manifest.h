// The manifest written beside an image: JSON naming the front offset,
// whether the file info table was written, the image's size and CRC-32, and
// for every row its number, path, file name, size, address and CRC-32.
//
//   {
//     "version": 1,
//     "front_offset": 4096,
//     "info_table": true,
//     "image_size": 10330,
//     "image_crc32": "1c291ca3",
//     "files": [
//       { "no": 1, "path": "D:\\res\\logo.bin", "file": "logo.bin",
//         "size": 1234, "address": 4096, "crc32": "cbf43926" }, ...
//     ]
//   }
//
// CRCs are the zlib / IEEE 802.3 CRC-32 as 8 lower-case hex digits, as the
// usual checksum tools print them. Numbers are plain JSON integers. An image
// laid out with an alignment or a filler other than the defaults (1, 0xFF)
// also has "align" and "fill" (both numbers) after "front_offset", so that a
// later merge can be compared with the settings of this one; manifests of
// the default layout stay as they always were. An image laid out in slots
// (a reserve, or an earlier layout kept) also has "reserve" (a number of
// bytes, or a percentage as text: "25%") after them, and every row its
// "slot_end" after "address": where the room it may grow into ends.
#pragma once

#include "core/model/reserve.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace zd {

struct ManifestRow {
    std::string path; // as the list file names it
    std::uint32_t size = 0;
    std::uint32_t address = 0;
    std::uint32_t crc = 0;
    std::uint64_t slotEnd = 0; // with Manifest::slots; at most 4 GiB
};

struct Manifest {
    std::uint32_t frontOffset = 0;
    bool infoTable = false;
    std::uint64_t imageSize = 0; // padding included
    std::uint32_t imageCrc = 0;
    std::vector<ManifestRow> rows;
    std::uint32_t align = 1;
    unsigned char fill = 0xFF;
    bool slots = false; // "reserve" and every row's "slot_end" are there
    Reserve reserve{};
};

// The manifest as JSON text. A path that is not valid UTF-8 (JSON can hold
// nothing else) has its bad bytes replaced by U+FFFD.
std::string manifestText(const Manifest& manifest);

struct ManifestReadResult {
    enum class Status { Ok, CannotOpen, FormatError };
    Status status = Status::Ok;
    Manifest manifest;
    std::string reason;    // what is wrong with it, in English
    std::error_code error; // why it could not be read
};

// Reads a manifest back, checking every field verify needs: the numbers in
// their ranges, each CRC as 8 hex digits, a "slot_end" in every row when
// there is a "reserve" and in none without. "no" and "file" are not needed.
// A row may end past its slot: verify reports it.
ManifestReadResult parseManifest(std::string_view text);
// Files larger than kLargestManifest are refused unread.
ManifestReadResult readManifest(const std::string& path);

inline constexpr std::uint64_t kLargestManifest = 256u << 20;

// Whether `head`, the start of a file, is the start of a manifest this tool
// wrote: a JSON object whose first keys are the manifest's.
bool isManifestText(std::string_view head);

} // namespace zd
