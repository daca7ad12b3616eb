#include "core/files/temporary_names.h"

#include "core/files/file_layer.h"

#include <algorithm>
#include <atomic>
#include <unordered_set>

namespace zd::files {
namespace {

constexpr std::string_view kTemporaryStart = ".zd~";
constexpr std::string_view kTemporaryEnd = ".tmp";
constexpr std::string_view kJournalEnd = ".jnl";
constexpr std::size_t kHashDigits = 16;

// FNV-1a of the file name.
std::uint64_t nameHash(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : name) {
        const char folded =
            files::kWin32 && c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        hash = (hash ^ static_cast<unsigned char>(folded)) * 1099511628211ull;
    }
    return hash;
}

bool isDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::string hexDigits(std::uint64_t value, std::size_t digits) {
    std::string text(digits, '0');
    for (std::size_t i = digits; i-- > 0; value >>= 4) {
        text[i] = "0123456789abcdef"[value & 0xF];
    }
    return text;
}

std::string temporaryKey(std::string_view name) {
    return hexDigits(nameHash(name), kHashDigits);
}

std::string lockKeyOf(const Identity& folder, std::string_view name) {
    return hexDigits(folder.volume, 16) + "-" + hexDigits(folder.index, 16) + "-" +
           temporaryKey(name);
}

std::string temporaryPrefix(std::string_view name) {
    return std::string(kTemporaryStart) + temporaryKey(name) + "~";
}

std::string newTemporaryName(std::string_view name) {
    static std::atomic<unsigned> counter{0};
    return temporaryPrefix(name) + std::to_string(files::processId()) + "-" +
           std::to_string(counter++) + std::string(kTemporaryEnd);
}

bool isTemporaryName(std::string_view name) {
    if (!name.starts_with(kTemporaryStart) ||
        !(name.ends_with(kTemporaryEnd) || name.ends_with(kJournalEnd))) {
        return false;
    }
    name.remove_prefix(kTemporaryStart.size());
    name.remove_suffix(kTemporaryEnd.size());
    if (name.size() < kHashDigits + 1 || name[kHashDigits] != '~' ||
        name.substr(0, kHashDigits).find_first_not_of("0123456789abcdef") !=
            std::string_view::npos) {
        return false;
    }
    name.remove_prefix(kHashDigits + 1);
    const std::size_t dash = name.find('-');
    return dash != std::string_view::npos && isDigits(name.substr(0, dash)) &&
           isDigits(name.substr(dash + 1));
}

bool isJournalName(std::string_view name) {
    return name.ends_with(kJournalEnd) && isTemporaryName(name);
}

std::string journalNameOf(std::string_view temporary) {
    temporary.remove_suffix(kTemporaryEnd.size());
    return std::string(temporary) + std::string(kJournalEnd);
}

std::string temporaryNameOf(std::string_view journal) {
    journal.remove_suffix(kJournalEnd.size());
    return std::string(journal) + std::string(kTemporaryEnd);
}

void removeStaleTemporaries(const std::string& folder, const std::vector<FolderEntry>& entries,
                            const std::vector<std::string>& names) {
    std::unordered_set<std::string> prefixes;
    for (const std::string& name : names) {
        prefixes.insert(temporaryPrefix(name));
    }
    const std::size_t prefixSize = kTemporaryStart.size() + kHashDigits + 1;
    for (const FolderEntry& entry : entries) {
        if (isTemporaryName(entry.name) && !isJournalName(entry.name) &&
            prefixes.contains(entry.name.substr(0, prefixSize))) {
            (void)removeUnowned(joinedPath(folder, entry.name));
        }
    }
}

void removeStaleTemporaries(const std::string& folder, const std::vector<std::string>& names) {
    std::vector<FolderEntry> entries;
    if (!listFolder(folder.empty() ? std::string(".") : folder, entries)) {
        removeStaleTemporaries(folder, entries, names);
    }
}

} // namespace zd::files
