// 配置: the six rule fields of the main window and their settings keys.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "files/TextFile.h"

namespace 配置 {

struct KeyField {
    std::u16string_view key;
    const char* field;  // object name of the main window's control
};

// Save order; each key's field.
inline constexpr std::array<KeyField, 6> kSaveOrder = {{
    {u"删除包含", "TxtShanChu"},
    {u"删除行", "TxtBaoHan"},
    {u"删除开始", "TxtStart"},
    {u"删除结束", "TxtStop"},
    {u"被替换", "TxtBeiTiHuan"},
    {u"替换为", "TxtTiHuan"},
}};
// Load order.
inline constexpr std::array<KeyField, 6> kLoadOrder = {{
    {u"删除行", "TxtBaoHan"},
    {u"删除开始", "TxtStart"},
    {u"删除结束", "TxtStop"},
    {u"被替换", "TxtBeiTiHuan"},
    {u"替换为", "TxtTiHuan"},
    {u"删除包含", "TxtShanChu"},
}};

using FieldGetter = std::function<std::u16string(const char* field)>;
using FieldSetter = std::function<void(const char* field, const std::u16string& text)>;

// Fills the fields in load order; stops at the first field whose file cannot
// be read, and says why.
files::Outcome LoadRuleFields(const FieldSetter& set);
// Writes every field in save order, going on after a failed key; the outcome
// fails with the first reason when any key could not be written.
files::Outcome SaveRuleFields(const FieldGetter& get);

}  // namespace 配置
