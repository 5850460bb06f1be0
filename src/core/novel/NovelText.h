// Pieces shared by the re-flow and the chapter list: the break a text uses,
// and the character classes both read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/Strip.h"

namespace qm::novel {

// The break the text mostly uses, to write new ones alike: CR LF unless the
// text has LF breaks and no CR LF.
std::u16string_view BreakOf(std::u16string_view text);

// Blanks a line may start or end with (text::kNovelBlanks).
constexpr bool IsBlank(char16_t c) { return text::kNovelBlanks.Has(c); }

// Columns on a Chinese screen (and bytes in GBK): 1 for ASCII, 2 for the rest;
// a surrogate pair counts once.
std::size_t DisplayWidth(std::u16string_view s);
// Characters, a surrogate pair counted once.
std::size_t CharCount(std::u16string_view s);

// Letters and digits of English text (ASCII, full-width and Latin letters),
// which need a blank between words when two lines are joined.
constexpr bool IsWordChar(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
           (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7);
}

}  // namespace qm::novel
