#include "core/files/file_reading.h"

#include "core/files/file_errors.h"

#include <algorithm>
#include <vector>

namespace zd::files {

std::error_code openRegular(const std::string& path, Input& input, Status& status) {
    std::error_code error = input.open(path);
    if (!error) {
        error = input.status(status);
    }
    if (!error && status.kind == Kind::Directory) {
        error = std::make_error_code(std::errc::is_a_directory);
    } else if (!error && status.kind != Kind::Regular) {
        error = make_error_code(FileErrc::NotAFile);
    }
    return error;
}

std::error_code readPieces(const std::string& path, const PieceFn& onPiece) {
    Input input;
    Status status;
    if (auto error = openRegular(path, input, status)) {
        return error;
    }
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        std::size_t got = 0;
        if (auto error = input.read(buffer.data(), buffer.size(), got)) {
            return error;
        }
        if (got == 0 || !onPiece(std::string_view(buffer.data(), got))) {
            return {};
        }
    }
}

std::error_code readWholeFile(const std::string& path, std::uint64_t limit, std::string& text) {
    text.clear();
    bool tooLarge = false;
    const std::error_code error = readPieces(path, [&](std::string_view piece) {
        tooLarge = text.size() + piece.size() > limit;
        if (!tooLarge) {
            text.append(piece);
        }
        return !tooLarge;
    });
    return error      ? error
           : tooLarge ? std::make_error_code(std::errc::file_too_large)
                      : std::error_code{};
}

} // namespace zd::files
