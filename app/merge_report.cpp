#include "app/merge_report.h"

#include "app/messages.h"
#include "core/model/file_names.h"

namespace zd::app {
namespace {

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

} // namespace

MergeReport mergeReport(const MergeResult& result, const OutputPaths& paths, bool withInfoTable) {
    if (!result.ok()) {
        // A stop was the user's own wish, not a fault.
        const Icon icon = result.status == MergeStatus::Stopped ? Icon::Information : Icon::Error;
        return {failureText(result), icon};
    }
    std::string report = text::kMergeOkHeader + paths.imagePath + "\n" + paths.listPath;
    if (withInfoTable) {
        report += result.infoTableLeftOut ? text::kNoteTableMissing : text::kNoteTableWritten;
    }
    return {report, Icon::Information};
}

} // namespace zd::app
