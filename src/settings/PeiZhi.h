// 配置: the six texts of the rule panel as a settings file keeps them.
#pragma once

#include <QString>
#include <array>
#include <string>
#include <string_view>

#include "files/TextFile.h"

namespace 配置 {

// What a settings file holds: six of the rule panel's texts, by meaning.
struct RuleTexts {
    std::u16string deleteText;   // "删除包含"
    std::u16string deleteLines;  // "删除行"
    std::u16string spanStart;    // "删除开始"
    std::u16string spanStop;     // "删除结束"
    std::u16string find;         // "被替换"
    std::u16string replaceWith;  // "替换为"
};

struct KeyText {
    std::u16string_view key;
    std::u16string RuleTexts::*text;
};

// Save order; each key's text.
inline constexpr std::array<KeyText, 6> kSaveOrder = {{
    {u"删除包含", &RuleTexts::deleteText},
    {u"删除行", &RuleTexts::deleteLines},
    {u"删除开始", &RuleTexts::spanStart},
    {u"删除结束", &RuleTexts::spanStop},
    {u"被替换", &RuleTexts::find},
    {u"替换为", &RuleTexts::replaceWith},
}};
// Load order.
inline constexpr std::array<KeyText, 6> kLoadOrder = {{
    {u"删除行", &RuleTexts::deleteLines},
    {u"删除开始", &RuleTexts::spanStart},
    {u"删除结束", &RuleTexts::spanStop},
    {u"被替换", &RuleTexts::find},
    {u"替换为", &RuleTexts::replaceWith},
    {u"删除包含", &RuleTexts::deleteText},
}};

// Reads the six texts of the settings file at path, a missing key (or file)
// as empty. `texts` changes only when every key was read; otherwise the
// outcome says why.
files::Outcome LoadRuleTexts(const QString& path, RuleTexts& texts);
// Writes every text in save order, going on after a failed key; the outcome
// fails with the first reason when any key could not be written.
files::Outcome SaveRuleTexts(const QString& path, const RuleTexts& texts);

}  // namespace 配置
