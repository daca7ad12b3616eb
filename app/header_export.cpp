// Export a C header: for the rows and front offset on screen, the header a
// merge writes beside its image with --c-header --c-table, and nothing else:
// a merge request whose only output is the header. The file info table
// option changes nothing in it: the table lies inside the front area, ahead
// of every file.
#include "app/handlers.h"
#include "app/merge_report.h"
#include "app/messages.h"
#include "core/files/file_layer.h"
#include "core/merge/merge.h"

namespace zd::app {
namespace {

// The checks before anything is asked or shown: the layout, the header
// against the inputs, each input there and of its listed size. Then, for a
// header that would replace a file, the question; then the inputs' sums.
// Nothing when the user would not replace the file.
std::optional<MergeResult> exportTo(Context c, const MergeRequest& request) {
    const MergePlan plan = planMerge(request);
    if (MergeResult checked = dryRun(request, plan); !checked.ok()) {
        return checked;
    }
    files::Status existing;
    if (!files::statusOf(request.cHeader.path, existing) &&
        c.port.showMessage(text::confirmReplace(request.cHeader.path), text::kNotice, Icon::Warning,
                           Buttons::YesNo) != Answer::Yes) {
        return std::nullopt;
    }
    const ProgressScope progress(c.port);
    return runMerge(request, plan, keepGoingWith(c.port));
}

} // namespace

void exportHeader(Context c) {
    if (c.state.list.empty()) {
        c.port.showMessage(text::kNothingToExport, text::kNotice, Icon::Warning, Buttons::Ok);
        return;
    }
    const std::string& image = c.state.lastImage;
    const std::string proposed =
        image.empty() ? "" : image.substr(0, image.size() - 4) + text::kHeaderSuffix;
    // The name is checked against the inputs before the user is asked to
    // replace a file of that name.
    const std::optional<std::string> chosen =
        c.port.chooseFileToSave({.title = text::kExportHeaderTitle,
                                 .filters = {text::headerFilter(), text::allFilesFilter()},
                                 .proposed = proposed,
                                 .confirmOverwrite = false});
    if (!chosen) {
        return;
    }
    MergeRequest request = listRequest(c.state);
    request.cHeader = {.path = *chosen, .table = true};
    request.overwrite = true; // the user names the file, and is asked
    const std::optional<MergeResult> exported = exportTo(c, request);
    if (!exported) {
        return;
    }
    const MergeResult& result = *exported;
    if (result.ok()) {
        c.port.showMessage(text::headerExported(*chosen), text::kNotice, Icon::Information,
                           Buttons::Ok);
    } else if (result.status == MergeStatus::Stopped) {
        c.port.showMessage(text::kExportStopped, text::kNotice, Icon::Information, Buttons::Ok);
    } else {
        const MergeReport report = failureReport(result, request);
        c.port.showMessage(report.text, text::kNotice, report.icon, Buttons::Ok);
    }
}

} // namespace zd::app
