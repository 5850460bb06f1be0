// Re-flow of a hard-wrapped novel: at every line break, decide from the text
// itself whether it is a wrap (join the lines) or a paragraph's end (keep it),
// then the two layouts readers want: "段首缩进" and "段间空行".
//
// The evidence: the wrap width the book was cut at (in characters and in
// display width, CJK = 2, whichever is sharper), whether a line is full, the
// next line's indentation, blank lines between paragraphs, closing punctuation
// and quotes, headings (never glued to text), verse (short lines of one
// length), list items. Nothing visible is ever changed, added or dropped: only
// line breaks go, with the blanks around a join (one blank stays between two
// English words or numbers). Lines may end in CR LF, LF or CR; new breaks are
// written in the text's own style. Deterministic, and linear in the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::reflow {

enum class Break : std::uint8_t {
    Keep,           // a paragraph ends here
    Join,           // a wrap: the lines join without a blank (Chinese)
    JoinWithBlank,  // a wrap between two words: one blank between them
};

// How the book marks its paragraphs, as found.
enum class Layout : std::uint8_t {
    FixedWidth,  // cut at one width: a line short of it ends a paragraph
    Ragged,      // lines of any length: closing punctuation tells
    BlankLines,  // paragraphs separated by empty lines: every other break is a wrap
    Flowed,      // one paragraph a line already: breaks are kept
};

struct Plan {
    // breaks[i] is the break after line i (lines counted from 0); a text of n
    // lines has n - 1 breaks (a break at the very end is followed by an empty line).
    std::vector<Break> breaks;
    std::size_t joins = 0;
    std::size_t keeps = 0;
    Layout layout = Layout::Ragged;
    std::size_t width = 0;      // the wrap width found (FixedWidth only)
    bool displayWidth = false;  // width counts display columns, not characters
    // The text the plan was made for: Apply refuses any other.
    std::size_t textLength = 0;
    std::size_t textHash = 0;
};

// The decisions for every line break of the text.
Plan Decide(std::u16string_view text);

// The text with the plan's joins made. A plan made for another text is
// refused: the text comes back unchanged.
std::u16string Apply(std::u16string_view text, const Plan& plan);

// Decide and Apply in one.
std::u16string Reflow(std::u16string_view text);

// Every paragraph (non-empty line) starts with "　　" in place of whatever
// blanks it had; headings (and a 目录 block's entries) start with none.
// Empty lines stay.
std::u16string Indent(std::u16string_view text);

// Exactly one empty line between paragraphs: runs of empty (or blank) lines
// become one, and one is put between two paragraphs that had none. No empty
// line before the first paragraph; a final line break stays.
std::u16string BlankLines(std::u16string_view text);

}  // namespace qm::reflow
