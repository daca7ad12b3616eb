// Export a C header: for the rows and front offset on screen, the header a
// merge writes beside its image with --c-header --c-table, and nothing else:
// a merge request whose only output is the header. The file info table
// option changes nothing in it: the table lies inside the front area, ahead
// of every file.
#include "app/handlers.h"
#include "app/merge_report.h"
#include "app/messages.h"
#include "core/merge/merge.h"

namespace zd::app {
namespace {

// The checks before the progress shows: the layout, the header against the
// inputs, each input there and of its listed size. Then the inputs' sums.
MergeResult exportTo(Context c, const MergeRequest& request) {
    const MergePlan plan = planMerge(request);
    if (MergeResult checked = dryRun(request, plan); !checked.ok()) {
        return checked;
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
    const std::optional<std::string> chosen =
        c.port.chooseFileToSave({text::kExportHeaderTitle,
                                 {text::headerFilter(), text::allFilesFilter()},
                                 false,
                                 proposed});
    if (!chosen) {
        return;
    }
    MergeRequest request = listRequest(c.state);
    request.cHeader = {.path = *chosen, .table = true};
    const MergeResult result = exportTo(c, request);
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
