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

}  // namespace qm::text
