// Books for the book audit, made from the real prose (LoadParagraphs): clean
// books of several shapes (long and short chapters, a poem, an author's note,
// a closing formula, volumes and specials) and the same books with holes of
// every kind planted where the truth is known.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/novel/Audit.h"

namespace material {

struct Planted {
    qm::audit::Kind kind;
    std::size_t line = 0;  // the chapter's heading line, from 0
};

struct AuditBook {
    std::string name;
    std::u16string text;  // CR LF breaks
    std::vector<Planted> planted;
};

// Chapters of 西游记's prose of about `target` characters, each ending a
// sentence, headed "第N章 …", and a book made of such chapters (a line of
// front matter, "　　" before each paragraph, CR LF).
struct AuditChapter {
    std::u16string heading;
    std::vector<std::u16string> paras;
};
std::vector<AuditChapter> ProseChapters(const std::vector<std::u16string>& paragraphs,
                                        std::size_t target);
std::u16string RenderAuditBook(const std::vector<AuditChapter>& chapters);

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
