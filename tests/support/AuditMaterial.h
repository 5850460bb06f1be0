// Books for the book audit, made from the real prose (LoadParagraphs):
// chapters of it at a length asked for, and the book they make. The planted
// material built on them lives with the benchmark (bench/AuditBooks.*).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace material {

// LoadParagraphs gives 西游记 first, these many lines.
constexpr std::size_t kXiyouji = 62;

struct AuditChapter {
    std::u16string heading;
    std::vector<std::u16string> paras;
};

// "第N章 " and the first four Han characters of the chapter.
std::u16string AuditTitle(std::size_t n, const std::u16string& firstPara);
// Characters of the chapter's paragraphs.
std::size_t AuditLength(const AuditChapter& c);

// Paragraphs [from, to) in chapters of about `target` characters (varied by
// the seed), each ending a sentence, headed "第N章 …"; a short rest joins
// the last chapter.
std::vector<AuditChapter> ProseChapters(const std::vector<std::u16string>& paragraphs,
                                        std::size_t target, std::size_t from = 0,
                                        std::size_t to = kXiyouji, std::uint32_t seed = 1);
// The book: a line of front matter, each heading on its own line, "　　"
// before each paragraph, an empty line after each chapter, CR LF. The
// headings' lines (from 0) are told when asked.
std::u16string RenderAuditBook(const std::vector<AuditChapter>& chapters,
                               std::vector<std::size_t>* headings = nullptr);

}  // namespace material
