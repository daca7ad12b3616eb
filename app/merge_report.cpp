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
    case MergeStatus::TooManyRegions: // the window writes no FMAP: no words of its own
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
    case MergeStatus::EarlierLayoutUnusable:
        return result.error ? text::earlierLayoutUnreadable(result.path)
                            : text::earlierLayoutUnusable(result.path);
    case MergeStatus::FrontAreaReachesKept:
        return text::frontAreaReachesKept(result.path, result.address, request.frontOffset);
    }
    return {};
}

} // namespace

MergeReport failureReport(const MergeResult& result, const MergeRequest& request) {
    const Icon icon = result.status == MergeStatus::Stopped ? Icon::Information : Icon::Error;
    return {failureText(result, request), icon};
}

std::string layoutReportText(const LayoutReport& report, const MergeRequest& request) {
    if (report.listMissing) {
        return text::noEarlierList(request.image.listPath);
    }
    if (report.listPath.empty()) {
        return {};
    }
    const LayoutMoves& moves = report.moves;
    std::string said = text::layoutKept(report.listPath, moves.kept, request.rows.size());
    for (const RowMove& move : moves.moved) {
        const std::string& path = request.rows.at(move.row).path;
        said += '\n';
        said += move.why == MoveReason::GrewPastSlot ? text::grewPastSlot(path, move.from, move.to)
                                                     : text::placedNew(path, move.to);
    }
    if (moves.removed > 0) {
        said += '\n';
        said += text::slotsLeftUnused(moves.removed);
    }
    return said;
}

MergeReport mergeReport(const MergeResult& result, const MergeRequest& request,
                        const LayoutReport& kept, const std::string& settings) {
    if (!result.ok()) {
        return failureReport(result, request);
    }
    std::string report = text::kMergeOkHeader;
    const std::vector<std::string> written = mergeOutputs(request);
    for (std::size_t i = 0; i < written.size(); ++i) {
        report += (i ? "\n" : "") + written[i];
    }
    if (request.infoTable) {
        report += result.infoTableLeftOut ? text::kNoteTableMissing : text::kNoteTableWritten;
    }
    if (const std::string layout = layoutReportText(kept, request); !layout.empty()) {
        report += "\n\n" + layout;
    }
    if (!settings.empty()) {
        report += text::settingsUsed(settings);
    }
    return {report, Icon::Information};
}

} // namespace zd::app
