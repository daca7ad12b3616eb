// Verify an image against its list file, and show an image's file info
// table: the command line's verify -l and inspect, told in messages.
#include "app/handlers.h"
#include "app/messages.h"
#include "core/check/check.h"
#include "core/files/file_layer.h"
#include "core/image/crc32.h"
#include "core/model/file_names.h"
#include "core/model/list_file.h"
#include "core/model/output_names.h"

#include <algorithm>

namespace zd::app {
namespace {

// A message box stays readable however many rows there are.
constexpr std::size_t kRowsShown = 20;

// One row of a message's table: a line feed, then the fields between tabs.
std::string tableLine(std::initializer_list<std::string> fields) {
    std::string line;
    for (const std::string& field : fields) {
        line += line.empty() ? '\n' : '\t';
        line += field;
    }
    return line;
}

// No., name, address and what differs, as verify prints a bad row.
std::string rowLine(const check::RowFinding& row) {
    return tableLine({std::to_string(row.number), printableName(row.path),
                      std::to_string(row.address), check::findingText(row, text::kFindingWords)});
}

// The first rows of `lines`, then how many more there are.
std::string shownRows(const std::vector<std::string>& lines) {
    const std::size_t count = std::min(lines.size(), kRowsShown);
    std::string shown;
    for (std::size_t i = 0; i < count; ++i) {
        shown += lines[i];
    }
    if (const std::size_t more = lines.size() - count; more > 0) {
        shown += text::moreRows(more);
    }
    return shown;
}

// The one image an open dialog picked, or nothing when it was cancelled.
std::optional<std::string> chooseImage(Port& port, const char* title) {
    const std::vector<std::string> chosen =
        port.chooseFilesToOpen({title, {text::binFilter(), text::allFilesFilter()}, false}).paths;
    return chosen.empty() ? std::nullopt : std::optional(chosen.front());
}

void tell(Port& port, const std::string& message, const char* caption, Icon icon) {
    port.showMessage(message, caption, icon, Buttons::Ok);
}

} // namespace

void verifyImageFile(Context c) {
    const std::optional<std::string> image = chooseImage(c.port, text::kVerifyImageTitle);
    if (!image) {
        return;
    }
    // The list file the merge wrote beside this image, in the image's folder.
    const std::optional<OutputPaths> beside = outputPathsFor(*image);
    const std::vector<std::string> lists =
        c.port
            .chooseFilesToOpen({text::kVerifyListTitle,
                                {text::listFileFilter(), text::allFilesFilter()},
                                false,
                                beside ? beside->listPath : ""})
            .paths;
    if (lists.empty()) {
        return;
    }
    const std::string& list = lists.front();
    check::VerifyResult result;
    {
        const ProgressScope progress(c.port);
        result = check::verifyAgainstList(*image, list, keepGoingWith(c.port));
    }
    switch (result.status) {
    case check::VerifyResult::Status::ImageUnreadable:
        return tell(c.port, text::inputUnreadable(*image), text::kVerifyCaption, Icon::Error);
    case check::VerifyResult::Status::LayoutUnreadable:
        return tell(c.port,
                    result.error ? text::inputUnreadable(list) : text::listNotReadable(list),
                    text::kVerifyCaption, Icon::Error);
    case check::VerifyResult::Status::Stopped:
        return tell(c.port, text::kVerifyStopped, text::kVerifyCaption, Icon::Information);
    case check::VerifyResult::Status::Ok:
    case check::VerifyResult::Status::Mismatch:
        break;
    }
    std::string message;
    if (result.ok()) {
        const ListReadResult read = readListFile(list);
        message = text::verifyPassed(read.rows.size(), result.tableChecked);
    } else {
        std::vector<std::string> lines;
        for (const check::RowFinding& row : result.rows) {
            lines.push_back(rowLine(row));
        }
        message = (result.notThisImage   ? text::kNotThisImage
                   : result.rows.empty() ? text::kVerifyFailedFrontArea
                                         : text::verifyFailed(result.rows.size())) +
                  shownRows(lines);
    }
    if (result.frontAreaDamagedAt) {
        message += text::frontAreaDamaged(*result.frontAreaDamagedAt);
    }
    if (result.otherDataInFront) {
        message += text::kOtherDataInFront;
    }
    if (result.bytesPastLayout > 0) {
        message += text::bytesPastLayout(result.bytesPastLayout, result.layoutEnd);
    }
    tell(c.port, message, text::kVerifyCaption, result.ok() ? Icon::Information : Icon::Error);
}

void showImageTable(Context c) {
    const std::optional<std::string> image = chooseImage(c.port, text::kImageInfoTitle);
    if (!image) {
        return;
    }
    std::vector<std::string> lines;
    const check::InspectResult result =
        check::inspectImage(*image, [&lines](const check::TableRow& row) {
            lines.push_back(tableLine({std::to_string(row.number), std::to_string(row.address),
                                       std::to_string(row.size),
                                       std::to_string(std::uint64_t{row.address} + row.size)}));
        });
    switch (result.status) {
    case check::InspectResult::Status::Ok:
        return tell(c.port,
                    text::imageTableHeader(result.rowCount, result.imageSize) + shownRows(lines),
                    text::kImageInfoCaption, Icon::Information);
    case check::InspectResult::Status::FrontAreaDamaged:
        return tell(c.port,
                    text::imageTableHeader(result.rowCount, result.imageSize) + shownRows(lines) +
                        text::frontAreaDamaged(result.damagedAt),
                    text::kImageInfoCaption, Icon::Warning);
    case check::InspectResult::Status::NoTable:
        return tell(c.port, text::noInfoTable(*image), text::kImageInfoCaption, Icon::Information);
    case check::InspectResult::Status::ImageTooShort:
        return tell(c.port, text::tableCutShort(*image, result.imageSize, result.tableEnd),
                    text::kImageInfoCaption, Icon::Error);
    case check::InspectResult::Status::ImageUnreadable:
        return tell(c.port, text::inputUnreadable(*image), text::kImageInfoCaption, Icon::Error);
    case check::InspectResult::Status::Stopped: // the window asks no stop of a check
        return;
    }
}

} // namespace zd::app
