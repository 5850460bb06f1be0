// Where the caret stops when it moves by words (Ctrl+Left, Ctrl+Right) in one
// line of text. Chinese has no spaces between words: the word breaks come
// from ICU's dictionary, so "我们是中国人" stops at 我们|是|中国人 rather than
// after every character.
#pragma once

#include <cstddef>
#include <string_view>

namespace qm {

// The start of the next word after pos, past the spaces that follow the
// current one; line.size() when no word follows.
std::size_t NextWordStop(std::u16string_view line, std::size_t pos);

// The start of the word before pos (spaces before pos skipped); 0 when none.
std::size_t PreviousWordStop(std::u16string_view line, std::size_t pos);

}  // namespace qm
