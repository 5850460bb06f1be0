#include "settings/PeiZhi.h"

#include <optional>

#include "settings/ModSetting.h"

namespace 配置 {

files::Outcome LoadRuleTexts(const QString& path, RuleTexts& texts) {
    RuleTexts read;
    for (const KeyText& kt : kLoadOrder) {
        QString why;
        std::optional<std::u16string> v = ModSetting::ReadSettingValue(path, kt.key, u"", &why);
        if (!v) return files::Outcome::Failed(why);
        read.*kt.text = std::move(*v);
    }
    texts = std::move(read);
    return files::Outcome::Done();
}

files::Outcome SaveRuleTexts(const QString& path, const RuleTexts& texts) {
    files::Outcome all{true, {}};
    for (const KeyText& kt : kSaveOrder) {
        QString why;
        if (!ModSetting::WriteSettingValue(path, kt.key, texts.*kt.text, &why) && all.ok) {
            all = files::Outcome::Failed(why);
        }
    }
    return all;
}

}  // namespace 配置
