// The merge wing (core/merge/): one merge for every front end. A front end
// fills a MergeRequest (merge_request.h); planMerge checks it and lays its
// rows out, a dry run checks what the run would check, and runMerge writes
// the image, its list file and every companion all or none, telling its
// progress and stopping when asked. It uses the firmware, image, model and
// files wings; the command line and the windows reach a merge only here.
#pragma once

#include "core/files/progress.h"
#include "core/image/merge_result.h"
#include "core/merge/layout_plan.h"
#include "core/merge/merge_request.h"
#include "core/model/entry_list.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zd {

// Where a kept layout came from and what moved in it.
struct LayoutReport {
    std::string listPath;     // the list file whose layout was kept; empty: none
    bool listMissing = false; // keepLayout found no list file: a fresh layout
    LayoutMoves moves;
};

struct MergePlan {
    // Ok, or why the request is refused; nothing has been written.
    MergeResult refusal;
    EntryList layout;            // the rows where they go
    std::uint64_t imageSize = 0; // the image's length, padding included
    LayoutReport kept{};         // with layoutFrom or keepLayout
    bool ok() const { return refusal.ok(); }
};

// Every output the request names, in the order a merge reports them: the
// image, the list file, then the C header, the manifest, Intel HEX,
// S-records, the flashrom layout, the FMAP, the layout's picture and the
// dependency file.
std::vector<std::string> mergeOutputs(const MergeRequest& request);

// Checks what needs no file (no output's name lands in a hidden stream on
// Windows, the image fits the flash and, placed at the base, the addresses
// of HEX, S-records and the regions, and the FMAP's area count) and lays
// the rows out. A layout with slots is checked here against 4 GiB and the
// front area, after the earlier list file, the one file planning reads, is
// read.
MergePlan planMerge(const MergeRequest& request);

// The dry run: every check runMerge makes before it writes (no output
// replaces a file read, by name or as the same file, every name fits the
// list file, the layout ends by 4 GiB, each input is a regular file of its
// listed size), with the same result; nothing is written.
MergeResult dryRun(const MergeRequest& request, const MergePlan& plan);

// Writes every output of the request, laid out as planned, under temporary
// names, then puts them all in place at once; on any failure or stop none
// is, and earlier files of those names stay as they were. `progress` is
// told the bytes done of the whole and may stop the run. Without an image,
// nothing made of the image's bytes (a manifest, HEX, S-records) can be
// written: such a request is refused.
MergeResult runMerge(const MergeRequest& request, const MergePlan& plan,
                     const files::KeepGoing& progress = {});

} // namespace zd
