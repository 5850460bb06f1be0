// The view's layout cache on its own, without a widget: what each kind of
// change keeps, drops and moves.
#include <gtest/gtest.h>

#include <QFont>
#include <cctype>
#include <memory>
#include <string>

#include "core/document/Document.h"
#include "core/document/LineIndex.h"
#include "ui/editor/LineLayouts.h"

namespace {

// A document, its line index and layouts, kept in step as the view keeps them.
struct Lines {
    qm::Document doc;
    qm::LineIndex index;
    ui::LineLayouts layouts{doc, index};

    explicit Lines(std::u16string text) {
        doc.SetText(std::move(text));
        index.Reset(doc.Text());
        layouts.SetFont(QFont(QStringLiteral("DejaVu Sans"), 12));
        doc.AddChangeListener([this](const qm::TextChange& c) {
            const ui::LineLayouts::Touched t = layouts.Touches(c);
            index.Apply(c, doc.Text());
            layouts.Apply(c, t);
        });
    }
    QString Drawn(std::size_t line) { return layouts.PieceAt(line, 0).layout->text(); }
};

std::u16string NumberedLines(int n) {
    std::u16string t;
    for (int i = 0; i < n; ++i) {
        if (i > 0) t += u"\r\n";
        t += u"第" + QString::number(i).toStdU16String() + u"行";
    }
    return t;
}

}  // namespace

TEST(LineLayouts, AlignmentsFollowTheirLinesThroughEdits) {
    Lines l(NumberedLines(8));
    l.layouts.SetAlignment(3, 3, Qt::AlignHCenter);
    l.layouts.SetAlignment(6, 6, Qt::AlignRight);

    // Typing inside a line moves nothing.
    l.doc.Replace(l.index.LineStart(3) + 1, 0, u"x");
    EXPECT_EQ(l.layouts.AlignmentOf(3), Qt::AlignHCenter);

    // Two lines inserted above: both aligned lines move down by two.
    l.doc.Replace(l.index.LineEnd(1), 0, u"\r\n新\r\n新");
    EXPECT_EQ(l.layouts.AlignmentOf(3), Qt::AlignLeft);
    EXPECT_EQ(l.layouts.AlignmentOf(5), Qt::AlignHCenter);
    EXPECT_EQ(l.layouts.AlignmentOf(8), Qt::AlignRight);

    // A line removed above the right-aligned one; the centred line itself is
    // joined to the line before it and loses its alignment.
    l.doc.Replace(l.index.LineEnd(4), 2, u"");
    EXPECT_EQ(l.layouts.AlignmentOf(4), Qt::AlignLeft);
    EXPECT_EQ(l.layouts.AlignmentOf(5), Qt::AlignLeft);
    EXPECT_EQ(l.layouts.AlignmentOf(7), Qt::AlignRight);

    // A new text starts with every line aligned left.
    l.doc.SetText(NumberedLines(8));
    EXPECT_EQ(l.layouts.AlignmentOf(7), Qt::AlignLeft);
}

TEST(LineLayouts, NoLayoutOutlivesTheTextItWasMadeFrom) {
    Lines l(NumberedLines(6));
    EXPECT_EQ(l.Drawn(2), QStringLiteral("第2行"));
    EXPECT_EQ(l.Drawn(4), QStringLiteral("第4行"));

    l.doc.Replace(l.index.LineStart(2), 0, u"改");  // inside the line
    EXPECT_EQ(l.Drawn(2), QStringLiteral("改第2行"));

    l.doc.Replace(0, 0, u"新的第一行\r\n");  // every line after moves down
    EXPECT_EQ(l.Drawn(0), QStringLiteral("新的第一行"));
    EXPECT_EQ(l.Drawn(3), QStringLiteral("改第2行"));
    EXPECT_EQ(l.Drawn(5), QStringLiteral("第4行"));

    // Lone CR and LF are drawn as marks over full-width blanks.
    l.doc.SetText(u"a\rb\nc");
    EXPECT_EQ(l.Drawn(0), QStringLiteral("a\u3000b\u3000c"));
}

TEST(LineLayouts, ALongLineEditedInTheMiddleMeasuresAsIfBuiltAfresh) {
    std::u16string line;
    for (int i = 0; i < 9000; ++i) line += i % 7 == 0 ? u"汉" : u"i";
    Lines l(u"短行\r\n" + line + u"\r\n尾");
    const double before = l.layouts.LineWidth(1);
    ASSERT_GT(l.layouts.PiecesIn(1, 0, 1e9).size(), 1u) << "chunked";

    l.doc.Replace(l.index.LineStart(1) + 4500, 10, u"WWWWWWWWWWWWWWWWWWWW𠀀");
    Lines fresh(l.doc.Text());
    EXPECT_DOUBLE_EQ(l.layouts.LineWidth(1), fresh.layouts.LineWidth(1));
    EXPECT_GT(l.layouts.LineWidth(1), before);
    // Every position maps to the same x as in the fresh one.
    for (std::size_t off : {0u, 1023u, 4499u, 4500u, 4521u, 4522u, 9000u}) {
        const std::size_t pos = l.index.LineStart(1) + off;
        EXPECT_DOUBLE_EQ(l.layouts.XOf(pos), fresh.layouts.XOf(pos)) << off;
    }
    // Shortened below the long-line length it is one layout again.
    l.doc.Replace(l.index.LineStart(1), l.index.LineLength(1) - 10, u"");
    EXPECT_EQ(l.layouts.PiecesIn(1, 0, 1e9).size(), 1u);
    EXPECT_EQ(l.Drawn(1).size(), 10);
}

TEST(LineLayouts, PreeditTextShowsInItsLineOnlyWhileComposing) {
    Lines l(u"一\r\n二三\r\n四");
    const std::size_t at = l.index.LineStart(1) + 1;
    l.layouts.SetPreedit(QStringLiteral("ni"), at);
    EXPECT_EQ(l.layouts.PreeditLine(), 1u);
    const auto composing = l.layouts.PieceAt(1, 0).layout;
    EXPECT_EQ(composing->preeditAreaText(), QStringLiteral("ni"));
    EXPECT_EQ(composing->preeditAreaPosition(), 1);
    EXPECT_TRUE(l.layouts.PieceAt(0, 0).layout->preeditAreaText().isEmpty());

    l.layouts.SetPreedit(QString(), at);
    EXPECT_EQ(l.layouts.PreeditLine(), static_cast<std::size_t>(-1));
    EXPECT_TRUE(l.layouts.PieceAt(1, 0).layout->preeditAreaText().isEmpty());
}

TEST(LineLayouts, OnlyLinesOnScreenKeepTheirLayouts) {
    Lines l(NumberedLines(50));
    const auto onScreen = l.layouts.PieceAt(10, 0).layout;
    const auto offScreen = l.layouts.PieceAt(40, 0).layout;
    EXPECT_EQ(l.layouts.PieceAt(10, 0).layout, onScreen) << "kept while nothing changes";
    l.layouts.KeepOnly(5, 20);
    EXPECT_EQ(l.layouts.PieceAt(10, 0).layout, onScreen);
    EXPECT_NE(l.layouts.PieceAt(40, 0).layout, offScreen);
}

TEST(LineLayouts, WrappedRowsTileTheLineAndBreakWhereChineseAndEnglishAllow) {
    std::u16string prose;
    for (int i = 0; i < 12; ++i) prose += u"猴王道：“我虽在欢喜之时，却有一点儿远虑，故此烦恼。”";
    std::u16string english;
    for (int i = 0; i < 20; ++i) english += u"extraordinarily long words wrap whole ";
    std::u16string chunked;  // longer than one layout: cut into chunks, each starting a row
    while (chunked.size() < 9000) chunked += u"长行中的文字，and words。";
    const struct {
        const char* name;
        std::u16string text;
    } rows[] = {{"Chinese prose", prose}, {"English words", english}, {"chunked line", chunked}};
    const std::u16string_view noStart = u"，。！？；：、”」』）";
    const std::u16string_view noEnd = u"“「『（";
    const auto Latin = [](char16_t c) { return c < 128 && std::isalpha(c); };
    for (const auto& row : rows) {
        Lines l(u"前\r\n" + row.text);
        l.layouts.SetWrapWidth(300);
        ASSERT_GT(l.layouts.RowCount(1), 3u) << row.name;
        std::size_t end = 0;
        std::size_t r = 0;
        for (;; ++r) {  // a chunked line's count is an estimate until its rows are laid out
            const ui::LineLayouts::Row at = l.layouts.RowAt(1, r);
            ASSERT_EQ(at.start, end) << row.name << " row " << r << " starts where the last ended";
            EXPECT_EQ(l.layouts.RowOf(1, at.start), r) << row.name;
            EXPECT_EQ(l.layouts.RowOf(1, at.end, true), r) << row.name << " a caret at its end";
            end = at.end;
            if (at.last) break;
            const char16_t before = row.text[at.end - 1], after = row.text[at.end];
            EXPECT_EQ(noStart.find(after), noStart.npos) << row.name << " row " << r + 1;
            EXPECT_EQ(noEnd.find(before), noEnd.npos) << row.name << " row " << r;
            EXPECT_FALSE(Latin(before) && Latin(after)) << row.name << " inside a word";
        }
        EXPECT_EQ(end, row.text.size()) << row.name;
        EXPECT_EQ(l.layouts.RowCount(1), r + 1) << row.name << " the count once laid out";
        l.layouts.SetWrapWidth(0);
        EXPECT_EQ(l.layouts.RowCount(1), 1u) << row.name;
    }
}
