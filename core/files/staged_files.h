// New files written all or nothing, replacing none: the sibling of the
// output set (output_set.h) for commands that make files which must not
// exist yet (unpack). Each file is written under a temporary name beside its
// target; once all are complete they are put in place, each by a second
// name that fails rather than replace a file. Unless the run keeps them,
// every file and folder it made is removed again when the set goes.
//
//   StagedFiles staged;
//   staged.makeFolders(folder);            // the folder and missing parents
//   staged.create(folder, "a.bin");        // then write() and close()
//   staged.putInPlace(failed);             // all complete: give them their names
//   staged.keep();                         // the run succeeded
#pragma once

#include "core/files/file_layer.h"
#include "core/files/path_text.h"

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace zd::files {

class StagedFiles {
  public:
    StagedFiles() = default;
    ~StagedFiles(); // removes what was made, unless kept
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // Makes `folder` and the parents it lacks (std::errc::not_a_directory
    // when a part of it is a file).
    std::error_code makeFolders(const std::string& folder);
    // Starts the file `name` in `folder`, written under a temporary name
    // until putInPlace; the file before it must be closed.
    std::error_code create(const std::string& folder, std::string_view name);
    std::error_code write(const unsigned char* data, std::size_t size) {
        return current_.write(data, size);
    }
    std::error_code close() { return current_.close(); }
    // Puts every file in place; on failure `failed` names the target.
    std::error_code putInPlace(std::string& failed);
    // Every file's final name, in the order they were created.
    std::vector<std::string> targets() const;
    // The run succeeded: what it made stays.
    void keep() { kept_ = true; }

  private:
    struct Staged {
        std::string target;
        std::string temporary;
        bool placed = false;
    };
    std::vector<Staged> files_;
    std::vector<std::string> folders_; // made by this run, parents first
    Output current_;                   // the file being written
    bool kept_ = false;
};

} // namespace zd::files
