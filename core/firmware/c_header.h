// The C header written beside an image for the firmware: where every file
// lies and its CRC-32, as macros that compile cleanly as C99 and as C++, and
// on request a table of them that firmware walks to check its files.
//
//   /* Where each file lies in the merged image. Generated; do not edit. */
//   #ifndef ZD_IMAGE_LAYOUT_H
//   #define ZD_IMAGE_LAYOUT_H
//
//   #define ZD_IMAGE_BYTES 0x0000285Au
//   #define ZD_FRONT_OFFSET 0x00001000u
//   #define ZD_FILE_COUNT 2u
//
//   /* 1: D:\res\logo.bin */
//   #define ZD_LOGO_BIN_ADDR 0x00001000u
//   #define ZD_LOGO_BIN_SIZE 0x000004D2u
//   #define ZD_LOGO_BIN_CRC32 0xA1F2243Du
//   ...
//   (with the table: struct zd_file and the array zd_files, see cHeaderText)
//   #endif /* ZD_IMAGE_LAYOUT_H */
//
// The image-wide macros end in _H, _BYTES, _OFFSET and _COUNT, never in
// _ADDR, _SIZE or _CRC32, so no file's name can make a row macro that clashes
// with them; the table's names are all lower case, which no macro's is.
#pragma once

#include "core/model/entry_list.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zd {

inline constexpr std::string_view kDefaultHeaderPrefix = "ZD_";

// Why `prefix` cannot begin the header's macro names, or nothing when it
// can: it must start with an ASCII letter, hold only ASCII letters, digits
// and "_", and no "__" (such names are reserved in C and C++).
std::optional<std::string> prefixProblem(std::string_view prefix);

// Every row's NAME, in row order, all different: the file name's ASCII
// letters and digits upper-cased, every run of other bytes one "_", none at
// either end ("2clip.avi" gives "2CLIP_AVI"); "FILE_<No.>" when the name
// holds no ASCII letter or digit; a NAME already given to an earlier row
// gets "_2", "_3", ... (the first of these still free).
std::vector<std::string> headerNames(const EntryList& list);

struct CHeaderSettings {
    std::string prefix = std::string(kDefaultHeaderPrefix); // must pass prefixProblem
    std::uint64_t imageSize = 0;                            // the image's length, padding included
    // The list file's folder when the list names files relative to it, so
    // the comments name each file as the list does; empty: as listed.
    std::string listFolder{};
    bool table = false; // also the table of every row's address, size and CRC-32
    // Every row's CRC-32, in row order: one a row.
    std::vector<std::uint32_t> crcs{};
};

// The whole header text. Each row's comment names its file with "*/" and
// "/*" broken by a "\", and control bytes and bytes that are not UTF-8
// written as "\xNN", so no name can end the comment or spill into the code.
//
// The table is `static const struct zd_file zd_files[ZD_FILE_COUNT]`, each
// row's members `address`, `size` and `crc32` (uint32_t). Static, so that
// every translation unit that includes the header may use it and none that
// does not is warned about it or links a second copy (compilers do not
// warn about an unused static constant of a header). A list without rows
// gets the struct but no array: C has no empty arrays.
std::string cHeaderText(const EntryList& list, const CHeaderSettings& settings);

// Whether `head`, the start of a file, is the start of a header this tool
// wrote: it opens with the header's first comment.
bool isCHeaderText(std::string_view head);

} // namespace zd
