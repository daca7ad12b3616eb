// The check wing (core/check/): looking at an image after the merge. It
// may use every other wing of the core (the manifest of the firmware wing,
// the info table of the image wing, the list file of the model wing, files)
// and nothing above it. Its code is in namespace zd::check.
//
// Read-only checks, which write nothing:
//   verify.h      an image against its list file or its manifest
//   inspect.h     the file info table at an image's start
//   image_scan.h  the single-pass reader under them: ranges of many rows in
//                 one pass, the table found and walked
// Writers built on them (named *_writer), all or nothing:
//   unpack_writer.h  every row's bytes to a new file of its own
//   diff_writer.h    the sectors two images differ in, and their records
//
// All of them read an image, a regular file, forward from its start and
// keep only small buffers and a few bytes for each row, so memory does not
// grow with the image: a read-back dump of a whole chip is checked as
// quickly as the image itself.
// Each takes a files::KeepGoing, told how far it has read.
#pragma once

#include "core/check/diff_writer.h"
#include "core/check/inspect.h"
#include "core/check/unpack_writer.h"
#include "core/check/verify.h"
