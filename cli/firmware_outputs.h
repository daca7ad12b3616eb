// The merge's options for firmware work, bound to the fields of the merge
// request they set (core/merge/merge_request.h), and the usage problems of
// those options taken together.
#pragma once

#include "cli/command.h"
#include "core/merge/merge_request.h"

#include <optional>
#include <string>

namespace zd::cli {

struct FirmwareOptions {
    MergeRequest& request;
    bool prefixGiven = false;
    bool baseGiven = false;
};

// Declares the options on the merge command.
void addFirmwareOptions(CLI::App& merge, FirmwareOptions& options);

// A usage problem of the options taken together, or nothing.
std::optional<std::string> firmwareUsageProblem(const FirmwareOptions& options);

} // namespace zd::cli
