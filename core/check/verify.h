// Verify: whether an image holds every row's bytes at its address and,
// where it holds one, the file info table that says so; checked against the
// files a list file names or against the CRC-32s of a manifest.
#pragma once

#include "core/check/image_scan.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace zd::check {

// ---- verify ---------------------------------------------------------------

// One row of the layout an image is checked against.
struct CheckRow {
    std::string path;
    std::uint32_t address = 0;
    std::uint32_t size = 0;
    std::uint32_t crc = 0; // when checked by CRC
    // Where the row's slot ends, when the layout has slots (a manifest's
    // "slot_end"): the file must not run past it.
    std::optional<std::uint64_t> slotEnd{};
};

struct CheckLayout {
    std::vector<CheckRow> rows;
    std::uint32_t frontOffset = 0;
    // Checked by CRC (a manifest) or against the files themselves (a list).
    bool byCrc = false;
    // A manifest says whether the table was written, and so does the user
    // who asks for it to be checked; for a list it is taken as written when
    // the front area has room for it and holds a file info table as inspect
    // finds one, or a first record that names the first row as the list does
    // (a table the rest of which is damaged).
    bool tableKnown = false;
    bool tableWritten = false;
    // A manifest's image size and CRC (padding included); 0 for a list,
    // whose layout ends with its last row.
    std::uint64_t imageSize = 0;
    std::uint32_t imageCrc = 0;
};

// What is wrong with one row's bytes.
enum class ContentFault {
    None,
    BytesDiffer,      // a byte differs from the file's (`offset`)
    CrcDiffers,       // `crcFound` is not `crcExpected`
    ImageTooShort,    // the image ends inside the row (`offset` is its end)
    InputUnreadable,  // the file cannot be opened or read (`error`)
    InputSizeDiffers, // the bytes agree, but the file is `inputSize` bytes long
    ImageEndsBefore,  // the image ends before the row starts (`offset` is its end)
};

// What is wrong with the row's record in the file info table.
enum class TableFault {
    None,
    Differs,  // it names another address or size (`tableAddress`, `tableSize`)
    Missing,  // the image ends before it
    NoRecord, // eight equal bytes, filler, stand where it belongs
};

struct RowFinding {
    std::uint64_t number = 0; // 1-based
    std::string path;
    std::uint32_t address = 0;
    std::uint32_t size = 0;
    ContentFault content = ContentFault::None;
    std::uint64_t offset = 0; // image offset of the first differing or missing byte
    std::uint32_t crcFound = 0;
    std::uint32_t crcExpected = 0;
    std::uint64_t inputSize = 0;
    std::error_code error;
    TableFault table = TableFault::None;
    std::uint32_t tableAddress = 0; // what the table says, when it differs
    std::uint32_t tableSize = 0;
    // The file runs past its slot, which ends here.
    std::optional<std::uint64_t> pastSlot{};
};

struct VerifyResult {
    enum class Status {
        Ok,               // every row holds, and the table if there is one
        Mismatch,         // see `rows` and the image-wide faults below
        ImageUnreadable,  // `error`
        LayoutUnreadable, // the list file or manifest (`error` or `reason`)
        Stopped,          // asked to stop before the end
    };
    Status status = Status::Ok;
    std::error_code error;
    std::string reason;
    std::vector<RowFinding> rows; // one per bad row, in row order
    bool tableChecked = false;
    std::uint64_t imageSize = 0; // as found
    std::uint64_t layoutEnd = 0; // where the rows (a manifest: the image) end
    // A note, not a fault: the image goes on past the layout (a dump of a
    // whole chip).
    std::uint64_t bytesPastLayout = 0;
    // Manifest only: the image is shorter than it says, or its CRC differs
    // while every row holds (the front area or the padding changed).
    bool imageShort = false;
    bool imageCrcDiffers = false;
    std::uint32_t imageCrcFound = 0;
    // A list's front area has room for a table and holds other data than
    // filler, yet no table: a note, not a fault (a boot record, a dump).
    bool otherDataInFront = false;
    // The front area after the table differs from its filler here.
    std::optional<std::uint64_t> frontAreaDamagedAt{};
    // Checked against a list: no table, and not one file where it says, so
    // not an image of this list at all.
    bool notThisImage = false;
    bool ok() const { return status == Status::Ok; }
};

// The words one language has for what verify finds wrong with a row: a
// pattern for each fault, in which {offset}, {found}, {expected}, {error},
// {inputSize}, {size}, {tableAddress}, {tableSize} and {slotEnd} stand for
// the row's values (numbers in decimal, CRC-32s as crc32Text writes them),
// and what joins a row's findings. Each front end keeps one such table a
// language; findingText is the one mapping from faults to words.
struct FindingWords {
    std::array<const char*, 7> content; // by ContentFault; None's is not used
    std::array<const char*, 4> table;   // by TableFault; None's is not used
    const char* pastSlot;               // the file runs past its slot
    const char* separator;
};
std::string findingText(const RowFinding& row, const FindingWords& words);

// The image must be a regular file (see openImage). The rows may lie in any
// order, but two that overlap make the layout unreadable.
VerifyResult verifyImage(const std::string& imagePath, const CheckLayout& layout,
                         const files::KeepGoing& keepGoing = {});
// The layout from a list file (relative names taken from its folder; every
// row checked at the address the list shows) or from a manifest.
// `tableAsked`: the image holds a table, checked whatever its front area
// holds.
VerifyResult verifyAgainstList(const std::string& imagePath, const std::string& listPath,
                               const files::KeepGoing& keepGoing = {}, bool tableAsked = false);
VerifyResult verifyAgainstManifest(const std::string& imagePath, const std::string& manifestPath,
                                   const files::KeepGoing& keepGoing = {});

} // namespace zd::check
