// "字符串联组合": every combination of the items of two or three lists.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::combine {

// The most combinations built at once.
inline constexpr std::uint64_t kLimit = 1'000'000;
// The most characters they may make together (about 40 MB of text, which the
// result box then holds again several times over).
inline constexpr std::uint64_t kMaxChars = 20'000'000;

// The items of a list typed one per line (CR LF, CR or LF); empty lines are not items.
std::vector<std::u16string> Items(std::u16string_view typed);

// How many combinations the lists give (lists without items are left out);
// saturates instead of overflowing.
std::uint64_t Count(const std::vector<std::vector<std::u16string>>& lists);

// How many characters every combination together makes, separators and line
// breaks included, worked out without building them; saturates.
std::uint64_t Length(const std::vector<std::vector<std::u16string>>& lists,
                     std::u16string_view separator);

// Every combination in order (the first list varies slowest), its items
// joined by separator, one combination a line, each line ended by CR LF.
// Nothing when there are more than kLimit, when they would make more than
// kMaxChars characters, or when no list has items.
std::optional<std::u16string> Combine(const std::vector<std::vector<std::u16string>>& lists,
                                      std::u16string_view separator);

}  // namespace qm::combine
