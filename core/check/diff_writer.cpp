#include "core/check/diff_writer.h"

#include "core/check/image_scan.h"
#include "core/files/file_layer.h"
#include "core/files/output_set.h"
#include "core/firmware/hex_formats.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

namespace zd::check {
namespace {

using Status = DiffResult::Status;

// The record files, fed NEW's bytes of each changed sector in address order.
class ChangedRecords {
  public:
    files::OutputError add(const std::string& path, HexFormat format, std::uint32_t base) {
        if (path.empty()) {
            return {};
        }
        files::OutputFile* file = nullptr;
        if (files::OutputError failed = set_.add(path, file)) {
            return failed;
        }
        writers_.push_back({std::make_unique<HexWriter>(
                                format, HexSettings{base, false},
                                [file](std::string_view text) { return file->write(text); }),
                            path});
        return {};
    }
    // NEW's `size` bytes at `offset`; the bytes since the last ones stay as they are.
    files::OutputError write(std::uint64_t offset, const unsigned char* data, std::size_t size) {
        for (Writer& writer : writers_) {
            std::error_code error = writer.hex->skip(offset - written_);
            if (!error) {
                error = writer.hex->write(data, size);
            }
            if (error) {
                return {error, writer.path};
            }
        }
        written_ = offset + size;
        return {};
    }
    files::OutputError commit() {
        for (Writer& writer : writers_) {
            if (auto error = writer.hex->finish()) {
                return {error, writer.path};
            }
        }
        return set_.commit();
    }

  private:
    struct Writer {
        std::unique_ptr<HexWriter> hex;
        std::string path;
    };
    files::OutputSet set_;
    std::vector<Writer> writers_;
    std::uint64_t written_ = 0;
};

// The sectors of both images, piece by piece: which changed, and their runs.
class SectorComparison {
  public:
    SectorComparison(DiffResult& result, std::uint64_t sectorSize,
                     const std::function<void(SectorRun)>& onRun, ChangedRecords& records)
        : result_(result), sectorSize_(sectorSize), onRun_(onRun), records_(records) {}

    // NEW's next `newSize` bytes against OLD's at the same offsets, of which
    // OLD holds `oldSize` (fewer once it ended). Pieces hold whole sectors
    // but for NEW's last.
    files::OutputError compare(const unsigned char* oldBytes, std::size_t oldSize,
                               const unsigned char* newBytes, std::size_t newSize) {
        for (std::size_t at = 0; at < newSize; at += sectorSize_) {
            const std::size_t length = std::min<std::size_t>(sectorSize_, newSize - at);
            const std::size_t shared = at < oldSize ? std::min(length, oldSize - at) : 0;
            const std::uint64_t offset = result_.newSize + at;
            ++result_.sectors;
            if (shared == length && std::memcmp(oldBytes + at, newBytes + at, length) == 0) {
                endRun(offset);
                continue;
            }
            ++result_.changedSectors;
            result_.bytesToProgram += length;
            if (!inRun_) {
                runBegin_ = offset;
                inRun_ = true;
            }
            if (files::OutputError failed = records_.write(offset, newBytes + at, length)) {
                return failed;
            }
        }
        result_.newSize += newSize;
        result_.oldSize += oldSize;
        return {};
    }
    // The run that reaches NEW's end, if one does.
    void finish() { endRun(result_.newSize); }

  private:
    void endRun(std::uint64_t end) {
        if (inRun_) {
            onRun_({runBegin_, end - runBegin_});
            inRun_ = false;
        }
    }

    DiffResult& result_;
    std::size_t sectorSize_;
    const std::function<void(SectorRun)>& onRun_;
    ChangedRecords& records_;
    bool inRun_ = false;
    std::uint64_t runBegin_ = 0;
};

DiffResult failed(DiffResult result, Status status, std::error_code error, std::string path) {
    result.status = status;
    result.error = error;
    result.path = std::move(path);
    return result;
}

// Whether the output `path` is one of the images read: the same name, or
// the same file by another name (a link).
bool replacesAnImage(const std::string& path, const std::vector<std::string>& imagePaths,
                     const std::vector<files::Identity>& images) {
    const std::string name = files::absolutePath(path);
    files::Status output;
    const bool exists = !files::statusOf(path, output);
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (files::absolutePath(imagePaths[i]) == name ||
            (exists && output.identity == images[i])) {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<std::string> sectorSizeProblem(std::uint64_t size) {
    if (!std::has_single_bit(size)) {
        return "a sector's size is a power of two";
    }
    if (size > kLargestSector) {
        return "sectors of more than 16 MiB are not taken";
    }
    return std::nullopt;
}

DiffResult diffImages(const std::string& oldPath, const std::string& newPath,
                      const DiffSettings& settings, const std::function<void(SectorRun)>& onRun,
                      const files::KeepGoing& keepGoing) {
    DiffResult result;
    files::Input oldInput, newInput;
    // Both must be regular files: a pipe may pause or end early (and would
    // compare as empty), a device may never end.
    std::uint64_t oldLength = 0, newLength = 0;
    if (auto error = openImage(oldPath, oldInput, oldLength)) {
        return failed(result, Status::OldUnreadable, error, oldPath);
    }
    if (auto error = openImage(newPath, newInput, newLength)) {
        return failed(result, Status::NewUnreadable, error, newPath);
    }
    // The records are written only once both images are read through, but
    // one of them taking an image's name would still replace it.
    files::Status oldStatus, newStatus;
    oldInput.status(oldStatus);
    newInput.status(newStatus);
    for (const std::string& path : {settings.ihex, settings.srec}) {
        if (!path.empty() &&
            replacesAnImage(path, {oldPath, newPath}, {oldStatus.identity, newStatus.identity})) {
            return failed(result, Status::OutputIsInput, {}, path);
        }
    }
    ChangedRecords records;
    if (!settings.ihex.empty() || !settings.srec.empty()) {
        files::Status status;
        if (!newInput.status(status) && !fitsAddressSpace(settings.base, status.size)) {
            result.newSize = status.size;
            return failed(result, Status::PastAddressSpace, {}, newPath);
        }
    }
    for (const auto& [path, format] : {std::pair{settings.ihex, HexFormat::IntelHex},
                                       std::pair{settings.srec, HexFormat::SRecord}}) {
        if (files::OutputError error = records.add(path, format, settings.base)) {
            return failed(result, Status::OutputFailed, error.error, error.path);
        }
    }
    const auto piece =
        static_cast<std::size_t>(std::max<std::uint64_t>(kChunk, settings.sectorSize));
    std::vector<unsigned char> oldBytes(piece), newBytes(piece);
    SectorComparison comparison(result, settings.sectorSize, onRun, records);
    bool oldEnded = false;
    // Both images are read once, the longer one to its end.
    const std::uint64_t total = std::max(oldLength, newLength);
    std::uint64_t done = 0;
    const auto stopped = [&] { return keepGoing && !keepGoing(std::min(done, total), total); };
    for (std::size_t newGot = piece; newGot == piece; done += piece) {
        if (stopped()) {
            return failed(result, Status::Stopped, {}, {});
        }
        if (auto error = readFull(newInput, newBytes.data(), piece, newGot)) {
            return failed(result, Status::NewUnreadable, error, newPath);
        }
        std::size_t oldGot = 0;
        if (!oldEnded) {
            if (auto error = readFull(oldInput, oldBytes.data(), newGot, oldGot)) {
                return failed(result, Status::OldUnreadable, error, oldPath);
            }
            oldEnded = oldGot < newGot;
        }
        if (files::OutputError error =
                comparison.compare(oldBytes.data(), oldGot, newBytes.data(), newGot)) {
            return failed(result, Status::OutputFailed, error.error, error.path);
        }
    }
    comparison.finish();
    // OLD's bytes past NEW's end are only counted.
    for (std::size_t oldGot = piece; !oldEnded && oldGot == piece; done += piece) {
        if (stopped()) {
            return failed(result, Status::Stopped, {}, {});
        }
        if (auto error = readFull(oldInput, oldBytes.data(), piece, oldGot)) {
            return failed(result, Status::OldUnreadable, error, oldPath);
        }
        result.oldSize += oldGot;
    }
    if (files::OutputError error = records.commit()) {
        return failed(result, Status::OutputFailed, error.error, error.path);
    }
    return result;
}

} // namespace zd::check
