// RichTextBox1: the editing box, a view of our own over the document.
//
// The document is the one copy of the text. The view keeps a line index up to
// date from the document's change notifications and lays out only the lines
// on screen (a very long line only the chunks on screen), so showing a text
// costs the same at 10 KB and at 100 MB. Typing, the input method, the mouse
// and the keys become document edits.
//
// Lines wrap at the window's edge when asked (SetWrap). Scrolling then goes
// by screen rows: the view keeps the top line and which of its rows is at the
// top, and the scroll bar stands for the text's lines, each cut in up to 1024
// steps shared among its rows, so nothing is laid out but what is on screen
// and the last screenful, and a single long line can still be dragged through. Lone CR and lone LF
// are ordinary characters of the document, drawn as marks of the view's own (a framed CR and LF):
// no installed font has glyphs for ␍ and ␊.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QHash>
#include <QString>
#include <QTextLayout>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "core/document/Document.h"
#include "core/document/LineIndex.h"
#include "ui/editor/LineLayouts.h"

class QPainter;

namespace ui {

class EditorView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit EditorView(qm::Document& doc, QWidget* parent = nullptr);
    ~EditorView() override;

    qm::Document& Doc() const { return doc_; }
    const qm::LineIndex& Lines() const { return lines_; }

    bool isReadOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly);
    // Aligns the lines the selection touches (a view setting: the document
    // stays plain text and nothing of it is saved).
    void SetAlignment(Qt::Alignment alignment);
    Qt::Alignment AlignmentOf(std::size_t line) const { return layouts_.AlignmentOf(line); }

    // The gutter with the text's line numbers (1-based, as every "第N行" the
    // program prints), drawn only for the lines on screen.
    void SetLineNumbers(bool on);
    bool LineNumbers() const { return gutter_ != nullptr && !gutter_->isHidden(); }
    QWidget* Gutter() const { return gutter_; }

    // Wraps long lines at the window's edge (on) or never (off).
    void SetWrap(bool on);
    bool Wrap() const { return layouts_.Wrapping(); }

    // Zoom: the chosen font (setFont) made larger or smaller by steps of a
    // point while the program runs; a newly chosen font starts unzoomed.
    void Zoom(int steps);
    void ResetZoom();
    int ZoomSteps() const { return zoom_; }

    // Hides the selection highlight (the history does so while it undoes).
    void SetSelectionHidden(bool hidden);

    // Brings scroll bars and the caret's visibility up to date now rather
    // than on the next pass of the event loop.
    void Flush();

    // Where the input method's candidate window goes, and what it reads around the caret.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // The caret (the moving end of the selection) and the fixed end, in
    // document units.
    std::size_t Caret() const { return caret_; }
    std::size_t Anchor() const { return anchor_; }
    QString SelectedText() const;
    // The caret's rectangle in viewport coordinates.
    QRect cursorRect() const;
    // The viewport point of a document position's left edge, at the top of its line.
    QPointF PointOf(std::size_t pos) const;
    // The document position nearest to a viewport point.
    std::size_t PositionAt(const QPointF& p) const;
    void EnsureCaretVisible(bool center = false);
    void CenterCaret() { EnsureCaretVisible(true); }
    int LineHeight() const { return lineHeight_; }
    // The first line on screen (wrapping: the line of the top row).
    std::size_t FirstVisibleLine() const;
    // Wrapping: the row of the first line at the top of the screen.
    std::size_t FirstVisibleRow() const { return Top().row; }

    // The keys the box takes with Ctrl held: moving and deleting by words,
    // to the start and end of the text. Every other Ctrl key is the menus'.
    static bool IsCtrlEditingKey(int key);

    // The text of a line as drawn: the same length, with marks for the
    // characters a layout would take as breaks.
    static QString DisplayText(std::u16string_view line) { return LineLayouts::DisplayText(line); }

    // For tests and accessibility: the layout used to draw the chunk of a line
    // that holds offset, with the chunk's start and x.
    using Piece = LineLayouts::Piece;
    Piece PieceAt(std::size_t line, std::size_t offset) const {
        return layouts_.PieceAt(line, offset);
    }
    // Every piece of a line that meets [x0, x1) (line x positions).
    std::vector<Piece> PiecesIn(std::size_t line, double x0, double x1) const {
        return layouts_.PiecesIn(line, x0, x1);
    }

  signals:
    // A file was dropped onto the box.
    void fileDropped(const QString& path);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    friend class LineNumberGutter;
    // A screen row: a line and a row of it (always 0 when not wrapping).
    struct RowPos {
        std::size_t line = 0;
        std::size_t row = 0;
        auto operator<=>(const RowPos&) const = default;
    };
    RowPos Top() const;
    RowPos CaretRow() const;
    // p moved by n rows (n < 0: up), held inside the text.
    RowPos StepRows(RowPos p, std::ptrdiff_t n) const;
    // Rows from a down to b, counted no further than about `limit`.
    std::size_t RowsBetween(RowPos a, RowPos b, std::size_t limit) const;
    // Wrapping: the top that shows the text's last row at the bottom.
    RowPos MaxTop() const;
    void ScrollTo(RowPos top);
    // Wrapping: the scroll bar's value for a top row.
    int BarValue(RowPos p) const;
    double YOf(RowPos p) const;  // viewport y of a row's top
    int VisibleRows() const { return std::max(1, viewport()->height() / lineHeight_); }
    void FitWrapWidth();
    QPointF PointAt(std::size_t pos, bool before) const;
    // The position under a viewport point; *atEnd as for LineLayouts::OffsetInRow.
    std::size_t HitTest(const QPointF& p, bool* atEnd) const;
    void PaintGutter(QPainter& painter) const;
    void PlaceGutter();
    // Paints the marks of lone CR and LF over the blanks the layout left for them.
    void DrawMarks(QPainter& painter, const Piece& p, std::size_t line, QPointF at,
                   std::size_t selA, std::size_t selB) const;
    void OnChange(const qm::TextChange& c);
    void OnSelection(qm::EditSource source);
    void ScheduleFlush();
    void UpdateScrollBars();
    void UpdateMetrics();
    void RestartBlink();
    void NotifyCaretMoved();

    std::u16string_view LineText(std::size_t line) const { return layouts_.LineText(line); }
    double LineLeft(std::size_t line) const;  // viewport x of the line's start

    // Caret moves, grapheme by grapheme.
    std::size_t NextPosition(std::size_t pos) const;
    std::size_t PreviousPosition(std::size_t pos) const;
    // The word around pos: where it starts and ends.
    std::pair<std::size_t, std::size_t> WordAt(std::size_t pos) const;
    // Where Ctrl+Left and Ctrl+Right go from pos; over a line break they go
    // to the line above or below.
    std::size_t WordLeft(std::size_t pos) const;
    std::size_t WordRight(std::size_t pos) const;
    void MoveCaret(std::size_t pos, bool keepAnchor, bool keepColumn = false,
                   bool atRowEnd = false);
    void SyncSelectionToDocument();
    void InsertTyped(const std::u16string& text);
    void Backspace();
    // Deletes the selection, or [from, to) when nothing is selected.
    void DeleteRange(std::size_t from, std::size_t to);

    qm::Document& doc_;
    qm::LineIndex lines_;
    std::size_t anchor_ = 0;
    std::size_t caret_ = 0;
    double desiredX_ = -1;        // kept while moving up and down
    bool caretAtRowEnd_ = false;  // wrapping: drawn at a row's end, not the next row's start
    std::size_t topLine_ = 0;     // wrapping: the line at the top
    std::size_t topRow_ = 0;      // wrapping: the first line's row at the top
    std::int64_t barScale_ = 1;   // wrapping: the scroll bar's steps a line
    bool scrolling_ = false;      // the view itself moves the scroll bar
    mutable std::optional<RowPos> maxTop_;
    mutable std::uint64_t maxTopRevision_ = 0;  // the layouts' RowsRevised() it was found at
    int wheelRows_ = 0;  // eighths of a degree the wheel turned, not yet a row
    bool readOnly_ = false;
    bool selectionHidden_ = false;
    bool flushQueued_ = false;
    bool ensureVisible_ = false;
    bool ensureCentered_ = false;
    bool syncing_ = false;  // the view itself is writing the document's selection
    bool caretOn_ = true;
    bool dragging_ = false;
    QBasicTimer blink_;
    QString preedit_;
    int preeditCursor_ = 0;
    std::size_t dropPos_ = static_cast<std::size_t>(-1);

    int lineHeight_ = 1;
    int margin_ = 4;
    double maxWidth_ = 0;        // the widest line drawn so far
    QWidget* gutter_ = nullptr;  // made when first shown
    int zoom_ = 0;               // points added to the chosen font's size
    int wheelZoom_ = 0;          // eighths of a degree the wheel turned, not yet a step
    LineLayouts layouts_{doc_, lines_};
};

}  // namespace ui
