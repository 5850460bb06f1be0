// Traditional to simplified Chinese through OpenCC (phrase-based, so 頭髮
// becomes 头发 and not 头發).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The text in simplified characters; nothing when OpenCC or its data is missing.
std::optional<std::u16string> TraditionalToSimplified(std::u16string_view text);

}  // namespace platform
