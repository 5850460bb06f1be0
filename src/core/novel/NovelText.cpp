#include "core/novel/NovelText.h"

namespace qm::novel {

std::u16string_view BreakOf(std::u16string_view text) {
    if (text.find(u"\r\n") != std::u16string_view::npos) return u"\r\n";
    if (text.find(u'\n') != std::u16string_view::npos) return u"\n";
    return u"\r\n";
}

namespace {

// The second unit of a surrogate pair, counted with the first. A lone low
// surrogate (a byte kept from a file that did not decode) counts on its own.
bool Continues(std::u16string_view s, std::size_t i) {
    return i > 0 && s[i] >= 0xDC00 && s[i] <= 0xDFFF && s[i - 1] >= 0xD800 && s[i - 1] <= 0xDBFF;
}

}  // namespace

std::size_t DisplayWidth(std::u16string_view s) {
    std::size_t w = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] < 0x80) {
            ++w;
        } else if (!Continues(s, i)) {
            w += 2;
        }
    }
    return w;
}

std::size_t CharCount(std::u16string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++i) n += Continues(s, i) ? 0 : 1;
    return n;
}

}  // namespace qm::novel
