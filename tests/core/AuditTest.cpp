#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "AuditMaterial.h"
#include "NovelMaterial.h"
#include "core/novel/Audit.h"
#include "core/novel/Merge.h"

namespace a = qm::audit;
using Chapters = std::vector<material::AuditChapter>;
using material::Joined;

namespace {

// A book of real prose and what a row does to it: the finding expected at
// chapter 5 (or, for the whole book, at its first chapter), or none anywhere.
struct Row {
    const char* name;
    std::function<void(Chapters&)> change;
    std::optional<a::Kind> kind;
    bool wholeBook = false;
};

constexpr std::size_t kAt = 5;

void Check(const std::vector<Row>& rows, std::size_t target = 500) {
    const auto prose = material::LoadParagraphs(QM_NOVEL_DATA);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Chapters book = material::ProseChapters(prose, target);
        ASSERT_GT(book.size(), kAt + 2);
        row.change(book);
        const a::Report r = a::Audit(material::RenderAuditBook(book));
        if (!row.kind) {
            EXPECT_TRUE(r.findings.empty())
                << a::KindName(r.findings[0].kind) << " at chapter " << r.findings[0].chapter;
            continue;
        }
        ASSERT_EQ(r.findings.size(), 1u);
        EXPECT_EQ(a::KindName(r.findings[0].kind), std::string(a::KindName(*row.kind)));
        EXPECT_EQ(r.findings[0].across.size() * 2 > r.chapters.size(), row.wholeBook);
        EXPECT_EQ(r.findings[0].chapter, row.wholeBook ? r.findings[0].across[0] : kAt);
        EXPECT_EQ(r.findings[0].line, r.chapters[r.findings[0].chapter].line);
        EXPECT_FALSE(r.findings[0].reason.empty());
    }
}

}  // namespace

// One table: each kind's shapes and the clean look-alikes it must spare.
TEST(Audit, EachKindAndItsLookAlikes) {
    Check({
        // Placeholder
        {"phrase",
         [](Chapters& b) {
             b[kAt].paras = {u"正在手打中，请稍等片刻，内容更新后，请重新刷新页面！"};
         },
         a::Kind::Placeholder},
        {"a few lines where hundreds are due",
         [](Chapters& b) { b[kAt].paras = {u"话说那猴王得了道。"}; }, a::Kind::Placeholder},
        {"clean: the phrase in a long chapter's dialogue",
         [](Chapters& b) { b[kAt].paras.insert(b[kAt].paras.begin() + 1, u"“请稍等。”那人道。"); },
         std::nullopt},
        {"clean: a poem chapter",
         [](Chapters& b) {
             b[kAt] = {u"第6章 诗一首",
                       {u"无材可去补苍天，", u"枉入红尘若许年。", u"此系身前身后事，",
                        u"倩谁记去作奇传？"}};
         },
         std::nullopt},
        {"clean: an author's note",
         [](Chapters& b) {
             b[kAt] = {u"第6章 上架感言", {u"感谢各位书友的支持，明天上架，求订阅！"}};
         },
         std::nullopt},
        // Antitheft
        {"notice",
         [](Chapters& b) {
             b[kAt].paras.insert(b[kAt].paras.begin(), u"此为防盗章节，稍后替换。");
         },
         a::Kind::Antitheft},
        {"word pairs not the book's: another book's text",
         [](Chapters& b) {
             const auto prose = material::LoadParagraphs(QM_NOVEL_DATA);  // 故乡 comes last
             b[kAt].paras.assign(prose.end() - 4, prose.end());
         },
         a::Kind::Antitheft},
        {"sentences of earlier chapters",
         [](Chapters& b) {
             std::vector<std::u16string> taken;
             for (std::size_t c = 0; c < kAt; ++c) taken.push_back(b[c].paras.front());
             std::reverse(taken.begin(), taken.end());
             b[kAt].paras = taken;
         },
         a::Kind::Antitheft},
        {"clean: a door against thieves",
         [](Chapters& b) { b[kAt].paras.back() += u"他装了一扇防盗门。"; }, std::nullopt},
        // SameAsPrevious
        {"copy", [](Chapters& b) { b[kAt].paras = b[kAt - 1].paras; }, a::Kind::SameAsPrevious},
        {"clean: the previous chapter's start quoted",
         [](Chapters& b) {
             b[kAt].paras.push_back(b[kAt - 1].paras.front().substr(0, 10) + u"。");
         },
         std::nullopt},
        // RepeatedTail
        {"the previous closing passage pasted before the book's closing formula",
         [](Chapters& b) {
             for (auto& c : b) c.paras.push_back(u"毕竟不知后事如何，且听下回分解。");
             b[kAt].paras.insert(b[kAt].paras.end() - 1, b[kAt - 1].paras.end()[-2]);
         },
         a::Kind::RepeatedTail},
        {"clean: a book-wide closing formula",
         [](Chapters& b) {
             for (auto& c : b) c.paras.push_back(u"毕竟不知后事如何，且听下回分解。");
         },
         std::nullopt},
        // Truncated
        {"cut mid-sentence",
         [](Chapters& b) { b[kAt].paras = {Joined(b[kAt].paras, false, u"").substr(0, 150)}; },
         a::Kind::Truncated},
        {"clean: short but finished",
         [](Chapters& b) {
             b[kAt].paras = {Joined(b[kAt].paras, false, u"").substr(0, 149) + u"。"};
         },
         std::nullopt},
        // Duplicate
        {"heading and body again", [](Chapters& b) { b.insert(b.begin() + kAt, b[kAt - 2]); },
         a::Kind::Duplicate},
        {"clean: the same heading over another body",
         [](Chapters& b) { b[kAt].heading = b[kAt - 2].heading; }, std::nullopt},
        // The whole book: said once, not chapter by chapter.
        {"one text pasted 20 times",
         [](Chapters& b) {
             std::vector<std::u16string> pasted;
             for (int k = 0; k < 20; ++k)
                 pasted.insert(pasted.end(), b[0].paras.begin(), b[0].paras.end());
             b = material::ProseChapters(pasted, 500, 0, pasted.size());
         },
         a::Kind::RepeatedTail, true},
    });
    // A book of short chapters: every one is short, none is a hole.
    Check({{"clean: a book of short chapters", [](Chapters&) {}, std::nullopt}}, 60);
}

TEST(Audit, FrontMatterIsNoChapterAndRemovalTakesWholeChapters) {
    const std::u16string text =
        u"简介：一句话。\r\n第1章 甲\r\n　　正文甲。\r\n第2章 乙\r\n　　正文乙。\r\n";
    const a::Report r = a::Audit(text);
    ASSERT_EQ(r.chapters.size(), 2u);
    EXPECT_EQ(r.chapters[0].line, 1u);
    EXPECT_EQ(r.chapters[1].length, 4u);
    EXPECT_EQ(a::RemoveChapters(text, r, {0}).text,
              u"简介：一句话。\r\n第2章 乙\r\n　　正文乙。\r\n");
    // A report of another text removes nothing.
    EXPECT_EQ(a::RemoveChapters(u"第1章 丙\r\n", r, {1}).stale, 1u);
}

TEST(Audit, MergeAlignsByTitleAndTakesTheSounderBody) {
    const auto prose = material::LoadParagraphs(QM_NOVEL_DATA);
    const Chapters clean = material::ProseChapters(prose, 500);
    const auto placeholder = [](Chapters& b) { b[kAt].paras = {u"正在手打中，请稍等片刻。"}; };
    struct MergeRow {
        const char* name;
        std::function<void(Chapters&)> a, b;
        a::Source source;
        bool missing;
    };
    const MergeRow rows[] = {
        {"A's placeholder filled from B", placeholder, [](Chapters&) {}, a::Source::B, false},
        {"B's placeholder left", [](Chapters&) {}, placeholder, a::Source::A, false},
        {"both bad: told", placeholder, placeholder, a::Source::A, true},
        {"both sound: the longer", [](Chapters&) {},
         [](Chapters& b) { b[kAt].paras.push_back(u"那猴王又耍了一回。"); }, a::Source::B, false},
    };
    for (const MergeRow& row : rows) {
        SCOPED_TRACE(row.name);
        Chapters ca = clean;
        Chapters cb = clean;
        row.a(ca);
        row.b(cb);
        // B renumbers its chapters and has one A lacks.
        for (std::size_t i = 0; i < cb.size(); ++i)
            cb[i].heading = u"第1" + cb[i].heading.substr(1);  // 第5章 → 第15章
        cb.insert(cb.begin() + 2, {u"番外 猴王外传", {prose[60]}});
        const std::u16string ta = material::RenderAuditBook(ca);
        const a::Merged m = a::Merge(ta, material::RenderAuditBook(cb));
        ASSERT_EQ(m.chapters.size(), clean.size() + 1);
        EXPECT_FALSE(m.chapters[2].lineA);  // B's own, in its place
        const a::MergedChapter& c = m.chapters[kAt + 1];
        EXPECT_EQ(c.lineA, a::Audit(ta).chapters[kAt].line);
        EXPECT_TRUE(c.lineB);
        EXPECT_EQ(c.source, row.source);
        EXPECT_EQ(m.missing.size(), row.missing ? 1u : 0u);
        const a::Report r = a::Audit(m.text);
        EXPECT_EQ(r.findings.empty(), !row.missing);
        EXPECT_EQ(r.chapters[kAt + 1].heading, ca[kAt].heading);
    }
    // Two chapters the other way round in B: each once.
    Chapters swapped = clean;
    std::swap(swapped[1], swapped[2]);
    const std::u16string tc = material::RenderAuditBook(clean);
    EXPECT_EQ(a::Merge(tc, material::RenderAuditBook(swapped)).chapters.size(), clean.size());
    // A copy without headings is not merged into.
    const std::u16string plain = u"　　" + prose[0] + u"\r\n";
    const a::Merged m = a::Merge(plain, material::RenderAuditBook(clean));
    EXPECT_EQ(m.text, plain);
    EXPECT_EQ(m.missing.size(), 1u);
}
