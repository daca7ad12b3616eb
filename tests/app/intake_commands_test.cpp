#include "app/messages.h"
#include "tests/app/app_fixture.h"

#include <filesystem>

namespace zd::app::test {
namespace {

using Intake = AppTest;

std::string counted(int added) {
    return "message 提示|I|Ok|总共添加 " + std::to_string(added) + " 个文件";
}
const std::string kRefused = "message 导入失败|E|Ok|以下文件未能添加：\n";

// Refused files are named together (ten at most, and ten all of them) after
// the others are added; the count counts only what was added; the button is
// off while it runs. A failing dialog names its code and adds nothing. (A
// cancelled one, which says nothing: the windows' first asks.)
TEST_F(Intake, AddFilesAppendsAndNamesTheRefused) {
    addRows({{"/in/old", 100}}, 4096);
    zd::test::makeSparseFile(dir / "huge.avi", 4294967296u);
    Strings chosen{makeFile("a.bin", 1000),  dir / "missing",       dir.path().string(),
                   dir / "huge.avi",         makeFile("b.dot", 30), "",
                   makeFile("two\nlines", 1)};
    std::string named = "\n" + chosen[1] + "（无法打开）\n" + chosen[2] + "（不是普通文件）\n" +
                        chosen[3] + "（文件不小于4GB，无法合并）\n\"\"（文件名为空）\n" +
                        dir / "two\\nlines（文件名含换行符或无效的UTF-8字符，列表文件无法记录）";
    for (int i = 0; i < 9; ++i) {
        chosen.push_back(dir / ("gone" + std::to_string(i)));
        named += i < 5 ? "\n" + chosen.back() + "（无法打开）" : "";
    }
    Strings ten(chosen.begin() + 1, chosen.begin() + 12); // the first ten refused
    ten.erase(ten.begin() + 3);
    port.opens = {{{}, 0x3003}, {chosen}, {ten}};
    const Strings outcomes[] = {
        {message('E', std::string(text::kAddFilesFailed) + "\n0x3003", "导入失败")},
        {kRefused + named + "\n……另有 4 个未能添加", counted(2), "401=3", "403=5226"},
        {kRefused + named, counted(0), "401=3", "403=5226"}};
    for (const Strings& outcome : outcomes) {
        click(cmd::AddFiles);
        EXPECT_EQ(takeLog(), locked(cmd::AddFiles, "open 选择导入文件（多选） many", outcome));
    }
}

// Folder import takes the files of the picked file's folder (the file
// itself may be gone) after the rows already there; a folder that cannot be
// listed adds nothing. A drop takes files and folders together, with one
// count; so do the names given at start ("open with"), relative ones from the
// working folder.
TEST_F(Intake, FolderImportDropAndOpenWith) {
    addRows({{"/in/first", 100}});
    std::filesystem::create_directories(dir / "img/old");
    makeFile("img/old/inner.bin", 5);
    makeFile("img/logo.bin", 10);
    port.opens = {{{dir / "img/gone.bin"}}, {{dir / "gone/x.bin"}}, {}};
    for (int i = 0; i < 3; ++i) {
        click(cmd::FolderImport);
    }
    const std::string open = "open 选择任一文件即导入当前文件夹所有文件";
    EXPECT_EQ(takeLog(), (Strings{open, counted(1), "401=2", "403=110", open,
                                  kRefused + "\n" + dir / "gone/" + "（无法读取该文件夹）", open}));

    commands.onDrop({makeFile("z.jpg", 4), dir / "img/old", dir / "img/logo.bin"});
    const std::filesystem::path started = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    commands.openWith({"img/old", "./z.jpg"});
    commands.openWith({});
    std::filesystem::current_path(started);
    EXPECT_EQ(rows().back(), dir / "z.jpg@134");
    EXPECT_EQ(takeLog(), (Strings{counted(3), "401=5", "403=129", counted(2), "401=7", "403=138"}));
}

// Imported rows continue the current layout after the existing rows; a
// relative name is taken from the list file's folder; a file with a bad
// line, or one that cannot be opened, adds nothing. The button is restored
// to how it was.
TEST_F(Intake, ImportListFile) {
    const std::string head =
        "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n"
        "\t1, \"/res/logo.bin\", 1234, 4096;\n\t2, \"res/f.dot\", 5000, 5330;\n";
    zd::test::writeFile(dir / "saved.h", head + "\n}\n");
    zd::test::writeFile(dir / "bad.h", head + "\t3, \"/res/x.bin\", many, 0;\n\n}\n");
    addRows({{"/in/kept", 9}}, 100);
    port.disabled = {cmd::ImportList};
    port.opens = {{{dir / "saved.h"}}, {{dir / "bad.h"}}, {{dir / "nothing.h"}}, {}};
    const Strings outcomes[] = {
        {counted(2), "401=3", "403=6343"},
        {"message 导入失败|E|Ok|格式不对，请确认是否为本软件导出的.h文件？"},
        {"message 提示|E|Ok|打开失败！"},
        {}};
    for (const Strings& outcome : outcomes) {
        click(cmd::ImportList);
        EXPECT_EQ(takeLog(), locked(cmd::ImportList, "open 选择存档文件", outcome, false));
    }
    EXPECT_EQ(rows(), (Strings{"/in/kept@100", "/res/logo.bin@109", dir / "res/f.dot@1343"}));
}

} // namespace
} // namespace zd::app::test
