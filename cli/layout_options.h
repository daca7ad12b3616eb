// The merge's options for slots with room to grow and for keeping an
// earlier merge's layout, bound to the fields of the merge request they set
// (core/merge/merge_request.h), and the usage problems of those options.
#pragma once

#include "cli/command.h"
#include "core/merge/merge_request.h"

#include <optional>
#include <string>

namespace zd::cli {

struct LayoutOptions {
    MergeRequest& request;
};

// Declares --reserve, --layout-from and --keep-layout on the merge command.
void addLayoutOptions(CLI::App& merge, LayoutOptions& options);

// A usage problem of those options with the merge's output (`output`: -o
// given), or nothing.
std::optional<std::string> layoutUsageProblem(const LayoutOptions& options, bool output);

} // namespace zd::cli
