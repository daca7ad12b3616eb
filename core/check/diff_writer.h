// Comparing an image already in a flash (OLD) with the one to put there
// (NEW), sector by sector, so that a programmer erases and writes only the
// sectors that changed. Both are read once, side by side, in small pieces,
// whatever their size; the records of the changed sectors (Intel HEX,
// S-records) are written in the same pass and put in place all or none.
#pragma once

#include "core/files/progress.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

namespace zd::check {

// The largest sector taken: the buffers hold a sector or 1 MiB, whichever
// is more, for each image.
inline constexpr std::uint64_t kLargestSector = std::uint64_t{16} << 20;

// Why `size` cannot be a sector's size, or nothing: a power of two of at
// most kLargestSector.
std::optional<std::string> sectorSizeProblem(std::uint64_t size);

struct DiffSettings {
    std::uint64_t sectorSize = 4096; // must pass sectorSizeProblem
    std::string ihex{};              // the changed sectors as Intel HEX; empty: none
    std::string srec{};              // ... as S-records; empty: none
    std::uint32_t base = 0;          // the address of NEW's first byte in both
};

// A run of changed sectors: NEW's offset and length (the last sector of
// NEW may be short).
struct SectorRun {
    std::uint64_t begin = 0;
    std::uint64_t length = 0;
};

struct DiffResult {
    enum class Status {
        Ok,
        OldUnreadable,    // OLD cannot be opened or read (`error`)
        NewUnreadable,    // NEW likewise
        PastAddressSpace, // placed at `base`, NEW reaches past 4 GiB: no records can hold it
        OutputFailed,     // a record file cannot be created or written (`path`, `error`)
        OutputIsInput,    // a record file `path` is OLD or NEW, by name or as the same file
        Stopped,          // asked to stop; no record file was put in place
    };
    Status status = Status::Ok;
    std::error_code error;
    std::string path;
    std::uint64_t oldSize = 0;
    std::uint64_t newSize = 0;        // PastAddressSpace: NEW's whole length
    std::uint64_t sectors = 0;        // NEW's sectors
    std::uint64_t changedSectors = 0; // of those, the ones to erase and write
    std::uint64_t bytesToProgram = 0; // NEW's bytes in them
    bool ok() const { return status == Status::Ok; }
};

// Compares OLD and NEW. A sector of NEW has changed when its bytes differ
// from OLD's at the same offsets, or OLD ends before it does; OLD's bytes
// past NEW's end are counted only. Every run of changed sectors goes to
// `onRun` as soon as it ends; `keepGoing` is asked between pieces. The record
// files hold NEW's bytes of the changed sectors, every byte of them (0xFF
// too: a sector a programmer erases must be written whole), and nothing else.
DiffResult diffImages(const std::string& oldPath, const std::string& newPath,
                      const DiffSettings& settings, const std::function<void(SectorRun)>& onRun,
                      const files::KeepGoing& keepGoing);

} // namespace zd::check
