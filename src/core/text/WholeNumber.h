// Whole numbers as the user types them into a field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm::text {

struct WholeNumber {
    bool sign = false;      // a "+" or "-" came first
    bool negative = false;  // it was "-"
    std::size_t digits = 0;
    // The value, held at the largest std::size_t when the digits say more.
    std::size_t value = 0;
    bool saturated = false;
};

// ASCII blanks around forgiven, then an optional sign and one or more ASCII
// digits, nothing else: " -12 " → {sign, negative, 2 digits, 12}; "1.5",
// "１２" (full width), "" and "-" → nothing.
std::optional<WholeNumber> ParseWholeNumber(std::u16string_view typed);

// The number in ASCII digits, at least minDigits of them, zeros in front and
// the sign before those: WholeNumberText(-7, 3) == u"-007", WholeNumberText(42) == u"42".
std::u16string WholeNumberText(std::int64_t n, int minDigits = 1);

}  // namespace qm::text
