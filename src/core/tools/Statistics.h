// Counting for the statistics window: Chinese characters, English strings,
// digit strings and bytes in code page 936.
#pragma once

#include <cstdint>
#include <string_view>

namespace qm::stats {

struct Counts {
    std::int64_t chinese = 0;
    std::int64_t english = 0;
    std::int64_t digits = 0;
    std::int64_t bytes = 0;
};

// The code of one UTF-16 unit in code page 936 as a signed 16-bit number:
// one-byte codes 0 to 255, two-byte codes negative, no code at all 63 ("?").
std::int16_t SignedCode(char16_t unit);

Counts Count(std::u16string_view text);

}  // namespace qm::stats
