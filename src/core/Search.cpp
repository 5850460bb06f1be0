#include "core/Search.h"

namespace qm::search {

std::optional<std::size_t> FindFrom(std::u16string_view text, std::u16string_view needle,
                                    std::size_t from) {
    if (needle.empty() || from > text.size()) return std::nullopt;
    const std::size_t at = text.find(needle, from);
    if (at == std::u16string_view::npos) return std::nullopt;
    return at;
}

std::size_t NextSearchStart(std::size_t selStart, std::size_t selLength) {
    return selStart + selLength;
}

std::optional<std::size_t> LineIndex(std::u16string_view text, long long line) {
    if (line < 0) return std::nullopt;
    std::size_t pos = 0;
    for (long long i = 0; i < line; ++i) {
        const std::size_t at = text.find(u"\r\n", pos);
        if (at == std::u16string_view::npos) return std::nullopt;
        pos = at + 2;
    }
    return pos;
}

std::optional<long long> ParseLineNumber(std::u16string_view typed) {
    while (!typed.empty() && typed.front() == u' ') typed.remove_prefix(1);
    while (!typed.empty() && typed.back() == u' ') typed.remove_suffix(1);
    bool negative = false;
    if (!typed.empty() && (typed.front() == u'-' || typed.front() == u'+')) {
        negative = typed.front() == u'-';
        typed.remove_prefix(1);
    }
    if (typed.empty() || typed.size() > 15) return std::nullopt;
    long long n = 0;
    for (char16_t c : typed) {
        if (c < u'0' || c > u'9') return std::nullopt;
        n = n * 10 + (c - u'0');
    }
    return negative ? -n : n;
}

}  // namespace qm::search
