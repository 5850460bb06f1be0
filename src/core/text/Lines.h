// Lines of a text with any line-break style, and cutting spans out of a text:
// what the novel tools, the purge, the repeats and the EPUB writer share.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qm::text {

// One line of a text: [start, start + length) without its break, which is
// `breakLength` units (2 for CR LF, 1 for LF or CR, 0 for the last line).
struct Line {
    std::size_t start = 0;
    std::size_t length = 0;
    std::size_t breakLength = 0;

    constexpr std::size_t End() const { return start + length; }                 // before the break
    constexpr std::size_t Next() const { return start + length + breakLength; }  // after it
};

// Every line, split at CR LF, LF and lone CR; a text ending with a break (or
// empty) has an empty last line: SplitLines(u"a\r\nb\n") ==
// {{0, 1, 2}, {3, 1, 1}, {5, 0, 0}}.
std::vector<Line> SplitLines(std::u16string_view text);

// A stretch of UTF-16 units, as found by a tool and chosen by the user.
struct Span {
    std::size_t start = 0;
    std::size_t length = 0;
};

// text without the spans, in any order, overlapping ones cut once, parts past
// the end ignored: CutSpans(u"abcdef", {{4, 1}, {1, 2}, {2, 2}}) == u"af".
std::u16string CutSpans(std::u16string_view text, std::vector<Span> spans);

}  // namespace qm::text
