// A picture of an image's layout, to open in any browser: the flash as one
// bar from offset 0 at the top to the image's end (or the flash's size),
// the front area and its file info table, each file as a block at its
// place with its name, address and size where they fit, the filler shaded
// (gaps between files, a slot's reserve, padding), the free space to the
// flash's size, and beside the bar a key and a table of every file. Plain
// SVG 1.1: no scripts, no external references, fonts every system has;
// every name escaped.
#pragma once

#include "core/model/entry_list.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zd {

struct LayoutMapSettings {
    std::uint64_t imageSize = 0; // the image's length, padding included
    std::uint64_t flashSize = 0; // 0: the bar ends with the image
    bool infoTable = false;      // the front area starts with the file info table
    std::uint32_t base = 0;      // where the image starts in the flash (named when not 0)
};

// The fill colour of the row'th file's block (and its key in the table).
const char* layoutMapColour(std::size_t row);

// The whole SVG document. The bar's top is at y = kMapTop, its bottom at
// kMapTop + kMapBarHeight, between x = kMapBarLeft and kMapBarLeft +
// kMapBarWidth; offsets are placed linearly between them. Rows may lie in
// any order of addresses.
std::string layoutMapSvg(const EntryList& layout, const LayoutMapSettings& settings);

// Whether `head`, the start of a file, is the start of such a picture.
bool isLayoutMapSvg(std::string_view head);

inline constexpr double kMapTop = 70;
inline constexpr double kMapBarHeight = 720;
inline constexpr double kMapBarLeft = 90;
inline constexpr double kMapBarWidth = 260;

} // namespace zd
