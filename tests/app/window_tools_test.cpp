#include "app/handlers.h"
#include "app/messages.h"
#include "core/merge/merge.h"
#include "tests/app/app_fixture.h"

namespace zd::app::test {
namespace {

using zd::test::readFile;
using zd::test::writeFile;
using WindowTools = AppTest;

// The header is the merge's for the rows and offset on screen, all or
// nothing; its name is proposed from the last merge. An input's name is
// refused before a file of that name would be replaced, which the user is
// asked about. A file changed or unreadable, and a stop write nothing. (An
// empty list: CommandRouting.)
TEST_F(WindowTools, ExportHeader) {
    addRows({{makeFile("a.bin", 1234), 1234}, {makeFile("b.dot", 5000), 5000}}, 4096);
    port.saves = {dir / "flash", dir / "out.h", dir / "out.h", dir / "out.h",
                  dir / "a.bin", std::nullopt,  dir / "x.h",   dir / "x.h"};
    port.answers = {Answer::No, Answer::Yes};
    click(cmd::MergeSave);
    takeLog();
    const std::string ask = "save 导出C头文件 " + dir / "flash_layout.h unasked";
    const std::string exported = message('I', text::headerExported(dir / "out.h"));
    click(cmd::ExportHeader);
    EXPECT_EQ(takeLog(), (Strings{ask, "end", exported}));
    writeFile(dir / "out.h", "kept");
    const std::string replace = "message 提示|W|YesNo|" + text::confirmReplace(dir / "out.h");
    click(cmd::ExportHeader);
    EXPECT_EQ(readFile(dir / "out.h"), "kept");
    click(cmd::ExportHeader);
    click(cmd::ExportHeader);
    EXPECT_EQ(takeLog(), (Strings{ask, replace, ask, replace, "end", exported, ask,
                                  message('E', text::outputIsInput(dir / "a.bin"))}));
    MergeRequest merged = listRequest(commands.state());
    merged.infoTable = true;
    merged.image = {dir / "", dir / "m.bin", dir / "m.h"};
    merged.cHeader = {.path = dir / "merged.h", .table = true};
    ASSERT_TRUE(runMerge(merged, planMerge(merged)).ok());
    EXPECT_EQ(readFile(dir / "out.h"), readFile(dir / "merged.h"));

    click(cmd::ExportHeader); // cancelled
    port.stopMerge = true;
    click(cmd::ExportHeader);
    port.stopMerge = false;
    writeFile(dir / "a.bin", "short");
    click(cmd::ExportHeader);
    EXPECT_EQ(takeLog(), (Strings{ask, ask, "end", message('I', text::kExportStopped), ask,
                                  message('E', text::inputSizeChanged(dir / "a.bin", 1234, 5))}));
#ifndef _WIN32
    list().clear();
    addRows({{"/proc/self/stat", 0}}); // its length is known only by reading it
    port.saves = {dir / "x.h"};
    click(cmd::ExportHeader);
    EXPECT_EQ(takeLog().back(), message('E', text::inputSizeUnknown("/proc/self/stat")));
#endif
}

// Verify names every row good, or the bad ones, what differs and the bytes
// past the layout; inspect shows the table's rows up to a message's worth.
// Unreadable images and files that are no list file are named; a stopped
// check says so and nothing else.
TEST_F(WindowTools, VerifyAndInspect) {
    std::vector<NewEntry> rows;
    for (int i = 0; i < 21; ++i) {
        rows.push_back({makeFile(std::to_string(i), 10), 10});
    }
    addRows(rows, 4096);
    const OutputPaths out{dir / "", dir / "img.bin", dir / "img.h"};
    MergeRequest request = listRequest(commands.state());
    request.infoTable = true;
    request.image = out;
    ASSERT_TRUE(runMerge(request, planMerge(request)).ok());
    const std::string img = out.imagePath, listed = out.listPath, first = dir / "0",
                      none = dir / "no.bin", verify = "校验镜像", info = "镜像信息";
    // The last thing `command` told, the dialogs picking `picked`.
    const auto told = [&](int command, const Strings& picked) {
        for (const std::string& path : picked) {
            port.opens.push_back({{path}});
        }
        click(command);
        return takeLog().back();
    };
    EXPECT_EQ(told(cmd::VerifyImage, {img, listed}),
              message('I', text::verifyPassed(21, true), verify));
    EXPECT_EQ(told(cmd::VerifyImage, {img, first}),
              message('E', text::listNotReadable(first), verify));
    EXPECT_EQ(told(cmd::VerifyImage, {none, listed}),
              message('E', text::inputUnreadable(none), verify));
    EXPECT_EQ(told(cmd::ImageInfo, {none}), message('E', text::inputUnreadable(none), info));

    std::string bytes = readFile(img);
    bytes[4096 + 25] ^= 1;
    bytes[4] = 11; // the table's size of row 1: past where row 2 starts
    writeFile(img, bytes + "x");
    EXPECT_EQ(told(cmd::VerifyImage, {img, listed}),
              message('E',
                      text::verifyFailed(2) + "\n1\t" + first + "\t4096\t" +
                          "文件信息表记录为地址 4096，大小 11\n3\t" + dir / "2" + "\t4116\t" +
                          "偏移 4121 处起内容不同" + text::bytesPastLayout(1, 4306),
                      verify));
    EXPECT_EQ(told(cmd::ImageInfo, {img}), message('I', text::noInfoTable(img), info));
    bytes[4] = 10;
    writeFile(img, bytes);
    const std::string shown = told(cmd::ImageInfo, {img});
    EXPECT_NE(shown.find(text::imageTableHeader(21, 4306) + "\n1\t4096\t10\t4106\n2\t4106"),
              std::string::npos);
    EXPECT_TRUE(shown.ends_with("\n20\t4286\t10\t4296" + text::moreRows(1))) << shown;
    // A damaged filler byte after the table, named after the rows; other data
    // in the front area of an image whose files are right, a note.
    bytes[4000] ^= 1;
    writeFile(img, bytes);
    EXPECT_NE(told(cmd::ImageInfo, {img}).find(text::frontAreaDamaged(4000)), std::string::npos);
    for (std::size_t at = 0; at < 4096; at += 4) {
        bytes.replace(at, 4, "boot"); // a boot record's bytes, no table
    }
    bytes[4096 + 25] ^= 1;
    writeFile(img, bytes);
    EXPECT_EQ(told(cmd::VerifyImage, {img, listed}),
              message('I', text::verifyPassed(21, false) + text::kOtherDataInFront, verify));
    writeFile(img, std::string(300, 'Z'));
    EXPECT_NE(told(cmd::VerifyImage, {img, listed}).find(text::kNotThisImage), std::string::npos);

    port.stopMerge = true;
    port.opens = {{{img}}, {{listed}}};
    click(cmd::VerifyImage);
    EXPECT_EQ(takeLog(),
              (Strings{"open 选择要校验的镜像文件", "open 选择该镜像的存档文件 " + listed, "end",
                       message('I', text::kVerifyStopped, verify)}));
}

} // namespace
} // namespace zd::app::test
