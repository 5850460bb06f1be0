// Two downloads of one book made into one: chapters aligned by title (by
// number where they have none), so that a copy that renumbers or has extra
// chapters still lines up, and for each chapter the sounder body taken, as
// the audit judges them. Line numbers count from 0.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::audit {

enum class Source { A, B };

struct MergedChapter {
    std::optional<std::size_t> lineA;  // the chapter's heading line in each copy
    std::optional<std::size_t> lineB;
    Source source = Source::A;  // whose body was taken
};

struct Merged {
    std::u16string text;  // A's text, its line breaks, with the chosen bodies
    std::vector<MergedChapter> chapters;
    std::vector<std::u16string> missing;  // what neither copy had, in Chinese
};

Merged Merge(std::u16string_view a, std::u16string_view b);

}  // namespace qm::audit
