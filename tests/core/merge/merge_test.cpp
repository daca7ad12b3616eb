// One merge request: the companions it asks for land with the image or not
// at all (HEX and S-records made in the pass that writes the image), the
// layouts it refuses before anything is written, a request whose only
// output is the C header, and a stop asked at any point.
#include "core/check/check.h"
#include "core/files/path_text.h"
#include "core/files/temporary_names.h"
#include "core/firmware/firmware.h"
#include "core/merge/merge.h"
#include "tests/core/merge_fixture.h"
#include "tests/support/folder_state.h"

namespace zd::test {
namespace {

using Merge = MergeTest;

bool holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The request's rows for `paths`, with their present lengths.
std::vector<NewEntry> rowsOf(const Names& paths) {
    std::vector<NewEntry> rows;
    for (const std::string& path : paths) {
        rows.push_back({path, static_cast<std::uint32_t>(fs::file_size(path))});
    }
    return rows;
}

// Every companion asked for lands beside the image, reported in the order
// the command line prints them. The header, the manifest and the list file
// name the files relative to the list file's folder; the HEX and S-records
// of the padded image (table, filler ending inside a record, inputs,
// padding), placed across a 64 KiB boundary, are those of the finished
// image.
TEST_F(Merge, TheRequestWritesEveryCompanion) {
    const MergeRequest request{.rows = rowsOf({a, b}),
                               .frontOffset = 20,
                               .infoTable = true,
                               .flashSize = 9000,
                               .pad = true,
                               .image = outputs,
                               .relative = true,
                               .cHeader = {.path = dir / "layout.h", .prefix = "FW_"},
                               .manifest = dir / "m.json",
                               .ihex = dir / "img.hex",
                               .srec = dir / "img.s37",
                               .base = 0xFFE5,
                               .flashromLayout = dir / "img.layout",
                               .fmap = dir / "img.fmap",
                               .layoutMap = dir / "img.svg"};
    EXPECT_EQ(mergeOutputs(request),
              (Names{outputs.imagePath, outputs.listPath, dir / "layout.h", dir / "m.json",
                     dir / "img.hex", dir / "img.s37", dir / "img.layout", dir / "img.fmap",
                     dir / "img.svg"}));
    const MergePlan plan = planMerge(request);
    ASSERT_TRUE(plan.ok());
    EXPECT_EQ(plan.imageSize, 9000u);
    ASSERT_TRUE(runMerge(request, plan).ok());

    const std::string image = readFile(dir / "out.bin");
    EXPECT_TRUE(image == le32(20) + le32(1234) + le32(1254) + le32(5000) + std::string(4, '\xFF') +
                             abytes + bbytes + std::string(9000 - 6254, '\xFF'));
    EXPECT_TRUE(holds(readFile(dir / "out.h"), "\t2, \"b.bin\", 5000, 1254;\n"));
    const std::string header = readFile(dir / "layout.h");
    EXPECT_TRUE(holds(header, "#define FW_IMAGE_BYTES 0x00002328u\n") &&
                holds(header, "/* 2: b.bin */\n#define FW_B_BIN_ADDR 0x000004E6u\n"))
        << header;
    // (The manifest's checksums and sizes: verified against the image it came with.)
    const Manifest manifest = readManifest(dir / "m.json").manifest;
    ASSERT_EQ(manifest.rows.size(), 2u);
    EXPECT_EQ(manifest.rows[1].path, "b.bin");
    EXPECT_TRUE(readFile(dir / "img.hex") == hexOf(HexFormat::IntelHex, {0xFFE5, true}, image));
    EXPECT_TRUE(readFile(dir / "img.s37") == hexOf(HexFormat::SRecord, {0xFFE5, true}, image));
    // The regions at the base; the FMAP's flash reaches past the image's
    // end there; the picture shows the table written and the flash's size.
    EXPECT_EQ(readFile(dir / "img.layout"), "0000ffe5:0000fff8 FRONT\n0000fff9:000104ca A_BIN\n"
                                            "000104cb:00011852 B_BIN\n");
    EXPECT_EQ(readFile(dir / "img.fmap").substr(18, 4), le32(0xFFE5 + 9000));
    const std::string map = readFile(dir / "img.svg");
    EXPECT_TRUE(holds(map, "file info table, 16 bytes") && holds(map, "in a flash of 9000 bytes"));
}

// The image must fit the flash (padding never makes it larger), and placed
// at the base its every byte, padding included, needs a 32-bit address when
// HEX or S-records are asked for. Refused before anything is written, with
// the image's length.
TEST(MergePlan, RefusesWhatTheFlashOrTheAddressesCannotHold) {
    EXPECT_TRUE(flashSizeProblem(0) && flashSizeProblem(kLargestFlash + 1));
    EXPECT_FALSE(flashSizeProblem(1) || flashSizeProblem(kLargestFlash));
    const MergeRequest fits{.rows = {{"/a", 0xFFFFF}}, .frontOffset = 0x1000}; // ends at 0x100FFF
    const auto with = [&](auto change) {
        MergeRequest request = fits;
        change(request);
        return request;
    };
    using enum MergeStatus;
    const std::tuple<MergeRequest, MergeStatus, std::uint64_t> cases[] = {
        {with([](auto& r) { r.flashSize = 0x100FFF; }), Ok, 0x100FFF},
        {with([](auto& r) { r.flashSize = 0x100FFE; }), LargerThanFlash, 0x100FFF},
        {with([](auto& r) { r.flashSize = 0x100FFE, r.pad = true; }), LargerThanFlash, 0x100FFF},
        {with([](auto& r) { r.flashSize = 0x200000, r.pad = true; }), Ok, 0x200000},
        {with([](auto& r) { r.ihex = "x", r.base = 0xFFEFF001; }), Ok, 0x100FFF},
        {with([](auto& r) { r.srec = "x", r.base = 0xFFEFF002; }), PastAddressSpace, 0x100FFF},
        {with([](auto& r) {
             r.flashSize = 0x200000, r.pad = true, r.ihex = "x", r.base = 0xFFE00001;
         }),
         PastAddressSpace, 0x200000},
        {with([](auto& r) { r.base = 0xFFFFFFFF; }), Ok, 0x100FFF},
        {with([](auto& r) { r.flashromLayout = "x", r.base = 0xFFEFF001; }), Ok, 0x100FFF},
        {with([](auto& r) { r.flashromLayout = "x", r.base = 0xFFEFF002; }), PastAddressSpace,
         0x100FFF},
        {with([](auto& r) { r.fmap = "x", r.base = 0xFFEFF002; }), PastAddressSpace, 0x100FFF},
        // The front area and 65534 files fill an FMAP; one more file does not fit.
        {with([](auto& r) {
             r.fmap = "x", r.rows.assign(65534, {"/a", 1});
         }),
         Ok, 0x1000 + 65534},
        {with([](auto& r) {
             r.fmap = "x", r.rows.assign(65535, {"/a", 1});
         }),
         TooManyRegions, 0x1000 + 65535},
    };
    for (const auto& [request, status, size] : cases) {
        const MergePlan plan = planMerge(request);
        EXPECT_EQ(plan.refusal.status, status) << request.flashSize << " " << request.base;
        EXPECT_EQ(plan.imageSize, size) << request.flashSize << " " << request.base;
        EXPECT_EQ(plan.refusal.imageSize, status == Ok || status == TooManyRegions ? 0 : size);
    }
}

// A request without an image writes the C header alone, the one the merge
// writes beside its image, all or nothing; an output that needs the image's
// bytes is refused; the header replaces no input.
TEST_F(Merge, TheHeaderAlone) {
    MergeRequest request{.rows = rowsOf({a, b}),
                         .frontOffset = 4096,
                         .cHeader = {.path = dir / "alone.h", .table = true}};
    ASSERT_TRUE(runMerge(request, planMerge(request)).ok());
    MergeRequest merged = request;
    merged.image = outputs;
    merged.cHeader.path = dir / "merged.h";
    ASSERT_TRUE(runMerge(merged, planMerge(merged)).ok());
    EXPECT_EQ(readFile(dir / "alone.h"), readFile(dir / "merged.h"));

    MergeRequest withManifest = request;
    withManifest.manifest = dir / "m.json";
    EXPECT_EQ(
        summary(runMerge(withManifest, planMerge(withManifest))),
        summary(MergeStatus::CompanionFailed, dir / "m.json", errc(std::errc::not_supported)));
    MergeRequest overInput = request;
    overInput.cHeader.path = b;
    EXPECT_EQ(runMerge(overInput, planMerge(overInput)).status, MergeStatus::OutputIsInput);
    EXPECT_EQ(readFile(b), bbytes);
}

// The dependency file's words as Make and Ninja undo them (the command
// line's tests run both over such names); on Windows every "\" is written
// "/", so that none reads as a quote, and a drive's ":" as it is. A name
// either would read otherwise, an output's or an input's, refuses the merge
// before anything is written.
TEST(Depfile, QuotesWhatBothUndoAndRefusesWhatEitherMisreads) {
    const bool win32 = files::kWin32;
    const std::string top = win32 ? "C:\\r\\" : "/r/", odd = top + "a b#$:.bin";
    const std::string written = win32 ? "C:/r/a\\ b\\#$$:.bin" : "/r/a\\ b\\#$$\\:.bin",
                      spaced = win32 ? "C:/r/x/\\ y" : "/r/x\\\\\\ y";
    EXPECT_EQ(depfileText({top + "o.bin", "o.h"}, {odd, top + "x\\ y"}),
              (win32 ? "C:/r/o.bin" : "/r/o.bin") + std::string(" o.h: \\\n ") + written +
                  " \\\n " + spaced + "\n" + written + ":\n" + spaced + ":\n");

    MergeRequest request;
    request.rows = {{top + "ok.bin", 1}};
    request.image = *outputPathsFor(top + "o");
    request.depfile = top + "o.d";
    Names accepted{odd, "[x", "x]", "x~", "a(b).bin", "(b)", "a()", "a\\b", "\xC3\xBC"};
    Names refused{"a;b",  "it's",   "a\tb", "a|b", "100%", "a=b",
                  "w[1]", "colon:", "sp ",  "~h",  "a(b)"};
    (win32 ? accepted : refused)
        .insert((win32 ? accepted : refused).end(), {"end\\", "q\\#", "q\\:x", "q\\$"});
    request.alsoRead = accepted;
    EXPECT_TRUE(planMerge(request).ok());
    for (const std::string& name : refused) {
        request.alsoRead = {top + "ok.bin", name};
        const MergeResult refusal = planMerge(request).refusal;
        EXPECT_EQ(refusal.status, MergeStatus::DepfileCannotName) << name;
        EXPECT_EQ(refusal.path, name);
        EXPECT_FALSE(refusal.reason.empty());
    }
    request.alsoRead = {};
    request.manifest = top + "m%.json";
    EXPECT_EQ(planMerge(request).refusal.path, top + "m%.json");
    request.image = *outputPathsFor(top + "%");
    EXPECT_EQ(planMerge(request).refusal.path, top + "%.bin");
}

using StopPoints = MergeTest;

// A stop asked at any point where a merge with HEX and S-record companions,
// or an unpack, asks for one leaves the folder as it was. The merge asks a
// last time once every output is complete and flushed, just before they
// are put in place, so that a stop during the companions' ends or the
// flush still comes in time.
TEST_F(StopPoints, AStopAtAnyPointLeavesTheFolderAsItWas) {
    writeFile(a, patternBytes((1 << 20) + 16, 1));
    fs::create_directory(dir / "out");
    const OutputPaths paths = *outputPathsFor(dir / "out/img");
    writeFile(paths.imagePath, "earlier image");
    const MergeRequest request{.rows = rowsOf({a, b}),
                               .frontOffset = 4096,
                               .infoTable = true,
                               .image = paths,
                               .ihex = dir / "out/img.hex",
                               .srec = dir / "out/img.s19",
                               // quicker; the stop after the flush is asked all the same
                               .durable = false};
    const MergePlan plan = planMerge(request);

    // Bytes in the temporaries (or all files) of `folder`.
    const auto bytesIn = [&](const std::string& folder, bool temporaries) {
        std::uint64_t bytes = 0;
        std::error_code none; // a folder not made yet
        for (const auto& entry : fs::directory_iterator(pathOf(folder), none)) {
            const bool temporary = files::isTemporaryName(textOf(entry.path().filename()));
            bytes += temporary == temporaries ? entry.file_size() : 0;
        }
        return bytes;
    };
    // `run` (whether it finished, whether it said it stopped) with a stop at
    // its first question, its second, and so on until it finishes; the
    // temporaries in `folder` at its last question hold all it then wrote.
    const auto stopAtEach = [&](const std::string& folder, const auto& run) {
        const auto before = folderState(dir.path().string());
        std::uint64_t lastSeen = 0;
        int stopAt = 1;
        for (;; ++stopAt) {
            int asked = 0;
            const auto [finished, stopped] = run([&](std::uint64_t, std::uint64_t) {
                lastSeen = bytesIn(folder, true);
                return ++asked != stopAt;
            });
            if (finished) {
                break;
            }
            ASSERT_TRUE(stopped) << stopAt;
            ASSERT_EQ(folderState(dir.path().string()), before) << stopAt;
        }
        EXPECT_GT(stopAt, 4);
        EXPECT_EQ(lastSeen, bytesIn(folder, false));
    };
    stopAtEach(dir / "out", [&](const files::KeepGoing& keepGoing) {
        const MergeResult result = runMerge(request, plan, keepGoing);
        return std::pair(result.ok(), result.status == MergeStatus::Stopped);
    });
    // Unpack, into a folder it makes: each stop takes back files and folders.
    stopAtEach(dir / "new/deep", [&](const files::KeepGoing& keepGoing) {
        const check::UnpackResult result =
            check::unpackImage(paths.imagePath, dir / "new/deep", {}, {keepGoing, {}});
        return std::pair(result.ok(), result.status == check::UnpackResult::Status::Stopped);
    });
    EXPECT_EQ(readFile(dir / "new/deep/002.bin"), bbytes);
}

} // namespace
} // namespace zd::test
