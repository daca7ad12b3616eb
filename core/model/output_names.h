// Where a merge writes: the image and list paths that follow from the path a
// user confirms in the save dialog (or passes on the command line).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zd {

struct OutputPaths {
    std::string saveFolder; // the folder part, ending in its separator (empty for a bare name)
    std::string imagePath;  // stem + ".bin"
    std::string listPath;   // stem + ".h"
    std::string given{};    // the path both follow from, as confirmed or typed
};

// The stem is the folder followed by the file name, cut at its last "." when
// the name contains ".bin", ".BIN", ".h" or ".H" anywhere (case-sensitive),
// else whole: "img.bin", "img.h" and "img.hex" give "img", "img.Bin" and
// "img.txt" stay as they are. Nothing when the path has no file name.
std::optional<OutputPaths> outputPathsFor(std::string_view confirmedPath);

// Whether an output named `path` would land in a stream of another file, not
// a file of its own: on Windows a ':' past the drive ("C:") names a hidden
// stream ("img:x.bin" is the stream "x.bin" of "img"). Never elsewhere,
// where ':' is an ordinary character of a name.
bool namesAStream(std::string_view path);

} // namespace zd
