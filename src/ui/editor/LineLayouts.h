// The editing box's layouts of its lines, kept apart from the widget.
//
// Why apart: the view is a widget (input, painting, scrolling), while what it
// knows about its lines' geometry is a cache with rules of its own: which
// lines are laid out (only those on screen), how a very long line is cut
// into chunks placed by their widths, the per-character advances those
// widths are summed from, and the lines' alignment. Each document change
// must drop exactly what it made stale: an edit inside one line re-measures
// only the touched chunks; lines inserted or removed move the alignment of
// the lines after them and drop the layouts from the first changed line on;
// a new text drops everything. Here those rules can be tested without a
// window, and the view's change handler only says what changed.
//
// Lines may wrap at a width: a line is then one or more screen rows, laid out
// only when on screen like everything else. The rows of a very long line's
// chunks not yet laid out are estimated from their widths, so a line of
// millions of characters never has to be laid out whole; each chunk starts a
// row of its own. Positions are in document units (UTF-16).
#pragma once

#include <QFont>
#include <QHash>
#include <QString>
#include <QTextLayout>
#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/document/Document.h"
#include "core/document/LineChunks.h"
#include "core/document/LineIndex.h"

namespace ui {

class LineLayouts {
  public:
    // The laid-out piece of a line: the whole of a short line, or one chunk
    // of a long line, with the chunk's start and x.
    struct Piece {
        std::shared_ptr<QTextLayout> layout;
        std::size_t start = 0;  // line offset of the layout's first unit
        double x = 0;           // x of the layout's left edge within the line
        std::size_t row = 0;    // the line's row the layout's first row is
    };

    // One screen row of a line: the piece holding it, the index of the
    // layout's line that draws it, and the row's [start, end) in the line.
    struct Row {
        Piece piece;
        int index = 0;
        std::size_t start = 0;
        std::size_t end = 0;
        bool last = true;  // the line's last row
    };

    // What a change touched, read from the line index before the change.
    struct Touched {
        std::size_t firstLine = 0;
        std::size_t lastLine = 0;
        std::size_t oldCount = 0;
        bool whole = false;  // the whole text was replaced
    };

    // The text of a line as drawn: the same length, with marks for the
    // characters a layout would take as breaks.
    static QString DisplayText(std::u16string_view line);
    // Whether the character is drawn as a mark of the view's own (a framed
    // CR or LF): no installed font has a glyph for ␍ or ␊.
    static bool IsMarked(char16_t u);

    // Lays out the lines of `lines` over `doc`'s text; both outlive it.
    LineLayouts(const qm::Document& doc, const qm::LineIndex& lines);

    // The font lines are drawn in (kerning off: chunks are placed by the sum
    // of their characters' advances, which must be what the layout draws).
    void SetFont(const QFont& font);
    const QFont& Font() const { return font_; }
    // How far apart rows are: the font's line spacing.
    int RowHeight() const { return rowHeight_; }

    // Lines wrap at `width` pixels, at places fit for Chinese (Unicode's line
    // breaking) with English words kept whole; 0: lines are never wrapped.
    // Drops every layout when the width changes, and says so.
    bool SetWrapWidth(double width);
    bool Wrapping() const { return wrap_ > 0; }
    // A line's screen rows: 1 unless wrapping.
    std::size_t RowCount(std::size_t line) const;
    // The row holding offset; with `before`, the row of the character before
    // it (a caret at the end of a row rather than the start of the next).
    std::size_t RowOf(std::size_t line, std::size_t offset, bool before = false) const;
    // Wrapping: row `row` of a line (the last one when there are fewer).
    Row RowAt(std::size_t line, std::size_t row) const;
    // Counts the times a row count once estimated came out otherwise when laid
    // out: what was worked out from counts before is stale when it moved.
    std::uint64_t RowsRevised() const { return rowsRevised_; }
    // Wrapping: the pieces of a line that hold rows [r0, r1).
    std::vector<Piece> PiecesInRows(std::size_t line, std::size_t r0, std::size_t r1) const;

    // Before the line index takes change c.
    Touched Touches(const qm::TextChange& c) const;
    // After it did: drops what the change made stale, moves alignments.
    void Apply(const qm::TextChange& c, const Touched& t);
    // Forgets every layout (the chunk tables of long lines too).
    void Clear();
    // Keeps layouts only for lines [first, first + rows): what is on screen.
    void KeepOnly(std::size_t first, std::size_t rows);

    // The input method's text, shown inside the line at `at` while composing;
    // an empty text ends it.
    void SetPreedit(const QString& text, std::size_t at);
    // The line the pre-edit text is in, npos when there is none.
    std::size_t PreeditLine() const;

    std::u16string_view LineText(std::size_t line) const;
    double LineWidth(std::size_t line) const;
    double TextWidth(std::u16string_view piece) const;
    Piece PieceAt(std::size_t line, std::size_t offset) const;
    // Every piece of a line that meets [x0, x1) (line x positions).
    std::vector<Piece> PiecesIn(std::size_t line, double x0, double x1) const;
    // x within its row (its line when not wrapping); `before` as for RowOf.
    double XOf(std::size_t pos, bool before = false) const;
    std::size_t OffsetAtX(std::size_t line, double x) const;
    // Wrapping: the offset in a row nearest to x; *atEnd says it is the
    // row's end and the row is not the line's last.
    std::size_t OffsetInRow(std::size_t line, std::size_t row, double x, bool* atEnd) const;

    // Lines not aligned left; alignments follow their lines through edits.
    void SetAlignment(std::size_t fromLine, std::size_t toLine, Qt::Alignment alignment);
    Qt::Alignment AlignmentOf(std::size_t line) const;

  private:
    // The text a layout gets: as DisplayText, with a blank of a full cell
    // where a mark is painted over it afterwards.
    static QString LayoutText(std::u16string_view line);

    struct LongLine {
        qm::LineChunks chunks;
        mutable QHash<std::size_t, std::shared_ptr<QTextLayout>> layouts;  // by chunk
        mutable std::vector<std::uint32_t> rows;  // wrapping: rows by chunk, 0 = not laid out yet
        // Rows before each chunk (and the line's at the end), summed again
        // only after a count changed: typing asks many times a key.
        mutable std::vector<std::size_t> before;
    };

    std::shared_ptr<QTextLayout> MakeLayout(std::u16string_view text, std::size_t preeditAt,
                                            Qt::Alignment alignment) const;
    std::shared_ptr<QTextLayout> ShortLayout(std::size_t line) const;
    const LongLine& Long(std::size_t line) const;
    void DropLine(std::size_t line);
    // Wrapping: a chunk's rows, estimated from its width until laid out.
    std::size_t ChunkRows(const LongLine& l, std::size_t k) const;
    // Wrapping: the rows of a long line before chunk k.
    std::size_t RowsBefore(const LongLine& l, std::size_t k) const;
    // Wrapping: the chunk of a long line that holds row `row` (the last one past the end).
    std::size_t ChunkOfRow(const LongLine& l, std::size_t row) const;

    const qm::Document& doc_;
    const qm::LineIndex& lines_;
    QFont font_;
    int rowHeight_ = 1;
    double wrap_ = 0;
    mutable std::uint64_t rowsRevised_ = 0;
    QString preedit_;
    std::size_t preeditAt_ = 0;
    std::map<std::size_t, Qt::Alignment> alignment_;
    mutable std::vector<double> advances_;  // BMP advances, lazily; < 0 = not yet measured
    mutable QHash<std::size_t, std::shared_ptr<QTextLayout>> shortLayouts_;
    mutable std::unordered_map<std::size_t, LongLine> longLines_;
};

}  // namespace ui
