// Conversions of the menu "转换" that need no window: the HTML page, full
// and half width, Chinese numerals.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
// 1234 → 一千二百三十四 / 壹仟贰佰叁拾肆元整; each unit said once, so the part
// above 亿 is read as a number of its own (一万零一亿). Nothing for anything
// else, or for a number above 10^16 (一亿亿).
std::optional<std::u16string> ChineseNumerals(std::u16string_view typed, NumeralStyle style);

// "乱码转正常", first half: Chinese that was decoded in the wrong code page.
struct Repair {
    enum class Kind { Nothing, Repaired, Lossy };
    Kind kind = Kind::Nothing;
    std::u16string text;  // the repaired text (Repaired)
    std::u16string how;   // which mistake was undone, in the user's words
    std::size_t at = 0;   // where the lost text starts (Lossy)
};
// GBK or UTF-8 bytes read as Latin-1 come back exactly; UTF-8 bytes read as
// GBK come back where every byte survived. A repair is taken only when it
// decodes cleanly and reads as more plausible Chinese than the text. Text
// that went through a lossy decode (锟斤拷, 烫烫烫, 屯屯屯) cannot be repaired.
Repair RepairGarbled(std::u16string_view text);

// "乱码转正常" in place: the garbled passages of an otherwise sound text,
// found a line at a time (or, where a line is partly sound, a piece between
// two sound punctuation marks), each undone on its own: UTF-8 read as GBK,
// as Big5 or as Latin-1/CP1252, GBK read as Big5 or as Latin-1, Big5 read as
// GBK, and any two of these one after the other. A repair is offered only
// where it decodes cleanly and reads as more plausible text than the span
// (Chinese of either script, or English). Lost text (锟斤拷, 烫烫, 屯屯, U+FFFD,
// "?" between Chinese characters) is listed and left alone.
struct GarbledSpan {
    enum class Kind { Repaired, Lossy };
    Kind kind = Kind::Repaired;
    std::size_t line = 0;    // 0 for the first line
    std::size_t start = 0;   // in the text, UTF-16 units
    std::size_t length = 0;  // units
    std::u16string before;   // the span as it is
    std::u16string after;    // what it becomes (Repaired)
    std::u16string how;      // the mistake undone, or what was lost
};
std::vector<GarbledSpan> FindGarbled(std::u16string_view text);

struct RepairsApplied {
    std::u16string text;
    std::size_t repaired = 0;
    std::size_t stale = 0;  // spans the text no longer holds as found, left alone
};
// The text with the chosen repairs made (lossy spans are skipped); nothing
// outside a span changes.
RepairsApplied ApplyRepairs(std::u16string_view text, const std::vector<GarbledSpan>& chosen);

}  // namespace qm::convert
