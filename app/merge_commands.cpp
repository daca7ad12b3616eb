// Merge-save and view result.
#include "app/handlers.h"
#include "app/messages.h"
#include "core/image/image_writer.h"
#include "core/model/file_names.h"
#include "core/model/output_names.h"
#include "intake/file_intake.h"

namespace zd::app {
namespace {

// The window's progress display closes however the merge ends.
class ProgressScope {
  public:
    explicit ProgressScope(Port& port) : port_(port) {}
    ~ProgressScope() { port_.endMergeProgress(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

  private:
    Port& port_;
};

std::string failureText(const MergeResult& result) {
    switch (result.status) {
    case MergeStatus::Ok:
        break;
    case MergeStatus::OutputIsInput:
    case MergeStatus::ListIsInput:
        return text::outputIsInput(result.path);
    case MergeStatus::InputUnreadable:
        return text::inputUnreadable(result.path);
    case MergeStatus::InputSizeChanged:
        return text::inputSizeChanged(result.path, result.expected, result.actual);
    case MergeStatus::InputSizeUnknown:
        return text::inputSizeUnknown(result.path);
    case MergeStatus::NameNotListable:
        return text::nameNotListable(printableName(result.path));
    case MergeStatus::FolderNotWritable:
        return text::folderNotWritable(result.path);
    case MergeStatus::CompanionFailed:
        return text::companionFailed(result.path);
    case MergeStatus::LayoutTooLarge:
        return text::layoutTooLarge(result.path);
    case MergeStatus::ImageCreateFailed:
        return text::kImageCreateFailed;
    case MergeStatus::ImageWriteFailed:
        return text::kImageWriteFailed;
    case MergeStatus::ListWriteFailed:
        return text::kListWriteFailed;
    case MergeStatus::Stopped:
        return text::kMergeStopped;
    }
    return {};
}

std::string reportText(const OutputPaths& paths, bool withInfoTable, const MergeResult& result) {
    std::string report = text::kMergeOkHeader + paths.imagePath + "\n" + paths.listPath;
    if (withInfoTable) {
        report += result.infoTableLeftOut ? text::kNoteTableMissing : text::kNoteTableWritten;
    }
    return report;
}

} // namespace

void mergeSave(Context c) {
    const ButtonLock lock(c.port, cmd::MergeSave);
    const bool withInfoTable = c.state.fileInfo; // as the box stood when the command began
    const std::optional<std::string> confirmed =
        c.port.chooseFileToSave({text::kSaveTitle, {text::binFilter()}, false});
    if (!confirmed) {
        return;
    }
    const std::optional<OutputPaths> paths = outputPathsFor(*confirmed);
    if (!paths) {
        // A path without a file name names no image.
        c.state.outputFolder = folderOf(*confirmed);
        c.port.showMessage(text::kImageCreateFailed, text::kNotice, Icon::Error, Buttons::Ok);
        return;
    }
    // Set before any check, so view result finds the folder of a failed save too.
    c.state.outputFolder = paths->saveFolder;

    MergeResult result;
    {
        const ProgressScope progress(c.port);
        result = mergeImage(c.state.list, withInfoTable, *paths,
                            [&c](std::uint64_t done, std::uint64_t total) {
                                return c.port.reportMergeProgress(done, total);
                            });
    }
    if (!result.ok()) {
        const Icon icon = result.status == MergeStatus::Stopped ? Icon::Information : Icon::Error;
        c.port.showMessage(failureText(result), text::kNotice, icon, Buttons::Ok);
        return;
    }
    c.port.showMessage(reportText(*paths, withInfoTable, result), text::kNotice, Icon::Information,
                       Buttons::Ok);
}

void viewResult(Context c) {
    if (c.state.outputFolder.empty()) {
        c.port.showMessage(text::kNoOutputFolder, text::kNotice, Icon::Information, Buttons::Ok);
        return;
    }
    c.port.openFolder(c.state.outputFolder);
}

} // namespace zd::app
