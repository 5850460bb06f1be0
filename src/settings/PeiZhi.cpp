#include "settings/PeiZhi.h"

#include "settings/ModSetting.h"

namespace 配置 {

void LoadRuleFields(const FieldSetter& set) {
    for (const KeyField& kf : kLoadOrder) {
        const std::optional<std::u16string> v = ModSetting::ReadSettingValue(kf.key, u"");
        if (!v) return;
        set(kf.field, *v);
    }
}

void SaveRuleFields(const FieldGetter& get) {
    for (const KeyField& kf : kSaveOrder) ModSetting::WriteSettingValue(kf.key, get(kf.field));
}

}  // namespace 配置
