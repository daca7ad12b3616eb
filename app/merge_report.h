// What the window tells the user once a merge (or an export) is over: the
// files it wrote, or why it wrote nothing, in the window's words. Each
// status of a merge is worded here once.
#pragma once

#include "app/port.h"
#include "core/image/merge_result.h"
#include "core/merge/merge.h"
#include "core/merge/merge_request.h"

#include <string>

namespace zd::app {

struct MergeReport {
    std::string text;
    Icon icon;
};

// The report of a merge-save of `request`: every file it wrote, and then,
// when the file info table was asked for, whether it fit; what keeping the
// earlier layout did (`kept`); the settings used beyond the defaults
// (`settings`, the summary of merge_settings.h).
MergeReport mergeReport(const MergeResult& result, const MergeRequest& request,
                        const LayoutReport& kept = {}, const std::string& settings = {});

// What a merge that kept an earlier layout did, in the window's words: how
// many files kept their address, each that moved or came new with its
// addresses, the slots left unused; or that there was no list file to keep.
// Empty for a merge that kept no layout.
std::string layoutReportText(const LayoutReport& report, const MergeRequest& request);

// Why a merge (or an export) wrote nothing, with its icon: a stop was the
// user's own wish, not a fault.
MergeReport failureReport(const MergeResult& result, const MergeRequest& request);

} // namespace zd::app
