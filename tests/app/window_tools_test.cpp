#include "app/messages.h"
#include "core/firmware/firmware.h"
#include "tests/app/app_fixture.h"

namespace zd::app::test {
namespace {

using zd::test::readFile;
using zd::test::writeFile;

class WindowTools : public AppTest {
  protected:
    // Two rows behind a 4 KiB front area, as the README's example.
    void twoRows() {
        addRows({{makeFile("a.bin", 1234), 1234}, {makeFile("b.dot", 5000), 5000}});
        setOffset(4096);
    }
    std::string message(char icon, const std::string& text, const std::string& caption = "提示") {
        return "message " + caption + "|" + icon + "|Ok|" + text;
    }
};

// The header is the merge's for the rows, offset and table on screen, all or
// nothing; its name is proposed from the last merge. An empty list, a name
// that is an input, a file changed or unreadable, and a stop write nothing.
TEST_F(WindowTools, ExportHeader) {
    click(cmd::ExportHeader);
    EXPECT_EQ(takeLog(), Strings{message('W', text::kNothingToExport)});
    twoRows();
    commands.state().fileInfo = true;
    port.saves = {dir / "flash", dir / "out.h", std::nullopt};
    click(cmd::MergeSave);
    takeLog();
    click(cmd::ExportHeader);
    EXPECT_EQ(takeLog(), (Strings{"save 导出C头文件 " + dir / "flash_layout.h", "end",
                                  message('I', text::headerExported(dir / "out.h"))}));
    const FirmwareSettings settings{.cHeader = dir / "merged.h", .cTable = true};
    const OutputPaths merged{dir / "", dir / "m.bin", dir / "m.h"};
    ASSERT_TRUE(
        mergeImage(list(), true, merged, {}, firmwareMergeOptions(settings, list(), merged)).ok());
    EXPECT_EQ(readFile(dir / "out.h"), readFile(dir / "merged.h"));
    click(cmd::ExportHeader); // cancelled
    EXPECT_EQ(takeLog().size(), 1u);

    const std::string a = dir / "a.bin";
    port.saves = {a, dir / "x.h", dir / "x.h"};
    click(cmd::ExportHeader);
    port.stopMerge = true;
    click(cmd::ExportHeader);
    port.stopMerge = false;
    writeFile(a, "short");
    click(cmd::ExportHeader);
    const Strings log = takeLog();
    EXPECT_EQ(log[1], message('E', text::outputIsInput(a)));
    EXPECT_EQ(log[4], message('I', text::kExportStopped));
    EXPECT_EQ(log[6], message('E', text::inputSizeChanged(a, 1234, 5)));
    EXPECT_FALSE(std::filesystem::exists(dir / "x.h"));
#ifndef _WIN32
    list().clear();
    addRows({{"/proc/self/stat", 0}}); // its length is known only by reading it
    port.saves = {dir / "x.h"};
    click(cmd::ExportHeader);
    EXPECT_EQ(takeLog().back(), message('E', text::inputSizeUnknown("/proc/self/stat")));
#endif
}

// Verify names every row good, or the bad ones and how many; inspect shows
// the table's rows up to a message's worth. Unreadable images and files
// that are no list file are named.
TEST_F(WindowTools, VerifyAndInspect) {
    for (int i = 0; i < 21; ++i) {
        addRows({{makeFile(std::to_string(i), 10), 10}});
    }
    setOffset(4096);
    const OutputPaths out{dir / "", dir / "img.bin", dir / "img.h"};
    ASSERT_TRUE(mergeImage(list(), true, out).ok());
    const std::string img = out.imagePath, first = dir / "0";
    port.opens = {{img}, {out.listPath}, {img}, {first}, {dir / "no.bin"}, {out.listPath}, {}};
    for (int i = 0; i < 3; ++i) {
        click(cmd::VerifyImage);
    }
    commands.onCommand(cmd::VerifyImage, kNotifyShortcut);
    const Strings log = takeLog();
    EXPECT_EQ(log[1], "open 选择该镜像的存档文件 " + out.listPath);
    EXPECT_EQ(log[3], message('I', text::verifyPassed(21, true), "校验镜像"));
    EXPECT_EQ(log[7], message('E', text::listNotReadable(first), "校验镜像"));
    EXPECT_EQ(log[11], message('E', text::inputUnreadable(dir / "no.bin"), "校验镜像"));
    EXPECT_EQ(log.size(), 13u);

    std::string bytes = readFile(img);
    bytes[4096 + 25] ^= 1;
    bytes[4] = 11; // the table's size of row 1: past where row 2 starts
    writeFile(img, bytes + "x");
    port.opens = {{img}, {out.listPath}, {img}, {first}, {dir / "no.bin"}};
    click(cmd::VerifyImage);
    for (int i = 0; i < 3; ++i) {
        click(cmd::ImageInfo);
    }
    const Strings after = takeLog();
    EXPECT_EQ(after[3], message('E',
                                text::verifyFailed(2) + "\n1\t" + dir / "0" + "\t4096\t" +
                                    text::tableDiffers(4096, 11) + "\n3\t" + dir / "2" + "\t4116\t" +
                                    text::firstDifference(4121) + text::bytesPastLayout(1, 4306),
                                "校验镜像"));
    EXPECT_EQ(after[5], message('I', text::noInfoTable(img), "镜像信息"));
    EXPECT_EQ(after[7], message('I', text::noInfoTable(first), "镜像信息"));
    EXPECT_EQ(after[9], message('E', text::inputUnreadable(dir / "no.bin"), "镜像信息"));
    bytes[4] = 10;
    writeFile(img, bytes);
    port.opens = {{img}};
    click(cmd::ImageInfo);
    const std::string shown = takeLog()[1];
    EXPECT_NE(shown.find(text::imageTableHeader(21, 4306) + "\n1\t4096\t10\t4106\n2\t4106"),
              std::string::npos);
    EXPECT_TRUE(shown.ends_with("\n20\t4286\t10\t4296" + text::moreRows(1))) << shown;

    // Stopped from its progress window, a check says so and nothing else.
    port.stopMerge = true;
    port.opens = {{img}, {out.listPath}};
    click(cmd::VerifyImage);
    EXPECT_EQ(takeLog(), (Strings{"open 选择要校验的镜像文件", "open 选择该镜像的存档文件 " + out.listPath,
                                  "end", message('I', text::kVerifyStopped, "校验镜像")}));
}

} // namespace
} // namespace zd::app::test
