// The Add-files dialog that fails, told from one that is cancelled.
#include "tests/app/app_fixture.h"

namespace zd::app::test {
namespace {

using AddFilesFailure = AppTest;

// A failure names the dialog's code under the advice, in an error box; a
// cancel shows nothing. Neither touches the list or its totals.
TEST_F(AddFilesFailure, FailureIsShownAndCancelIsNot) {
    port.openFailures = {0x3003};
    port.opens = {{}};
    click(cmd::AddFiles);
    click(cmd::AddFiles);
    const Strings open{"button 203 off", "open 选择导入文件（多选） many"};
    Strings log = open;
    log.push_back("message 导入失败|E|Ok|文件长度超过缓冲，请减少单次导入数量，可分多次导入；\n"
                  "菜单：\"文件>从文件夹导入\" 可导入整个目录。\n0x3003");
    for (const Strings& part : {Strings{"button 203 on", "redraw"}, open})
        log.insert(log.end(), part.begin(), part.end());
    log.insert(log.end(), {"button 203 on", "redraw"});
    EXPECT_EQ(takeLog(), log);
    EXPECT_TRUE(rows().empty());
}

} // namespace
} // namespace zd::app::test
