#include "core/NovelText.h"

namespace qm::novel {

std::vector<Line> SplitLines(std::u16string_view text) {
    std::vector<Line> lines;
    lines.reserve(text.size() / 24 + 1);
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c != u'\r' && c != u'\n') continue;
        const std::size_t len = (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
        lines.push_back({start, i - start, len});
        i += len - 1;
        start = i + 1;
    }
    lines.push_back({start, text.size() - start, 0});
    return lines;
}

std::u16string_view BreakOf(std::u16string_view text) {
    if (text.find(u"\r\n") != std::u16string_view::npos) return u"\r\n";
    if (text.find(u'\n') != std::u16string_view::npos) return u"\n";
    return u"\r\n";
}

std::u16string_view Trim(std::u16string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::size_t DisplayWidth(std::u16string_view s) {
    std::size_t w = 0;
    for (const char16_t c : s) {
        if (c < 0x80) {
            ++w;
        } else if (c < 0xDC00 || c > 0xDFFF) {
            w += 2;  // a low surrogate was counted with its high one
        }
    }
    return w;
}

std::size_t CharCount(std::u16string_view s) {
    std::size_t n = 0;
    for (const char16_t c : s) n += (c >= 0xDC00 && c <= 0xDFFF) ? 0 : 1;
    return n;
}

}  // namespace qm::novel
