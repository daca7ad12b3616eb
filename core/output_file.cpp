#include "output_file.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace zd {
namespace {

// A file name holds at most 255 bytes, and the temporary adds up to about 40
// to the target's name, so a long name is shortened here (never inside a
// multi-byte character) to keep every valid target name writable.
constexpr std::size_t kTemporaryNameRoom = 200;

std::string temporaryNameFor(const std::string& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const std::size_t cut = files::lastSeparator(target);
    const std::size_t nameStart = cut == std::string::npos ? 0 : cut + 1;
    std::string base = target.substr(nameStart);
    if (base.size() > kTemporaryNameRoom) {
        base.resize(kTemporaryNameRoom);
        while (!base.empty() && static_cast<unsigned char>(base.back()) >= 0x80) {
            base.pop_back();
        }
    }
    return target.substr(0, nameStart) + "." + base + "." + std::to_string(files::processId()) +
           "-" + std::to_string(counter++) + "-" + std::to_string(attempt) + ".part";
}

} // namespace

OutputFile::OutputFile(std::string target) : target_(std::move(target)) {}

OutputFile::~OutputFile() {
    if (!committed_) {
        discard();
    }
}

std::error_code OutputFile::create() {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = temporaryNameFor(target_, attempt);
        const std::error_code error = file_.createNew(candidate);
        if (!error) {
            temporary_ = std::move(candidate);
            return {};
        }
        if (error != std::errc::file_exists) {
            return error;
        }
    }
    return std::make_error_code(std::errc::file_exists);
}

std::error_code OutputFile::write(const void* data, std::size_t size) {
    return file_.write(data, size);
}

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

std::error_code OutputFile::commit() {
    if (auto error = file_.close()) {
        discard();
        return error;
    }
    if (auto error = files::rename(temporary_, target_)) {
        discard();
        return error;
    }
    committed_ = true;
    return {};
}

void OutputFile::discard() {
    (void)file_.close();
    if (!temporary_.empty()) {
        (void)files::remove(temporary_);
        temporary_.clear();
    }
}

std::error_code writeWholeFile(const std::string& target, std::string_view text) {
    OutputFile file(target);
    if (auto error = file.create()) {
        return error;
    }
    if (auto error = file.write(text)) {
        return error;
    }
    return file.commit();
}

} // namespace zd
