#include "core/image/image_writer.h"

#include "core/files/file_layer.h"
#include "core/files/file_reading.h"
#include "core/files/input_batch.h"
#include "core/files/output_set.h"
#include "core/image/checksum_copy.h"
#include "core/image/crc32.h"
#include "core/image/info_table.h"
#include "core/model/file_names.h"
#include "core/model/list_file.h"

#include <algorithm>
#include <numeric>
#include <optional>

namespace zd {
namespace {

constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;

MergeResult failure(MergeStatus status, std::string path, std::error_code error = {}) {
    MergeResult result;
    result.status = status;
    result.path = std::move(path);
    result.error = error;
    return result;
}

// An input that an output would replace; `output` names that output.
MergeResult replacedInput(MergeStatus status, const std::string& input, const std::string& output) {
    MergeResult result = failure(status, input);
    result.output = output;
    return result;
}

MergeResult sizeFailure(MergeStatus status, const Entry& entry, std::uint64_t found) {
    MergeResult result = failure(status, entry.path);
    result.expected = entry.size;
    result.actual = found;
    return result;
}

// A failure to create or put in place an output: the folder's, or the
// output's own under `status`.
MergeResult outputFailure(const files::OutputError& failed, MergeStatus status) {
    return failure(failed.folderAtFault ? MergeStatus::FolderNotWritable : status, failed.path,
                   failed.error);
}

// Every output by name, made absolute as the inputs are, and as given.
struct OutputNames {
    std::string image, list;
    std::vector<std::string> companions;
};

OutputNames outputNamesOf(const OutputPaths& paths, const std::vector<Companion>& companions) {
    const auto absolute = [](const std::string& path) {
        return path.empty() ? path : files::absolutePath(path);
    };
    OutputNames names{absolute(paths.imagePath), absolute(paths.listPath), {}};
    for (const Companion& companion : companions) {
        names.companions.push_back(absolute(companion.path));
    }
    return names;
}

// The output named `read` (absolute), a file the merge reads, would replace.
MergeResult replacedByName(const std::string& read, const OutputNames& names,
                           const OutputPaths& paths, const std::vector<Companion>& companions) {
    if (!names.image.empty() && read == names.image) {
        return replacedInput(MergeStatus::OutputIsInput, read, paths.imagePath);
    }
    if (!names.list.empty() && read == names.list) {
        return replacedInput(MergeStatus::ListIsInput, read, paths.listPath);
    }
    for (std::size_t i = 0; i < companions.size(); ++i) {
        if (read == names.companions[i]) {
            return replacedInput(MergeStatus::OutputIsInput, read, companions[i].path);
        }
    }
    return {};
}

// The checks that need no file: no file the merge reads (an input, or one
// of `filesRead`) named as an output, every name one the list file can
// carry, every row addressable in 32 bits (an image may end at 4 GiB
// exactly, but no row may start there).
MergeResult checkList(const EntryList& list, const OutputPaths& paths,
                      const MergeOptions& options) {
    const OutputNames names = outputNamesOf(paths, options.companions);
    for (const std::string& read : options.filesRead) {
        if (MergeResult replaced =
                replacedByName(files::absolutePath(read), names, paths, options.companions);
            !replaced.ok()) {
            replaced.path = read;
            return replaced;
        }
    }
    std::uint64_t address = list.frontOffset();
    for (const Entry& entry : list.entries()) {
        if (MergeResult replaced = replacedByName(entry.path, names, paths, options.companions);
            !replaced.ok()) {
            return replaced;
        }
        if (!listFileCanCarry(entry.path)) {
            return failure(MergeStatus::NameNotListable, entry.path);
        }
        // A placed row lies where it was placed; otherwise the sum runs on
        // in 64 bits, where the row's 32-bit address would have wrapped.
        address = list.isPlaced() ? entry.address : alignedUp(address, list.alignment());
        if (address >= kFourGiB || address + entry.size > kFourGiB) {
            return failure(MergeStatus::LayoutTooLarge, entry.path);
        }
        address += entry.size;
    }
    return {};
}

// The rows' indexes in the order their bytes lie in the image: row order
// for a list laid out back to back, whose rows never go down; a placed
// layout's rows (which never overlap) sorted, empty ones first.
std::vector<std::size_t> addressOrder(const EntryList& list) {
    std::vector<std::size_t> order(list.entries().size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (list.isPlaced()) {
        const std::vector<Entry>& rows = list.entries();
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return std::pair(rows[a].address, rows[a].size) <
                   std::pair(rows[b].address, rows[b].size);
        });
    }
    return order;
}

// The streamed companions: each sees every byte of the image, in order. The
// first error stops them all and is kept, naming its companion.
class Streams {
  public:
    void add(ImageStream& stream, const std::string& path) { streams_.push_back({&stream, &path}); }
    bool empty() const { return streams_.empty(); }
    void write(const void* data, std::size_t size) {
        for (const Stream& stream : streams_) {
            if (!failed()) {
                note(stream.stream->write(data, size), stream);
            }
        }
    }
    void fill(unsigned char byte, std::uint64_t count) {
        for (const Stream& stream : streams_) {
            if (!failed()) {
                note(stream.stream->fill(byte, count), stream);
            }
        }
    }
    bool failed() const { return !failure_.ok(); }
    const MergeResult& failure() const { return failure_; }

  private:
    struct Stream {
        ImageStream* stream;
        const std::string* path;
    };
    void note(std::error_code error, const Stream& stream) {
        if (error) {
            failure_ = zd::failure(MergeStatus::CompanionFailed, *stream.path, error);
        }
    }
    std::vector<Stream> streams_;
    MergeResult failure_;
};

struct Outputs {
    files::OutputFile* image = nullptr;
    files::OutputFile* list = nullptr;
    std::vector<files::OutputFile*> companions;
};

// What the outputs replace, to tell an input that is one of them by another
// name (a link).
struct EarlierOutputs {
    std::optional<files::Identity> image;
    std::optional<files::Identity> list;
    std::vector<std::optional<files::Identity>> companions;
    std::string imagePath;
    std::string listPath;
    std::vector<std::string> companionPaths;
};

// The output that would replace the file `path`, of `identity`, which the
// merge reads: the same file by another name (a link).
MergeResult replacedByIdentity(const files::Identity& identity, const std::string& path,
                               const EarlierOutputs& earlier) {
    if (earlier.list == identity) {
        return replacedInput(MergeStatus::ListIsInput, path, earlier.listPath);
    }
    for (std::size_t i = 0; i < earlier.companions.size(); ++i) {
        if (earlier.companions[i] == identity) {
            return replacedInput(MergeStatus::OutputIsInput, path, earlier.companionPaths[i]);
        }
    }
    if (earlier.image == identity) {
        return replacedInput(MergeStatus::OutputIsInput, path, earlier.imagePath);
    }
    return {};
}

// The files read besides the inputs, each by its identity now (one gone
// since it was read is no longer anything an output could replace).
MergeResult checkFilesRead(const std::vector<std::string>& filesRead,
                           const EarlierOutputs& earlier) {
    for (const std::string& read : filesRead) {
        files::Status info;
        if (files::statusOf(read, info)) {
            continue;
        }
        if (MergeResult replaced = replacedByIdentity(info.identity, read, earlier);
            !replaced.ok()) {
            return replaced;
        }
    }
    return {};
}

// A companion whose earlier file, not empty, is not of its kind: no output
// may replace it. A file that cannot be read here is left to the output
// set, which refuses what it cannot replace.
MergeResult checkEarlierKinds(const std::vector<Companion>& companions) {
    constexpr std::size_t kHeadBytes = 4096; // enough to tell a file's kind
    for (const Companion& companion : companions) {
        std::string head;
        if (!companion.replaces ||
            files::readPieces(companion.path, [&head](std::string_view piece) {
                head.append(piece.substr(0, kHeadBytes - head.size()));
                return head.size() < kHeadBytes;
            })) {
            continue;
        }
        if (!head.empty() && !companion.replaces(head)) {
            return failure(MergeStatus::ForeignOutput, companion.path);
        }
    }
    return {};
}

// Opens one input without waiting and checks on the open descriptor that it
// is still a regular file of its listed size and none of the outputs.
MergeResult openInput(files::Input& input, const Entry& entry, const EarlierOutputs& earlier) {
    files::Status info;
    if (auto error = files::openRegular(entry.path, input, info)) {
        return failure(MergeStatus::InputUnreadable, entry.path, error);
    }
    if (MergeResult replaced = replacedByIdentity(info.identity, entry.path, earlier);
        !replaced.ok()) {
        return replaced;
    }
    if (info.size != entry.size) {
        return sizeFailure(MergeStatus::InputSizeChanged, entry, info.size);
    }
    return {};
}

// Appends exactly the input's listed size to the image. With streams,
// through plain reads and writes, each piece shown to them (and summed with
// `checksums`) between the two; else with `checksums` summed in place;
// else a small input through the batch, a larger one (the batch written
// first) by the kernel. With `checksums` its CRC-32 goes into `crc`.
MergeResult appendInput(const Outputs& outputs, files::InputBatch& batch, Streams& streams,
                        const EarlierOutputs& earlier, const Entry& entry, std::uint64_t done,
                        std::uint64_t total, const files::KeepGoing& progress, bool checksums,
                        std::uint32_t& crc) {
    files::Input input;
    if (MergeResult opened = openInput(input, entry, earlier); !opened.ok()) {
        return opened;
    }
    files::CopyResult copy;
    const auto onChunk = [&](std::uint64_t soFar) {
        return !streams.failed() && (!progress || progress(done + soFar, total));
    };
    std::error_code writeError;
    if (!streams.empty()) {
        Crc32 sum;
        writeError = outputs.image->appendByReading(
            input, entry.size, copy, onChunk, [&](const unsigned char* bytes, std::size_t size) {
                if (checksums) {
                    sum.update(bytes, size);
                }
                streams.write(bytes, size);
            });
        crc = sum.value();
    } else if (checksums) {
        writeError = appendSummed(input, *outputs.image, entry.size, copy, onChunk, crc);
    } else if (files::InputBatch::takes(entry.size)) {
        writeError = batch.take(input, entry.size, *outputs.image, copy);
    } else if (!(writeError = batch.flushTo(*outputs.image))) {
        writeError = outputs.image->appendFrom(input, entry.size, copy, onChunk);
    }
    if (streams.failed()) {
        return streams.failure();
    }
    // Exactly the layer's own stop: a system's "cancelled" (Win32's
    // ERROR_OPERATION_ABORTED compares equal to the condition) is a failure.
    if (writeError == std::make_error_code(std::errc::operation_canceled)) {
        return failure(MergeStatus::Stopped, entry.path);
    }
    if (writeError) {
        return failure(MergeStatus::ImageWriteFailed, outputs.image->target(), writeError);
    }
    if (copy.readError) {
        return failure(MergeStatus::InputUnreadable, entry.path, copy.readError);
    }
    if (copy.more || copy.copied != entry.size) {
        // A file that changed since it was opened reports its new length; a
        // file whose reported length is not what it holds cannot be merged.
        files::Status now;
        if (!input.status(now) && now.size == entry.size) {
            return sizeFailure(MergeStatus::InputSizeUnknown, entry, copy.copied);
        }
        return sizeFailure(MergeStatus::InputSizeChanged, entry, now.size);
    }
    return {};
}

// What each output of the set replaces.
EarlierOutputs earlierOf(const Outputs& outputs) {
    EarlierOutputs earlier{outputs.image->earlier(), outputs.list->earlier(), {},
                           outputs.image->target(),  outputs.list->target(),  {}};
    for (const files::OutputFile* companion : outputs.companions) {
        earlier.companions.push_back(companion->earlier());
        earlier.companionPaths.push_back(companion->target());
    }
    return earlier;
}

// Every output's target is checked, and its temporary made, before any
// input is read, so that a read-only list file stops the merge at once.
MergeResult openOutputs(files::OutputSet& set, const OutputPaths& paths,
                        const std::vector<Companion>& companions, Outputs& outputs) {
    if (auto failed = set.add(paths.imagePath, outputs.image)) {
        return outputFailure(failed, MergeStatus::ImageCreateFailed);
    }
    if (auto failed = set.add(paths.listPath, outputs.list)) {
        return outputFailure(failed, MergeStatus::ListWriteFailed);
    }
    for (const Companion& companion : companions) {
        files::OutputFile* file = nullptr;
        if (auto failed = set.add(companion.path, file)) {
            return outputFailure(failed, MergeStatus::CompanionFailed);
        }
        outputs.companions.push_back(file);
    }
    return {};
}

// Fills large enough for few system calls, small enough that a stop is
// seen soon in a large front area or padding.
constexpr std::uint64_t kFillPiece = std::uint64_t{1} << 20;

// `count` filler bytes into the image (after what `batch` holds) and the
// streams from `done` on, in pieces, asking `progress` after each (once
// when there are none).
MergeResult fillImage(files::OutputFile& image, files::InputBatch& batch, Streams& streams,
                      unsigned char byte, std::uint64_t count, std::uint64_t& done,
                      std::uint64_t total, const files::KeepGoing& progress) {
    do {
        const std::uint64_t piece = std::min(count, kFillPiece);
        if (auto error = batch.fill(byte, piece, image)) {
            return failure(MergeStatus::ImageWriteFailed, image.target(), error);
        }
        streams.fill(byte, piece);
        if (streams.failed()) {
            return streams.failure();
        }
        done += piece;
        count -= piece;
        if (progress && !progress(done, total)) {
            return failure(MergeStatus::Stopped, image.target());
        }
    } while (count > 0);
    return {};
}

// The settings the image's bytes are written with.
struct ImageSettings {
    bool writeTable = false;
    std::uint64_t total = 0; // the image's length, padding included
    bool checksums = false;
    unsigned char fill = 0xFF;
};

// The image's CRC-32 so far, kept only when checksums are asked for.
class ImageCrc {
  public:
    explicit ImageCrc(bool wanted) : wanted_(wanted) {}
    void addFill(unsigned char byte, std::uint64_t count) {
        if (wanted_) {
            Crc32 run;
            run.updateFill(byte, count);
            add(run.value(), count);
        }
    }
    void add(std::uint32_t crc, std::uint64_t count) {
        if (wanted_) {
            value_ = crc32Combine(value_, crc, count);
        }
    }
    std::uint32_t value() const { return value_; }

  private:
    bool wanted_;
    std::uint32_t value_ = Crc32{}.value();
};

// The front area (the table, when it is written, then filler), every input
// at its address after the filler of its gap, then the padding up to the
// total, each byte to the image and the streams. With checksums the CRCs of
// the rows and of the image are kept in `merged`.
MergeResult writeImage(const Outputs& outputs, const EarlierOutputs& earlier, Streams& streams,
                       const EntryList& list, const ImageSettings& settings,
                       const files::KeepGoing& progress, MergedImage& merged) {
    files::OutputFile& image = *outputs.image;
    const std::uint64_t total = settings.total;
    ImageCrc crc(settings.checksums);
    if (settings.checksums) {
        merged.rowCrcs.resize(list.entries().size());
    }
    files::InputBatch batch;
    std::uint64_t done = 0;
    if (settings.writeTable) {
        const std::string table = infoTableBytes(list);
        if (auto error = image.write(table)) {
            return failure(MergeStatus::ImageWriteFailed, image.target(), error);
        }
        streams.write(table.data(), table.size());
        Crc32 tableCrc;
        tableCrc.update(table);
        crc.add(tableCrc.value(), table.size());
        done = table.size();
    }
    crc.addFill(settings.fill, list.frontOffset() - done);
    if (MergeResult filled = fillImage(image, batch, streams, settings.fill,
                                       list.frontOffset() - done, done, total, progress);
        !filled.ok()) {
        return filled;
    }
    // In address order, the filler before each; a kept layout lists rows
    // in another order (whose CRCs stay in row order).
    for (const std::size_t row : addressOrder(list)) {
        const Entry& entry = list.entries()[row];
        if (const std::uint64_t gap = entry.address - done; entry.address > done) {
            crc.addFill(settings.fill, gap);
            if (MergeResult filled =
                    fillImage(image, batch, streams, settings.fill, gap, done, total, progress);
                !filled.ok()) {
                return filled;
            }
        }
        std::uint32_t rowCrc = 0;
        if (MergeResult appended = appendInput(outputs, batch, streams, earlier, entry, done, total,
                                               progress, settings.checksums, rowCrc);
            !appended.ok()) {
            return appended;
        }
        if (settings.checksums) {
            merged.rowCrcs[row] = rowCrc;
            crc.add(rowCrc, entry.size);
        }
        done += entry.size;
        if (progress && !progress(done, total)) {
            return failure(MergeStatus::Stopped, entry.path);
        }
    }
    if (auto error = batch.flushTo(image)) {
        return failure(MergeStatus::ImageWriteFailed, image.target(), error);
    }
    crc.addFill(settings.fill, total - done);
    merged.crc = crc.value();
    return fillImage(image, batch, streams, settings.fill, total - done, done, total, progress);
}

// The piece each input is read in while its CRC-32 is taken alone.
constexpr std::size_t kSumPiece = std::size_t{1} << 20;

} // namespace

MergeResult sumInputs(const EntryList& list, const files::KeepGoing& progress,
                      std::vector<std::uint32_t>& crcs) {
    std::uint64_t total = 0;
    for (const Entry& entry : list.entries()) {
        total += entry.size;
    }
    std::vector<unsigned char> buffer(kSumPiece);
    const EarlierOutputs noOutputs;
    std::uint64_t done = 0;
    for (const Entry& entry : list.entries()) {
        files::Input input;
        if (MergeResult opened = openInput(input, entry, noOutputs); !opened.ok()) {
            return opened;
        }
        Crc32 crc;
        std::uint64_t length = 0;
        for (std::size_t got = 1; got != 0; length += got) {
            if (progress && !progress(std::min(done + length, total), total)) {
                return failure(MergeStatus::Stopped, entry.path);
            }
            if (auto error = input.read(buffer.data(), buffer.size(), got)) {
                return failure(MergeStatus::InputUnreadable, entry.path, error);
            }
            crc.update(buffer.data(), got);
        }
        // Sizes were checked on the open files: what reads otherwise (files
        // of /proc or /sys) has no length an image could hold.
        if (length != entry.size) {
            return sizeFailure(MergeStatus::InputSizeUnknown, entry, length);
        }
        done += length;
        crcs.push_back(crc.value());
    }
    return {};
}

MergeResult writeCompanions(const MergeOptions& options, const MergedImage& image) {
    files::OutputSet set(options.durable);
    std::vector<files::OutputFile*> outputs;
    for (const Companion& companion : options.companions) {
        files::OutputFile* out = nullptr;
        if (auto failed = set.add(companion.path, out)) {
            return outputFailure(failed, MergeStatus::CompanionFailed);
        }
        outputs.push_back(out);
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const Companion& companion = options.companions[i];
        // A streamed companion is made of the image's bytes, which there are none of.
        const std::error_code error = companion.write
                                          ? companion.write(*outputs[i], image)
                                          : std::make_error_code(std::errc::not_supported);
        if (error) {
            return failure(MergeStatus::CompanionFailed, companion.path, error);
        }
    }
    if (auto failed = set.commit()) {
        return outputFailure(failed, MergeStatus::CompanionFailed);
    }
    return {};
}

std::uint64_t paddedSize(const EntryList& list, std::uint64_t padTo) {
    return std::max(list.layoutEnd(), padTo);
}

MergeResult mergeImage(const EntryList& list, bool withInfoTable, const OutputPaths& paths,
                       const files::KeepGoing& progress, const MergeOptions& options) {
    if (MergeResult checked = checkList(list, paths, options); !checked.ok()) {
        return checked;
    }
    const std::uint64_t total = paddedSize(list, options.padTo);
    const bool writeTable =
        withInfoTable && infoTableFits(list.frontOffset(), list.entries().size());
    files::OutputSet set(options.durable);
    Outputs outputs;
    if (MergeResult opened = openOutputs(set, paths, options.companions, outputs); !opened.ok()) {
        return opened;
    }
    const EarlierOutputs earlier = earlierOf(outputs);
    if (MergeResult replaced = checkFilesRead(options.filesRead, earlier); !replaced.ok()) {
        return replaced;
    }
    if (MergeResult foreign = checkEarlierKinds(options.companions); !foreign.ok()) {
        return foreign;
    }
    const std::vector<Companion>& companions = options.companions;
    std::vector<std::unique_ptr<ImageStream>> streamed(companions.size());
    Streams streams;
    for (std::size_t i = 0; i < companions.size(); ++i) {
        if (companions[i].stream) {
            streamed[i] = companions[i].stream(*outputs.companions[i]);
            streams.add(*streamed[i], companions[i].path);
        }
    }
    const std::string listText =
        options.listFolder.empty() ? listFileText(list) : listFileText(list, options.listFolder);
    if (auto error = outputs.list->write(listText)) {
        return failure(MergeStatus::ListWriteFailed, paths.listPath, error);
    }
    MergedImage merged{outputs.image, total, writeTable, {}, 0};
    if (MergeResult written =
            writeImage(outputs, earlier, streams, list,
                       {writeTable, total, options.checksums, options.fill}, progress, merged);
        !written.ok()) {
        return written;
    }
    for (std::size_t i = 0; i < companions.size(); ++i) {
        const std::error_code error = streamed[i]
                                          ? streamed[i]->finish()
                                          : companions[i].write(*outputs.companions[i], merged);
        if (error) {
            return failure(MergeStatus::CompanionFailed, companions[i].path, error);
        }
    }
    // The companions' ends and the flush take time of their own: a stop asked
    // meanwhile is seen before anything is put in place.
    if (auto failed = set.commit([&] { return !progress || progress(total, total); })) {
        if (failed.error == std::make_error_code(std::errc::operation_canceled)) {
            return failure(MergeStatus::Stopped, paths.imagePath);
        }
        const MergeStatus status = failed.path == paths.imagePath  ? MergeStatus::ImageWriteFailed
                                   : failed.path == paths.listPath ? MergeStatus::ListWriteFailed
                                                                   : MergeStatus::CompanionFailed;
        return failure(status, failed.path, failed.error);
    }
    MergeResult result;
    result.infoTableWritten = writeTable;
    result.infoTableLeftOut = withInfoTable && !writeTable && !list.empty();
    return result;
}

MergeResult checkMergeImage(const EntryList& list, const OutputPaths& paths,
                            const MergeOptions& options) {
    if (MergeResult checked = checkList(list, paths, options); !checked.ok()) {
        return checked;
    }
    const auto identityOf = [](const std::string& path) -> std::optional<files::Identity> {
        files::Status status;
        if (path.empty() || files::statusOf(path, status)) {
            return std::nullopt;
        }
        return status.identity;
    };
    EarlierOutputs earlier{identityOf(paths.imagePath),
                           identityOf(paths.listPath),
                           {},
                           paths.imagePath,
                           paths.listPath,
                           {}};
    for (const Companion& companion : options.companions) {
        earlier.companions.push_back(identityOf(companion.path));
        earlier.companionPaths.push_back(companion.path);
    }
    if (MergeResult replaced = checkFilesRead(options.filesRead, earlier); !replaced.ok()) {
        return replaced;
    }
    if (MergeResult foreign = checkEarlierKinds(options.companions); !foreign.ok()) {
        return foreign;
    }
    for (const Entry& entry : list.entries()) {
        files::Input input;
        if (MergeResult opened = openInput(input, entry, earlier); !opened.ok()) {
            return opened;
        }
    }
    return {};
}

} // namespace zd
