// A folder of this run's own for files made only to hand to another program
// and thrown away after it (the layout and images flashrom is given): new,
// in the system's folder for temporary files, and removed with everything
// in it when the object goes, whatever way the run ends.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

namespace zd::files {

class ScratchFolder {
  public:
    ScratchFolder() = default;
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Makes the folder "zd-scratch-<process id>-<n>" in temporaryFolder(),
    // taking the next n while a name is taken.
    std::error_code make();
    // `name` in the folder.
    std::string pathOf(std::string_view name) const;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

} // namespace zd::files
