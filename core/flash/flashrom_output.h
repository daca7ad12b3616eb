// What flashrom prints, read for the flash command: the chips a probe
// found and the chip's size; the stages of a write or a read as flashrom
// begins them ("Reading old flash chip contents... done."), and with -V
// every erase block of a write as it is done ("0x101000-0x101fff:EW": E
// erased, W written, S left as it was) once it has ended; and the lines
// that say why it failed, without its banner and notes.
// Read from flashrom 1.3's output; a flashrom that prints otherwise is
// still judged by its exit status, only without stages or counts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zd::flash {

// What `flashrom -p PROGRAMMER [-c CHIP] --flash-size` printed.
struct ProbeReport {
    std::vector<std::string> chips; // every chip definition that matched ("W25Q128.V")
    std::uint64_t size = 0;         // the chip's size in bytes; 0 when none was printed
    bool noChip = false;            // "No EEPROM/flash device found."
    std::vector<std::string> said;  // the rest of its lines, to pass on when it refuses
};
ProbeReport readProbe(std::string_view output);

enum class Stage {
    ReadingRange, // flashrom reads what the range holds, to skip equal blocks
    Writing,      // erasing and writing the blocks that differ
    Verifying,    // flashrom reads back what it wrote
    ReadingBack,  // the range read back for --verify
};

// The erase blocks of a write, as flashrom did them.
struct BlockCounts {
    std::uint64_t blocks = 0;  // every block of the regions written
    std::uint64_t erased = 0;  // of those, the ones erased
    std::uint64_t written = 0; // and the ones written (the others held the image already)
};

// The output of one write or read, fed as it comes.
class RunReader {
  public:
    // `onStage` is told of each stage as flashrom begins it.
    explicit RunReader(std::function<void(Stage)> onStage) : onStage_(std::move(onStage)) {}
    void feed(std::string_view text);

    // The blocks of a write that has ended.
    BlockCounts blocks() const;
    bool unchanged() const; // it found nothing to write
    // The lines that say what went wrong (errors, failures), else the last
    // line it printed.
    std::vector<std::string> said() const;

  private:
    std::function<void(Stage)> onStage_;
    std::string text_;
    std::vector<Stage> begun_;
};

} // namespace zd::flash
