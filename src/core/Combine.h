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

// The items of a list typed one per line (CR LF, CR or LF); empty lines are not items.
std::vector<std::u16string> Items(std::u16string_view typed);

// How many combinations the lists give (lists without items are left out);
// saturates instead of overflowing.
std::uint64_t Count(const std::vector<std::vector<std::u16string>>& lists);

// Every combination in order (the first list varies slowest), its items
// joined by separator, one combination a line, each line ended by CR LF.
// Nothing when there are more than kLimit, or no list has items.
std::optional<std::u16string> Combine(const std::vector<std::vector<std::u16string>>& lists,
                                      std::u16string_view separator);

}  // namespace qm::combine
