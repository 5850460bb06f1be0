// Repeated passages: a paragraph pasted twice, a chapter whose heading and
// body come again, a chapter title repeated as the first line of its body.
// Lines are compared as the purge compares them (width, case, blanks and
// zero-width characters do not count).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qm::repeats {

enum class Kind {
    Paragraph,  // a paragraph seen before
    Title,      // the chapter's heading again as the first line of its body
    Chapter,    // a whole chapter, heading and body, seen before
};

struct Repeat {
    Kind kind = Kind::Paragraph;
    std::size_t line = 0;       // first line of the repeat (0 for the first line)
    std::size_t firstLine = 0;  // the line it repeats (for a title: the heading)
    std::size_t lines = 1;      // lines it covers (a chapter: heading to its end)
    std::size_t start = 0;      // what removing it takes, in UTF-16 units,
    std::size_t length = 0;     //   its line breaks included
    std::u16string text;        // the paragraph, the title, or the chapter's heading
};

struct Options {
    // Line numbers (0 for the first) of the chapter headings; without them,
    // titles are only told by their form (第…章, 第…回) and chapters are not
    // compared whole.
    std::vector<std::size_t> chapterLines;
    // Shorter paragraphs ("是。", "诗曰：") repeat in any prose.
    std::size_t minParagraph = 20;
};

// Every repeat in text order (CR LF, LF or CR line breaks).
std::vector<Repeat> Find(std::u16string_view text, const Options& options = {});

struct Removed {
    std::u16string text;
    std::size_t removed = 0;  // repeats taken out
    std::size_t stale = 0;    // repeats that no longer fit the text, left alone
};

// A heading (as the purge compares lines) without its "第…章" number: the
// title proper, when it has one: TitlePart(u"第十二章:风雪") == u"风雪".
std::u16string_view TitlePart(std::u16string_view norm);

// text without the chosen repeats (a subset of what Find returned for it).
Removed Remove(std::u16string_view text, const std::vector<Repeat>& chosen);

}  // namespace qm::repeats
