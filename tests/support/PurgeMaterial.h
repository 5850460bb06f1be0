// The material library's ads (its prose is in NovelMaterial.h): real prose
// with marks planted in every disguise, as whole lines and as fragments inside
// paragraphs, so that what was planted is known to the unit.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "core/novel/purge/Purge.h"

namespace material {

struct Mark {
    std::string disguise;    // how it was dressed up
    bool wholeLine = false;  // a line of its own, or a fragment in a paragraph
    std::size_t start = 0;   // in the dirty text; a line's mark takes its CR LF too
    std::size_t length = 0;
};

struct Material {
    std::u16string clean;  // the prose as it was
    std::u16string dirty;  // with the marks
    std::vector<Mark> marks;
    std::vector<std::size_t> headings;  // chapter heading lines of dirty (0 for the first)
};

// UTF-8 file text with its line breaks as CR LF.
std::u16string ReadUtf8File(const std::string& path);

// The prose (CR LF lines; chapters start with lines "第…回" or "第…章") with
// marks planted; the same seed plants the same marks.
Material Plant(const std::u16string& prose, unsigned seed);

struct Tally {
    std::size_t planted = 0;
    std::size_t removed = 0;
};

struct Figures {
    std::map<std::string, Tally> byDisguise;
    Tally lines, fragments, all;
    std::size_t realUnitsRemoved = 0;  // units removed that were no part of a mark
    std::size_t suspects = 0;          // hits listed but left unless the user checks them
    bool restored = false;             // the purged text is the clean prose, exactly
};

// What the hits checked by default remove.
Figures Measure(const Material& m, const qm::purge::Options& options);

}  // namespace material
