// A file written under a temporary name beside its target and renamed into
// place only when complete, so a failed or stopped write never leaves a
// partial file under the final name and never touches an earlier one.
#pragma once

#include "file_layer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

namespace zd {

class OutputFile {
  public:
    explicit OutputFile(std::string target);
    ~OutputFile(); // removes the temporary unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary in the target's folder.
    std::error_code create();
    std::error_code write(const void* data, std::size_t size);
    std::error_code write(std::string_view text) { return write(text.data(), text.size()); }
    // Writes `count` copies of `byte`.
    std::error_code fill(unsigned char byte, std::uint64_t count);

    // Appends everything `input` holds from its position to its end; see
    // files::Output::appendFrom.
    std::error_code appendFrom(files::Input& input, std::uint64_t& copied,
                               std::error_code& readError, const files::Output::ChunkFn& onChunk) {
        return file_.appendFrom(input, copied, readError, onChunk);
    }

    // Closes the temporary and renames it to the target.
    std::error_code commit();
    // Closes and removes the temporary now.
    void discard();

    const std::string& target() const { return target_; }

  private:
    std::string target_;
    std::string temporary_;
    files::Output file_;
    bool committed_ = false;
};

// Writes `text` to `target` through an OutputFile.
std::error_code writeWholeFile(const std::string& target, std::string_view text);

} // namespace zd
