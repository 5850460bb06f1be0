// The settings file reader and rewriter, on arbitrary file contents, keys
// and values. The first two bytes choose where the key and value are cut.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/encoding/Encoding.h"
#include "settings/ModSetting.h"

namespace {
std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
    return s;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::u16string all =
        qm::enc::Decode(std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2),
                        qm::enc::Encoding::Gbk)
            .text;
    const std::size_t keyLen = std::min<std::size_t>(data[0] % 8, all.size());
    const std::size_t valueLen = std::min<std::size_t>(data[1] % 16, all.size() - keyLen);
    const std::u16string key = all.substr(0, keyLen);
    const std::u16string value = all.substr(keyLen, valueLen);
    const std::u16string content = all.substr(keyLen + valueLen);

    (void)ModSetting::FindValue(content, key, u"默认");
    const std::u16string out = ModSetting::RewriteContent(content, key, value);
    // A rewritten file is empty or ends with exactly one CR LF.
    if (!out.empty() && (out.size() < 2 || out.compare(out.size() - 2, 2, u"\r\n") != 0)) {
        std::abort();
    }
    // A plain key then reads back the value it was given.
    const bool plainKey = !key.empty() && Trim(key) == key &&
                          key.find_first_of(u"=\r\n") == std::u16string::npos &&
                          key.front() != u'#';
    const bool plainValue =
        Trim(value) == value && value.find_first_of(u"\r\n") == std::u16string::npos;
    if (plainKey && plainValue && !value.empty() && ModSetting::FindValue(out, key, u"") != value) {
        std::abort();
    }
    return 0;
}
