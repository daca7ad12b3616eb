#include "app/merge_report.h"
#include "app/messages.h"
#include "tests/app/app_fixture.h"

namespace zd::app::test {
namespace {

using MergeAndRouting = AppTest;

MergeResult ended(MergeStatus status, const std::string& path = "") {
    MergeResult result;
    result.status = status;
    result.path = path;
    return result;
}

// What the user is told after a merge: the files written and, when the table
// was asked for, whether it fit; else the one error for what stopped it,
// naming the file. (A stop, a size that changed or is unknown, and the table
// written are told through the merge-save and the header export.)
TEST(MergeReport, NamesTheFilesOrWhatStoppedTheMerge) {
    using enum MergeStatus;
    const MergeRequest asked{.infoTable = true, .image = {"/o/", "/o/i.bin", "/o/i.h"}};
    MergeRequest plain = asked;
    plain.infoTable = false;
    const std::string written = "合并成功！成功创建如下文件：\n\n/o/i.bin\n/o/i.h";
    MergeResult leftOut;
    leftOut.infoTableLeftOut = true;
    EXPECT_EQ(mergeReport(leftOut, asked).text, written + text::kNoteTableMissing);
    const std::pair<MergeResult, std::string> outcomes[] = {
        {leftOut, written},
        {ended(OutputIsInput, "/a"), text::outputIsInput("/a")},
        {ended(ListIsInput, "/a"), text::outputIsInput("/a")},
        {ended(NameNotListable, "/a\n"), text::nameNotListable("/a\\n")},
        {ended(InputUnreadable, "/a"), text::inputUnreadable("/a")},
        {ended(LayoutTooLarge, "/a"), text::layoutTooLarge("/a")},
        {ended(FolderNotWritable, "/o/"), text::folderNotWritable("/o/")},
        {ended(CompanionFailed, "/a"), text::companionFailed("/a")},
        {ended(ImageCreateFailed), text::kImageCreateFailed},
        {ended(ImageWriteFailed), text::kImageWriteFailed},
        {ended(ListWriteFailed), text::kListWriteFailed},
    };
    for (const auto& [result, text] : outcomes) {
        const MergeReport report = mergeReport(result, plain);
        EXPECT_EQ(report.text, text);
        EXPECT_EQ(report.icon, result.ok() ? Icon::Information : Icon::Error);
    }
}

// A merge that keeps an earlier layout, told in the window's words: how
// many files kept their address, each that moved or came new, the slots
// left; that there was no list to keep; and its refusals, naming the file.
TEST(MergeReport, TellsWhatKeepingTheLayoutDid) {
    MergeRequest request{.rows = {{"/r/n.bin", 10}, {"/r/logo.bin", 5000}, {"/r/font.dot", 9}},
                         .frontOffset = 4097,
                         .image = {"/o/", "/o/i.bin", "/o/i.h"}};
    LayoutReport report{
        "/o/i.h",
        false,
        {{{0, MoveReason::New, 0, 20480}, {1, MoveReason::GrewPastSlot, 4096, 24576}}, 1, 2}};
    EXPECT_EQ(layoutReportText(report, request),
              "沿用 /o/i.h 的布局：1 / 3 个文件保持原地址\n"
              "/r/n.bin：新增文件，地址为 20480\n"
              "/r/logo.bin：超出原有空间，地址由 4096 移至 24576\n"
              "2 个已移除文件的空间保留未用");
    report.moves = {{}, 3, 1};
    EXPECT_EQ(layoutReportText(report, request),
              "沿用 /o/i.h 的布局：3 / 3 个文件保持原地址\n1 个已移除文件的空间保留未用");
    report.moves.removed = 0;
    EXPECT_EQ(layoutReportText(report, request), "沿用 /o/i.h 的布局：3 / 3 个文件保持原地址");
    EXPECT_EQ(layoutReportText({"", true, {}}, request), "/o/i.h 尚不存在，已重新布局");
    EXPECT_EQ(layoutReportText({}, request), "");

    MergeResult unreadable = ended(MergeStatus::EarlierLayoutUnusable, "/o/old.h");
    EXPECT_EQ(
        failureReport(unreadable, request).text,
        "/o/old.h 不是本软件导出的.h文件，或其文件地址重叠，无法沿用其布局，未生成任何文件！");
    unreadable.error = std::make_error_code(std::errc::permission_denied);
    EXPECT_EQ(failureReport(unreadable, request).text,
              "/o/old.h 打开失败，无法沿用其布局，未生成任何文件！");
    MergeResult front = ended(MergeStatus::FrontAreaReachesKept, "/r/logo.bin");
    front.address = 100;
    const MergeReport refused = failureReport(front, request);
    EXPECT_EQ(refused.text,
              "/r/logo.bin 的原地址 100 位于前置偏移区域（4097 字节）之内，未生成任何文件！");
    EXPECT_EQ(refused.icon, Icon::Error);
}

// A merge-save writes, with the table when the box is ticked, through the
// progress the port shows, which may stop it, and reports; a cancelled
// dialog does nothing. View result opens the folder of the last save, failed
// or not. (Before any save: the windows' first asks.)
TEST_F(MergeAndRouting, MergeSaveAndViewResult) {
    addRows({{makeFile("a.bin", 1234), 1234}, {makeFile("b.dot", 5000), 5000}}, 4096);
    commands.state().fileInfo = true;
    port.saves = {dir / "out.bin", std::nullopt, dir / "kept", dir / "sub/", dir / "gone"};
    const auto saved = [](const Strings& told) {
        return locked(cmd::MergeSave, "save 选择保存位置和文件名称", told);
    };
    click(cmd::MergeSave);
    EXPECT_EQ(takeLog(), saved({"end", message('I', text::kMergeOkHeader + dir / "out.bin" + "\n" +
                                                        dir / "out.h" + text::kNoteTableWritten)}));
    EXPECT_EQ(zd::test::readFile(dir / "out.bin")[1], '\x10'); // the table's first address
    click(cmd::MergeSave);
    EXPECT_EQ(takeLog(), saved({}));
    port.stopMerge = true;
    click(cmd::MergeSave);
    EXPECT_EQ(takeLog(), saved({"end", message('I', "已停止合并，未生成任何文件。")}));
    click(cmd::MergeSave); // no file name: no image, but a folder to view
    click(cmd::ViewResult);
    Strings log = saved({message('E', text::kImageCreateFailed)});
    log.push_back("folder " + dir / "sub/");
    EXPECT_EQ(takeLog(), log);
    port.stopMerge = false;
    addRows({{dir / "missing.bin", 3}});
    click(cmd::MergeSave);
    click(cmd::ViewResult);
    EXPECT_EQ(takeLog().back(), "folder " + dir / "");
}

// A notification other than a click never runs a control command (the
// fixture's clicks check that each runs); the menu commands run for a
// shortcut too. (Which command each reaches: the windows' first asks.)
TEST_F(MergeAndRouting, CommandRouting) {
    for (const int id : {cmd::Delete, cmd::Clear, cmd::AddFiles, cmd::MergeSave, cmd::MoveUp,
                         cmd::MoveDown, cmd::StepUp, cmd::StepDown, cmd::ViewResult,
                         cmd::ImportList, cmd::FileInfo, cmd::ApplyOffset, cmd::FolderImport}) {
        EXPECT_FALSE(commands.onCommand(id, kNotifyShortcut)) << id;
        EXPECT_FALSE(commands.onCommand(id, 0x300)) << id; // an edit's change notice
    }
    port.opens = {{}, {}};
    for (const int id : {cmd::About, cmd::Usage, cmd::RevisionHistory, cmd::LatestVersion,
                         cmd::Exit, cmd::ExportHeader, cmd::VerifyImage, cmd::ImageInfo}) {
        EXPECT_TRUE(commands.onCommand(id, kNotifyShortcut)) << id;
    }
}

// Every move repaints the link, changed or not; the hand shows and a press
// opens the bare host only over it: 211 by 21 pixels from where its text is
// painted, all four edges inside.
TEST_F(MergeAndRouting, LinkHoverAndPress) {
    const int x0 = kLinkX, y0 = kLinkY, x1 = x0 + 210, y1 = y0 + 20;
    const std::tuple<int, int, bool> points[] = {{x0, y0, true},      {x1, y1, true},
                                                 {x0 - 1, y1, false}, {x1 + 1, y0, false},
                                                 {x0, y0 - 1, false}, {x1, y1 + 1, false}};
    const Strings over{"hand", "link", "url http://www.example.com"}, off{"link"};
    for (const auto& [x, y, inside] : points) {
        commands.onMouseMove(x, y);
        commands.onLeftButtonDown(x, y);
        EXPECT_EQ(takeLog(), inside ? over : off) << x << "," << y;
    }
}

} // namespace
} // namespace zd::app::test
