// The merge's options for firmware work (core/firmware/firmware.h turns
// them into the merge's companions): their declarations, the usage problems
// of the options taken together, and the wording of what the layout checks
// find.
#pragma once

#include "cli/command.h"
#include "core/firmware/firmware.h"

#include <optional>
#include <string>

namespace zd::cli {

struct FirmwareOptions {
    FirmwareSettings settings;
    bool prefixGiven = false;
    bool baseGiven = false;
};

// Declares the options on the merge command.
void addFirmwareOptions(CLI::App& merge, FirmwareOptions& options);

// A usage problem of the options taken together, or nothing.
std::optional<std::string> firmwareUsageProblem(const FirmwareOptions& options);

// What checkFirmwareFit found, as the line that refuses the merge says it.
std::string firmwareFitText(const FirmwareFit& fit, const FirmwareSettings& settings);

} // namespace zd::cli
