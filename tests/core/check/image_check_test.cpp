// Verify, inspect and unpack on images the merge wrote, and on images and
// files changed afterwards: each change must be found at its row and offset.
#include "core/check/check.h"
#include "core/files/output_set.h"
#include "core/files/temporary_names.h"
#include "core/firmware/firmware.h"
#include "core/image/crc32.h"
#include "core/merge/merge.h"
#include "core/model/list_file.h"
#include "tests/core/merge_fixture.h"
#include "tests/support/posix_child.h"

#include <optional>

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::le32;
using test::readFile;
using test::writeFile;
using Strings = std::vector<std::string>;

// Four files, one empty and one longer than a read chunk, at front offset
// 4096: merged with the table, padded to a flash of 1212097 bytes and with a
// manifest from the merge's own checksums (img), and merged plain (plain).
class ImageCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(dir.path() / "res");
        for (std::size_t i = 0; i < contents.size(); ++i) {
            writeFile(dir / names[i], contents[i]);
        }
        const EntryList list = listAt(4096);
        // (Set one by one: GCC 12 takes the designated form's header prefix
        // for uninitialized.)
        MergeRequest request;
        request.frontOffset = 4096;
        request.infoTable = true;
        request.flashSize = 1212097;
        request.pad = true;
        request.image = paths;
        request.manifest = dir / "img.json";
        for (const Entry& entry : list.entries()) {
            request.rows.push_back({entry.path, entry.size});
        }
        ASSERT_TRUE(runMerge(request, planMerge(request)).ok());
        ASSERT_TRUE(mergeImage(list, false, *outputPathsFor(dir / "plain")).ok());
        image = readFile(paths.imagePath);
    }

    // The files from `firstFile` on, laid out at `frontOffset`.
    EntryList listAt(std::uint32_t frontOffset, std::size_t firstFile = 0) const {
        std::vector<NewEntry> rows;
        for (std::size_t i = firstFile; i < contents.size(); ++i) {
            rows.push_back({dir / names[i], static_cast<std::uint32_t>(contents[i].size())});
        }
        return test::listOf(frontOffset, rows);
    }

    // The status with what was checked or found of the whole image (the
    // table checked; the image short; its CRC differing, and found as that of
    // `bytes`), then each bad row as "No. fault offset" (a CRC's expected and
    // found, the table's say).
    static Strings outcome(const check::VerifyResult& result, const std::string& bytes = {}) {
        static const char* kStatus[] = {"ok", "mismatch", "image-unreadable", "layout-unreadable",
                                        "stopped"};
        static const char* kContent[] = {"",        "bytes",      "crc",   "short",
                                         "missing", "input-size", "before"};
        const char* crc = !result.imageCrcDiffers                  ? ""
                          : result.imageCrcFound == crc32Of(bytes) ? " crc-differs"
                                                                   : " crc-differs found-other";
        Strings out{std::string(kStatus[static_cast<int>(result.status)]) +
                    (result.tableChecked ? " table" : "") + (result.imageShort ? " short" : "") +
                    crc};
        for (const check::RowFinding& row : result.rows) {
            out.push_back(std::to_string(row.number) + " " +
                          kContent[static_cast<int>(row.content)] + " " +
                          std::to_string(row.offset));
            if (row.content == check::ContentFault::CrcDiffers) {
                out.back() +=
                    " sums " + std::to_string(row.crcExpected) + "/" + std::to_string(row.crcFound);
            }
            if (row.table != check::TableFault::None) {
                out.back() += row.table == check::TableFault::Missing
                                  ? " table-missing"
                                  : " table " + std::to_string(row.tableAddress) + "/" +
                                        std::to_string(row.tableSize);
            }
        }
        return out;
    }

    test::TempDir dir;
    const Strings names = {"res/a.bin", "res/empty.bin", "res/big.bin", "res/d.bin"};
    const Strings contents = {test::patternBytes(3000, 1), "", test::patternBytes(1200000, 2),
                              "\x03"};
    // Rows at 4096, 7096, 7096 and 1207096; the layout ends at 1207097.
    const OutputPaths paths = *outputPathsFor(dir / "img");
    std::string image;
};

TEST_F(ImageCheck, VerifyAgainstTheListFindsEveryBadRow) {
    const check::VerifyResult clean = check::verifyAgainstList(paths.imagePath, paths.listPath);
    EXPECT_EQ(outcome(clean), Strings{"ok table"});
    EXPECT_EQ(clean.imageSize, 1212097u);
    EXPECT_EQ(clean.bytesPastLayout, 5000u); // the padding is a note

    // Each case writes (or, with no content, removes) files, then restores all.
    std::string chunk = image, record = image, file = contents[0];
    chunk[7096 + 1048576 + 10] ^= 1; // past the first read chunk
    record[12] = 9;
    file[10] ^= 0x80;
    const std::string img = paths.imagePath, big = dir / names[2];
    using Writes = std::vector<std::pair<std::string, std::optional<std::string>>>;
    const std::pair<Writes, Strings> cases[] = {
        {{{img, chunk}}, {"mismatch table", "3 bytes 1055682"}},
        {{{dir / names[0], file}}, {"mismatch table", "1 bytes 4106"}},
        {{{dir / names[1], {}}, {dir / names[3], {}}},
         {"mismatch table", "2 missing 0", "4 missing 0"}},
        {{{big, contents[2] + "x"}}, {"mismatch table", "3 input-size 0"}},
        {{{big, contents[2].substr(0, 9)}}, {"mismatch table", "3 input-size 7105"}},
        {{{img, image.substr(0, 9000)}}, {"mismatch table", "3 short 9000", "4 before 9000"}},
        {{{img, record}}, {"mismatch table", "2  0 table 7096/9"}},
    };
    for (const auto& [writes, expected] : cases) {
        SCOPED_TRACE(expected[1]);
        for (const auto& [path, content] : writes) {
            content ? writeFile(path, *content) : void(fs::remove(test::pathOf(path)));
        }
        EXPECT_EQ(outcome(check::verifyAgainstList(img, paths.listPath)), expected);
        for (std::size_t i = 0; i < contents.size(); ++i) {
            writeFile(dir / names[i], contents[i]);
        }
        writeFile(img, image);
    }
    // A list naming the files relative to its folder; one without a table.
    writeFile(dir / "relative.h", listFileText(listAt(4096), test::textOf(dir.path())));
    EXPECT_TRUE(check::verifyAgainstList(img, dir / "relative.h").ok());
    EXPECT_EQ(outcome(check::verifyAgainstList(dir / "plain.bin", dir / "plain.h")),
              Strings{"ok"}); // the erased front area is no table
    EXPECT_EQ(outcome(check::verifyAgainstList(img, dir / "none.h")), Strings{"layout-unreadable"});
    for (const std::string& unreadable : {dir / "none.bin", test::textOf(dir.path())}) {
        EXPECT_EQ(outcome(check::verifyAgainstList(unreadable, paths.listPath)),
                  Strings{"image-unreadable"})
            << unreadable;
    }
    // A file that is a folder now.
    fs::remove(test::pathOf(dir / names[3]));
    fs::create_directory(test::pathOf(dir / names[3]));
    const check::VerifyResult folder = check::verifyAgainstList(img, paths.listPath);
    ASSERT_EQ(outcome(folder), (Strings{"mismatch table", "4 missing 0"}));
    EXPECT_TRUE(folder.rows[0].error);
}

// The table is checked where the front area has room for 8 bytes a row and
// holds one (one byte of it changed at `at` is found), or where asked; a
// lone record that names no row of the list is other data, not a table.
// Without room it is not looked at.
TEST_F(ImageCheck, VerifyChecksTheTableWhereTheFrontAreaHoldsOne) {
    const std::tuple<std::uint32_t, std::size_t, std::size_t, bool, Strings> cases[] = {
        {33, 0, 27, false, {"mismatch table", "4  0 table 17980249/1"}}, // room for just 4
        {9, 3, 0, true, {"mismatch table", "1  0 table 8/1"}},           // one row, asked
        {9, 3, 0, false, {"ok"}},                                        // one row: other data
        {32, 0, 0, true, {"ok"}},                                        // no room
    };
    for (const auto& [front, firstFile, at, asked, expected] : cases) {
        const OutputPaths out = *outputPathsFor(dir / "t");
        ASSERT_TRUE(mergeImage(listAt(front, firstFile), true, out).ok());
        std::string changed = readFile(out.imagePath);
        changed[at] ^= 1;
        writeFile(out.imagePath, changed);
        const check::VerifyResult result =
            check::verifyAgainstList(out.imagePath, out.listPath, {}, asked);
        EXPECT_EQ(outcome(result), expected) << front;
        EXPECT_EQ(result.otherDataInFront, front == 9 && !asked) << front;
    }
}

TEST_F(ImageCheck, VerifyAgainstTheManifestChecksCrcsAndTheWholeImage) {
    fs::remove(test::pathOf(dir / names[0])); // the files themselves are not looked at
    const auto changedAt = [&](std::size_t at, char to) {
        std::string bytes = image;
        bytes[at] = to;
        return bytes;
    };
    const std::string erased = " 0 table 4294967295/4294967295";
    const std::string sums =
        std::to_string(crc32Of(contents[3])) + "/" + std::to_string(crc32Of("\x13"));
    const std::pair<std::string, Strings> cases[] = {
        {image, {"ok table"}},
        {changedAt(1207096, '\x13'), {"mismatch table crc-differs", "4 crc 0 sums " + sums}},
        // Filler and padding are no row's, but the image's CRC covers them.
        {changedAt(4000, 0), {"mismatch table crc-differs"}},
        {changedAt(image.size() - 1, 0), {"mismatch table crc-differs"}},
        {image.substr(0, 4100),
         {"mismatch table short", "1 short 4100", "3 before 4100", "4 before 4100"}},
        // The manifest says a table was written: an erased front area is wrong.
        {readFile(dir / "plain.bin"),
         {"mismatch table short", "1 " + erased, "2 " + erased, "3 " + erased, "4 " + erased}},
        {image.substr(0, 20),
         {"mismatch table short", "1 before 20", "3 before 20 table-missing",
          "4 before 20 table-missing"}},
    };
    for (const auto& [bytes, expected] : cases) {
        writeFile(paths.imagePath, bytes);
        EXPECT_EQ(outcome(check::verifyAgainstManifest(paths.imagePath, dir / "img.json"), bytes),
                  expected);
    }
}

TEST_F(ImageCheck, InspectFindsTheTableAndTheCrcOfEachRow) {
    // Each row as "No. address size", and whether its CRC is its file's.
    Strings rows;
    check::InspectResult result =
        check::inspectImage(paths.imagePath, [&](const check::TableRow& row) {
            rows.push_back(std::to_string(row.number) + " " + std::to_string(row.address) + " " +
                           std::to_string(row.size) + " " +
                           std::to_string(row.crc == crc32Of(contents.at(row.number - 1))));
        });
    ASSERT_EQ(result.status, check::InspectResult::Status::Ok);
    EXPECT_EQ(result.frontOffset, 4096u);
    EXPECT_EQ(result.imageSize, image.size()); // found in the padded image too
    EXPECT_EQ(rows, (Strings{"1 4096 3000 1", "2 7096 0 1", "3 7096 1200000 1", "4 1207096 1 1"}));
    const std::string le9 = le32(9) + le32(0), rows2 = le32(64) + le32(1) + le32(65) + le32(1);
    // clang-format off
    const std::pair<std::string, std::uint64_t> images[] = {
        {image.substr(0, 4095) + "x" + image.substr(4096), 4}, // filler damaged
        {readFile(dir / "plain.bin"), 0}, {le32(8) + le32(0), 0}, {std::string(4, '\x09'), 0},
        {le9 + "\xFF", 1}, {le9, 0}, // one empty row right after the front area; that area past the end
        // two rows, then a record that does not chain on: no table
        {rows2 + std::string(8, '\0') + std::string(40, '\xFF') + "xy", 0},
        {rows2 + std::string(48, '\xFF') + "xy", 2},
        {le32(17) + le32(1) + le32(18) + le32(1) + "\xFF" + "xy", 2}, // room for just 2
        {le32(16) + le32(1) + le32(17) + le32(1) + "xy", 0},          // no room for the second
        // rows out of address order, but the second overlaps the first
        {le32(200) + le32(10) + le32(205) + le32(10) + std::string(192, '\xFF'), 0},
        // a filler of 0x01: its records would lie far past the rows
        {le32(64) + le32(4) + std::string(56, '\x01') + "abcd", 1},
    };
    // clang-format on
    for (const auto& [bytes, count] : images) {
        writeFile(paths.imagePath, bytes);
        result = check::inspectImage(paths.imagePath, {});
        EXPECT_EQ(result.status, count == 4 ? check::InspectResult::Status::FrontAreaDamaged
                                 : count    ? check::InspectResult::Status::Ok
                                            : check::InspectResult::Status::NoTable)
            << bytes.size();
        EXPECT_EQ(result.rowCount, count) << bytes.size();
    }
    writeFile(paths.imagePath, image.substr(0, 4096) + "x"); // rows past the image's end
    result = check::inspectImage(paths.imagePath, {});
    EXPECT_EQ(result.status, check::InspectResult::Status::ImageTooShort);
    EXPECT_EQ(result.tableEnd, 1207097u);
    // A second row that ends at 4 GiB, past the image's end.
    writeFile(paths.imagePath, le32(17) + le32(1) + le32(18) + le32(4294967278u) + "\xFF");
    EXPECT_EQ(check::inspectImage(paths.imagePath, {}).tableEnd, std::uint64_t{1} << 32);
    EXPECT_EQ(check::inspectImage(dir / "none.bin", {}).status,
              check::InspectResult::Status::ImageUnreadable);
}

// A merge that kept an earlier layout lists its rows out of address order:
// inspect tells them in the table's order, unpack numbers them so, verify
// takes them from a list or a manifest (whose slots no file may run past);
// rows that overlap are refused.
TEST_F(ImageCheck, ReadersTakeRowsInAnyOrder) {
    const std::string first(10, 'A'), second(20, 'B');
    writeFile(paths.imagePath, le32(200) + le32(10) + le32(100) + le32(20) + le32(150) + le32(0) +
                                   std::string(76, '\xFF') + second + std::string(80, '\xFF') +
                                   first);
    Strings rows;
    const check::InspectResult inspected =
        check::inspectImage(paths.imagePath, [&](const check::TableRow& row) {
            rows.push_back(std::to_string(row.number) + " " + std::to_string(row.address) + " " +
                           crc32Text(row.crc));
        });
    EXPECT_EQ(inspected.frontOffset, 100u);
    EXPECT_EQ(rows, (Strings{"1 200 " + crc32Text(crc32Of(first)),
                             "2 100 " + crc32Text(crc32Of(second)), "3 150 00000000"}));
    ASSERT_TRUE(check::unpackImage(paths.imagePath, dir / "u").ok());
    EXPECT_EQ(readFile(dir / "u/001.bin") + readFile(dir / "u/002.bin") +
                  readFile(dir / "u/003.bin"),
              first + second);

    writeFile(dir / "res/1", first);
    writeFile(dir / "res/2", second);
    writeFile(dir / "res/3", "");
    const auto list = [&](std::uint32_t secondAddress) {
        writeFile(dir / "l.h", "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n\t1, \"" +
                                   dir / "res/1" + "\", 10, 200;\n\t2, \"" + dir / "res/2" +
                                   "\", 20, " + std::to_string(secondAddress) + ";\n\t3, \"" +
                                   dir / "res/3" + "\", 0, 150;\n\n}\n");
        return check::verifyAgainstList(paths.imagePath, dir / "l.h");
    };
    EXPECT_EQ(outcome(list(100)), Strings{"ok table"});
    const check::VerifyResult overlapping = list(191);
    EXPECT_TRUE(outcome(overlapping) == Strings{"layout-unreadable"} &&
                overlapping.reason == "rows 1 and 2 overlap in the image")
        << overlapping.reason;

    Manifest manifest{.frontOffset = 100,
                      .infoTable = true,
                      .imageSize = 210,
                      .imageCrc = crc32Of(readFile(paths.imagePath)),
                      .rows = {{"", 10, 200, crc32Of(first), 209},
                               {"", 20, 100, crc32Of(second), 150},
                               {"", 0, 150, 0, 150}},
                      .slots = true};
    writeFile(dir / "m.json", manifestText(manifest));
    const check::VerifyResult pastSlot =
        check::verifyAgainstManifest(paths.imagePath, dir / "m.json");
    ASSERT_EQ(outcome(pastSlot), (Strings{"mismatch table", "1  0"}));
    EXPECT_EQ(pastSlot.rows[0].pastSlot, 209u);
    manifest.rows[0].slotEnd = 210;
    manifest.rows[2].address = 119;
    writeFile(dir / "m.json", manifestText(manifest));
    EXPECT_EQ(check::verifyAgainstManifest(paths.imagePath, dir / "m.json").reason,
              "rows 2 and 3 overlap in the image");
}

TEST_F(ImageCheck, UnpackWritesEveryRowAndNeverOverwrites) {
    // Each folder but `empty` made by the unpack.
    const std::string out = dir / "out", numbered = dir / "numbered", gaps = dir / "gaps",
                      empty = dir / "empty";
    fs::create_directory(test::pathOf(empty));
    check::UnpackResult result = check::unpackImage(paths.imagePath, out + "/", paths.listPath);
    ASSERT_TRUE(result.ok()) << result.path;
    EXPECT_EQ(result.written,
              (Strings{out + "/a.bin", out + "/empty.bin", out + "/big.bin", out + "/d.bin"}));
    for (std::size_t i = 0; i < contents.size(); ++i) {
        EXPECT_TRUE(readFile(out + "/" + names[i].substr(4)) == contents[i]) << i;
    }
    // Again into the same folder: refused before anything is written.
    fs::remove(test::pathOf(out + "/d.bin"));
    EXPECT_EQ(check::unpackImage(paths.imagePath, out, paths.listPath).status,
              check::UnpackResult::Status::TargetExists);
    EXPECT_EQ(test::namesIn(out), (Strings{"a.bin", "big.bin", "empty.bin"}));
    // A killed unpack's temporaries go with the next unpack of those names,
    // even one refused; another name's, and one a living writer holds, stay.
    const std::string stale = files::newTemporaryName("d.bin"),
                      other = files::newTemporaryName("x.bin"),
                      held = files::newTemporaryName("a.bin");
    writeFile(out + "/" + stale, "stale");
    writeFile(out + "/" + other, "another's");
    files::Output holder;
    ASSERT_FALSE(holder.createNew(out + "/" + held));
    EXPECT_EQ(check::unpackImage(paths.imagePath, out, paths.listPath).status,
              check::UnpackResult::Status::TargetExists);
    Strings spared{held, other, "a.bin", "big.bin", "empty.bin"};
    std::sort(spared.begin(), spared.end());
    EXPECT_EQ(test::namesIn(out), spared);
    ASSERT_FALSE(holder.close());
    fs::remove(test::pathOf(out + "/" + held));
    fs::remove(test::pathOf(out + "/" + other));
    // From the table: numbered names.
    ASSERT_TRUE(check::unpackImage(paths.imagePath, numbered).ok());
    EXPECT_EQ(test::namesIn(numbered), (Strings{"001.bin", "002.bin", "003.bin", "004.bin"}));
    EXPECT_TRUE(readFile(numbered + "/003.bin") == contents[2]);
    EXPECT_EQ(check::numberedName(1000), "1000.bin");

    const auto listWith = [&](const std::string& rows) {
        writeFile(dir / "l.h", "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n" + rows + "\n}\n");
        return dir / "l.h";
    };
    // Rows with gaps between them.
    ASSERT_TRUE(
        check::unpackImage(paths.imagePath, gaps,
                           listWith("\t1, \"/x/p.bin\", 1, 4096;\n\t2, \"/y/q.bin\", 2, 4098;\n"))
            .ok());
    EXPECT_EQ(readFile(gaps + "/p.bin") + readFile(gaps + "/q.bin"),
              image.substr(4096, 1) + image.substr(4098, 2));
    using Status = check::UnpackResult::Status;
    // clang-format off
    const std::pair<std::string, Status> refused[] = {
        {"\t1, \"/x/d.bin\", 1, 4096;\n\t2, \"/y/d.bin\", 1, 4097;\n", Status::DuplicateName},
        {"\t1, \"/x/..\", 1, 4096;\n", Status::BadName}, {"\t1, \"/x/.\", 1, 4096;\n", Status::BadName},
        {"\t1, \"/x/\", 1, 4096;\n", Status::BadName}, {"\t1, \"/x/a.bin\", 1;\n", Status::ListUnreadable},
        {"\t1, \"/x/a.bin\", 1, 4096;\n\t2, \"/x/b.bin\", 2, 4096;\n", Status::ListUnreadable}, // overlap
    };
    // clang-format on
    for (const auto& [rows, status] : refused) {
        EXPECT_EQ(check::unpackImage(paths.imagePath, empty, listWith(rows)).status, status)
            << rows;
    }
    EXPECT_EQ(check::unpackImage(paths.imagePath, empty, listWith("\t2, \"/x\", 1, 1;\n")).reason,
              "line 4: the first row is not number 1");
    EXPECT_EQ(check::unpackImage(dir / "plain.bin", empty).status, Status::NoTable);
    EXPECT_EQ(check::unpackImage(paths.imagePath, dir / "plain.bin/x").status,
              Status::FolderUnusable);
    writeFile(paths.imagePath, image.substr(0, 1207096));
    EXPECT_EQ(check::unpackImage(paths.imagePath, empty, paths.listPath).status,
              Status::ImageTooShort);
    EXPECT_TRUE(test::namesIn(empty).empty());
}

#ifndef _WIN32
// A write that fails half-way (the disk full, as the writer sees it) leaves
// none of the files this run made.
TEST_F(ImageCheck, UnpackThatFailsRemovesWhatItMade) {
    const std::string out = dir / "out";
    fs::create_directory(out);
    for (const std::string& list : {paths.listPath, std::string()}) {
        const auto child = test::inChild({.fileSizeLimit = 100000}, [&] {
            return std::to_string(
                static_cast<int>(check::unpackImage(paths.imagePath, out, list).status));
        });
        ASSERT_TRUE(child);
        EXPECT_EQ(*child,
                  std::to_string(static_cast<int>(check::UnpackResult::Status::WriteFailed)));
        EXPECT_TRUE(test::namesIn(out).empty()) << list;
    }
}
#endif

} // namespace
} // namespace zd
