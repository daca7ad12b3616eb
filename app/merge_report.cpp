#include "app/merge_report.h"

#include "app/messages.h"
#include "core/model/file_names.h"

namespace zd::app {
namespace {

std::string failureText(const MergeResult& result, const MergeRequest& request) {
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
    case MergeStatus::NameIsStream:
        return text::outputNamesStream(result.path);
    case MergeStatus::ForeignOutput:
        return text::foreignOutput(result.path);
    case MergeStatus::DepfileCannotName:
        return text::depfileCannotName(result.path);
    case MergeStatus::LargerThanFlash:
        return text::largerThanFlash(result.imageSize, request.flashSize);
    case MergeStatus::PastAddressSpace:
        return text::pastAddressSpace(result.imageSize, request.base);
    }
    return {};
}

} // namespace

MergeReport failureReport(const MergeResult& result, const MergeRequest& request) {
    const Icon icon = result.status == MergeStatus::Stopped ? Icon::Information : Icon::Error;
    return {failureText(result, request), icon};
}

MergeReport mergeReport(const MergeResult& result, const MergeRequest& request) {
    if (!result.ok()) {
        return failureReport(result, request);
    }
    std::string report =
        text::kMergeOkHeader + request.image.imagePath + "\n" + request.image.listPath;
    if (request.infoTable) {
        report += result.infoTableLeftOut ? text::kNoteTableMissing : text::kNoteTableWritten;
    }
    return {report, Icon::Information};
}

} // namespace zd::app
