#include "core/files/output_set.h"

#include "core/files/temporary_names.h"

#include <algorithm>
#include <atomic>
#include <set>

namespace zd::files {
namespace {

bool deniedByFolder(const std::error_code& error) {
    return error == std::errc::permission_denied || error == std::errc::operation_not_permitted ||
           error == std::errc::read_only_file_system;
}

} // namespace

std::error_code OutputFile::fill(unsigned char byte, std::uint64_t count) {
    const std::vector<unsigned char> block(
        static_cast<std::size_t>(std::min<std::uint64_t>(count, 64 * 1024)), byte);
    while (count > 0) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(count, block.size()));
        if (auto error = write(block.data(), piece)) {
            return error;
        }
        count -= piece;
    }
    return {};
}

OutputError OutputSet::add(const std::string& target, OutputFile*& file) {
    file = nullptr;
    auto out = std::make_unique<OutputFile>();
    out->target_ = target;
    OutputError failed = resolveTarget(*out);
    if (!failed) {
        failed = lockTarget(*out);
    }
    // What killed runs left in the folder: journals to settle first, then
    // this target's temporaries. A folder this user may write but not list
    // shows none, as before journals; a folder that fails otherwise fails.
    std::vector<files::FolderEntry> entries;
    if (!failed) {
        const std::error_code unlisted = files::listFolder(folderOf(*out), entries);
        failed = unlisted && unlisted != std::errc::permission_denied
                     ? OutputError{unlisted, target}
                     : settleJournals(*out, entries);
    }
    if (!failed) {
        failed = inspectTarget(*out);
    }
    if (!failed) {
        removeStaleTemporaries(out->folder_, entries, {nameOf(*out)});
        failed = createTemporary(*out);
    }
    if (failed) {
        return failed;
    }
    file = out.get();
    files_.push_back(std::move(out));
    return {};
}

// Follows a link to the file it leads to.
OutputError OutputSet::resolveTarget(OutputFile& out) {
    if (auto error = files::resolveLinks(out.target_, out.resolved_)) {
        return {error, out.target_};
    }
    const std::size_t cut = files::lastSeparator(out.resolved_);
    out.folder_ = cut == std::string::npos ? std::string{} : out.resolved_.substr(0, cut + 1);
    return {};
}

// Refuses what may not be replaced.
OutputError OutputSet::inspectTarget(OutputFile& out) {
    const auto failed = [&](std::error_code error) { return OutputError{error, out.target_}; };
    files::Status earlier;
    if (auto error = files::statusOf(out.resolved_, earlier)) {
        return error == std::errc::no_such_file_or_directory ? OutputError{} : failed(error);
    }
    if (earlier.kind == files::Kind::Directory) {
        return failed(std::make_error_code(std::errc::is_a_directory));
    }
    if (earlier.kind != files::Kind::Regular) {
        return failed(FileErrc::NotAFile);
    }
    if (auto denied = files::checkWritable(out.resolved_)) {
        return failed(denied == std::errc::permission_denied ? make_error_code(FileErrc::ReadOnly)
                                                             : denied);
    }
    out.earlier_ = earlier.identity;
    return {};
}

// The lock's key names the file by its folder's identity, so that every
// spelling of the path and every link to it meets the same lock.
OutputError OutputSet::lockTarget(OutputFile& out) {
    const auto failed = [&](std::error_code error) { return OutputError{error, out.target_}; };
    files::Status folder;
    if (auto error = files::statusOf(folderOf(out), folder)) {
        return failed(error);
    }
    out.key_ = lockKeyOf(folder.identity, nameOf(out));
    for (const auto& other : files_) {
        if (other->key_ == out.key_) {
            return failed(FileErrc::SameTarget);
        }
    }
    if (auto error = out.lock_.tryLock(out.key_)) {
        return failed(error == std::errc::device_or_resource_busy ? make_error_code(FileErrc::InUse)
                                                                  : error);
    }
    return {};
}

// A journal in the folder is a set being put in place, or one whose run
// was killed while it was. Holding the lock of every output it names, no
// living run writes them: it is settled. One naming this output that cannot
// be settled now fails the output, so that the sweep after cannot take the
// temporaries it still needs; any other is left for later.
OutputError OutputSet::settleJournals(const OutputFile& out,
                                      const std::vector<files::FolderEntry>& entries) {
    for (const files::FolderEntry& entry : entries) {
        if (!isJournalName(entry.name)) {
            continue;
        }
        files::Journal journal;
        const std::error_code unread = readJournal(out.folder_ + entry.name, journal);
        if (unread == std::errc::no_such_file_or_directory ||
            unread == std::errc::illegal_byte_sequence) {
            continue; // settled meanwhile, or none of ours
        }
        if (unread) {
            return {unread, out.target_};
        }
        const bool ours = std::any_of(journal.entries.begin(), journal.entries.end(),
                                      [&](const auto& named) { return named.key == out.key_; });
        std::vector<std::unique_ptr<files::NamedLock>> locks;
        std::error_code error = lockOthers(out, journal, locks);
        if (!error) {
            error = settleJournal(journal, durable_);
        }
        if (error && ours) {
            return {error == std::errc::device_or_resource_busy ? make_error_code(FileErrc::InUse)
                                                                : error,
                    out.target_};
        }
    }
    return {};
}

// Takes the lock of every output `journal` names that this set does not
// hold yet.
std::error_code OutputSet::lockOthers(const OutputFile& out, const files::Journal& journal,
                                      std::vector<std::unique_ptr<files::NamedLock>>& locks) const {
    for (const files::JournalEntry& named : journal.entries) {
        const bool held = named.key == out.key_ ||
                          std::any_of(files_.begin(), files_.end(),
                                      [&](const auto& other) { return other->key_ == named.key; });
        if (!held) {
            auto& lock = locks.emplace_back(std::make_unique<files::NamedLock>());
            if (auto error = lock->tryLock(named.key)) {
                return error;
            }
        }
    }
    return {};
}

// Creates the temporary, with the earlier file's permissions. A folder that
// refuses new files is named as the cause.
OutputError OutputSet::createTemporary(OutputFile& out) {
    for (int attempt = 0;; ++attempt) {
        std::string candidate = out.folder_ + newTemporaryName(nameOf(out));
        const std::error_code error = out.file_.createNew(candidate);
        if (!error) {
            out.temporary_ = std::move(candidate);
            break;
        }
        if (error == std::errc::file_exists && attempt < 100) {
            continue;
        }
        if (deniedByFolder(error)) {
            return {error, out.folder_.empty() ? files::absolutePath(".") : out.folder_, true};
        }
        return {error, out.target_};
    }
    if (out.earlier_) {
        if (auto error = out.file_.copyAccessFrom(out.resolved_)) {
            (void)out.file_.close();
            (void)files::remove(out.temporary_);
            return {error, out.target_};
        }
    }
    return {};
}

std::string OutputSet::folderOf(const OutputFile& out) {
    return out.folder_.empty() ? std::string(".") : out.folder_;
}

std::string OutputSet::nameOf(const OutputFile& out) {
    return out.resolved_.substr(out.folder_.size());
}

OutputError OutputSet::commit(const std::function<bool()>& keepGoing) {
    for (const auto& out : files_) {
        std::error_code error = durable_ ? out->file_.sync() : std::error_code{};
        if (const std::error_code closed = out->file_.close(); !error) {
            error = closed;
        }
        if (error) {
            return {error, out->target_};
        }
    }
    // The flush may take seconds; a stop asked meanwhile still comes in time.
    if (keepGoing && !keepGoing() && !files_.empty()) {
        return {std::make_error_code(std::errc::operation_canceled), files_.front()->target_};
    }
    keepEarlierFiles();
    files::Journal journal;
    if (files_.size() > 1) { // a single rename needs none
        if (OutputError failed = journalOf(journal)) {
            return failed;
        }
        if (auto error = writeJournal(journal, durable_)) {
            return {error, files_.front()->target_};
        }
    }
    for (std::size_t i = 0; i < files_.size(); ++i) {
        OutputFile& out = *files_[i];
        if (auto error = files::rename(out.temporary_, out.resolved_)) {
            rollBack(i);
            syncFolders();
            removeJournal(journal);
            return {error, out.target_};
        }
        out.temporary_.clear();
    }
    // The outputs are complete and in place; a folder that cannot be flushed
    // changes nothing the caller could act on. The journal goes after, so
    // that a power cut meanwhile leaves it to settle the renames. The
    // backups go with the set.
    syncFolders();
    removeJournal(journal);
    return {};
}

// What the set's journal says: every output's temporary, target and second
// name, in one copy for each folder written to.
OutputError OutputSet::journalOf(files::Journal& journal) const {
    std::set<std::string> folders;
    for (const auto& out : files_) {
        files::Status written;
        if (auto error = files::statusOf(out->temporary_, written)) {
            return {error, out->target_};
        }
        journal.entries.push_back(
            {out->key_, files::absolutePath(out->temporary_), files::absolutePath(out->resolved_),
             out->backup_.empty() ? std::string{} : files::absolutePath(out->backup_),
             out->earlier_, written.identity});
        const std::string temporary = journal.entries.back().temporary;
        const std::size_t cut = files::lastSeparator(temporary) + 1;
        if (folders.insert(temporary.substr(0, cut)).second) {
            journal.copies.push_back(temporary.substr(0, cut) +
                                     journalNameOf(newTemporaryName(nameOf(*out))));
        }
    }
    return {};
}

void OutputSet::syncFolders() const {
    if (!durable_) {
        return;
    }
    std::set<std::string> folders;
    for (const auto& out : files_) {
        folders.insert(folderOf(*out));
    }
    for (const std::string& folder : folders) {
        (void)files::syncFolder(folder);
    }
}

// A second name for each earlier file, to put it back should a later rename
// fail; the last one renamed needs none. Where the file system has no hard
// links there is none. (On Windows a second name cannot be removed while
// another program holds the file open without sharing deletion.)
void OutputSet::keepEarlierFiles() {
    for (std::size_t i = 0; i + 1 < files_.size(); ++i) {
        const auto& out = files_[i];
        if (out->earlier_) {
            std::string backup = out->folder_ + newTemporaryName(nameOf(*out));
            if (!files::hardLink(out->resolved_, backup)) {
                out->backup_ = std::move(backup);
            }
        }
    }
}

void OutputSet::rollBack(std::size_t renamed) {
    for (std::size_t j = 0; j < renamed; ++j) {
        OutputFile& out = *files_[j];
        if (!out.backup_.empty()) {
            // Should even this fail, the backup stays: it is then the only
            // name of the earlier file.
            (void)files::rename(out.backup_, out.resolved_);
            out.backup_.clear();
        } else if (!out.earlier_) {
            (void)files::remove(out.resolved_); // it was new
        }
    }
}

OutputSet::~OutputSet() {
    for (const auto& out : files_) {
        (void)out->file_.close();
        if (!out->temporary_.empty()) {
            (void)files::remove(out->temporary_);
        }
        if (!out->backup_.empty()) {
            (void)files::remove(out->backup_);
        }
    }
}

std::error_code writeWholeFile(const std::string& target, std::string_view text, bool durable) {
    OutputSet set(durable);
    OutputFile* file = nullptr;
    if (auto failed = set.add(target, file)) {
        return failed.error;
    }
    if (auto error = file->write(text)) {
        return error;
    }
    return set.commit().error;
}

} // namespace zd::files
