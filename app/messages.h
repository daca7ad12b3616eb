// Every text the commands show the user, and the file dialogs' titles and
// filters. Kept in one place so the wording stays consistent.
#pragma once

#include "app/commands.h"
#include "app/port.h"
#include "core/check/verify.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace zd::app::text {

// Captions.
inline constexpr const char* kNotice = "提示";
inline constexpr const char* kImportFailed = "导入失败";
inline constexpr const char* kFileInfoCaption = "前置添加文件信息说明";

// List editing.
inline constexpr const char* kSelectRowToDelete = "请选择要删除的行。";
inline constexpr const char* kConfirmClear = "确定要全部清空吗？";
inline constexpr const char* kAlreadyFirst = "已经是第一行！";
inline constexpr const char* kAlreadyLast = "已经是最后一行！";
inline constexpr const char* kFileInfoExplanation =
    "(1)选中：会将文件的地址和大小信息写入前置偏移区域，8Bytes/文件，\n"
    "     数据格式：LSB->MSB\n"
    "(2)非选中：前置偏移区域填满0xFF数据";
inline constexpr const char* kFrontAreaTooSmall = "当前前置偏移地址不足于存放文件地址和大小信息，\n"
                                                  "要求预留空间大于 文件数x8Bytes，否则不会添加。";

inline std::string confirmDelete(int rowNumber) {
    return "确定要删除第 " + std::to_string(rowNumber) + " 行吗？";
}

// Adding files, folder import, list import.
inline std::string filesAdded(int count) {
    return "总共添加 " + std::to_string(count) + " 个文件";
}
inline constexpr const char* kNotAddedHeader = "以下文件未能添加：\n";
inline constexpr const char* kReasonCannotOpen = "（无法打开）";
inline constexpr const char* kReasonNotAFile = "（不是普通文件）";
inline constexpr const char* kReasonTooLarge = "（文件不小于4GB，无法合并）";
inline constexpr const char* kReasonFolderUnreadable = "（无法读取该文件夹）";
inline constexpr const char* kReasonEmptyName = "（文件名为空）";
inline constexpr const char* kReasonNameNotListable =
    "（文件名含换行符或无效的UTF-8字符，列表文件无法记录）";
inline std::string moreNotAdded(std::size_t count) {
    return "……另有 " + std::to_string(count) + " 个未能添加";
}
// The Add-files dialog failed (its selection did not fit, for one), naming
// the dialog's error code in hexadecimal on a line of its own.
inline constexpr const char* kAddFilesFailed = "文件长度超过缓冲，请减少单次导入数量，可分多次导入"
                                               "；\n菜单：\"文件>从文件夹导入\" 可导入整个目录。";
inline std::string addFilesFailed(std::uint32_t code) {
    char digits[9] = {}; // up to eight hex digits
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(code));
    return std::string(kAddFilesFailed) + "\n0x" + digits;
}
inline constexpr const char* kListOpenFailed = "打开失败！";
inline constexpr const char* kListFormatError = "格式不对，请确认是否为本软件导出的.h文件？";

// Merge-save and view result.
inline constexpr const char* kMergeOkHeader = "合并成功！成功创建如下文件：\n\n";
inline constexpr const char* kNoteTableMissing =
    "\n\n注意：前置保留空间过小，未添加文件地址与大小信息！";
inline constexpr const char* kNoteTableWritten = "\n\n说明：前置空间已添加文件地址与大小信息。";
inline constexpr const char* kOutputIsInput = "输出文件不可与输入文件有重复！";
inline constexpr const char* kImageCreateFailed =
    "创建.bin文件出错\n请检查该文件是否被占用、只读或者文件名过长！";
inline constexpr const char* kImageWriteFailed = "创建失败，请检查输入与输出文件。";
// The list file's own text less its first line ("创建.bin文件成功"): an image
// is never left without its list file, so it was not created either.
inline constexpr const char* kListWriteFailed = "创建.h文件出错\n请检查.h文件是否只读或者被占用！";
inline constexpr const char* kMergeStopped = "已停止合并，未生成任何文件。";
inline constexpr const char* kNoOutputFolder = "尚未保存过文件，暂无可查看的输出文件夹。";
// Names the input that the image or the list file would replace.
inline std::string outputIsInput(const std::string& path) {
    return std::string(kOutputIsInput) + "\n" + path;
}
// Windows would write a name with ':' into a hidden stream of another file.
inline std::string outputNamesStream(const std::string& path) {
    return path + " 的文件名不可含有“:”（Windows 会将其写入另一文件的隐藏数据流），请更换文件名！";
}
inline std::string inputUnreadable(const std::string& path) {
    return path + " 打开失败，请检查！";
}
inline std::string inputSizeChanged(const std::string& path, std::uint64_t listed,
                                    std::uint64_t found) {
    return path + " 的大小已改变（列表中记录为 " + std::to_string(listed) + " 字节，实际长度为 " +
           std::to_string(found) + " 字节），请重新添加该文件！";
}
// Files of /proc or /sys report one length and hold another.
inline std::string inputSizeUnknown(const std::string& path) {
    return path + " 的实际长度无法确定（系统报告的大小与其内容不符），无法合并该文件！";
}
inline std::string nameNotListable(const std::string& shownPath) {
    return shownPath + " 的文件名含换行符或无效的UTF-8字符，列表文件无法记录，请移除该文件！";
}
inline std::string folderNotWritable(const std::string& folder) {
    return "无法在文件夹 " + folder + " 中创建文件\n请检查该文件夹是否只读或者没有写入权限！";
}
inline std::string companionFailed(const std::string& path) {
    return path + " 创建出错，未生成任何文件！";
}
// A file beside the image that is not one of this tool's outputs of that name.
inline std::string foreignOutput(const std::string& path) {
    return path + " 已存在，且不是本工具生成的同类文件，为免误覆盖，未生成任何文件。请先删除或改名"
                  "该文件！";
}
inline std::string depfileCannotName(const std::string& path) {
    return "依赖文件无法记录文件名 " + path + "（Make 或 Ninja 会将其读错），未生成任何文件！";
}
inline std::string largerThanFlash(std::uint64_t imageSize, std::uint64_t flashSize) {
    return "镜像大小为 " + std::to_string(imageSize) + " 字节，超出芯片容量（" +
           std::to_string(flashSize) + " 字节）" + std::to_string(imageSize - flashSize) +
           " 字节，未生成任何文件！";
}
inline std::string pastAddressSpace(std::uint64_t imageSize, std::uint32_t base) {
    char address[16];
    std::snprintf(address, sizeof address, "0x%08X", static_cast<unsigned>(base));
    return std::string("镜像置于基地址 ") + address + " 时，其 " + std::to_string(imageSize) +
           " 字节超出4GB地址范围，Intel HEX 与 S-record 无法表示，未生成任何文件！";
}
inline std::string layoutTooLarge(const std::string& path) {
    return path + " 超出4GB地址范围，无法合并，请减少文件或前置偏移！";
}

// Keeping the layout of an earlier merge: the refusals, then what moved.
inline std::string earlierLayoutUnreadable(const std::string& listPath) {
    return listPath + " 打开失败，无法沿用其布局，未生成任何文件！";
}
inline std::string earlierLayoutUnusable(const std::string& listPath) {
    return listPath + " 不是本软件导出的.h文件，或其文件地址重叠，无法沿用其布局，未生成任何文件！";
}
inline std::string frontAreaReachesKept(const std::string& path, std::uint32_t address,
                                        std::uint32_t frontOffset) {
    return path + " 的原地址 " + std::to_string(address) + " 位于前置偏移区域（" +
           std::to_string(frontOffset) + " 字节）之内，未生成任何文件！";
}
inline std::string grewPastSlot(const std::string& path, std::uint32_t from, std::uint32_t to) {
    return path + "：超出原有空间，地址由 " + std::to_string(from) + " 移至 " + std::to_string(to);
}
inline std::string placedNew(const std::string& path, std::uint32_t to) {
    return path + "：新增文件，地址为 " + std::to_string(to);
}
inline std::string layoutKept(const std::string& listPath, std::size_t kept, std::size_t total) {
    return "沿用 " + listPath + " 的布局：" + std::to_string(kept) + " / " + std::to_string(total) +
           " 个文件保持原地址";
}
inline std::string slotsLeftUnused(std::size_t removed) {
    return std::to_string(removed) + " 个已移除文件的空间保留未用";
}
inline std::string noEarlierList(const std::string& listPath) {
    return listPath + " 尚不存在，已重新布局";
}

// The tools menu: its title and items, in the order shown.
struct MenuItem {
    int id;           // 0 for a separator
    const char* text; // null for a separator
};
inline constexpr const char* kToolsMenu = "工具(&T)";
inline constexpr MenuItem kToolsMenuItems[] = {
    {cmd::ExportHeader, "导出C头文件…"}, {cmd::VerifyImage, "校验镜像…"},
    {cmd::ImageInfo, "查看镜像信息…"},   {0, nullptr},
    {cmd::MergeSettings, "合并选项…"},
};

// The merge settings: a field the dialog cannot take, names it, its text and
// what it should be.
inline std::string settingMalformed(const std::string& label, const std::string& value,
                                    const std::string& problem) {
    return label + "：“" + value + "”" + problem + "。";
}
inline std::string padNeedsFlashSize(const std::string& padLabel, const std::string& sizeLabel) {
    return padLabel + "：请先填写" + sizeLabel + "。";
}
// Remembered settings that could not be read, each as "key = text".
inline constexpr const char* kSettingsMalformed = "以下合并选项的值无效，已改用默认值：\n";
inline constexpr const char* kSettingsNotStored = "合并选项未能保存，仅在本次运行中有效。";
// Ends the merge report of a merge whose settings are not all the defaults.
inline std::string settingsUsed(const std::string& summary) {
    return "\n\n合并选项：" + summary;
}

// Export a C header.
inline constexpr const char* kExportHeaderTitle = "导出C头文件";
inline constexpr const char* kHeaderSuffix = "_layout.h";
inline constexpr const char* kNothingToExport = "列表为空，没有可导出的文件。";
inline constexpr const char* kExportStopped = "已停止导出，未生成任何文件。";
inline std::string headerExported(const std::string& path) {
    return "导出成功！成功创建如下文件：\n\n" + path;
}
// The export's save dialog leaves this question to the command, which
// refuses an input's name first.
inline std::string confirmReplace(const std::string& path) {
    return path + " 已存在。\n要替换它吗？";
}
inline FileFilter headerFilter() {
    return {"C 头文件（*.h）", {"*.h"}};
}

// Verify an image against its list file, and show an image's table.
inline constexpr const char* kVerifyImageTitle = "选择要校验的镜像文件";
inline constexpr const char* kVerifyListTitle = "选择该镜像的存档文件";
inline constexpr const char* kImageInfoTitle = "选择要查看的镜像文件";
inline constexpr const char* kVerifyCaption = "校验镜像";
inline constexpr const char* kVerifyStopped = "已停止校验。";
inline constexpr const char* kImageInfoCaption = "镜像信息";
inline std::string listNotReadable(const std::string& path) {
    return path + "\n" + kListFormatError;
}
inline std::string verifyPassed(std::size_t rows, bool withTable) {
    return "校验通过：全部 " + std::to_string(rows) + " 个文件与镜像一致" +
           (withTable ? "，文件信息表也一致。" : "。");
}
inline std::string verifyFailed(std::size_t bad) {
    return "校验失败：" + std::to_string(bad) +
           " 个文件与镜像不符。\n\n序号\t文件名\t地址\t不符之处";
}
// Verify's findings beyond the rows.
inline constexpr const char* kNotThisImage =
    "校验失败：该镜像不是此列表的镜像：没有任何文件位于列表所记录的地址，也没有文件信息表。"
    "\n\n序号\t文件名\t地址\t不符之处";
inline constexpr const char* kVerifyFailedFrontArea = "校验失败：镜像的前置区域已损坏。";
inline constexpr const char* kOtherDataInFront =
    "\n\n说明：镜像的前置区域中是其他数据，没有文件信息表，只校验了各文件。";
inline std::string frontAreaDamaged(std::uint64_t offset) {
    return "\n\n前置区域在文件信息表之后、偏移 " + std::to_string(offset) +
           " 处与填充字节不符：镜像已损坏。";
}
inline std::string bytesPastLayout(std::uint64_t bytes, std::uint64_t layoutEnd) {
    return "\n\n说明：镜像在列表的末尾（" + std::to_string(layoutEnd) + " 字节）之后还有 " +
           std::to_string(bytes) + " 字节，未校验。";
}
// What verify finds wrong with a row.
inline constexpr check::FindingWords kFindingWords{
    .content = {"", "偏移 {offset} 处起内容不同", "CRC-32 为 {found}，应为 {expected}",
                "镜像在偏移 {offset} 处结束，文件不完整", "该文件无法读取",
                "该文件现为 {inputSize} 字节，而非 {size} 字节",
                "镜像只有 {offset} 字节，在该文件开始之前就已结束"},
    .table = {"", "文件信息表记录为地址 {tableAddress}，大小 {tableSize}",
              "镜像在该文件的文件信息表记录之前结束", "文件信息表中该文件的记录处只有填充字节"},
    .pastSlot = "超出其预留位置（止于 {slotEnd}）",
    .separator = "；",
};
inline std::string moreRows(std::size_t count) {
    return "\n……另有 " + std::to_string(count) + " 行";
}
inline std::string imageTableHeader(std::uint64_t rows, std::uint64_t imageSize) {
    return "文件信息表共 " + std::to_string(rows) + " 个文件，镜像 " + std::to_string(imageSize) +
           " 字节：\n\n序号\t地址\t大小\t结束";
}
inline std::string tableCutShort(const std::string& path, std::uint64_t imageSize,
                                 std::uint64_t tableEnd) {
    return path + "\n镜像只有 " + std::to_string(imageSize) +
           " 字节，而其文件信息表所列文件到偏移 " + std::to_string(tableEnd) +
           " 处才结束：镜像不完整。";
}
inline std::string noInfoTable(const std::string& path) {
    return path + "\n该镜像的开头没有文件信息表。";
}

// File dialogs.
inline constexpr const char* kAddFilesTitle = "选择导入文件（多选）";
inline constexpr const char* kFolderImportTitle = "选择任一文件即导入当前文件夹所有文件";
inline constexpr const char* kImportListTitle = "选择存档文件";
inline constexpr const char* kSaveTitle = "选择保存位置和文件名称";

inline FileFilter binFilter() {
    return {"BIN 文件（*.bin）", {"*.bin"}};
}
inline FileFilter allFilesFilter() {
    return {"所有文件（*.*）", {"*"}};
}
inline FileFilter listFileFilter() {
    return {"从.h文件导入列表（*.h）", {"*.h"}};
}
inline std::vector<FileFilter> addFilesFilters() {
    return {binFilter(),
            {"DOT 字库文件（*.dot）", {"*.dot"}},
            {"JPG 文件（*.jpg,*.jpeg）", {"*.jpg", "*.jpeg"}},
            {"AVI 文件（*.avi）", {"*.avi"}},
            allFilesFilter()};
}

} // namespace zd::app::text
