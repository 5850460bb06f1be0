// The one-click tidy commands, the rule pass and the character tools, as
// text-in, text-out operations.
//
// Commands that rebuild the document a line at a time hand every chunk they
// would append to a sink, in order; the caller appends each to the document
// (one write per chunk) and decides when to let the window repaint.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qm::tidy {

using Sink = std::function<void(std::u16string_view chunk)>;

// Every line gets ins at its start (atStart) or end, then CR LF. A last line
// without CR LF is processed too, unless it is empty.
void InsertAtEveryLine(std::u16string_view text, std::u16string_view ins, bool atStart,
                       const Sink& sink);
// Every line followed by CR LF CR LF; a non-empty last line without CR LF too.
void EmptyLineAfterEveryLine(std::u16string_view text, const Sink& sink);
// Every piece without its CR LF: the result is the text with every CR LF removed.
void MergeLines(std::u16string_view text, const Sink& sink);
// Chunks of n units, each followed by CR LF (existing CR LF count as two units).
void Rebreak(std::u16string_view text, std::size_t n, const Sink& sink);
// The piece length typed by the user: a whole number from 1 upwards, or nothing.
std::optional<std::size_t> ParsePieceLength(std::u16string_view typed);

enum class SpaceMode { LineStart, LineEnd, All };
// Removes U+0020 (not tabs, not U+3000): at every line start, every line end, or all.
std::u16string RemoveSpaces(std::u16string_view text, SpaceMode mode);

// Collapses runs of empty lines: when the text starts with CR, its first CR LF
// goes; then every CR LF CR LF becomes CR LF, pass after pass, until none is
// left. write() sees the text after each of these steps.
std::u16string RemoveEmptyLines(std::u16string text,
                                const std::function<void(const std::u16string&)>& write);

// The rule panel's fields.
struct RuleFields {
    std::u16string find;         // TxtBeiTiHuan
    std::u16string replaceWith;  // TxtTiHuan ("回车" means CR LF)
    std::u16string deleteLines;  // TxtBaoHan
    std::u16string deleteText;   // TxtShanChu
    std::u16string spanStart;    // TxtStart
    std::u16string spanStop;     // TxtStop
    std::u16string spanReplace;  // TxtTiHuanWei
};
// Applies the six steps to every piece and joins the pieces, each followed by CR LF.
std::u16string RulePass(std::u16string_view text, const RuleFields& f);
// The six steps on one piece.
std::u16string RuleLine(std::u16string_view piece, const RuleFields& f);

// The units of s in reverse order, a surrogate pair kept as one character.
std::u16string ReverseString(std::u16string_view s);
// Removes codes 34–39, 42, 47, 58–127, U+3003 and U+FF1A: letters and most
// ASCII symbols go; digits, space, ! ( ) + , - . and Chinese stay.
std::u16string 删除字母和符号(std::u16string_view s);
// Removes "/" and the digits "0" to "9".
std::u16string RemoveDigits(std::u16string_view s);

}  // namespace qm::tidy
