// The check wing (core/check/): verify, inspect and unpack, and the
// single-pass reader of an image under them (image_scan.h). The top of the
// core: it may use every other wing (the manifest of the firmware wing, the
// info table of the image wing, the list file of the model wing, files).
//
// Looking at an image after the merge: verify it against its list file or
// its manifest, and inspect its file info table (image_unpack.h unpacks its
// files).
//
// All three read the image, a regular file, forward from its start and keep
// only small buffers, so memory does not grow with the image: a read-back
// dump of a whole chip is checked as quickly as the image itself.
#pragma once

#include "core/check/image_scan.h"

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

namespace zd {

// ---- verify ---------------------------------------------------------------

// One row of the layout an image is checked against.
struct CheckRow {
    std::string path;
    std::uint32_t address = 0;
    std::uint32_t size = 0;
    std::uint32_t crc = 0; // when checked by CRC
};

struct CheckLayout {
    std::vector<CheckRow> rows;
    std::uint32_t frontOffset = 0;
    // Checked by CRC (a manifest) or against the files themselves (a list).
    bool byCrc = false;
    // A manifest says whether the table was written; for a list it is taken
    // as written when the front area has room for it and its first 8 bytes
    // are not all the same byte (filler, whichever byte the merge used).
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
enum class TableFault { None, Differs, Missing };

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
    bool ok() const { return status == Status::Ok; }
};

// The image must be a regular file (see scan::openImage).
VerifyResult verifyImage(const std::string& imagePath, const CheckLayout& layout,
                         const scan::StopFn& stop = {});
// The layout from a list file (relative names taken from its folder; every
// row checked at the address the list shows) or from a manifest.
VerifyResult verifyAgainstList(const std::string& imagePath, const std::string& listPath,
                               const scan::StopFn& stop = {});
VerifyResult verifyAgainstManifest(const std::string& imagePath, const std::string& manifestPath,
                                   const scan::StopFn& stop = {});

// ---- inspect ----------------------------------------------------------------

// A file info table is found when the image's first record names an address
// F of at least 9 and the records from there on run in the order a merge
// lays them out under one alignment A (a power of two up to 1 MiB; 1 for
// back to back): F a multiple of A, each later address the end of the one
// before rounded up to a multiple of A; each ends by 4 GiB, with
// room to spare before F (F more than 8 per record), and every byte after
// them up to F is the same, the filler the merge writes there. An image that
// ends before the table's last row is short, not tableless.
struct TableRow {
    std::uint64_t number = 0; // 1-based
    std::uint32_t address = 0;
    std::uint32_t size = 0;
    std::uint32_t crc = 0; // of the row's bytes in the image
};

struct InspectResult {
    enum class Status {
        Ok,
        NoTable,
        ImageTooShort, // the table's rows end at `tableEnd`, past the image's end
        ImageUnreadable,
        Stopped,
    };
    Status status = Status::Ok;
    std::error_code error;
    std::uint64_t imageSize = 0;
    std::uint64_t tableEnd = 0;
    std::uint32_t frontOffset = 0;
    std::uint64_t rowCount = 0;
};

// Calls `onRow` for every row of the table, in order, as soon as its CRC is
// known; nothing is called when there is no table.
InspectResult inspectImage(const std::string& imagePath,
                           const std::function<void(const TableRow&)>& onRow,
                           const scan::StopFn& stop = {});

} // namespace zd
