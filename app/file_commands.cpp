// Taking files into the list: Add files, folder import, files and folders
// dropped on the list, and the list-file import.
#include "app/handlers.h"
#include "app/messages.h"
#include "core/intake/file_intake.h"
#include "core/model/file_names.h"
#include "core/model/list_file.h"
#include "core/model/listed_names.h"

namespace zd::app {
namespace {

// A message box stays readable however many files a folder refuses.
constexpr std::size_t kNotAddedShown = 10;

const char* reasonText(RefusedFile::Reason reason) {
    switch (reason) {
    case RefusedFile::Reason::CannotOpen:
        return text::kReasonCannotOpen;
    case RefusedFile::Reason::NotAFile:
        return text::kReasonNotAFile;
    case RefusedFile::Reason::TooLarge:
        return text::kReasonTooLarge;
    case RefusedFile::Reason::EmptyName:
        return text::kReasonEmptyName;
    case RefusedFile::Reason::NameNotListable:
        return text::kReasonNameNotListable;
    case RefusedFile::Reason::FolderUnreadable:
        return text::kReasonFolderUnreadable;
    }
    return "";
}

// Names everything a batch could not take, in one message.
void reportNotAdded(Port& port, const std::vector<std::string>& notAdded) {
    if (notAdded.empty()) {
        return;
    }
    std::string message = text::kNotAddedHeader;
    for (std::size_t i = 0; i < notAdded.size() && i < kNotAddedShown; ++i) {
        message += '\n';
        message += notAdded[i];
    }
    if (notAdded.size() > kNotAddedShown) {
        message += '\n';
        message += text::moreNotAdded(notAdded.size() - kNotAddedShown);
    }
    port.showMessage(message, text::kImportFailed, Icon::Error, Buttons::Ok);
}

// Appends what intake accepted, in the order given, and notes the rest.
int appendBatch(Context c, const IntakeBatch& batch, std::vector<std::string>& notAdded) {
    c.state.list.appendEntries(batch.accepted);
    for (const RefusedFile& refused : batch.refused) {
        notAdded.push_back(printableName(refused.path) + reasonText(refused.reason));
    }
    return static_cast<int>(batch.accepted.size());
}

// The end of every intake: what was refused, the count, and only after the
// count has been read, the totals.
void finishBatch(Context c, int added, const std::vector<std::string>& notAdded) {
    reportNotAdded(c.port, notAdded);
    c.port.showMessage(text::filesAdded(added), text::kNotice, Icon::Information, Buttons::Ok);
    showTotals(c);
}

} // namespace

void addFiles(Context c) {
    const ButtonLock lock(c.port, cmd::AddFiles);
    const OpenChoice chosen =
        c.port.chooseFilesToOpen({text::kAddFilesTitle, text::addFilesFilters(), true});
    if (chosen.failure != 0) {
        c.port.showMessage(text::addFilesFailed(chosen.failure), text::kImportFailed, Icon::Error,
                           Buttons::Ok);
        return;
    }
    if (chosen.paths.empty()) {
        return; // cancelled
    }
    std::vector<std::string> notAdded;
    const int added = appendBatch(c, probeFiles(chosen.paths), notAdded);
    finishBatch(c, added, notAdded);
}

void importFolder(Context c) {
    const std::vector<std::string> picked =
        c.port.chooseFilesToOpen({text::kFolderImportTitle, {text::allFilesFilter()}, false}).paths;
    if (picked.empty()) {
        return;
    }
    // The picked file only points at its folder, which is taken whole.
    const std::string folder = folderPartOf(picked.front());
    std::vector<std::string> notAdded;
    const FolderListing listing = listFolder(folder);
    if (listing.error) {
        notAdded.push_back(folder + text::kReasonFolderUnreadable);
        reportNotAdded(c.port, notAdded);
        return;
    }
    const int added = appendBatch(c, probeFiles(listing.paths), notAdded);
    finishBatch(c, added, notAdded);
}

void addDropped(Context c, const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return;
    }
    std::vector<std::string> notAdded;
    const int added = appendBatch(c, takeInputs(paths), notAdded);
    finishBatch(c, added, notAdded);
}

void importListFile(Context c) {
    const ButtonLock lock(c.port, cmd::ImportList);
    const std::vector<std::string> chosen =
        c.port.chooseFilesToOpen({text::kImportListTitle, {text::listFileFilter()}, false}).paths;
    if (chosen.empty()) {
        return;
    }
    ListReadResult read = readListFile(chosen.front());
    switch (read.status) {
    case ListReadResult::Status::CannotOpen:
        c.port.showMessage(text::kListOpenFailed, text::kNotice, Icon::Error, Buttons::Ok);
        return;
    case ListReadResult::Status::FormatError:
        // Nothing of a file with an unreadable line is added.
        c.port.showMessage(text::kListFormatError, text::kImportFailed, Icon::Error, Buttons::Ok);
        return;
    case ListReadResult::Status::Ok:
        break;
    }
    // The sizes are the file's; the listed files themselves are not looked
    // at. Relative names are taken from the list file's folder.
    resolveListedNames(read.rows, chosen.front());
    c.state.list.appendEntries(read.rows);
    finishBatch(c, static_cast<int>(read.rows.size()), {});
}

} // namespace zd::app
