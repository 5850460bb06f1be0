#include "core/tools/Combine.h"

#include <limits>

namespace qm::combine {

std::vector<std::u16string> Items(std::u16string_view typed) {
    std::vector<std::u16string> items;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= typed.size(); ++i) {
        if (i == typed.size() || typed[i] == u'\r' || typed[i] == u'\n') {
            if (i > start) items.emplace_back(typed.substr(start, i - start));
            start = i + 1;
        }
    }
    return items;
}

namespace {
std::vector<const std::vector<std::u16string>*> NonEmpty(
    const std::vector<std::vector<std::u16string>>& lists) {
    std::vector<const std::vector<std::u16string>*> used;
    for (const auto& l : lists) {
        if (!l.empty()) used.push_back(&l);
    }
    return used;
}
}  // namespace

std::uint64_t Count(const std::vector<std::vector<std::u16string>>& lists) {
    const auto used = NonEmpty(lists);
    if (used.empty()) return 0;
    std::uint64_t n = 1;
    for (const auto* l : used) {
        if (n > std::numeric_limits<std::uint64_t>::max() / l->size())
            return std::numeric_limits<std::uint64_t>::max();
        n *= l->size();
    }
    return n;
}

namespace {
constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
std::uint64_t Times(std::uint64_t a, std::uint64_t b) {
    return a != 0 && b > kMax / a ? kMax : a * b;
}
std::uint64_t Plus(std::uint64_t a, std::uint64_t b) { return b > kMax - a ? kMax : a + b; }
}  // namespace

std::uint64_t Length(const std::vector<std::vector<std::u16string>>& lists,
                     std::u16string_view separator) {
    const auto used = NonEmpty(lists);
    const std::uint64_t n = Count(lists);
    if (used.empty()) return 0;
    // Each line: its items, a separator between each two, CR LF.
    std::uint64_t total = Times(n, Plus(Times(used.size() - 1, separator.size()), 2));
    for (const auto* l : used) {
        std::uint64_t chars = 0;
        for (const auto& item : *l) chars = Plus(chars, item.size());
        // Every item of a list stands in n / (its list's size) lines. (When n
        // saturated, this is still more than any limit.)
        total = Plus(total, Times(chars, n / l->size()));
    }
    return total;
}

std::optional<std::u16string> Combine(const std::vector<std::vector<std::u16string>>& lists,
                                      std::u16string_view separator) {
    const std::uint64_t n = Count(lists);
    if (n == 0 || n > kLimit) return std::nullopt;
    const std::uint64_t length = Length(lists, separator);
    if (length > kMaxChars) return std::nullopt;
    const auto used = NonEmpty(lists);
    std::vector<std::size_t> at(used.size(), 0);
    std::u16string out;
    out.reserve(static_cast<std::size_t>(length));
    for (std::uint64_t k = 0; k < n; ++k) {
        for (std::size_t j = 0; j < used.size(); ++j) {
            if (j > 0) out += separator;
            out += (*used[j])[at[j]];
        }
        out += u"\r\n";
        // The last list varies fastest, like counting.
        for (std::size_t j = used.size(); j-- > 0;) {
            if (++at[j] < used[j]->size()) break;
            at[j] = 0;
        }
    }
    return out;
}

}  // namespace qm::combine
