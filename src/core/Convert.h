// Conversions of the menu "转换" that need no window: the HTML page, full
// and half width, Chinese numerals.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm::convert {

// "TXT转HTML": the page header, then the text with &, <, > and " escaped
// (so the text shows as written and never becomes page code) and every
// CR LF as "<br>". No closing tags, as the page has always been written.
std::u16string TextToHtml(std::u16string_view text);

// Full-width ASCII forms (U+FF01–U+FF5E) and the ideographic space to their
// ASCII counterparts, and back. Everything else, CJK punctuation included,
// stays: GBK cannot hold the half-width forms of 。「」、.
std::u16string FullToHalf(std::u16string_view text);
std::u16string HalfToFull(std::u16string_view text);

enum class NumeralStyle { Lower, Financial };
// A number typed by the user (digits, an optional "." and up to two
// decimals, blanks and thousands separators forgiven) as Chinese numerals:
// 1234 → 一千二百三十四 / 壹仟贰佰叁拾肆元整. Nothing for anything else, or
// for a number of 10^17 and more.
std::optional<std::u16string> ChineseNumerals(std::u16string_view typed, NumeralStyle style);

}  // namespace qm::convert
