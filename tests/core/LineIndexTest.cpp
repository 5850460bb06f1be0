#include <gtest/gtest.h>

#include <random>

#include "core/document/Document.h"
#include "core/document/GapText.h"
#include "core/document/LineChunks.h"
#include "core/document/LineIndex.h"

namespace {

// Line starts counted from scratch: after every CR LF.
std::vector<std::size_t> Recount(std::u16string_view t) {
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
        if (t[i] == u'\r' && t[i + 1] == u'\n') starts.push_back(i + 2);
    }
    return starts;
}

void ExpectMatches(const qm::LineIndex& index, std::u16string_view t, const char* where) {
    const std::vector<std::size_t> starts = Recount(t);
    ASSERT_EQ(index.LineCount(), starts.size()) << where;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        ASSERT_EQ(index.LineStart(i), starts[i]) << where << " line " << i;
        const std::size_t end = i + 1 < starts.size() ? starts[i + 1] - 2 : t.size();
        ASSERT_EQ(index.LineEnd(i), end) << where << " line " << i;
    }
    for (std::size_t p = 0; p <= t.size(); ++p) {
        const std::size_t line = index.LineOf(p);
        ASSERT_LE(index.LineStart(line), p) << where;
        ASSERT_TRUE(line + 1 == starts.size() || starts[line + 1] > p) << where << " pos " << p;
    }
}

}  // namespace

TEST(LineIndex, LoneCrAndLfAreNotBreaks) {
    qm::LineIndex index;
    index.Reset(u"a\rb\nc\r\nd\r\n");
    EXPECT_EQ(index.LineCount(), 3u);
    EXPECT_EQ(index.LineEnd(0), 5u);
    EXPECT_EQ(index.LineStart(1), 7u);
    EXPECT_EQ(index.LineLength(2), 0u);
    EXPECT_EQ(index.LineOf(6), 0u);  // between CR and LF: still the first line
}

// Edits that make and break CR LF pairs at their edges, against a recount
// after every step, through the document's own change notifications.
TEST(LineIndex, RandomEditsAgreeWithARecount) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
        qm::Document doc;
        qm::LineIndex index;
        index.Reset(doc.Text());
        doc.AddChangeListener([&](const qm::TextChange& c) { index.Apply(c, doc.Text()); });
        const std::u16string alphabet = u"ab\r\n\r\n\r\r\n\n中";
        for (int step = 0; step < 300; ++step) {
            std::u16string piece;
            for (std::size_t i = pick(6); i > 0; --i) piece += alphabet[pick(alphabet.size())];
            const std::size_t len = doc.Length();
            const std::size_t pos = pick(len + 1);
            const std::size_t del = pick(len - pos + 1) % 5;
            switch (pick(8)) {
                case 0:
                    doc.AppendText(piece);
                    break;
                case 1:
                    if (pick(8) == 0) doc.SetText(piece);
                    break;
                default:
                    doc.Replace(pos, del, piece);
                    break;
            }
            const std::string where =
                "seed " + std::to_string(seed) + " step " + std::to_string(step);
            ExpectMatches(index, doc.Text(), where.c_str());
        }
    }
}

TEST(LineChunks, CutsNeverSplitACharacter) {
    // Surrogate pairs, combining marks and joiners everywhere but a few places.
    std::u16string line;
    for (int i = 0; i < 3000; ++i) line += u"e\u0301\U0001F600\u200D";
    line += u"中文";
    for (int i = 0; i < 3000; ++i) line += u"x\u0308";
    const std::vector<std::size_t> starts = qm::ChunkStarts(line, 256);
    ASSERT_GT(starts.size(), 10u);
    for (std::size_t k = 1; k < starts.size(); ++k) {
        const char16_t at = line[starts[k]];
        const char16_t before = line[starts[k] - 1];
        EXPECT_FALSE(at >= 0xDC00 && at <= 0xDFFF) << starts[k];
        EXPECT_FALSE(before >= 0xD800 && before <= 0xDBFF) << starts[k];
        EXPECT_GT(starts[k], starts[k - 1]);
    }
    // Plain text is cut at safe places near the target length.
    const std::u16string plain(10000, u'字');
    const std::vector<std::size_t> even = qm::ChunkStarts(plain, 1000);
    for (std::size_t k = 1; k < even.size(); ++k) {
        EXPECT_TRUE(qm::IsSafeBreak(plain, even[k]));
        EXPECT_EQ(even[k] - even[k - 1], 1000u);
    }
}

// Positions are monotonic and finding the chunk under an x is the inverse of
// a chunk's x, before and after edits anywhere in the line.
TEST(LineChunks, PositionsAndHitTestingStayConsistentUnderEdits) {
    const auto width = [](std::u16string_view p) {
        double w = 0;
        for (char16_t u : p) w += u < 0x80 ? 7.5 : 15.0;
        return w;
    };
    std::mt19937 rng(7);
    std::u16string line;
    for (int i = 0; i < 20000; ++i) line += (rng() % 3 == 0) ? u'a' : u'字';
    qm::LineChunks chunks;
    chunks.Build(line, width);
    for (int step = 0; step < 200; ++step) {
        const std::size_t pos = rng() % (line.size() + 1);
        const std::size_t del = std::min<std::size_t>(rng() % 50, line.size() - pos);
        const std::u16string ins((rng() % 3) * 400 + rng() % 7, u'新');
        line.replace(pos, del, ins);
        chunks.Apply(pos, del, ins.size(), line, width);

        qm::LineChunks fresh;
        fresh.Build(line, width);
        ASSERT_DOUBLE_EQ(chunks.Width(), fresh.Width()) << step;
        ASSERT_EQ(chunks.End(chunks.Count() - 1), line.size());
        for (std::size_t k = 0; k < chunks.Count(); ++k) {
            const std::size_t a = chunks.Start(k);
            const std::size_t b = chunks.End(k);
            ASSERT_LT(a, b) << step;
            const double right = k + 1 < chunks.Count() ? chunks.X(k + 1) : chunks.Width();
            ASSERT_NEAR(right - chunks.X(k), width(std::u16string_view(line).substr(a, b - a)),
                        1e-6);
            ASSERT_EQ(chunks.ChunkAtX(chunks.X(k)), k);
            ASSERT_EQ(chunks.ChunkAtOffset(a), k);
            ASSERT_EQ(chunks.ChunkAtOffset(b - 1), k);
        }
    }
    EXPECT_EQ(chunks.ChunkAtX(-5), 0u);
    EXPECT_EQ(chunks.ChunkAtX(chunks.Width() + 100), chunks.Count() - 1);
}

// The undo history's copy of the newest text keeps a gap at the last edit;
// every read must see exactly the text a plain string would hold.
TEST(GapText, RandomEditsReadLikeAPlainString) {
    std::mt19937 rng(5);
    std::u16string plain = u"起点 start";
    qm::GapText gap;
    gap.Assign(plain);
    for (int step = 0; step < 3000; ++step) {
        const std::size_t pos = rng() % (plain.size() + 1);
        const std::size_t len = std::min<std::size_t>(rng() % 5, plain.size() - pos);
        std::u16string with(rng() % 4, static_cast<char16_t>(u'a' + step % 26));
        if (step % 500 == 0) with.assign(70000, u'大');  // more than the gap holds
        plain.replace(pos, len, with);
        gap.replace(pos, len, with);
        ASSERT_EQ(gap.size(), plain.size());
        const std::size_t a = rng() % (plain.size() + 1);
        const std::size_t n = std::min<std::size_t>(rng() % 100, plain.size() - a);
        ASSERT_TRUE(gap.substr(a, n) == plain.substr(a, n)) << step;
        if (a < plain.size()) {
            ASSERT_EQ(gap[a], plain[a]);
        }
        if (step % 97 == 0) {
            ASSERT_TRUE(gap.Flat() == plain) << step;
        }
    }
}
