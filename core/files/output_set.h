// Files written together and put in place together. Each output is written
// under a short temporary name beside the file it replaces; only when every
// one is complete are they flushed, renamed into place one after another and
// their folders flushed. A failed, stopped or killed run changes no target,
// and an earlier file of a target's name stays as it was.
//
//   OutputSet set;
//   OutputFile* image = nullptr;
//   if (auto failed = set.add(imagePath, image)) ...   // every check, before any bytes
//   image->write(...);                                 // as many outputs as needed
//   if (auto failed = set.commit()) ...                 // all or none
#pragma once

#include "core/files/commit_journal.h"
#include "core/files/file_errors.h"
#include "core/files/file_layer.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace zd::files {

// One output of a set, open for writing from start to end.
class OutputFile {
  public:
    std::error_code write(const void* data, std::size_t size) { return file_.write(data, size); }
    std::error_code write(std::string_view text) { return write(text.data(), text.size()); }
    // Writes `count` copies of `byte`.
    std::error_code fill(unsigned char byte, std::uint64_t count);
    // See files::Output::appendFrom.
    std::error_code appendFrom(files::Input& input, std::uint64_t size, files::CopyResult& result,
                               const files::Output::ChunkFn& onChunk) {
        return file_.appendFrom(input, size, result, onChunk);
    }
    std::error_code appendByReading(files::Input& input, std::uint64_t size,
                                    files::CopyResult& result,
                                    const files::Output::ChunkFn& onChunk,
                                    const files::Output::BytesFn& onBytes) {
        return file_.appendByReading(input, size, result, onChunk, onBytes);
    }

    const std::string& target() const { return target_; } // as it was given
    const std::string& temporary() const {
        return temporary_;
    } // where the bytes are until the commit
    // The file this output replaces, when there is one.
    const std::optional<files::Identity>& earlier() const { return earlier_; }

  private:
    friend class OutputSet;
    std::string target_;
    std::string resolved_; // the file a link leads to, else the target
    std::string folder_;   // of `resolved_`, ending in a separator; empty for the working folder
    std::string key_;      // the same for every name of the same file
    std::string temporary_;
    std::string backup_; // a second name of the earlier file while the renames run
    std::optional<files::Identity> earlier_;
    files::NamedLock lock_;
    files::Output file_;
};

struct OutputError {
    std::error_code error;
    std::string path;           // the output's target, or its folder when `folderAtFault`
    bool folderAtFault = false; // no file can be created in the folder
    explicit operator bool() const { return static_cast<bool>(error); }
};

class OutputSet {
  public:
    // `durable`: flush every output to stable storage before the renames and
    // the folders after them, so a power cut leaves each target either its
    // earlier or its new content.
    explicit OutputSet(bool durable = true) : durable_(durable) {}
    ~OutputSet(); // removes every temporary not renamed into place
    OutputSet(const OutputSet&) = delete;
    OutputSet& operator=(const OutputSet&) = delete;

    // Makes `target` an output of the set: follows a link to the file it
    // leads to (the temporary goes beside that file, as an editor saves
    // through a link); refuses a folder or device (FileErrc::NotAFile or
    // is_a_directory), a read-only earlier file (ReadOnly), a target another
    // merge is writing (InUse, until that merge ends) and one already in the
    // set (SameTarget); removes temporaries of the same target that killed
    // runs left; creates the temporary, with the earlier file's permissions.
    OutputError add(const std::string& target, OutputFile*& file);

    // Flushes and closes every output, then renames each into place. When a
    // rename fails, the targets already renamed get their earlier files back
    // (kept meanwhile under a second name where the file system allows it),
    // so the set still lands whole or not at all. `keepGoing`, asked once
    // the flush is done and before the first rename, may still stop it: the
    // commit then fails with std::errc::operation_canceled and changes no
    // target.
    OutputError commit(const std::function<bool()>& keepGoing = {});

  private:
    static OutputError resolveTarget(OutputFile& out);
    static OutputError inspectTarget(OutputFile& out);
    OutputError lockTarget(OutputFile& out);
    OutputError settleJournals(const OutputFile& out,
                               const std::vector<files::FolderEntry>& entries);
    std::error_code lockOthers(const OutputFile& out, const files::Journal& journal,
                               std::vector<std::unique_ptr<files::NamedLock>>& locks) const;
    static OutputError createTemporary(OutputFile& out);
    static std::string folderOf(const OutputFile& out); // "." for the working folder
    static std::string nameOf(const OutputFile& out);
    void keepEarlierFiles();
    OutputError journalOf(files::Journal& journal) const;
    void syncFolders() const;
    void rollBack(std::size_t renamed);
    std::vector<std::unique_ptr<OutputFile>> files_;
    bool durable_;
};

// Writes `text` to `target` as a set of one.
std::error_code writeWholeFile(const std::string& target, std::string_view text,
                               bool durable = true);

} // namespace zd::files
