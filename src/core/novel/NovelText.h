// Pieces shared by the re-flow and the chapter list: lines of a text with any
// line-break style, and the character classes both read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qm::novel {

// One line of a text: [start, start + length) without its break, which is
// `breakLength` units (2 for CR LF, 1 for LF or CR, 0 for the last line).
struct Line {
    std::size_t start = 0;
    std::size_t length = 0;
    std::size_t breakLength = 0;
};

// Every line of the text, split at CR LF, LF and lone CR. A text that ends
// with a break has an empty last line.
std::vector<Line> SplitLines(std::u16string_view text);

// The break the text mostly uses, to write new ones alike: CR LF unless the
// text has LF breaks and no CR LF.
std::u16string_view BreakOf(std::u16string_view text);

// Blanks a line may start or end with: space, tab, no-break space, U+3000
// (Trim cuts the same set).
constexpr bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == 0x00A0 || c == 0x3000; }

// The line without its leading and trailing blanks.
std::u16string_view Trim(std::u16string_view s);

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
