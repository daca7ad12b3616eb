// Programming an image into a chip through flashrom: exactly the image's
// range of the chip (from an offset) and nothing else of it, whatever the
// chip's size, through a flashrom layout region over that range.
//
// Without a previous image, flashrom reads the range first and erases and
// writes only the blocks that differ. With one (what the range holds now:
// the image last programmed), the chip is not read first: the sectors of 4
// KiB in which the two images differ (check::diffImages) are the only
// regions written, flashrom takes the previous image for what they hold
// (--flash-contents), and checks only them after writing. With `verify`
// the whole range is then read back; if it differs (the chip did not hold
// the previous image), it is programmed again without it and read back
// once more.
//
// Everything that can be refused is refused before anything is written:
// the inputs, flashrom itself, the programmer, the chip, the fit.
#pragma once

#include "core/check/diff_writer.h"
#include "core/files/progress.h"
#include "core/flash/flashrom.h"
#include "core/flash/flashrom_output.h"

#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

namespace zd::flash {

// The sector the previous image and the read-back range are compared by.
inline constexpr std::uint64_t kSectorBytes = 4096;

struct FlashRequest {
    std::string image;
    std::string programmer; // flashrom's -p: "ch341a_spi", "dummy:emulate=W25Q128FV,image=c.bin"
    std::string chip{};     // flashrom's -c; empty: the one chip flashrom finds
    std::uint64_t at = 0;   // the chip offset of the image's first byte
    std::string previous{}; // what the range holds now; empty: flashrom reads it first
    bool verify = false;    // read the whole range back after writing
};

// The chip, and the range the image takes in it.
struct FlashTarget {
    std::string chip;
    std::uint64_t chipSize = 0;
    std::uint64_t at = 0;
    std::uint64_t size = 0; // the image's
};

// Told what happens, as it happens; every call but `found` may not come.
class FlashObserver {
  public:
    virtual ~FlashObserver() = default;
    // The chip found and the image fits; nothing is written yet.
    virtual void found(const FlashTarget&) {}
    // With a previous image, before writing: the runs of sectors that
    // differ (offsets in the image), and the totals.
    virtual void changes(const std::vector<check::SectorRun>&, const check::DiffResult&) {}
    // flashrom begins a stage of a write or a read.
    virtual void stage(Stage) {}
    // A write ended well: its blocks; `unchanged` when nothing needed writing.
    virtual void wrote(const BlockCounts&, bool /*unchanged*/) {}
    // The range read back differs from the image in `sectors` sectors: it
    // is programmed again, flashrom reading it first.
    virtual void mending(std::uint64_t /*sectors*/) {}
};

struct FlashResult {
    enum class Status {
        Ok,
        Unreadable,    // the image or the previous image, `path`, cannot be read (`error`)
        ImageEmpty,    // the image holds no byte
        CannotStart,   // flashrom cannot be started (`error`)
        Refused,       // flashrom refused the programmer or the chip, saying `said`
        NoChip,        // flashrom found no chip (of the name asked for, when one was)
        SeveralChips,  // several chip definitions match the chip found: `chips`
        DoesNotFit,    // the image at `target.at` ends past the chip's end
        ScratchFailed, // flashrom's files cannot be made (`path`, `error`)
        WriteFailed,   // flashrom failed writing, saying `said`: the range may be half programmed
        ReadFailed,    // flashrom failed reading the range back, saying `said`
        Differs,       // the range read back differs from the image in `sectors` sectors
        Stopped,       // asked to stop; `touched` once writing had begun
    };
    Status status = Status::Ok;
    std::string path;
    std::error_code error;
    std::vector<std::string> said;
    std::vector<std::string> chips;
    FlashTarget target;
    std::uint64_t sectors = 0;
    bool touched = false;  // flashrom was writing when the run ended
    bool readBack = false; // the range was read back and holds the image
    bool ok() const { return status == Status::Ok; }
};

// Programs the chip as `request` asks, through `flashrom`. `keepGoing` is
// asked at least every tenth of a second while flashrom runs; a false ends
// flashrom at once.
FlashResult programChip(const FlashRequest& request, const FlashromRunner& flashrom,
                        FlashObserver& observer, const files::KeepGoing& keepGoing);

} // namespace zd::flash
