// The dependency file written beside an image for a build system: a rule in
// the Make syntax compilers write with -MD, which Make and Ninja both read,
// naming the merge's outputs and every file and folder it read, so that a
// build runs the merge again when one of them changes.
//
//   out/flash.bin out/flash.h: /home/me/res/logo.bin /home/me/My\ Fonts
//   /home/me/res/logo.bin:
//   /home/me/My\ Fonts:
//
// (one prerequisite a line, each line but the last ending in a backslash).
// Make and Ninja read names each in its own way: some names one of them
// cannot read back as they are whatever the quoting, and those are refused
// before anything is written (depfileNameProblem).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zd {

// Why a rule cannot hold `name` so that Make and Ninja both read it back as
// it is, or nothing when it can.
std::optional<std::string> depfileNameProblem(std::string_view name);

// The rule "OUTPUTS: INPUTS", one input a line, then an empty rule for each
// input, so that Make does not stop on an input since removed but reads it
// as changed (as -MP does). The image comes first: Ninja matches the first
// output with its build edge. In names, a space (and the backslashes before
// it), "#", ":" and "$" are quoted as Make and Ninja undo it. On Windows
// every "\" is written "/", which both read as the same separator there, and
// a drive's ":" as it is. Every name must pass depfileNameProblem.
std::string depfileText(const std::vector<std::string>& outputs,
                        const std::vector<std::string>& inputs);

// Whether `head`, the start of a file, is the start of a dependency file:
// its first line holds a rule's colon (it ends with ":", or ": \" when
// prerequisites follow).
bool isDepfileText(std::string_view head);

} // namespace zd
