// Planted material for the book audit's benchmark: clean books of several
// shapes (long and short chapters, a poem, an author's note, a closing
// formula, volumes and specials) made from the real prose, the same books
// with holes of every kind planted where the truth is known, pairs of copies
// for merging, and a large book for timing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AuditMaterial.h"
#include "core/novel/Audit.h"

namespace material {

// LoadParagraphs gives 红楼梦 after 西游记, these many lines.
constexpr std::size_t kHongloumeng = 36;

struct Planted {
    qm::audit::Kind kind;
    std::size_t line = 0;  // the chapter's heading line, from 0
};

struct AuditBook {
    std::string name;
    std::u16string text;  // CR LF breaks
    std::vector<Planted> planted;
};

// Clean books: nothing in them is a fault.
std::vector<AuditBook> CleanAuditBooks(const std::vector<std::u16string>& paragraphs);

// The clean books with faults planted, a few of each kind a book, in several
// shapes each (a notice or none, foreign, shuffled or borrowed text, ...).
std::vector<AuditBook> PlantedAuditBooks(const std::vector<std::u16string>& paragraphs,
                                         std::uint32_t seed);

// Two copies of one book for merging: holes of the body kinds in both, never
// in the same chapter; the second copy numbered its own way (from 101) with
// one more chapter (a 番外 after the third). What the merge should give and
// each chapter's heading lines in the two copies, in the merged order.
struct MergeCase {
    std::string name;
    std::u16string a, b, want;
    std::vector<std::pair<std::optional<std::size_t>, std::size_t>> aligned;
};
std::vector<MergeCase> MergeCases(const std::vector<std::u16string>& paragraphs,
                                  std::uint32_t seed);

// A book of about `bytes` UTF-8 bytes for timing: the prose made into
// chapters again and again, each pass with its characters moved elsewhere.
std::u16string LargeAuditBook(const std::vector<std::u16string>& paragraphs, std::size_t bytes);

}  // namespace material
