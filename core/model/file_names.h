// Which file names the list file can carry, and how a name is shown in a
// message whatever bytes it holds.
#pragma once

#include <string>
#include <string_view>

namespace zd {

// The list file holds one row per line, in UTF-8, so a name reads back as
// written only when it is not empty, holds no line feed and no carriage
// return (which editors and version control change), no NUL (which ends a
// name for the system) and is valid UTF-8.
bool listFileCanCarry(std::string_view name);

// `name` fit for a one-line message on a terminal or in a report: a line
// feed, a carriage return and a tab are written as \n, \r and \t, every
// other C0 control, DEL and any byte that is not part of valid UTF-8 as
// \xHH, the C1 controls and the bidirectional ones as \uXXXX, so that no
// name can move the cursor, retitle the terminal or reorder what follows;
// an empty name as "" (two quotes), so that it never shows as nothing.
std::string printableName(std::string_view name);

// Whether the valid UTF-8 sequence `sequence` is a C1 control (U+0080 to
// U+009F), which terminals take for commands.
bool isC1Control(std::string_view sequence);

// Whether the valid UTF-8 sequence `sequence` is a bidirectional control
// (U+202A to U+202E, U+2066 to U+2069), which reorders the text after it.
bool isBidiControl(std::string_view sequence);

// "\uXXXX" for the valid two- or three-byte UTF-8 sequence `sequence`.
std::string unicodeEscape(std::string_view sequence);

// The length of the valid UTF-8 sequence at the start of `text` (not empty),
// 0 if there is none: overlong forms, surrogates and code points past
// U+10FFFF count as invalid.
std::size_t utf8SequenceLength(std::string_view text);

} // namespace zd
