// The Add-files dialog that fails, told from one that is cancelled.
#include "tests/app/app_fixture.h"

namespace zd::app::test {
namespace {

using AddFilesFailure = AppTest;

// A failure names the dialog's code under the advice, in an error box; a
// cancel shows nothing. Neither touches the list or its totals.
TEST_F(AddFilesFailure, FailureIsShownAndCancelIsNot) {
    addRows({{"/in/old", 100}});
    port.openFailures = {0x3003};
    port.opens = {{}};
    const Strings opened{"button 203 off", "open 选择导入文件（多选） many"};
    const Strings closed{"button 203 on", "redraw"};
    click(cmd::AddFiles);
    Strings failed = opened;
    failed.push_back("message 导入失败|E|Ok|文件长度超过缓冲，请减少单次导入数量，可分多次导入；\n"
                     "菜单：\"文件>从文件夹导入\" 可导入整个目录。\n0x3003");
    failed.insert(failed.end(), closed.begin(), closed.end());
    EXPECT_EQ(takeLog(), failed);
    click(cmd::AddFiles);
    Strings cancelled = opened;
    cancelled.insert(cancelled.end(), closed.begin(), closed.end());
    EXPECT_EQ(takeLog(), cancelled);
    EXPECT_EQ(rows(), Strings{"/in/old@0"});
}

} // namespace
} // namespace zd::app::test
