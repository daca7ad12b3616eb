// The flash wing (core/flash/): programming an image into a chip through
// flashrom, run as a program of its own. It uses the check wing (the
// sectors two images differ in), the firmware wing (flashrom's layout
// file) and the files wing (running flashrom, its scratch files); nothing
// above it. Its code is in namespace zd::flash.
//   programming.h     the whole run: the chip found, the range planned,
//                     written, read back (programChip)
//   flashrom.h        the seam to flashrom: its arguments in, its output
//                     and its end out (FlashromRunner)
//   flashrom_output.h flashrom's output read into chips, stages, blocks and
//                     what it said when it failed
//   chip_files.h      the files flashrom is handed: its layout, chip-sized
//                     images
#pragma once

#include "core/flash/chip_files.h"
#include "core/flash/flashrom.h"
#include "core/flash/flashrom_output.h"
#include "core/flash/programming.h"
