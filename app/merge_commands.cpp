// Merge-save and view result.
#include "app/handlers.h"
#include "app/merge_report.h"
#include "app/messages.h"
#include "core/image/image_writer.h"
#include "core/model/listed_names.h"
#include "core/model/output_names.h"
#include "core/intake/file_intake.h"

namespace zd::app {

void mergeSave(Context c) {
    const ButtonLock lock(c.port, cmd::MergeSave);
    const bool withInfoTable = c.state.fileInfo; // as the box stood when the command began
    const std::optional<std::string> confirmed =
        c.port.chooseFileToSave({text::kSaveTitle, {text::binFilter()}, false});
    if (!confirmed) {
        return;
    }
    if (namesAStream(*confirmed)) {
        c.state.outputFolder = folderPartOf(*confirmed);
        c.port.showMessage(text::outputNamesStream(*confirmed), text::kNotice, Icon::Error,
                           Buttons::Ok);
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

    MergeResult result;
    {
        const ProgressScope progress(c.port);
        result = mergeImage(c.state.list, withInfoTable, *paths,
                            [&c](std::uint64_t done, std::uint64_t total) {
                                return c.port.reportProgress(done, total);
                            });
    }
    if (result.ok()) {
        c.state.lastImage = paths->imagePath;
    }
    const MergeReport report = mergeReport(result, *paths, withInfoTable);
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
