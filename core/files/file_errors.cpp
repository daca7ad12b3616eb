#include "core/files/file_errors.h"

#include <string>

namespace zd::files {
namespace {

class FileCategory : public std::error_category {
  public:
    const char* name() const noexcept override { return "zd-file"; }
    std::string message(int code) const override {
        switch (static_cast<FileErrc>(code)) {
        case FileErrc::ReadOnly:
            return "the file is read-only or may not be written";
        case FileErrc::InUse:
            return "another merge is writing it now";
        case FileErrc::SameTarget:
            return "it leads to the same file as another output";
        case FileErrc::NotAFile:
            return "not a regular file";
        }
        return "unknown error";
    }
};

} // namespace

const std::error_category& fileCategory() {
    static const FileCategory category;
    return category;
}

std::error_code make_error_code(FileErrc code) {
    return {static_cast<int>(code), fileCategory()};
}

} // namespace zd::files
