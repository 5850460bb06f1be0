// A downloaded novel's holes, found on its chapter list: chapters whose body
// is a placeholder, an anti-theft text, the previous chapter's body again, a
// closing passage pasted from another chapter, a body cut off, or a whole
// chapter twice. Every rule is relative to the book itself (its median
// chapter, its own word pairs and sentences), so a book of short chapters, a
// poem or an author's note is not a fault. Text before the first heading is
// not a chapter. Line numbers count from 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::audit {

enum class Kind { Placeholder, Antitheft, SameAsPrevious, RepeatedTail, Truncated, Duplicate };
// "placeholder", "antitheft", "same-as-previous", "repeated-tail", "truncated", "duplicate".
const char* KindName(Kind kind);

struct Chapter {
    std::size_t line = 0;   // the heading's line
    std::size_t start = 0;  // the heading line's first unit
    std::size_t end = 0;    // where the next heading starts (or the text ends)
    std::u16string heading;
    std::optional<std::int64_t> number;  // the chapter's number, if it has one
    std::size_t length = 0;              // visible characters of the body
    double han = 0;                      // the share of Han characters among them
    double pairs = -1;  // the share of its word pairs other chapters have (-1: too few)
};

struct Finding {
    Kind kind = Kind::Placeholder;
    std::size_t chapter = 0;  // index into Report::chapters
    std::size_t line = 0;     // the chapter's heading line
    std::u16string reason;    // in Chinese
    // False for a judgement by the book's statistics (word pairs, Han share)
    // and for a pasted tail, whose body is otherwise whole: weaker evidence
    // when two copies of a chapter are weighed.
    bool sure = true;
    // A finding about the whole book: the chapters it stands for (more than
    // half of them, each found so by one rule), `chapter` and `line` the
    // first of them. Empty for a finding about one chapter.
    std::vector<std::size_t> across;
};

struct Report {
    std::vector<Chapter> chapters;  // volume headings are not chapters
    // At most one a chapter, in text order, after a finding about the whole
    // book if there is one.
    std::vector<Finding> findings;
    std::size_t median = 0;  // the median body length
};

Report Audit(std::u16string_view text);

// Whether chapter a of textA and chapter b of textB have one text for a
// body (blanks and line breaks aside): the likeness by which the audit takes
// a chapter for the previous one again or for a duplicate.
bool SameBody(std::u16string_view textA, const Chapter& a, std::u16string_view textB,
              const Chapter& b);

struct Removed {
    std::u16string text;
    std::size_t removed = 0;
    std::size_t stale = 0;  // chapters no longer where the report saw them, left alone
};

// text without the chosen chapters (indices into report.chapters), each from
// its heading to the next heading; report must be of this text or is checked
// chapter by chapter.
Removed RemoveChapters(std::u16string_view text, const Report& report,
                       const std::vector<std::size_t>& chosen);

}  // namespace qm::audit
