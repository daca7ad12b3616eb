// Which file names the list file can carry, and how a name is shown in a
// message whatever bytes it holds.
#pragma once

#include <string>
#include <string_view>

namespace zd {

// The list file holds one row per line, in UTF-8, so a name reads back as
// written only when it is not empty, holds no line feed and no carriage
// return (which editors and version control change), and is valid UTF-8.
bool listFileCanCarry(std::string_view name);

// `name` fit for a one-line message: a line feed, a carriage return, a tab
// and any byte that is not part of valid UTF-8 are written as \n, \r, \t and
// \xHH; an empty name as "" (two quotes), so that it never shows as nothing.
std::string printableName(std::string_view name);

// The length of the valid UTF-8 sequence at the start of `text` (not empty),
// 0 if there is none: overlong forms, surrogates and code points past
// U+10FFFF count as invalid.
std::size_t utf8SequenceLength(std::string_view text);

} // namespace zd
