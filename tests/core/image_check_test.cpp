// Verify, inspect and unpack on images the merge wrote, and on images and
// files changed afterwards: each change must be found at its row and offset.
#include "crc32.h"
#include "image_check.h"
#include "image_writer.h"
#include "list_file.h"
#include "manifest.h"
#include "test_files.h"

#include <filesystem>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

// Four files, one empty and one longer than a read chunk, at front offset
// 4096, merged with or without the table.
class ImageCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(dir.path() / "res");
        for (std::size_t i = 0; i < contents.size(); ++i) {
            writeFile(dir / names[i], contents[i]);
        }
        const EntryList list = listAt(4096);
        for (const Entry& entry : list.entries()) {
            addresses.push_back(entry.address);
        }
        paths = {test::textOf(dir.path()) + "/", dir / "img.bin", dir / "img.h"};
        ASSERT_TRUE(mergeImage(list, true, paths).ok());
        ASSERT_TRUE(mergeImage(list, false,
                               {test::textOf(dir.path()) + "/", dir / "plain.bin", dir / "plain.h"})
                        .ok());
        image = readFile(paths.imagePath);
        Manifest manifest;
        manifest.frontOffset = 4096;
        manifest.infoTable = true;
        manifest.imageSize = image.size();
        manifest.imageCrc = crc32Of(image);
        for (std::size_t i = 0; i < contents.size(); ++i) {
            manifest.rows.push_back({dir / names[i], static_cast<std::uint32_t>(contents[i].size()),
                                     addresses[i], crc32Of(contents[i])});
        }
        writeFile(dir / "img.json", manifestText(manifest));
    }

    // The files from `firstFile` on, laid out at `frontOffset`.
    EntryList listAt(std::uint32_t frontOffset, std::size_t firstFile = 0) const {
        EntryList list;
        list.setFrontOffset(frontOffset);
        list.recomputeLayout();
        for (std::size_t i = firstFile; i < contents.size(); ++i) {
            list.appendEntry(dir / names[i], static_cast<std::uint32_t>(contents[i].size()), "");
        }
        return list;
    }

    // Each bad row as "No. fault offset" (and the table's say).
    std::vector<std::string> findings(const VerifyResult& result) {
        static const char* kContent[] = {"", "bytes", "crc", "short", "missing", "input-size"};
        std::vector<std::string> out;
        for (const RowFinding& row : result.rows) {
            std::string line = std::to_string(row.number) + " " +
                               kContent[static_cast<int>(row.content)] + " " +
                               std::to_string(row.offset);
            if (row.table != TableFault::None) {
                line += row.table == TableFault::Differs
                            ? " table " + std::to_string(row.tableAddress) + "/" +
                                  std::to_string(row.tableSize)
                            : " table-missing";
            }
            out.push_back(line);
        }
        return out;
    }

    test::TempDir dir;
    const std::vector<std::string> names = {"res/a.bin", "res/empty.bin", "res/big.bin",
                                            "res/d.bin"};
    const std::vector<std::string> contents = {
        test::patternBytes(3000, 1), "", test::patternBytes(1200000, 2), test::patternBytes(1, 3)};
    std::vector<std::uint32_t> addresses; // 4096, 7096, 7096, 1207096; 1207097 in all
    OutputPaths paths;
    std::string image;
};

using Strings = std::vector<std::string>;

std::string le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

TEST_F(ImageCheck, VerifyAgainstTheListFindsEveryBadRow) {
    const VerifyResult clean = verifyAgainstList(paths.imagePath, paths.listPath);
    EXPECT_EQ(clean.status, VerifyResult::Status::Ok);
    EXPECT_TRUE(clean.tableChecked);
    EXPECT_EQ(clean.imageSize, 1207097u);
    EXPECT_EQ(clean.bytesPastLayout, 0u);

    struct Case {
        const char* what;
        std::function<void()> change;
        Strings expected;
    };
    const std::string big = dir / names[2];
    const Case cases[] = {
        {"a byte past the first read chunk",
         [&] {
             std::string s = image;
             s[7096 + 1048576 + 10] ^= 1;
             writeFile(paths.imagePath, s);
         },
         {"3 bytes 1055682"}},
        {"a byte of a file",
         [&] {
             std::string s = contents[0];
             s[10] ^= 0x80;
             writeFile(dir / names[0], s);
         },
         {"1 bytes 4106"}},
        {"a file gone, even an empty one",
         [&] {
             fs::remove(test::pathOf(dir / names[1]));
             fs::remove(test::pathOf(dir / names[3]));
         },
         {"2 missing 0", "4 missing 0"}},
        {"a file grown", [&] { writeFile(big, contents[2] + "x"); }, {"3 input-size 0"}},
        {"a file cut", [&] { writeFile(big, contents[2].substr(0, 9)); }, {"3 input-size 7105"}},
        {"the image cut inside a row",
         [&] { writeFile(paths.imagePath, image.substr(0, 9000)); },
         {"3 short 9000", "4 short 1207096"}},
        {"a table record",
         [&] {
             std::string s = image;
             s[12] = 9;
             writeFile(paths.imagePath, s);
         },
         {"2  0 table 7096/9"}},
    };
    for (const Case& c : cases) {
        c.change();
        const VerifyResult result = verifyAgainstList(paths.imagePath, paths.listPath);
        EXPECT_EQ(result.status, VerifyResult::Status::Mismatch) << c.what;
        EXPECT_EQ(findings(result), c.expected) << c.what;
        for (std::size_t i = 0; i < contents.size(); ++i) {
            writeFile(dir / names[i], contents[i]);
        }
        writeFile(paths.imagePath, image);
    }
    // A file that is a folder now.
    fs::remove(test::pathOf(dir / names[3]));
    fs::create_directory(test::pathOf(dir / names[3]));
    const VerifyResult folder = verifyAgainstList(paths.imagePath, paths.listPath);
    ASSERT_EQ(findings(folder), Strings{"4 missing 0"});
    EXPECT_TRUE(folder.rows[0].error);
#ifndef _WIN32
    EXPECT_EQ(folder.rows[0].error, std::errc::is_a_directory);
#endif
    fs::remove(test::pathOf(dir / names[3]));
    writeFile(dir / names[3], contents[3]);
    // A list that names the files relative to its folder.
    writeFile(dir / "relative.h", listFileText(listAt(4096), test::textOf(dir.path())));
    ASSERT_NE(readFile(dir / "relative.h").find("\"res/big.bin\""), std::string::npos);
    EXPECT_EQ(verifyAgainstList(paths.imagePath, dir / "relative.h").status,
              VerifyResult::Status::Ok);
    // A dump of the whole chip: the bytes past the layout are a note.
    writeFile(paths.imagePath, image + std::string(5000, '\xFF'));
    const VerifyResult dump = verifyAgainstList(paths.imagePath, paths.listPath);
    EXPECT_EQ(dump.status, VerifyResult::Status::Ok);
    EXPECT_EQ(dump.bytesPastLayout, 5000u);
    // Without a table, the erased front area is not a table to check.
    const VerifyResult plain = verifyAgainstList(dir / "plain.bin", dir / "plain.h");
    EXPECT_EQ(plain.status, VerifyResult::Status::Ok);
    EXPECT_FALSE(plain.tableChecked);
    EXPECT_EQ(verifyAgainstList(paths.imagePath, dir / "none.h").status,
              VerifyResult::Status::LayoutUnreadable);
    for (const std::string& unreadable : {dir / "none.bin", test::textOf(dir.path())}) {
        EXPECT_EQ(verifyAgainstList(unreadable, paths.listPath).status,
                  VerifyResult::Status::ImageUnreadable)
            << unreadable;
    }
}

// The table is checked whenever the front area has room for 8 bytes a row:
// one byte of it changed (`at`) is found, or, without room, not looked at.
TEST_F(ImageCheck, VerifyChecksTheTableWhereTheFrontAreaHoldsOne) {
    struct Case {
        std::uint32_t front;
        std::size_t firstFile;
        std::size_t at;
        Strings expected;
    };
    const Case cases[] = {
        {33, 0, 27, {"4  0 table 17980249/1"}}, // room for just the 4 records
        {9, 3, 0, {"1  0 table 8/1"}},          // one row
        {32, 0, 0, {}},                         // no room
    };
    for (const Case& c : cases) {
        const OutputPaths out = {test::textOf(dir.path()) + "/", dir / "t.bin", dir / "t.h"};
        ASSERT_TRUE(mergeImage(listAt(c.front, c.firstFile), true, out).ok());
        std::string changed = readFile(out.imagePath);
        changed[c.at] ^= 1;
        writeFile(out.imagePath, changed);
        const VerifyResult result = verifyAgainstList(out.imagePath, out.listPath);
        EXPECT_EQ(findings(result), c.expected) << c.front;
        EXPECT_EQ(result.tableChecked, !c.expected.empty()) << c.front;
    }
}

TEST_F(ImageCheck, VerifyAgainstTheManifestChecksCrcsAndTheWholeImage) {
    const std::string manifest = dir / "img.json";
    EXPECT_EQ(verifyAgainstManifest(paths.imagePath, manifest).status, VerifyResult::Status::Ok);
    // The files themselves are not looked at.
    fs::remove(test::pathOf(dir / names[0]));
    EXPECT_EQ(verifyAgainstManifest(paths.imagePath, manifest).status, VerifyResult::Status::Ok);

    std::string changed = image;
    changed[1207096] ^= 0x10;
    writeFile(paths.imagePath, changed);
    VerifyResult result = verifyAgainstManifest(paths.imagePath, manifest);
    EXPECT_EQ(findings(result), Strings{"4 crc 0"});
    ASSERT_EQ(result.rows.size(), 1u);
    EXPECT_EQ(result.rows[0].crcExpected, crc32Of(contents[3]));
    EXPECT_EQ(result.rows[0].crcFound, crc32Of(changed.substr(1207096)));
    EXPECT_TRUE(result.imageCrcDiffers);

    // The filler is no row's, but the image's CRC covers it.
    changed = image;
    changed[4000] = 0;
    writeFile(paths.imagePath, changed);
    result = verifyAgainstManifest(paths.imagePath, manifest);
    EXPECT_EQ(result.status, VerifyResult::Status::Mismatch);
    EXPECT_TRUE(result.rows.empty());
    EXPECT_TRUE(result.imageCrcDiffers);
    EXPECT_EQ(result.imageCrcFound, crc32Of(changed));

    writeFile(paths.imagePath, image.substr(0, 4100));
    result = verifyAgainstManifest(paths.imagePath, manifest);
    EXPECT_EQ(findings(result), (Strings{"1 short 4100", "3 short 7096", "4 short 1207096"}));
    EXPECT_TRUE(result.imageShort);

    // The manifest says a table was written: an erased front area is wrong.
    result = verifyAgainstManifest(dir / "plain.bin", manifest);
    EXPECT_EQ(findings(result),
              (Strings{"1  0 table 4294967295/4294967295", "2  0 table 4294967295/4294967295",
                       "3  0 table 4294967295/4294967295", "4  0 table 4294967295/4294967295"}));
    writeFile(paths.imagePath, image.substr(0, 20));
    EXPECT_EQ(
        findings(verifyAgainstManifest(paths.imagePath, manifest)),
        (Strings{"1 short 4096", "3 short 7096 table-missing", "4 short 1207096 table-missing"}));
}

TEST_F(ImageCheck, InspectFindsTheTableAndTheCrcOfEachRow) {
    std::vector<TableRow> rows;
    const auto collect = [&](const TableRow& row) { rows.push_back(row); };
    InspectResult result = inspectImage(paths.imagePath, collect);
    ASSERT_EQ(result.status, InspectResult::Status::Ok);
    EXPECT_EQ(result.frontOffset, 4096u);
    EXPECT_EQ(result.imageSize, image.size());
    ASSERT_EQ(rows.size(), 4u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].number, i + 1);
        EXPECT_EQ(rows[i].address, addresses[i]);
        EXPECT_EQ(rows[i].size, contents[i].size());
        EXPECT_EQ(rows[i].crc, crc32Of(contents[i]));
    }
    // Still found in a dump of the whole chip.
    writeFile(paths.imagePath, image + std::string(100, '\xFF'));
    EXPECT_EQ(inspectImage(paths.imagePath, {}).rowCount, 4u);

    const std::string le9 = std::string("\x09\x00\x00\x00\x00\x00\x00\x00", 8);
    const std::pair<std::string, std::uint64_t> images[] = {
        {image.substr(0, 4096) + "x", 0},                      // rows past the image's end
        {image.substr(0, 4095) + "x" + image.substr(4096), 0}, // filler not erased
        {readFile(dir / "plain.bin"), 0},
        {le9 + "\xFF", 1},                         // one empty row, right after the front area
        {le9, 0},                                  // the front area past the end
        {std::string("\x08\0\0\0\0\0\0\0", 8), 0}, // no room for the table
        {std::string(4, '\x09'), 0},
        // two rows, then a record that does not chain on: no table
        {le32(64) + le32(1) + le32(65) + le32(1) + std::string(8, '\0') + std::string(40, '\xFF') +
             "xy",
         0},
        {le32(64) + le32(1) + le32(65) + le32(1) + std::string(48, '\xFF') + "xy", 2},
        {le32(17) + le32(1) + le32(18) + le32(1) + "\xFF" + "xy", 2}, // room for just 2
        {le32(16) + le32(1) + le32(17) + le32(1) + "xy", 0},          // no room for the second
    };
    for (const auto& [bytes, count] : images) {
        writeFile(paths.imagePath, bytes);
        result = inspectImage(paths.imagePath, {});
        EXPECT_EQ(result.status, count ? InspectResult::Status::Ok : InspectResult::Status::NoTable)
            << bytes.size();
        EXPECT_EQ(result.rowCount, count) << bytes.size();
    }
    EXPECT_EQ(inspectImage(dir / "none.bin", {}).status, InspectResult::Status::ImageUnreadable);
#ifndef _WIN32
    // A device is read to its end for its length.
    result = inspectImage("/dev/null", {});
    EXPECT_EQ(result.status, InspectResult::Status::NoTable);
    EXPECT_EQ(result.imageSize, 0u);
#endif
}

TEST_F(ImageCheck, UnpackWritesEveryRowAndNeverOverwrites) {
    const std::string out = dir / "out";
    fs::create_directory(test::pathOf(out));
    UnpackResult result = unpackImage(paths.imagePath, out + "/", paths.listPath);
    ASSERT_EQ(result.status, UnpackResult::Status::Ok) << result.path;
    EXPECT_EQ(result.written,
              (Strings{out + "/a.bin", out + "/empty.bin", out + "/big.bin", out + "/d.bin"}));
    EXPECT_EQ(test::namesIn(out), (Strings{"a.bin", "big.bin", "d.bin", "empty.bin"}));
    for (std::size_t i = 0; i < contents.size(); ++i) {
        EXPECT_TRUE(readFile(out + "/" + names[i].substr(4)) == contents[i]);
    }
    // Again into the same folder: refused before anything is written.
    fs::remove(test::pathOf(out + "/d.bin"));
    result = unpackImage(paths.imagePath, out, paths.listPath);
    EXPECT_EQ(result.status, UnpackResult::Status::TargetExists);
    EXPECT_EQ(test::namesIn(out), (Strings{"a.bin", "big.bin", "empty.bin"}));

    // From the table: numbered names.
    const std::string numbered = dir / "numbered";
    fs::create_directory(test::pathOf(numbered));
    result = unpackImage(paths.imagePath, numbered);
    ASSERT_EQ(result.status, UnpackResult::Status::Ok);
    EXPECT_EQ(test::namesIn(numbered), (Strings{"001.bin", "002.bin", "003.bin", "004.bin"}));
    EXPECT_TRUE(readFile(numbered + "/003.bin") == contents[2]);
    EXPECT_EQ(readFile(numbered + "/004.bin"), contents[3]);
    EXPECT_EQ(numberedName(1000), "1000.bin");

    const std::string empty = dir / "empty";
    fs::create_directory(test::pathOf(empty));
    const auto listWith = [&](const std::string& name, const std::string& rows) {
        writeFile(dir / name, "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n" + rows + "\n}\n");
        return dir / name;
    };
    // Rows with gaps between them.
    listWith("gaps.h", "\t1, \"/x/p.bin\", 1, 4096;\n\t2, \"/y/q.bin\", 2, 4098;\n");
    const std::string gaps = dir / "gaps";
    fs::create_directory(test::pathOf(gaps));
    ASSERT_TRUE(unpackImage(paths.imagePath, gaps, dir / "gaps.h").ok());
    EXPECT_EQ(readFile(gaps + "/p.bin"), image.substr(4096, 1));
    EXPECT_EQ(readFile(gaps + "/q.bin"), image.substr(4098, 2));
    const std::pair<std::string, UnpackResult::Status> refused[] = {
        {"\t1, \"/x/d.bin\", 1, 4096;\n\t2, \"/y/d.bin\", 1, 4097;\n",
         UnpackResult::Status::DuplicateName},
        {"\t1, \"/x/..\", 1, 4096;\n", UnpackResult::Status::BadName},
        {"\t1, \"/x/.\", 1, 4096;\n", UnpackResult::Status::BadName},
        {"\t1, \"/x/\", 1, 4096;\n", UnpackResult::Status::BadName},
        {"\t1, \"/x/a.bin\", 1, 4096;\n\t2, \"/x/b.bin\", 2, 4096;\n",
         UnpackResult::Status::ListUnreadable},                            // rows that overlap
        {"\t1, \"/x/a.bin\", 1;\n", UnpackResult::Status::ListUnreadable}, // no address
    };
    for (const auto& [rows, status] : refused) {
        EXPECT_EQ(unpackImage(paths.imagePath, empty, listWith("refused.h", rows)).status, status)
            << rows;
    }
    const UnpackResult bad =
        unpackImage(paths.imagePath, empty, listWith("bad.h", "\t2, \"/x\", 1, 1;\n"));
    EXPECT_EQ(bad.status, UnpackResult::Status::ListUnreadable);
    EXPECT_EQ(bad.reason, "line 4: the first row is not number 1");
    EXPECT_EQ(unpackImage(dir / "plain.bin", empty).status, UnpackResult::Status::NoTable);
    EXPECT_EQ(unpackImage(paths.imagePath, dir / "none").status,
              UnpackResult::Status::FolderUnusable);
    writeFile(paths.imagePath, image.substr(0, image.size() - 1));
    EXPECT_EQ(unpackImage(paths.imagePath, empty, paths.listPath).status,
              UnpackResult::Status::ImageTooShort);
    EXPECT_TRUE(test::namesIn(empty).empty());
}

#ifndef _WIN32
// A write that fails half-way (the disk full, as the writer sees it) leaves
// none of the files this run made.
TEST_F(ImageCheck, UnpackThatFailsRemovesWhatItMade) {
    const std::string out = dir / "out";
    fs::create_directory(test::pathOf(out));
    for (const std::string& list : {paths.listPath, std::string()}) {
        const pid_t child = ::fork();
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit fileSize{100000, 100000};
            const bool failed =
                ::setrlimit(RLIMIT_FSIZE, &fileSize) == 0 &&
                unpackImage(paths.imagePath, out, list).status == UnpackResult::Status::WriteFailed;
            ::_exit(failed ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << list;
        EXPECT_TRUE(test::namesIn(out).empty()) << list;
    }
}
#endif

} // namespace
} // namespace zd
