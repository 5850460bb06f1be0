#include "core/tools/Statistics.h"

#include "core/encoding/Encoding.h"

namespace qm::stats {

std::int16_t SignedCode(char16_t unit) {
    const std::uint16_t code = enc::GbkCode(unit);
    if (code == 0xFFFF) return 63;
    return static_cast<std::int16_t>(code);
}

Counts Count(std::u16string_view text) {
    Counts r;
    const std::size_t n = text.size();
    if (n == 0) return r;
    // One pass; d is the next character's code, a space after the last one.
    int c = SignedCode(text[0]);
    for (std::size_t i = 0; i < n; ++i) {
        const int d = i + 1 < n ? SignedCode(text[i + 1]) : 32;
        r.bytes += (c < 0) ? 2 : 1;
        if ((c >= 65 && c <= 90) || (c >= 97 && c <= 122)) {
            if (d < 65 || (d >= 91 && d <= 96) || d > 122) ++r.english;
            if (d == 45 || d == 39) --r.english;
        } else if (c >= 48 && c <= 57) {
            if (d < 48 || d > 57) ++r.digits;
        } else if (c < 0 || c > 127) {
            ++r.chinese;
        }
        c = d;
    }
    return r;
}

}  // namespace qm::stats
