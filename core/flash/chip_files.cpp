#include "core/flash/chip_files.h"

#include "core/files/file_layer.h"
#include "core/files/file_reading.h"

#include <algorithm>

namespace zd::flash {
namespace {

constexpr std::size_t kPiece = 1 << 16;

std::error_code writeErased(files::Output& out, std::uint64_t count) {
    const std::string erased(kPiece, '\xFF');
    for (std::uint64_t left = count; left != 0;) {
        const std::size_t now = static_cast<std::size_t>(std::min<std::uint64_t>(left, kPiece));
        if (const std::error_code error = out.write(erased.data(), now)) {
            return error;
        }
        left -= now;
    }
    return {};
}

// Appends the piece; `reading` is set when an error came from its file.
std::error_code copyPiece(files::Output& out, const ChipPiece& piece, bool& reading) {
    reading = true;
    files::Input input;
    files::Status status;
    if (const std::error_code error = files::openRegular(piece.path, input, status)) {
        return error;
    }
    std::string buffer(kPiece, '\0');
    std::uint64_t skip = piece.offset, left = piece.length;
    while (left != 0) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(skip ? skip : left, kPiece));
        std::size_t got = 0;
        if (const std::error_code error = input.read(buffer.data(), want, got)) {
            return error;
        }
        if (got == 0) {
            return std::make_error_code(std::errc::io_error);
        }
        if (skip != 0) {
            skip -= got;
            continue;
        }
        if (piece.inverted) {
            std::for_each(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got),
                          [](char& byte) { byte = static_cast<char>(~byte); });
        }
        if (const std::error_code error = out.write(buffer.data(), got)) {
            reading = false;
            return error;
        }
        left -= got;
    }
    return {};
}

} // namespace

std::vector<FlashRegion> changedRegions(std::uint64_t at, std::vector<check::SectorRun> runs) {
    if (runs.size() > kMostRegions) {
        // Join across the narrowest gaps: every gap narrower than the
        // widest one joined, and as many of that width as still needed.
        std::vector<std::uint64_t> gaps;
        for (std::size_t i = 1; i < runs.size(); ++i) {
            gaps.push_back(runs[i].begin - (runs[i - 1].begin + runs[i - 1].length));
        }
        const std::size_t joins = runs.size() - kMostRegions;
        std::vector<std::uint64_t> sorted = gaps;
        std::sort(sorted.begin(), sorted.end());
        const std::uint64_t widest = sorted[joins - 1];
        std::size_t ofWidest = joins - static_cast<std::size_t>(std::count_if(
                                           gaps.begin(), gaps.end(),
                                           [widest](std::uint64_t gap) { return gap < widest; }));
        std::vector<check::SectorRun> joined{runs.front()};
        for (std::size_t i = 1; i < runs.size(); ++i) {
            const bool join = gaps[i - 1] < widest || (gaps[i - 1] == widest && ofWidest != 0);
            if (!join) {
                joined.push_back(runs[i]);
                continue;
            }
            ofWidest -= gaps[i - 1] == widest;
            joined.back().length = runs[i].begin + runs[i].length - joined.back().begin;
        }
        runs = std::move(joined);
    }
    std::vector<FlashRegion> regions;
    for (const check::SectorRun& run : runs) {
        regions.push_back(
            {"CHANGE" + std::to_string(regions.size() + 1), at + run.begin, run.length});
    }
    return regions;
}

ChipFileResult writeChipFile(const std::string& path, std::uint64_t chipSize, std::uint64_t at,
                             const std::vector<ChipPiece>& pieces) {
    ChipFileResult result;
    files::Output out;
    if ((result.error = out.createNew(path))) {
        return result;
    }
    std::uint64_t end = at;
    result.error = writeErased(out, at);
    for (const ChipPiece& piece : pieces) {
        bool reading = false;
        if (!result.error && (result.error = copyPiece(out, piece, reading)) && reading) {
            result.unreadable = piece.path;
        }
        end += piece.length;
    }
    if (!result.error) {
        result.error = writeErased(out, chipSize - std::min(chipSize, end));
    }
    const std::error_code closed = out.close();
    result.error = result.error ? result.error : closed;
    return result;
}

} // namespace zd::flash
