// The firmware wing (core/firmware/): the formats firmware work needs beside
// the image and its list file, each with its one writer (and reader):
//   c_header.h     a C header of the layout, with a table for boot checks
//   manifest.h     JSON with every file's CRC-32, read back by verify
//   hex_formats.h  the image as Intel HEX or Motorola S-records
//   depfile.h      a dependency file for the build that runs the merge
//   flash_size.h   the chip the image is written to
//   flash_regions.h  the front area and every file as named regions of the
//                  flash, written as flashrom_layout.h (flashrom's layout
//                  file) and fmap.h (an FMAP 1.1 structure)
//   layout_map.h   a picture of the layout (SVG)
// It uses the image, model and files wings. Which of them a merge writes is
// the merge wing's (core/merge/merge_request.h); nothing here knows a front
// end.
#pragma once

#include "core/firmware/c_header.h"
#include "core/firmware/depfile.h"
#include "core/firmware/flash_regions.h"
#include "core/firmware/flash_size.h"
#include "core/firmware/flashrom_layout.h"
#include "core/firmware/fmap.h"
#include "core/firmware/hex_formats.h"
#include "core/firmware/layout_map.h"
#include "core/firmware/manifest.h"
