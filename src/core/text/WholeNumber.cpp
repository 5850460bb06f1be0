#include "core/text/WholeNumber.h"

#include <limits>

#include "core/text/Strip.h"

namespace qm::text {

std::optional<WholeNumber> ParseWholeNumber(std::u16string_view typed) {
    typed = Strip(typed, kSpaces);
    WholeNumber n;
    if (!typed.empty() && (typed.front() == u'-' || typed.front() == u'+')) {
        n.sign = true;
        n.negative = typed.front() == u'-';
        typed.remove_prefix(1);
    }
    if (typed.empty()) return std::nullopt;
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    for (const char16_t c : typed) {
        if (c < u'0' || c > u'9') return std::nullopt;
        const auto digit = static_cast<std::size_t>(c - u'0');
        ++n.digits;
        if (n.saturated || n.value > (kMax - digit) / 10) {
            n.saturated = true;
            n.value = kMax;
        } else {
            n.value = n.value * 10 + digit;
        }
    }
    return n;
}

std::u16string WholeNumberText(std::int64_t n, int minDigits) {
    std::u16string s;
    const bool negative = n < 0;
    // Unsigned, so that the smallest int64 turns positive without overflow.
    std::uint64_t v = negative ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    do {
        s.insert(s.begin(), static_cast<char16_t>(u'0' + v % 10));
        v /= 10;
    } while (v > 0);
    if (static_cast<int>(s.size()) < minDigits)
        s.insert(0, static_cast<std::size_t>(minDigits) - s.size(), u'0');
    if (negative) s.insert(s.begin(), u'-');
    return s;
}

}  // namespace qm::text
