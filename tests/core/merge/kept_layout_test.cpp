// Merges that keep the layout of an earlier merge, through the request: the
// image laid out in slots, its table in list order, the manifest's slots,
// the readers on what it wrote, and the earlier list files refused.
#include "core/check/check.h"
#include "core/firmware/manifest.h"
#include "core/image/crc32.h"
#include "core/merge/merge.h"
#include "core/model/list_file.h"
#include "tests/core/merge_fixture.h"

namespace zd::test {
namespace {

using KeptLayout = MergeTest;

std::vector<NewEntry> rowsOf(const Names& paths) {
    std::vector<NewEntry> rows;
    for (const std::string& path : paths) {
        rows.push_back({path, static_cast<std::uint32_t>(fs::file_size(path))});
    }
    return rows;
}

// The earlier list file is read before anything is written: one that is no
// list file is refused, none at all gives a fresh layout. A file grown
// within its slot moves nothing; one grown past it goes after every slot,
// its earlier slot filled, and the table lists the rows in list order. The
// manifest records the slots, and verify, inspect and unpack read it all.
TEST_F(KeptLayout, OnlyAFileThatOutgrewItsSlotMoves) {
    MergeRequest request{.rows = rowsOf({a, b}),
                         .frontOffset = 4096,
                         .alignment = 4096,
                         .infoTable = true,
                         .reserve = {25, true},
                         .keepLayout = true,
                         .image = outputs,
                         .manifest = dir / "m.json"};
    const MergeResult notAList = planMerge(request).refusal;
    EXPECT_EQ(summary(notAList), summary(MergeStatus::EarlierLayoutUnusable, outputs.listPath));
    EXPECT_EQ(notAList.reason, "line 1: line 1 is not the list file's \"{\"");
    expectEarlierKept();
    fs::remove(pathOf(outputs.listPath));
    MergePlan plan = planMerge(request);
    EXPECT_TRUE(plan.kept.listMissing && plan.kept.listPath.empty());
    ASSERT_TRUE(runMerge(request, plan).ok());
    const std::string first = readFile(outputs.imagePath);
    ASSERT_EQ(first.size(), 16384u); // b's slot: 5000 bytes and 1250 more, aligned

    writeFile(a, patternBytes(4096, 3)); // a's whole slot
    request.rows = rowsOf({a, b});
    plan = planMerge(request);
    EXPECT_TRUE(plan.kept.listPath == outputs.listPath && plan.kept.moves.kept == 2 &&
                plan.kept.moves.moved.empty());
    ASSERT_TRUE(runMerge(request, plan).ok());
    std::string image = readFile(outputs.imagePath);
    EXPECT_TRUE(image ==
                le32(4096) + le32(4096) + first.substr(8, 4088) + readFile(a) + first.substr(8192));

    writeFile(a, patternBytes(4097, 4));
    request.rows = rowsOf({b, a});
    plan = planMerge(request);
    ASSERT_EQ(plan.kept.moves.moved.size(), 1u);
    EXPECT_EQ(plan.kept.moves.moved[0].to, 16384u);
    ASSERT_TRUE(runMerge(request, plan).ok());
    image = readFile(outputs.imagePath);
    const std::string filler(4096, '\xFF');
    EXPECT_TRUE(image == le32(8192) + le32(5000) + le32(16384) + le32(4097) + filler.substr(16) +
                             filler + bbytes + filler.substr(0, 16384 - 13192) + readFile(a) +
                             std::string(24576 - 20481, '\xFF'));
    const Manifest manifest = readManifest(dir / "m.json").manifest;
    EXPECT_TRUE(manifest.slots && manifest.reserve == (Reserve{25, true}));
    EXPECT_EQ(manifest.rows[0].slotEnd, 16384u);
    EXPECT_EQ(manifest.rows[1].slotEnd, 24576u);
    EXPECT_TRUE(check::verifyAgainstManifest(outputs.imagePath, dir / "m.json").ok());
    const check::VerifyResult byList =
        check::verifyAgainstList(outputs.imagePath, outputs.listPath);
    EXPECT_TRUE(byList.ok() && byList.tableChecked);
    std::vector<std::uint64_t> numbers;
    const auto inspected = check::inspectImage(outputs.imagePath, [&](const check::TableRow& row) {
        numbers.push_back(row.number);
        EXPECT_EQ(row.crc, crc32Of(row.number == 1 ? bbytes : readFile(a)));
    });
    EXPECT_TRUE(inspected.status == check::InspectResult::Status::Ok &&
                inspected.frontOffset == 8192 && numbers == (std::vector<std::uint64_t>{1, 2}));
    ASSERT_TRUE(check::unpackImage(outputs.imagePath, dir / "u").ok());
    EXPECT_TRUE(readFile(dir / "u/001.bin") == bbytes &&
                readFile(dir / "u/002.bin") == readFile(a));
}

// An earlier layout named by its list file is a file the merge reads: no
// output may replace it, and the dependency file names it. One that cannot
// be read or kept, and a front area over a kept file, are refused before
// anything is written.
TEST_F(KeptLayout, TheListFileOfAnEarlierLayout) {
    const std::string old = dir / "old.h";
    writeFile(old, listFileText(test::listOf(100, std::vector<NewEntry>{{a, 1234}, {b, 5000}})));
    MergeRequest request{
        .rows = rowsOf({b, a}), .layoutFrom = old, .image = outputs, .depfile = dir / "out.d"};
    ASSERT_TRUE(runMerge(request, planMerge(request)).ok());
    EXPECT_NE(readFile(dir / "out.d").find("old.h:\n"), std::string::npos); // its empty rule
    EXPECT_NE(readFile(outputs.listPath).find(", 5000, 1334;\n\t2, "), std::string::npos);

    writeFile(dir / "out.bin", "earlier image");
    writeFile(dir / "out.h", "earlier list");
    const auto refusal = [&](auto change) {
        MergeRequest changed = request;
        changed.depfile.clear();
        change(changed);
        return runMerge(changed, planMerge(changed));
    };
    EXPECT_EQ(summary(refusal([&](MergeRequest& r) { r.cHeader.path = old; })),
              summary(MergeStatus::OutputIsInput, old));
    EXPECT_EQ(summary(refusal([&](MergeRequest& r) { r.layoutFrom = dir / "none.h"; })),
              summary(MergeStatus::EarlierLayoutUnusable, dir / "none.h",
                      errc(std::errc::no_such_file_or_directory)));
    const std::string header = "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n";
    writeFile(dir / "bad.h", header + "\t1, \"/x/a\", 10, 0;\n\t2, \"/x/b\", 10, 9;\n\n}\n");
    EXPECT_EQ(refusal([&](MergeRequest& r) { r.layoutFrom = dir / "bad.h"; }).reason,
              "rows 1 and 2 overlap");
    writeFile(dir / "bad.h", header + "\t1, \"/x/a\", 10, far;\n\n}\n");
    EXPECT_EQ(refusal([&](MergeRequest& r) { r.layoutFrom = dir / "bad.h"; }).reason,
              "line 4: the address far is not an unsigned 32-bit number");
    const MergeResult front = refusal([&](MergeRequest& r) { r.frontOffset = 101; });
    EXPECT_EQ(summary(front), summary(MergeStatus::FrontAreaReachesKept, a));
    EXPECT_EQ(front.address, 100u);
    expectEarlierKept({"a.bin", "b.bin", "bad.h", "old.h", "out.bin", "out.d", "out.h"});
}

} // namespace
} // namespace zd::test
