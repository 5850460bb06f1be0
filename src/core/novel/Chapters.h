// The chapter list of a novel: which lines are headings of volumes, chapters
// and the special parts (序章, 楔子, 番外, 尾声, 后记 ...), and what is wrong
// with their numbering.
//
// The book's own heading style is chosen from the whole text (a book keeps
// one), so lines that only look like headings are left out: sentences that
// start with 第一次 or 第五章的, headings quoted in dialogue, list items, and a
// 目录 block that lists the headings before the text. Lines may end in CR LF,
// LF or CR. Line numbers here count from 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::chapters {

enum class Level { Volume, Chapter, Special };
// "volume", "chapter", "special".
const char* LevelName(Level level);

enum class Numerals { None, Chinese, Arabic };

struct Heading {
    std::size_t line = 0;    // from 0
    std::size_t offset = 0;  // of the line's first unit in the text
    Level level = Level::Chapter;
    std::u16string text;  // the line without its leading and trailing blanks
    // The chapter's (or a volume's) number as written; none for most specials.
    std::optional<std::int64_t> number;
    Numerals numerals = Numerals::None;
    // The volume number written on the same line ("第一卷 第三章"), if any.
    std::optional<std::int64_t> volume;
};

// Every heading of the book, in text order.
std::vector<Heading> Find(std::u16string_view text);

enum class ProblemType { Gap, Repeat, Restart, Order, Mixed, Missing };
// "gap", "repeat", "restart", "order", "mixed", "missing".
const char* TypeName(ProblemType type);

struct Problem {
    ProblemType type = ProblemType::Gap;
    std::size_t heading = 0;  // index into the headings checked
    std::size_t line = 0;     // that heading's line (a missed heading's own), from 0
    std::u16string note;      // what is wrong, in Chinese
};

// The numbering faults of the headings, in text order: missing numbers,
// a number twice, numbering that starts again without a new volume (under a
// new volume it may), numbers out of order, and Chinese and Arabic numerals
// mixed (once a switch, where a run of the other numerals starts). Each fault
// is reported once, at the heading where it shows. Given the text the headings
// were found in, a gap over about twice a chapter's usual length that holds a
// line shaped like a heading is reported as that heading missed, at its line.
std::vector<Problem> Check(const std::vector<Heading>& headings, std::u16string_view text = {});

// Lines that look like headings, with those of a 目录 block and the book's
// other styles included: the re-flow keeps each on a line of its own. Weak
// ones ("1. 标题", "一、标题", "（一）") may also be a wrapped line's start.
struct HeadingLike {
    std::size_t line = 0;
    bool weak = false;
};
std::vector<HeadingLike> HeadingLikeLines(std::u16string_view text);

// The value of Chinese numerals (一百二十三, 两百, 壹佰, 一〇一, 廿三),
// Arabic digits (ASCII or full-width) or Roman numerals; none when s is not one.
std::optional<std::int64_t> ParseNumber(std::u16string_view s);

}  // namespace qm::chapters
