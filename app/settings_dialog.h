// The merge settings dialog as data: every control with its kind, its text,
// the setting it shows, its id and its place in dialog units (a quarter of
// the dialog font's average character width across, an eighth of its height
// down). Both windows build the dialog from this table, so the two show the
// same texts in the same places; its order is the order Tab walks.
#pragma once

#include <span>
#include <string>

namespace zd::app {

enum class FieldKind {
    Group,  // a frame with a title around the fields below it
    Label,  // the name of the field after it
    Choice, // a text with a list of common values to pick from
    Edit,   // a text
    Check,  // a switch
    Ok,     // keeps the values, when they are all well formed
    Cancel, // drops them
};

struct DialogField {
    FieldKind kind;
    const char* text; // "" for a text or choice field
    const char* key;  // the setting shown; "" for frames, labels and buttons
    int id;           // 0 for frames and labels
    int x, y, width, height;
};

inline constexpr const char* kSettingsTitle = "合并选项";
// The dialog's size in dialog units.
inline constexpr int kSettingsWidth = 250;
inline constexpr int kSettingsHeight = 214;
// The common alignments; the first means none.
inline constexpr const char* kAlignmentChoices[] = {"无", "4K", "64K"};

inline constexpr DialogField kSettingsFields[] = {
    {FieldKind::Group, "布局", "", 0, 7, 7, 236, 96},
    {FieldKind::Label, "对齐", "", 0, 14, 21, 52, 8},
    {FieldKind::Choice, "", "align", 1001, 70, 19, 70, 12},
    {FieldKind::Label, "填充字节", "", 0, 14, 37, 52, 8},
    {FieldKind::Edit, "", "fill", 1002, 70, 35, 70, 12},
    {FieldKind::Label, "芯片容量", "", 0, 14, 53, 52, 8},
    {FieldKind::Edit, "", "flash_size", 1003, 70, 51, 70, 12},
    {FieldKind::Check, "填满至芯片容量", "pad", 1004, 148, 52, 90, 10},
    {FieldKind::Label, "预留空间", "", 0, 14, 69, 52, 8},
    {FieldKind::Edit, "", "reserve", 1005, 70, 67, 70, 12},
    {FieldKind::Check, "保持上次布局", "keep_layout", 1006, 14, 85, 120, 10},
    {FieldKind::Group, "同时生成的文件", "", 0, 7, 108, 236, 80},
    {FieldKind::Check, "C头文件", "c_header", 1007, 14, 122, 60, 10},
    {FieldKind::Check, "校验表", "c_table", 1008, 76, 122, 54, 10},
    {FieldKind::Label, "宏前缀", "", 0, 134, 123, 34, 8},
    {FieldKind::Edit, "", "prefix", 1009, 170, 120, 66, 12},
    {FieldKind::Check, "JSON清单", "manifest", 1010, 14, 138, 60, 10},
    {FieldKind::Check, "Intel HEX", "ihex", 1011, 14, 154, 60, 10},
    {FieldKind::Check, "S-record", "srec", 1012, 76, 154, 54, 10},
    {FieldKind::Label, "基地址", "", 0, 134, 155, 34, 8},
    {FieldKind::Edit, "", "base", 1013, 170, 152, 66, 12},
    {FieldKind::Check, "布局图", "map", 1014, 14, 170, 60, 10},
    {FieldKind::Check, "flashrom 布局文件", "flashrom_layout", 1015, 76, 170, 90, 10},
    {FieldKind::Check, "FMAP", "fmap", 1016, 170, 170, 50, 10},
    {FieldKind::Ok, "确定", "", 1, 137, 194, 50, 14},
    {FieldKind::Cancel, "取消", "", 2, 193, 194, 50, 14},
};

// The words the dialog shows for a setting: a switch's own text, else the
// label before its field. Empty for a key the dialog does not show.
std::string settingLabel(const std::string& key);

} // namespace zd::app
