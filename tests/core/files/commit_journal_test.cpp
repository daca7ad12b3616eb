// A set killed while its outputs were put in place is made whole by the next
// run that writes into one of its folders: the renames finished when every
// waiting temporary is there, else taken back. The journal names any path
// and is never read half-written.
#include "core/files/commit_journal.h"
#include "core/files/output_set.h"
#include "core/files/temporary_names.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

namespace zd::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

TEST(CommitJournal, NamesAnyPathAndRefusesWhatIsNotAWholeJournal) {
    const files::Journal journal{
        {"/a b/.zd~1.jnl", "C:\\x\\.zd~2.jnl"},
        {{"k-1", "/a b/.zd~t.tmp", "/a b/new\nline\x01\xff.bin", "", {}, {1, 2}},
         {"k-2", "/t2", "/o2", "/b2", files::Identity{3, 4}, {~0ull, 0x0123456789abcdefull}}}};
    const std::string text = files::journalText(journal);
    files::Journal read;
    ASSERT_TRUE(files::parseJournal(text, read));
    EXPECT_EQ(files::journalText(read), text);
    EXPECT_EQ(read.entries[0].target, journal.entries[0].target);
    EXPECT_EQ(read.entries[1].written, journal.entries[1].written);
    EXPECT_EQ(read.entries[1].earlier, (files::Identity{3, 4}));
    EXPECT_FALSE(read.entries[0].earlier);
    for (std::size_t size = 0; size < text.size(); ++size) {
        EXPECT_FALSE(files::parseJournal(text.substr(0, size), read)) << size;
    }
    const std::string entry = "entry 6b 2f74 2f6f - 0000000000000001:0000000000000002 "
                              "0000000000000003:0000000000000004\n";
    for (const char* line : {"copy 2f78 2f79\n", "copy 2g\n", "copy 2\n", "copy -\n", "other 2f\n",
                             "entry 6b 2f74 2f6f - - 0000000000000003:000000000000004\n",
                             "entry 6b 2f74 2f6f - - 0000000000000003-0000000000000004\n",
                             "entry 6b 2f74 2f6f - 0000000000000001:000000000000000g -\n",
                             "entry 6b 2f74 2f6f - 0000000000000001:0000000000000002\n"}) {
        const std::string other = "zd-journal 1\ncopy 2f6a\n" + entry + line + "end\n";
        EXPECT_FALSE(files::parseJournal(other, read)) << line;
    }
    EXPECT_TRUE(files::parseJournal("zd-journal 1\ncopy 2f6a\n" + entry + "end\n", read));
    EXPECT_EQ(read.entries[0].target, "/o");
    EXPECT_TRUE(read.entries[0].backup.empty());
    EXPECT_EQ(read.entries[0].earlier, (files::Identity{1, 2}));
    EXPECT_FALSE(files::parseJournal("zd-journal 1\ncopy 2f6a\nend\n", read));
    EXPECT_FALSE(files::parseJournal("zd-journal 1\n" + entry + "end\n", read));
}

// Three outputs of one set, two in the folder and one in sub/ (which had no
// earlier file), left as a kill left them: each output's temporary waiting,
// already renamed into place, or lost (taken back before the kill).
class KilledSet : public ::testing::Test {
  protected:
    enum class State { Waiting, Renamed, Lost };
    void SetUp() override { fs::create_directory(dir.path() / "sub"); }

    void leave(const std::vector<State>& states) {
        for (std::size_t i = 0; i < targets.size(); ++i) {
            if (!earlier[i].empty()) {
                writeFile(targets[i], earlier[i]);
            }
            const std::string folder =
                targets[i].substr(0, targets[i].rfind(files::kSeparator) + 1);
            const std::string name = targets[i].substr(folder.size());
            const std::string temporary = folder + files::newTemporaryName(name);
            writeFile(temporary, "new " + name);
            files::Status written, parent, before;
            ASSERT_FALSE(files::statusOf(temporary, written));
            ASSERT_FALSE(files::statusOf(folder, parent));
            std::optional<files::Identity> earlierFile;
            if (!files::statusOf(targets[i], before)) {
                earlierFile = before.identity;
            }
            std::string backup;
            if (!earlier[i].empty() && i + 1 < targets.size()) {
                backup = folder + files::newTemporaryName(name);
                fs::create_hard_link(pathOf(targets[i]), pathOf(backup));
            }
            journal.entries.push_back({files::lockKeyOf(parent.identity, name), temporary,
                                       targets[i], backup, earlierFile, written.identity});
            if (states[i] != State::Waiting) {
                fs::rename(pathOf(temporary), pathOf(targets[i]));
            }
            if (states[i] == State::Lost) { // put back as the run's rollback does
                if (backup.empty()) {
                    fs::remove(pathOf(targets[i]));
                } else {
                    fs::rename(pathOf(backup), pathOf(targets[i]));
                }
            }
        }
        for (const std::string& folder : {dir / "", dir / "sub/"}) {
            journal.copies.push_back(folder + files::journalNameOf(files::newTemporaryName("j")));
        }
        ASSERT_FALSE(files::writeJournal(journal, false));
    }
    // Each output's content, "-" for none.
    Names contents() const {
        Names found;
        for (const std::string& target : targets) {
            found.push_back(fs::exists(pathOf(target)) ? readFile(target) : "-");
        }
        return found;
    }

    TempDir dir;
    const Names targets{dir / "out.bin", dir / "sub/out.c", dir / "out.h"};
    const Names earlier{"earlier image", "", "earlier list"};
    const Names before{"earlier image", "-", "earlier list"};
    const Names after{"new out.bin", "new out.c", "new out.h"};
    files::Journal journal;
};

// The next run writes an unrelated file in either folder of the set.
TEST_F(KilledSet, IsFinishedWhenNoTemporaryIsLostElseTakenBack) {
    using enum State;
    const std::pair<std::vector<State>, Names> cases[] = {
        {{Waiting, Waiting, Waiting}, after}, // killed once the journal was written
        {{Renamed, Waiting, Waiting}, after}, {{Renamed, Renamed, Waiting}, after},
        {{Renamed, Renamed, Renamed}, after}, // before the journal was removed
        {{Lost, Renamed, Waiting}, before},   // while the rollback ran
        {{Renamed, Lost, Waiting}, before},   {{Lost, Lost, Waiting}, before},
    };
    bool inSub = false;
    for (const auto& [states, expected] : cases) {
        SCOPED_TRACE(expected == after ? "finished" : "taken back");
        fs::remove_all(dir.path());
        fs::create_directories(dir.path() / "sub");
        journal = {};
        leave(states);
        const std::string next = inSub ? dir / "sub/note.txt" : dir / "note.txt";
        ASSERT_FALSE(files::writeWholeFile(next, "next run"));
        EXPECT_EQ(contents(), expected);
        // No temporary or journal stays: out.bin, out.h, sub, out.c when new.
        EXPECT_EQ(namesIn(dir.path()).size(), 3u + !inSub);
        EXPECT_EQ(namesIn(dir.path() / "sub").size(), (expected == after ? 1u : 0u) + inSub);
        inSub = !inSub;
    }
}

// While another run holds one of its outputs, a set is left alone: the
// next run to another file goes ahead, one to an output of the set is
// refused as in use. Once free, a run to that output settles it first.
TEST_F(KilledSet, IsLeftAloneWhileAnOutputIsInUse) {
    leave({State::Renamed, State::Waiting, State::Waiting});
    const Names left = namesIn(dir.path());
    {
        files::NamedLock held;
        ASSERT_FALSE(held.tryLock(journal.entries[1].key));
        ASSERT_FALSE(files::writeWholeFile(dir / "note.txt", "next run"));
        EXPECT_EQ(files::writeWholeFile(targets[2], "mine"), files::FileErrc::InUse);
        EXPECT_EQ(contents(), (Names{"new out.bin", "-", "earlier list"}));
        EXPECT_EQ(namesIn(dir.path()).size(), left.size() + 1);
    }
    ASSERT_FALSE(files::writeWholeFile(targets[2], "mine"));
    EXPECT_EQ(contents(), (Names{"new out.bin", "new out.c", "mine"}));
    EXPECT_EQ(namesIn(dir.path()), (Names{"note.txt", "out.bin", "out.h", "sub"}));
}

// A target changed since the kill (by a run that did not see the journal)
// is never touched: the rest of the set is taken back around it.
TEST_F(KilledSet, ATargetChangedSinceIsLeftAsItIs) {
    leave({State::Renamed, State::Waiting, State::Waiting});
    writeFile(dir / "changed", "changed"); // a new file, while the earlier one is there
    fs::rename(pathOf(dir / "changed"), pathOf(targets[2]));
    ASSERT_FALSE(files::writeWholeFile(dir / "note.txt", "next run"));
    EXPECT_EQ(contents(), (Names{"earlier image", "-", "changed"}));
    EXPECT_EQ(namesIn(dir.path() / "sub"), Names{});
}

// A merge of several outputs leaves no journal, whether it lands or fails;
// a file that only looks like a journal is left alone.
TEST_F(KilledSet, NoJournalStaysAndALookAlikeIsLeftAlone) {
    const std::string lookAlike = dir / files::journalNameOf(files::newTemporaryName("x"));
    writeFile(lookAlike, "zd-journal 1\nend\n");
    files::OutputSet set;
    files::OutputFile* first = nullptr;
    files::OutputFile* second = nullptr;
    ASSERT_FALSE(set.add(targets[0], first));
    ASSERT_FALSE(set.add(targets[1], second));
    ASSERT_FALSE(first->write("one"));
    ASSERT_FALSE(set.commit());
    EXPECT_EQ(namesIn(dir.path()),
              (Names{fs::path(pathOf(lookAlike)).filename().string(), "out.bin", "sub"}));
    EXPECT_EQ(namesIn(dir.path() / "sub"), (Names{"out.c"}));
}

} // namespace
} // namespace zd::test
