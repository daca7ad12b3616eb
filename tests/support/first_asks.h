// What each control and each menu item asks first with the list empty, the
// same in the Qt and the Windows window, as both route to the same commands.
// Each window's test logs its dialogs in these words: "message CAPTION MARK
// TEXT" (MARK: the icon, i, ! or x, then ? for Yes and No; TEXT: its first 8
// UTF-16 units, the wording being the commands'), "open TITLE", "save TITLE",
// "dialog ID", "settings" (the merge settings dialog), "url URL" (with the
// publisher's host written "host").
#pragma once

#include <string>
#include <utility>

namespace zd::test {

inline const std::pair<int, std::string> kControlsAsk[] = {
    {404, "message 前置添加文件信息说明 i (1)选中：会将"},
    {203, "open 选择导入文件（多选）"},
    {210, "open 选择存档文件"},
    {205, "message 提示 i 已经是第一行！"},
    {206, "message 提示 i 已经是最后一行！"},
    {201, "message 提示 i 请选择要删除的行"},
    {202, "message 提示 !? 确定要全部清空吗"},
    {204, "save 选择保存位置和文件名称"},
    {209, "message 提示 i 尚未保存过文件，"}};

// In menu order, Exit (the File menu's last) left out, a line each.
inline const std::string kMenusAsk =
    "open 选择任一文件即导入当前文件夹所有文件\nmessage 提示 ! 列表为空，没有可\n"
    "open 选择要校验的镜像文件\nopen 选择要查看的镜像文件\nsettings\ndialog 129\ndialog 134\n"
    "url http://host/html/2023/software_1106/35.html\ndialog 103\n";

} // namespace zd::test
