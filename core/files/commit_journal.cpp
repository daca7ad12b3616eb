#include "core/files/commit_journal.h"

#include "core/files/file_reading.h"
#include "core/files/temporary_names.h"

#include <algorithm>
#include <sstream>

namespace zd::files {
namespace {

// The journal is lines of words: paths are written as hex digits, so that
// no name (spaces, line feeds, any byte) can break a line.
//   zd-journal 1
//   copy PATH
//   entry KEY TEMPORARY TARGET BACKUP|- EARLIER|- WRITTEN
// where an identity is VOLUME:INDEX, 16 hex digits each.
//   end
constexpr std::string_view kFirstLine = "zd-journal 1";
constexpr std::string_view kLastLine = "end";
constexpr std::uint64_t kLargestJournal = 64 * 1024 * 1024;

std::string hexOf(std::string_view bytes) {
    if (bytes.empty()) {
        return "-";
    }
    std::string text;
    for (const char c : bytes) {
        text += hexDigits(static_cast<unsigned char>(c), 2);
    }
    return text;
}

int digitValue(char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

bool bytesOf(std::string_view hex, std::string& bytes) {
    bytes.clear();
    if (hex == "-") {
        return true;
    }
    if (hex.empty() || hex.size() % 2 != 0) {
        return false;
    }
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = digitValue(hex[i]);
        const int low = digitValue(hex[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes += static_cast<char>(high * 16 + low);
    }
    return true;
}

std::string identityText(const Identity& identity) {
    return hexDigits(identity.volume, 16) + ":" + hexDigits(identity.index, 16);
}

bool numberOf(std::string_view hex, std::uint64_t& value) {
    std::string bytes;
    if (hex.size() != 16 || !bytesOf(hex, bytes)) {
        return false;
    }
    value = 0;
    for (const char c : bytes) {
        value = value << 8 | static_cast<unsigned char>(c);
    }
    return true;
}

std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    for (std::size_t start = 0; start <= line.size();) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        words.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

bool identityOf(std::string_view text, Identity& identity) {
    return text.size() == 33 && text[16] == ':' && numberOf(text.substr(0, 16), identity.volume) &&
           numberOf(text.substr(17), identity.index);
}

bool parseEntry(const std::vector<std::string_view>& words, JournalEntry& entry) {
    if (words.size() != 7 || !bytesOf(words[1], entry.key) || !bytesOf(words[2], entry.temporary) ||
        !bytesOf(words[3], entry.target) || !bytesOf(words[4], entry.backup) ||
        !identityOf(words[6], entry.written)) {
        return false;
    }
    if (words[5] != "-") {
        entry.earlier.emplace();
        return identityOf(words[5], *entry.earlier);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const std::size_t cut = lastSeparator(path);
    return cut == std::string::npos ? std::string(".") : path.substr(0, cut + 1);
}

bool isFile(const std::string& path, const Identity& identity) {
    Status status;
    return !statusOf(path, status) && status.identity == identity;
}

bool exists(const std::string& path) {
    Status status;
    return statusOf(path, status) != std::errc::no_such_file_or_directory;
}

// A copy is written under the temporary name its own is made from (see
// journalNameOf), so that the sweep of its target removes it when its run
// was killed meanwhile.
std::error_code writeCopy(const std::string& copy, const std::string& text, bool durable) {
    const std::string temporary = temporaryNameOf(copy);
    Output file;
    std::error_code error = file.createNew(temporary);
    if (error) {
        return error;
    }
    error = file.write(text.data(), text.size());
    if (!error && durable) {
        error = file.sync();
    }
    if (const std::error_code closed = file.close(); !error) {
        error = closed;
    }
    if (!error) {
        error = rename(temporary, copy);
    }
    if (error) {
        (void)remove(temporary);
    }
    return error;
}

} // namespace

std::string journalText(const Journal& journal) {
    std::ostringstream text;
    text << kFirstLine << '\n';
    for (const std::string& copy : journal.copies) {
        text << "copy " << hexOf(copy) << '\n';
    }
    for (const JournalEntry& entry : journal.entries) {
        text << "entry " << hexOf(entry.key) << ' ' << hexOf(entry.temporary) << ' '
             << hexOf(entry.target) << ' ' << hexOf(entry.backup) << ' '
             << (entry.earlier ? identityText(*entry.earlier) : "-") << ' '
             << identityText(entry.written) << '\n';
    }
    text << kLastLine << '\n';
    return text.str();
}

bool parseJournal(std::string_view text, Journal& journal) {
    journal = {};
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            return false; // every line ends in a line feed
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (lines.size() < 2 || lines.front() != kFirstLine || lines.back() != kLastLine) {
        return false;
    }
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::vector<std::string_view> words = wordsOf(lines[i]);
        if (words[0] == "copy" && words.size() == 2) {
            std::string copy;
            if (!bytesOf(words[1], copy) || copy.empty()) {
                return false;
            }
            journal.copies.push_back(std::move(copy));
        } else if (JournalEntry entry; words[0] == "entry" && parseEntry(words, entry)) {
            journal.entries.push_back(std::move(entry));
        } else {
            return false;
        }
    }
    return !journal.copies.empty() && !journal.entries.empty();
}

std::error_code writeJournal(const Journal& journal, bool durable) {
    const std::string text = journalText(journal);
    for (std::size_t i = 0; i < journal.copies.size(); ++i) {
        if (auto error = writeCopy(journal.copies[i], text, durable)) {
            for (std::size_t j = 0; j < i; ++j) {
                (void)remove(journal.copies[j]);
            }
            return error;
        }
    }
    if (durable) {
        for (const std::string& copy : journal.copies) {
            if (auto error = syncFolder(folderOf(copy))) {
                removeJournal(journal);
                return error;
            }
        }
    }
    return {};
}

std::error_code readJournal(const std::string& path, Journal& journal) {
    std::string text;
    if (auto error = readWholeFile(path, kLargestJournal, text)) {
        return error;
    }
    return parseJournal(text, journal) ? std::error_code{}
                                       : std::make_error_code(std::errc::illegal_byte_sequence);
}

void removeJournal(const Journal& journal) {
    for (const std::string& copy : journal.copies) {
        (void)remove(copy);
    }
}

std::error_code settleJournal(const Journal& journal, bool durable) {
    enum class State { Renamed, Waiting, Lost };
    std::vector<State> states;
    for (const JournalEntry& entry : journal.entries) {
        const bool targetEarlier =
            entry.earlier ? isFile(entry.target, *entry.earlier) : !exists(entry.target);
        states.push_back(isFile(entry.target, entry.written)                       ? State::Renamed
                         : isFile(entry.temporary, entry.written) && targetEarlier ? State::Waiting
                                                                                   : State::Lost);
    }
    const bool finish = std::find(states.begin(), states.end(), State::Lost) == states.end();
    for (std::size_t i = 0; i < states.size(); ++i) {
        const JournalEntry& entry = journal.entries[i];
        std::error_code error;
        if (finish && states[i] == State::Waiting) {
            error = rename(entry.temporary, entry.target);
        } else if (!finish && states[i] == State::Renamed) {
            error = !entry.backup.empty() ? rename(entry.backup, entry.target)
                    : entry.earlier       ? std::error_code{} // no second name: it stays new
                                          : remove(entry.target);
        }
        if (error) {
            return error;
        }
    }
    if (durable) { // every folder of the set holds a copy
        for (const std::string& copy : journal.copies) {
            (void)syncFolder(folderOf(copy));
        }
    }
    for (const JournalEntry& entry : journal.entries) {
        (void)remove(entry.temporary);
        if (!entry.backup.empty()) {
            (void)remove(entry.backup);
        }
    }
    removeJournal(journal);
    return {};
}

} // namespace zd::files
