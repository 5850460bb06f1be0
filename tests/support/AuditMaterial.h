// Books for the book audit, made from the real prose (LoadParagraphs):
// chapters of it at a length asked for, and the book they make. The planted
// material built on them lives with the benchmark (bench/AuditBooks.*).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/novel/Audit.h"

namespace material {

// LoadParagraphs gives 西游记, 红楼梦 and 故乡 in this order, these many lines each.
constexpr std::size_t kXiyouji = 62;
constexpr std::size_t kHongloumeng = 36;

struct AuditChapter {
    std::u16string heading;
    std::vector<std::u16string> paras;
    std::u16string volume = {};  // a volume heading before it, if any
    bool plain = true;           // a numbered chapter of prose, where faults are planted
    std::optional<qm::audit::Kind> planted = {};
};

struct Planted {
    qm::audit::Kind kind;
    std::size_t line = 0;  // the chapter's heading line, from 0
};

// n in ASCII digits; "第N章 " and the first four Han characters of the chapter.
std::u16string AuditNumber(std::size_t n);
std::u16string AuditTitle(std::size_t n, const std::u16string& firstPara);
// Characters of the chapter's paragraphs.
std::size_t AuditLength(const AuditChapter& c);

// Paragraphs [from, to) in chapters of about `target` characters (varied by
// the seed), each ending a sentence, headed "第N章 …"; a short rest joins
// the last chapter.
std::vector<AuditChapter> ProseChapters(const std::vector<std::u16string>& paragraphs,
                                        std::size_t target, std::size_t from = 0,
                                        std::size_t to = kXiyouji, std::uint32_t seed = 1);
// The book: a line of front matter, each volume and heading on its own line,
// "　　" before each paragraph, an empty line after each chapter, CR LF. The
// planted chapters' and all headings' lines are told when asked.
std::u16string RenderAuditBook(const std::vector<AuditChapter>& chapters,
                               std::vector<Planted>* planted = nullptr,
                               std::vector<std::size_t>* headings = nullptr);

}  // namespace material
