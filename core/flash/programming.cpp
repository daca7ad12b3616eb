#include "core/flash/programming.h"

#include "core/files/file_layer.h"
#include "core/files/file_reading.h"
#include "core/files/scratch_folder.h"
#include "core/firmware/flashrom_layout.h"
#include "core/flash/chip_files.h"

#include <algorithm>
#include <numeric>

namespace zd::flash {
namespace {

using Status = FlashResult::Status;

// One programming run: the request, flashrom, and the files made for it.
class Session {
  public:
    Session(const FlashRequest& request, const FlashromRunner& flashrom, FlashObserver& observer,
            const files::KeepGoing& keepGoing)
        : request_(request), flashrom_(flashrom), observer_(observer), keepGoing_(keepGoing) {}

    FlashResult run();

  private:
    bool stopped() const { return keepGoing_ && !keepGoing_(0, 0); }
    FlashResult& fail(Status status, std::string path = {}, std::error_code error = {}) {
        result_.status = status;
        result_.path = std::move(path);
        result_.error = error;
        return result_;
    }
    // Whether flashrom was stopped or could not start; the result says which.
    bool didNotRun(const FlashromEnd& end) {
        if (end.how == FlashromEnd::How::Exited) {
            return false;
        }
        fail(end.how == FlashromEnd::How::Stopped ? Status::Stopped : Status::CannotStart, {},
             end.error);
        return true;
    }
    bool checkInputs();
    bool probe();
    bool diffPrevious();
    bool makeFiles();
    bool write(const std::vector<FlashRegion>& regions, bool withReference);
    bool readBack();
    // flashrom on `args` after -p and -c, its output read by `reader`.
    FlashromEnd flashrom(std::vector<std::string> args, RunReader& reader);

    const FlashRequest& request_;
    const FlashromRunner& flashrom_;
    FlashObserver& observer_;
    const files::KeepGoing& keepGoing_;
    FlashResult result_;
    std::uint64_t previousSize_ = 0;
    std::vector<FlashRegion> changed_; // with a previous image, the regions to write
    files::ScratchFolder scratch_;
};

bool Session::checkInputs() {
    for (const std::string* path : {&request_.image, &request_.previous}) {
        if (path->empty()) {
            continue;
        }
        files::Input input;
        files::Status status;
        if (const std::error_code error = files::openRegular(*path, input, status)) {
            fail(Status::Unreadable, *path, error);
            return false;
        }
        (path == &request_.image ? result_.target.size : previousSize_) = status.size;
    }
    if (result_.target.size == 0) {
        fail(Status::ImageEmpty, request_.image);
        return false;
    }
    return true;
}

bool Session::probe() {
    std::vector<std::string> args{"-p", request_.programmer};
    if (!request_.chip.empty()) {
        args.insert(args.end(), {"-c", request_.chip});
    }
    args.push_back("--flash-size");
    std::string text;
    const FlashromEnd end = flashrom_(
        args, [&text](std::string_view piece) { text += piece; }, keepGoing_);
    if (didNotRun(end)) {
        return false;
    }
    ProbeReport report = readProbe(text);
    if (report.chips.size() > 1) {
        result_.chips = std::move(report.chips);
        fail(Status::SeveralChips);
        return false;
    }
    if (end.status != 0 || report.size == 0) {
        result_.said = std::move(report.said);
        fail(report.noChip ? Status::NoChip : Status::Refused);
        return false;
    }
    FlashTarget& target = result_.target;
    target.chip =
        request_.chip.empty() && !report.chips.empty() ? report.chips.front() : request_.chip;
    target.chipSize = report.size;
    target.at = request_.at;
    if (target.at > target.chipSize || target.size > target.chipSize - target.at) {
        fail(Status::DoesNotFit);
        return false;
    }
    observer_.found(target);
    return true;
}

bool Session::diffPrevious() {
    std::vector<check::SectorRun> runs;
    const check::DiffResult diff = check::diffImages(
        request_.previous, request_.image, {.sectorSize = kSectorBytes},
        [&runs](check::SectorRun run) { runs.push_back(run); }, keepGoing_);
    if (diff.status == check::DiffResult::Status::Stopped) {
        fail(Status::Stopped);
        return false;
    }
    if (!diff.ok()) {
        const bool old = diff.status == check::DiffResult::Status::OldUnreadable;
        fail(Status::Unreadable, old ? request_.previous : request_.image, diff.error);
        return false;
    }
    observer_.changes(runs, diff);
    changed_ = changedRegions(request_.at, runs);
    return true;
}

// The layouts, the image at its place in a file of the chip's size, and
// the previous image likewise; the range's bytes past the previous image's
// end are the image's inverted, so that flashrom writes them whatever the
// chip holds there.
bool Session::makeFiles() {
    const FlashTarget& target = result_.target;
    std::error_code error = scratch_.make();
    const auto layout = [this, &error](const char* name, const std::vector<FlashRegion>& regions) {
        files::Output out;
        if (!error && !(error = out.createNew(scratch_.pathOf(name)))) {
            const std::string text = flashromLayoutText(regions);
            error = out.write(text.data(), text.size());
            const std::error_code closed = out.close();
            error = error ? error : closed;
        }
    };
    layout("range.layout", {{"IMAGE", target.at, target.size}});
    layout("changed.layout", changed_);
    ChipFileResult chipFile{error, {}};
    if (!chipFile.error) {
        chipFile = writeChipFile(scratch_.pathOf("image.bin"), target.chipSize, target.at,
                                 {{request_.image, 0, target.size}});
    }
    if (!chipFile.error && !request_.previous.empty()) {
        const std::uint64_t kept = std::min(previousSize_, target.size);
        chipFile = writeChipFile(
            scratch_.pathOf("previous.bin"), target.chipSize, target.at,
            {{request_.previous, 0, kept}, {request_.image, kept, target.size - kept, true}});
    }
    if (chipFile.error) {
        // An image that changed since it was checked is named; otherwise
        // the scratch folder could not hold the files.
        const bool image = !chipFile.unreadable.empty();
        fail(image ? Status::Unreadable : Status::ScratchFailed,
             image ? chipFile.unreadable : scratch_.path(), chipFile.error);
        return false;
    }
    return true;
}

FlashromEnd Session::flashrom(std::vector<std::string> args, RunReader& reader) {
    args.insert(args.begin(), {"-p", request_.programmer, "-c", result_.target.chip});
    return flashrom_(
        args, [&reader](std::string_view text) { reader.feed(text); }, keepGoing_);
}

bool Session::write(const std::vector<FlashRegion>& regions, bool withReference) {
    std::vector<std::string> args{
        "-V", "-N", "-l", scratch_.pathOf(withReference ? "changed.layout" : "range.layout")};
    for (const FlashRegion& region : regions) {
        args.insert(args.end(), {"-i", region.name});
    }
    args.insert(args.end(), {"-w", scratch_.pathOf("image.bin")});
    if (withReference) {
        args.insert(args.end(), {"--flash-contents", scratch_.pathOf("previous.bin")});
    }
    RunReader reader([this](Stage stage) { observer_.stage(stage); });
    result_.touched = true;
    const FlashromEnd end = flashrom(args, reader);
    if (didNotRun(end)) {
        return false;
    }
    if (end.status != 0) {
        result_.said = reader.said();
        fail(Status::WriteFailed);
        return false;
    }
    result_.touched = false;
    observer_.wrote(reader.blocks(), reader.unchanged());
    return true;
}

bool Session::readBack() {
    const std::string range = scratch_.pathOf("range.bin");
    RunReader reader([this](Stage stage) { observer_.stage(stage); });
    const FlashromEnd end = flashrom({"-l", scratch_.pathOf("range.layout"), "-i", "IMAGE:" + range,
                                      "-r", scratch_.pathOf("chip.bin")},
                                     reader);
    if (didNotRun(end)) {
        return false;
    }
    if (end.status != 0) {
        result_.said = reader.said();
        fail(Status::ReadFailed);
        return false;
    }
    const check::DiffResult diff = check::diffImages(
        range, request_.image, {.sectorSize = kSectorBytes}, [](check::SectorRun) {}, keepGoing_);
    if (!diff.ok()) {
        fail(diff.status == check::DiffResult::Status::Stopped ? Status::Stopped
                                                               : Status::ReadFailed,
             diff.path, diff.error);
        return false;
    }
    result_.sectors = diff.changedSectors + (diff.oldSize != diff.newSize);
    return true;
}

FlashResult Session::run() {
    if (stopped()) {
        fail(Status::Stopped);
        return result_;
    }
    if (!checkInputs() || !probe()) {
        return result_;
    }
    const bool withReference = !request_.previous.empty();
    const FlashTarget& target = result_.target;
    if ((withReference && !diffPrevious()) || !makeFiles()) {
        return result_;
    }
    const std::vector<FlashRegion> whole{{"IMAGE", target.at, target.size}};
    if (!withReference || !changed_.empty()) {
        if (!write(withReference ? changed_ : whole, withReference)) {
            return result_;
        }
    }
    if (!request_.verify) {
        return result_;
    }
    if (!readBack()) {
        return result_;
    }
    if (result_.sectors != 0 && withReference) {
        observer_.mending(result_.sectors);
        if (!write(whole, false) || !readBack()) {
            return result_;
        }
    }
    if (result_.sectors != 0) {
        fail(Status::Differs);
        return result_;
    }
    result_.readBack = true;
    return result_;
}

} // namespace

FlashResult programChip(const FlashRequest& request, const FlashromRunner& flashrom,
                        FlashObserver& observer, const files::KeepGoing& keepGoing) {
    return Session(request, flashrom, observer, keepGoing).run();
}

} // namespace zd::flash
