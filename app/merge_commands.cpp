// Merge-save and view result.
#include "app/handlers.h"
#include "app/merge_report.h"
#include "app/merge_settings.h"
#include "app/messages.h"
#include "core/merge/merge.h"
#include "core/model/listed_names.h"
#include "core/model/output_names.h"

namespace zd::app {

MergeRequest listRequest(const ProgramState& state) {
    MergeRequest request;
    request.rows.reserve(state.list.entries().size());
    for (const Entry& entry : state.list.entries()) {
        request.rows.push_back({entry.path, entry.size});
    }
    request.frontOffset = state.list.frontOffset();
    return request;
}

void mergeSave(Context c) {
    const ButtonLock lock(c.port, cmd::MergeSave);
    MergeRequest request = listRequest(c.state);
    request.infoTable = c.state.fileInfo; // as the box stood when the command began
    const std::optional<std::string> confirmed =
        c.port.chooseFileToSave({text::kSaveTitle, {text::binFilter()}, false});
    if (!confirmed) {
        return;
    }
    const std::optional<OutputPaths> paths = outputPathsFor(*confirmed);
    if (!paths) {
        // A path without a file name names no image.
        c.state.outputFolder = folderPartOf(*confirmed);
        c.port.showMessage(text::kImageCreateFailed, text::kNotice, Icon::Error, Buttons::Ok);
        return;
    }
    // Set before any check, so view result finds the folder of a failed save too.
    c.state.outputFolder = paths->saveFolder;
    request.image = *paths;
    applyMergeSettings(c.state.settings, request);

    const MergePlan plan = planMerge(request);
    MergeResult result = plan.refusal;
    if (plan.ok()) {
        const ProgressScope progress(c.port);
        result = runMerge(request, plan, keepGoingWith(c.port));
    }
    if (result.ok()) {
        c.state.lastImage = paths->imagePath;
    }
    const MergeReport report =
        mergeReport(result, request, plan.kept, settingsSummary(c.state.settings));
    c.port.showMessage(report.text, text::kNotice, report.icon, Buttons::Ok);
}

void viewResult(Context c) {
    if (c.state.outputFolder.empty()) {
        c.port.showMessage(text::kNoOutputFolder, text::kNotice, Icon::Information, Buttons::Ok);
        return;
    }
    c.port.openFolder(c.state.outputFolder);
}

} // namespace zd::app
