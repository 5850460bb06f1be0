// Find, find next and go to line, on the document text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qm::search {

// First exact (case-sensitive) occurrence of needle at or after from.
std::optional<std::size_t> FindFrom(std::u16string_view text, std::u16string_view needle,
                                    std::size_t from);

// Where find next searches: after the current selection, or from the caret.
std::size_t NextSearchStart(std::size_t selStart, std::size_t selLength);

// Position of the first character of 0-based line `line` (lines end at CR LF),
// or nothing when the text has no such line.
std::optional<std::size_t> LineStartOffset(std::u16string_view text, long long line);

// The line number the user typed: a whole number, optionally signed and with
// blanks around it; nothing when it is not a number at all.
std::optional<long long> ParseLineNumber(std::u16string_view typed);

}  // namespace qm::search
