#include "core/search/Search.h"

#include "core/text/WholeNumber.h"

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

std::optional<std::size_t> LineStartOffset(std::u16string_view text, long long line) {
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
    const std::optional<text::WholeNumber> n = text::ParseWholeNumber(typed);
    if (!n || n->digits > 15) return std::nullopt;
    const auto value = static_cast<long long>(n->value);
    return n->negative ? -value : value;
}

}  // namespace qm::search
