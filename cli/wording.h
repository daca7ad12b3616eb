// The command line's words for what core reports: one English text for
// each status of each result, kept here so that every command says the
// same thing the same way. Names in them are shown through printableName
// by the caller.
#pragma once

#include "core/intake/file_intake.h"

#include <string>

namespace zd::cli {

// Why a file was not taken in, as a short phrase after its name.
std::string refusedText(const RefusedFile& refused);

} // namespace zd::cli
