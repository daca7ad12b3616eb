// flashrom's layout file: one region a line, its first and last byte in the
// flash as eight hexadecimal digits and its name, which `flashrom -l FILE
// -i NAME` then reads or writes alone:
//
//   00000000:00000fff FRONT
//   00001000:000014d1 LOGO_BIN
#pragma once

#include "core/firmware/flash_regions.h"

#include <string>
#include <string_view>
#include <vector>

namespace zd {

// The layout of `regions`, in the order of their offsets. Each must end by
// 4 GiB: flashrom's offsets are 32-bit.
std::string flashromLayoutText(std::vector<FlashRegion> regions);

// Whether `head`, the start of a file, is the start of such a layout: one
// line at least, every whole line "start:end NAME" in hexadecimal.
bool isFlashromLayoutText(std::string_view head);

} // namespace zd
