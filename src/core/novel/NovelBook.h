// The novel tools that need the chapter list: the purge and the search for
// repeats as the window and the command line run them, and a text made into
// an EPUB book.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/novel/Epub.h"
#include "core/novel/Repeats.h"
#include "core/novel/purge/Purge.h"

namespace qm::novel {

// The lines (0 for the first) of the text's chapter headings, as the purge
// and the search for repeated passages take them.
std::vector<std::size_t> HeadingLines(std::u16string_view text);

// The marks of the built-in rules and the user's (empty: none), the
// chapters counted by the text's own headings.
purge::Found FindMarks(std::u16string_view text, const purge::UserRules& rules);

// The repeated passages, chapters told by the text's own headings.
std::vector<repeats::Repeat> FindRepeats(std::u16string_view text);

// The text as a book: volumes holding their chapters (special parts such as
// 序章 or 后记 are chapters too), each non-empty line a paragraph without its
// indentation; what comes before the first heading is the front matter.
// Chapters before the first volume sit at the top of the contents.
epub::Book BookFromText(std::u16string title, std::u16string author, std::u16string_view text);

}  // namespace qm::novel
