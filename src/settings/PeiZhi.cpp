#include "settings/PeiZhi.h"

#include "settings/ModSetting.h"

namespace 配置 {

files::Outcome LoadRuleFields(const FieldSetter& set) {
    for (const KeyField& kf : kLoadOrder) {
        QString why;
        const std::optional<std::u16string> v = ModSetting::ReadSettingValue(kf.key, u"", &why);
        if (!v) return files::Outcome{false, why};
        set(kf.field, *v);
    }
    return files::Outcome{true, {}};
}

files::Outcome SaveRuleFields(const FieldGetter& get) {
    files::Outcome all{true, {}};
    for (const KeyField& kf : kSaveOrder) {
        QString why;
        if (!ModSetting::WriteSettingValue(kf.key, get(kf.field), &why) && all.ok) {
            all = files::Outcome{false, why};
        }
    }
    return all;
}

}  // namespace 配置
