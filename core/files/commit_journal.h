// The journal of an output set's renames, so that a set stays whole across
// a kill or a power cut while its outputs are put in place. Before the
// first rename the set writes it (under a temporary name, then renamed, so
// that it is never seen half-written) into every folder it writes to; after
// the last rename it removes it. A run that later finds one whose writer is
// gone settles it: it finishes the renames when every output still waiting
// has its temporary, else it takes back those made.
//
//   Journal journal{copies, entries};
//   writeJournal(journal, durable);      // then the renames
//   removeJournal(journal);
//   ...
//   readJournal(path, found);            // a later run
//   settleJournal(found, durable);
#pragma once

#include "core/files/file_layer.h"

#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace zd::files {

struct JournalEntry {
    std::string key;       // the output's lock key (see OutputSet)
    std::string temporary; // absolute paths, links resolved
    std::string target;
    std::string backup; // the earlier file's second name, if it has one
    // The file the target was before, if there was one, and the temporary's
    // file, which the target is once renamed.
    std::optional<Identity> earlier;
    Identity written;
};

struct Journal {
    std::vector<std::string> copies; // one a folder of the set, absolute
    std::vector<JournalEntry> entries;
};

// The journal as text, and back; a text that is not a whole journal is
// refused (false).
std::string journalText(const Journal& journal);
bool parseJournal(std::string_view text, Journal& journal);

// Writes every copy: each under a temporary name beside it, flushed when
// `durable`, then renamed to its own; when `durable`, the folders are
// flushed after, so the journal and the temporaries it names are on the
// disk before any rename. On failure no copy stays.
std::error_code writeJournal(const Journal& journal, bool durable);
std::error_code readJournal(const std::string& path, Journal& journal);
// Removes every copy.
void removeJournal(const Journal& journal);

// Settles the journal of a run that is gone (the caller holds every
// entry's lock). Each output is renamed (its target is the temporary's
// file), waiting (its temporary is there and its target still the earlier
// file, or none) or lost (taken back by the run itself, or changed since).
// With none lost each waiting temporary is renamed into place; else each
// renamed output gets its earlier file back from its second name, or is
// removed when it had none. A target that is neither the run's file nor
// the earlier one is never touched. Then the temporaries, the second names
// and the journal are removed. Done again after a kill it ends the same.
// The journal stays when a rename fails.
std::error_code settleJournal(const Journal& journal, bool durable);

} // namespace zd::files
