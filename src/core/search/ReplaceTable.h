// The replacement table's file format and its application to a text.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::table {

inline constexpr int kRows = 50;

struct Pair {
    std::u16string find;
    std::u16string replacement;
};
using Table = std::array<Pair, kRows>;

// The file: one "find|replacement" CR LF per row whose two texts are both
// non-empty, in row order. An empty table gives an empty file.
std::u16string Serialize(const Table& t);

// One imported line: the pieces before the first and second "|".
struct Line {
    std::u16string find;
    std::u16string replacement;
    bool hasReplacement = false;
    bool empty = true;  // an empty line leaves its row as it was
};
// The file's lines cut at CR LF (at most the first 50).
std::vector<Line> Parse(std::u16string_view content);

// Applies the rows in order, each on the result of the rows before it, with
// exact replace-all. write() gets the text after every row that changed it.
void Apply(const Table& t, std::u16string text,
           const std::function<void(const std::u16string&)>& write);

}  // namespace qm::table
