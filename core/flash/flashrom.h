// flashrom, the programmer tool, run as a program of its own (never linked:
// it is GPL, this project MIT) through one seam: a FlashromRunner takes
// flashrom's arguments, hands back what it prints as it comes, and says how
// it ended. `systemFlashrom` runs the real program; the tests run it too,
// on flashrom's dummy programmer, which keeps an emulated chip in a file.
#pragma once

#include "core/files/progress.h"

#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace zd::flash {

struct FlashromEnd {
    enum class How {
        Exited,      // with `status`
        CannotStart, // flashrom could not be started (`error`)
        Stopped,     // asked to stop: flashrom was ended
    };
    How how = How::Exited;
    int status = 0;
    std::error_code error;
};

using TextSink = std::function<void(std::string_view text)>;

// Runs flashrom with `args`, handing its output (standard output and error
// together, in order) to `onText` piece by piece as it comes. `keepGoing`
// is asked at least every tenth of a second, and a false ends flashrom.
using FlashromRunner =
    std::function<FlashromEnd(const std::vector<std::string>& args, const TextSink& onText,
                              const files::KeepGoing& keepGoing)>;

// Runs the program at `path`.
FlashromRunner systemFlashrom(std::string path);

// The flashrom program: "flashrom" in the folders programs are looked for
// in (files::programFolders); empty when there is none.
std::string findFlashrom();

} // namespace zd::flash
