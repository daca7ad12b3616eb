#include "cli/wording.h"

namespace zd::cli {

std::string refusedText(const RefusedFile& refused) {
    switch (refused.reason) {
    case RefusedFile::Reason::CannotOpen:
        return "cannot be read: " + refused.error.message();
    case RefusedFile::Reason::NotAFile:
        return "is not a regular file";
    case RefusedFile::Reason::TooLarge:
        return "is 4 GiB or larger, which an image cannot describe";
    case RefusedFile::Reason::EmptyName:
        return "an empty name names no file";
    case RefusedFile::Reason::NameNotListable:
        return "has a name the list file cannot carry (a line feed, a carriage return, a NUL or "
               "bytes that are not UTF-8)";
    case RefusedFile::Reason::FolderUnreadable:
        return "cannot list the folder: " + refused.error.message();
    }
    return {};
}

} // namespace zd::cli
