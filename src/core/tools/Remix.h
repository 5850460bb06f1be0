// "网站优化专用功能": re-mixes an article: its paragraphs shuffled by a seed,
// keywords put in at a chosen density, listed words swapped for synonyms,
// and a title on top.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qm::remix {

struct Settings {
    bool shuffle = true;
    std::uint64_t seed = 1;                // the same seed, the same order
    bool keepFirst = false;                // the opening paragraph stays first
    std::u16string title;                  // the first line, when not empty
    std::vector<std::u16string> keywords;  // used in turn
    std::size_t every = 0;                 // a keyword every N paragraphs; 0: none
    bool atStart = false;  // at the paragraph's start (after its indent), else its end
    std::vector<std::pair<std::u16string, std::u16string>> synonyms;
};

// "原词=新词" one pair a line ("＝", "," and "，" also part them); lines
// without a separator or with an empty word are left out.
std::vector<std::pair<std::u16string, std::u16string>> ParseSynonyms(std::u16string_view typed);

// Paragraphs are the lines that hold more than blanks. They come out joined
// as they went in: by an empty line when the article had empty lines
// between them, else by one line break.
std::u16string Remix(std::u16string_view article, const Settings& settings);

// Each listed word replaced by its synonym in one pass, longest word first
// where two start at the same place; a replacement is never replaced again.
std::u16string ReplaceSynonyms(std::u16string_view text,
                               const std::vector<std::pair<std::u16string, std::u16string>>& pairs);

}  // namespace qm::remix
