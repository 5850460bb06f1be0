#include "ui/editor/EditorView.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBoundaryFinder>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "core/document/WordBreaks.h"
#include "core/text/Common.h"
#include "core/text/Utf16.h"
#include "ui/editor/EditorAccessible.h"

namespace ui {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

}  // namespace

// Beside the viewport, in the margin the view leaves for it; the view paints it.
class LineNumberGutter : public QWidget {
  public:
    explicit LineNumberGutter(EditorView* view) : QWidget(view), view_(view) {
        setObjectName(QStringLiteral("LineNumbers"));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        view_->PaintGutter(painter);
    }

  private:
    EditorView* view_;
};

EditorView::EditorView(qm::Document& doc, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(doc) {
    InstallEditorAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, true);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(1);
    // Wrapped, the bar's arrows and page clicks go by screen rows, not lines.
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (!Wrap()) return;
        std::ptrdiff_t rows = 0;
        if (action == QAbstractSlider::SliderSingleStepAdd) rows = 1;
        if (action == QAbstractSlider::SliderSingleStepSub) rows = -1;
        if (action == QAbstractSlider::SliderPageStepAdd) rows = VisibleRows();
        if (action == QAbstractSlider::SliderPageStepSub) rows = -VisibleRows();
        if (rows == 0) return;
        verticalScrollBar()->setSliderPosition(verticalScrollBar()->value());
        ScrollTo(StepRows(Top(), rows));
    });
    lines_.Reset(doc_.Text());
    // The document may outlive the view (tests); the listeners check the view is alive.
    auto alive = std::make_shared<QPointer<EditorView>>(this);
    doc_.AddChangeListener([alive](const qm::TextChange& c) {
        if (*alive) (*alive)->OnChange(c);
    });
    doc_.AddSelectionListener([alive](qm::EditSource s) {
        if (*alive) (*alive)->OnSelection(s);
    });
    anchor_ = static_cast<std::size_t>(doc_.SelStart());
    caret_ = anchor_ + static_cast<std::size_t>(doc_.SelLength());
    UpdateMetrics();
}

EditorView::~EditorView() = default;

// ---- document to view ----

void EditorView::OnChange(const qm::TextChange& c) {
    const LineLayouts::Touched touched = layouts_.Touches(c);
    lines_.Apply(c, doc_.Text());
    layouts_.Apply(c, touched);
    if (touched.whole) maxWidth_ = 0;
    // The last screenful moves with lines added or taken above it.
    if (maxTop_ && !touched.whole && touched.lastLine < maxTop_->line) {
        maxTop_->line = maxTop_->line + lines_.LineCount() - touched.oldCount;
    } else {
        maxTop_.reset();
    }
    caretAtRowEnd_ = false;
    anchor_ = static_cast<std::size_t>(doc_.SelStart());
    caret_ = anchor_ + static_cast<std::size_t>(doc_.SelLength());
    preedit_.clear();  // the layouts dropped theirs
    ensureVisible_ = true;
    ScheduleFlush();
    viewport()->update();
    if (LineNumbers()) gutter_->update();
}

void EditorView::OnSelection(qm::EditSource source) {
    if (syncing_ || source == qm::EditSource::Widget) return;
    anchor_ = static_cast<std::size_t>(doc_.SelStart());
    caret_ = anchor_ + static_cast<std::size_t>(doc_.SelLength());
    desiredX_ = -1;
    caretAtRowEnd_ = false;
    ensureVisible_ = true;
    ScheduleFlush();
    viewport()->update();
    NotifyCaretMoved();
}

void EditorView::ScheduleFlush() {
    if (flushQueued_) return;
    flushQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        if (flushQueued_) Flush();
    });
}

void EditorView::Flush() {
    flushQueued_ = false;
    UpdateScrollBars();
    if (ensureVisible_) {
        ensureVisible_ = false;
        EnsureCaretVisible(ensureCentered_);
        ensureCentered_ = false;
    }
}

void EditorView::UpdateScrollBars() {
    PlaceGutter();
    FitWrapWidth();
    const int visible = VisibleRows();
    const auto count = static_cast<qint64>(lines_.LineCount());
    QScrollBar* v = verticalScrollBar();
    v->setPageStep(visible);
    QScrollBar* h = horizontalScrollBar();
    if (Wrap()) {
        // The bar follows the top, never the other way round here.
        barScale_ = std::clamp<std::int64_t>(INT_MAX / (count + 1), 1, 1024);
        const RowPos most = MaxTop();
        if (Top() > most) ScrollTo(most);
        scrolling_ = true;
        v->setRange(0, BarValue(most));
        // A page is what a screenful of rows spans of the bar.
        const RowPos top = Top();
        v->setPageStep(std::max(1, BarValue(StepRows(top, visible)) - BarValue(top)));
        v->setValue(BarValue(Top()));
        scrolling_ = false;
        h->setRange(0, 0);
        return;
    }
    v->setRange(0, static_cast<int>(std::clamp<qint64>(count - visible, 0, INT_MAX)));
    h->setPageStep(std::max(1, viewport()->width()));
    const double wide = std::ceil(maxWidth_) + 2 * margin_ + 2 - viewport()->width();
    h->setRange(0, static_cast<int>(std::clamp<double>(wide, 0, INT_MAX)));
}

void EditorView::UpdateMetrics() {
    QFont f = font();
    if (f.pointSizeF() > 0) {
        f.setPointSizeF(f.pointSizeF() + zoom_);
    } else {
        f.setPixelSize(f.pixelSize() + zoom_ * logicalDpiY() / 72);
    }
    layouts_.SetFont(f);
    lineHeight_ = layouts_.RowHeight();
    maxWidth_ = 0;
    maxTop_.reset();
    UpdateScrollBars();
}

// ---- wrapping and rows ----

void EditorView::SetWrap(bool on) {
    if (on == Wrap()) return;
    const std::size_t first = FirstVisibleLine();
    // Wrapped, the bar never comes and goes: that would change the width wrapped at.
    setVerticalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    layouts_.SetWrapWidth(on ? 1 : 0);
    FitWrapWidth();
    topLine_ = first;
    topRow_ = 0;
    caretAtRowEnd_ = false;
    desiredX_ = -1;
    maxWidth_ = 0;
    horizontalScrollBar()->setValue(0);
    UpdateScrollBars();
    ScrollTo(RowPos{first, 0});
    ensureVisible_ = true;
    ScheduleFlush();
    viewport()->update();
}

void EditorView::FitWrapWidth() {
    if (!Wrap()) return;
    const double width = std::max(1.0, viewport()->width() - 2.0 * margin_ - 2);
    if (!layouts_.SetWrapWidth(width)) return;
    maxTop_.reset();
}

EditorView::RowPos EditorView::Top() const {
    const std::size_t line = FirstVisibleLine();
    if (!Wrap()) return {line, 0};
    return {line, std::min(topRow_, layouts_.RowCount(line) - 1)};
}

EditorView::RowPos EditorView::CaretRow() const {
    const std::size_t line = lines_.LineOf(caret_);
    return {line, layouts_.RowOf(line, caret_ - lines_.LineStart(line), caretAtRowEnd_)};
}

EditorView::RowPos EditorView::StepRows(RowPos p, std::ptrdiff_t n) const {
    const std::size_t last = lines_.LineCount() - 1;
    if (!Wrap()) {
        const auto line = std::clamp<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(p.line) + n, 0,
                                                     static_cast<std::ptrdiff_t>(last));
        return {static_cast<std::size_t>(line), 0};
    }
    p.row = std::min(p.row, layouts_.RowCount(p.line) - 1);
    for (; n > 0;) {
        const std::size_t rest = layouts_.RowCount(p.line) - 1 - p.row;
        if (static_cast<std::size_t>(n) <= rest || p.line == last) {
            p.row += std::min(rest, static_cast<std::size_t>(n));
            return p;
        }
        n -= static_cast<std::ptrdiff_t>(rest) + 1;
        p = {p.line + 1, 0};
    }
    for (; n < 0;) {
        if (static_cast<std::size_t>(-n) <= p.row || p.line == 0) {
            p.row -= std::min(p.row, static_cast<std::size_t>(-n));
            return p;
        }
        n += static_cast<std::ptrdiff_t>(p.row) + 1;
        p.line -= 1;
        p.row = layouts_.RowCount(p.line) - 1;
    }
    return p;
}

std::size_t EditorView::RowsBetween(RowPos a, RowPos b, std::size_t limit) const {
    if (a.line == b.line) return b.row - std::min(a.row, b.row);
    std::size_t rows = layouts_.RowCount(a.line) - a.row;
    std::size_t line = a.line + 1;
    for (; line < b.line && rows <= limit; ++line) rows += layouts_.RowCount(line);
    return line < b.line ? rows + (b.line - line) : rows + b.row;
}

EditorView::RowPos EditorView::MaxTop() const {
    if (!maxTop_ || maxTopRevision_ != layouts_.RowsRevised()) {
        const std::size_t last = lines_.LineCount() - 1;
        maxTop_ = StepRows(RowPos{last, layouts_.RowCount(last) - 1}, 1 - VisibleRows());
        maxTopRevision_ = layouts_.RowsRevised();
    }
    return *maxTop_;
}

int EditorView::BarValue(RowPos p) const {
    const auto rows = static_cast<std::int64_t>(layouts_.RowCount(p.line));
    return static_cast<int>(static_cast<std::int64_t>(p.line) * barScale_ +
                            static_cast<std::int64_t>(p.row) * barScale_ / rows);
}

void EditorView::ScrollTo(RowPos top) {
    scrolling_ = true;
    if (Wrap()) {
        top = std::min(top, MaxTop());
        topLine_ = top.line;
        topRow_ = top.row;
        verticalScrollBar()->setValue(BarValue(top));
    } else {
        verticalScrollBar()->setValue(static_cast<int>(std::min<std::size_t>(top.line, INT_MAX)));
    }
    scrolling_ = false;
    viewport()->update();
    if (LineNumbers()) gutter_->update();
}

double EditorView::YOf(RowPos p) const {
    const RowPos top = Top();
    if (!Wrap()) return (static_cast<double>(p.line) - static_cast<double>(top.line)) * lineHeight_;
    // Far off screen the distance need not be exact, only off screen.
    const auto limit = static_cast<std::size_t>(VisibleRows()) + 2;
    if (p < top) return -static_cast<double>(RowsBetween(p, top, limit)) * lineHeight_;
    return static_cast<double>(RowsBetween(top, p, limit)) * lineHeight_;
}

// ---- geometry ----

std::size_t EditorView::FirstVisibleLine() const {
    if (Wrap()) return std::min(topLine_, lines_.LineCount() - 1);
    return std::min<std::size_t>(static_cast<std::size_t>(verticalScrollBar()->value()),
                                 lines_.LineCount() - 1);
}

QPointF EditorView::PointOf(std::size_t pos) const { return PointAt(pos, false); }

QPointF EditorView::PointAt(std::size_t pos, bool before) const {
    const std::size_t line = lines_.LineOf(pos);
    const std::size_t row = layouts_.RowOf(line, pos - lines_.LineStart(line), before);
    return QPointF(LineLeft(line) + layouts_.XOf(pos, before), YOf(RowPos{line, row}));
}

std::size_t EditorView::PositionAt(const QPointF& p) const { return HitTest(p, nullptr); }

std::size_t EditorView::HitTest(const QPointF& p, bool* atEnd) const {
    if (atEnd != nullptr) *atEnd = false;
    const RowPos at = StepRows(Top(), static_cast<std::ptrdiff_t>(std::floor(p.y() / lineHeight_)));
    const double x = p.x() - LineLeft(at.line);
    if (Wrap()) return lines_.LineStart(at.line) + layouts_.OffsetInRow(at.line, at.row, x, atEnd);
    return lines_.LineStart(at.line) + layouts_.OffsetAtX(at.line, x);
}

QRect EditorView::cursorRect() const {
    QPointF at = PointAt(caret_, caretAtRowEnd_);
    if (!preedit_.isEmpty()) {
        const std::size_t line = lines_.LineOf(caret_);
        const std::size_t off = caret_ - lines_.LineStart(line);
        const Piece p = layouts_.PieceAt(line, off);
        const int in = static_cast<int>(off - p.start) + preeditCursor_;
        const QTextLine tl = p.layout->lineForTextPosition(in);
        at.setX(LineLeft(line) + p.x + tl.cursorToX(in));
        at.setY(YOf(RowPos{line, p.row}) + tl.y());
    }
    return QRect(static_cast<int>(std::floor(at.x())), static_cast<int>(at.y()), 2, lineHeight_);
}

void EditorView::EnsureCaretVisible(bool center) {
    UpdateScrollBars();
    const int visible = VisibleRows();
    if (Wrap()) {
        const RowPos caret = CaretRow();
        const RowPos top = Top();
        if (center) {
            ScrollTo(StepRows(caret, -visible / 2));
        } else if (caret < top) {
            ScrollTo(caret);
        } else if (RowsBetween(top, caret, static_cast<std::size_t>(visible)) >=
                   static_cast<std::size_t>(visible)) {
            ScrollTo(StepRows(caret, 1 - visible));
        }
        return;
    }
    const std::size_t line = lines_.LineOf(caret_);
    QScrollBar* v = verticalScrollBar();
    const auto first = static_cast<qint64>(v->value());
    const auto l = static_cast<qint64>(line);
    if (center) {
        v->setValue(static_cast<int>(std::max<qint64>(0, l - visible / 2)));
    } else if (l < first) {
        v->setValue(static_cast<int>(l));
    } else if (l >= first + visible) {
        v->setValue(static_cast<int>(l - visible + 1));
    }
    // The caret's line may be wider than any drawn so far.
    maxWidth_ = std::max(maxWidth_, layouts_.LineWidth(line));
    UpdateScrollBars();
    QScrollBar* h = horizontalScrollBar();
    const double x = layouts_.XOf(caret_);
    const double room = viewport()->width() - 2 * margin_ - 2;
    if (x < h->value()) {
        h->setValue(static_cast<int>(std::max(0.0, x - room / 3)));
    } else if (x > h->value() + room) {
        h->setValue(static_cast<int>(x - room + room / 3));
    }
}

double EditorView::LineLeft(std::size_t line) const {
    const double left = margin_ - horizontalScrollBar()->value();
    if (Wrap()) return left;  // a wrapped row is aligned by its layout
    const Qt::Alignment alignment = layouts_.AlignmentOf(line);
    if (alignment == Qt::AlignLeft) return left;
    // Centred and right-aligned lines sit in the visible width, never left of the margin.
    const double room = viewport()->width() - 2.0 * margin_ - 2 - layouts_.LineWidth(line);
    if (room <= 0) return left;
    return left + (alignment == Qt::AlignHCenter ? room / 2 : room);
}

void EditorView::SetAlignment(Qt::Alignment alignment) {
    const std::size_t from = lines_.LineOf(std::min(anchor_, caret_));
    const std::size_t to = lines_.LineOf(std::max(anchor_, caret_));
    layouts_.SetAlignment(from, to, alignment);
    viewport()->update();
}

// ---- painting ----

void EditorView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().base());
    painter.setPen(palette().text().color());
    const RowPos top = Top();
    const std::size_t first = top.line;
    const std::size_t count = lines_.LineCount();
    const auto rows = static_cast<std::size_t>(VisibleRows() + 2);
    const double hx = horizontalScrollBar()->value();
    const std::size_t selA = std::min(anchor_, caret_);
    const std::size_t selB = std::max(anchor_, caret_);
    const bool showSelection = selA != selB && !selectionHidden_;
    QTextCharFormat selFormat;
    selFormat.setBackground(palette().highlight());
    selFormat.setForeground(palette().highlightedText());
    double widest = maxWidth_;
    // y is the top of the line's first row; the first line may start above the screen.
    double y = -static_cast<double>(top.row) * lineHeight_;
    std::size_t line = first;
    for (; line < count && y < viewport()->height(); ++line) {
        const std::size_t start = lines_.LineStart(line);
        const std::size_t end = lines_.LineEnd(line);
        const double left = LineLeft(line);
        const double shift = left - (margin_ - hx);
        const std::size_t lineRows = layouts_.RowCount(line);
        const auto skipped = static_cast<std::size_t>(std::max(0.0, -y / lineHeight_));
        const std::vector<Piece> pieces =
            Wrap()
                ? layouts_.PiecesInRows(line, skipped, skipped + rows)
                : layouts_.PiecesIn(line, hx - margin_ - shift, hx + viewport()->width() - shift);
        for (const Piece& p : pieces) {
            QList<QTextLayout::FormatRange> ranges;
            const std::size_t a = start + p.start;
            const std::size_t b = a + static_cast<std::size_t>(p.layout->text().size());
            if (showSelection && selA < b && selB > a) {
                const std::size_t from = std::max(selA, a);
                const std::size_t to = std::min(selB, b);
                ranges.append({static_cast<int>(from - a), static_cast<int>(to - from), selFormat});
            }
            const QPointF at(left + p.x, y + static_cast<double>(p.row) * lineHeight_);
            p.layout->draw(&painter, at, ranges);
            DrawMarks(painter, p, line, at, selA, showSelection ? selB : selA);
        }
        if (showSelection && selA <= end && selB > end) {
            // The selected line break: a little highlight after the line.
            const double x = left + layouts_.XOf(end);
            const double lastRow = y + static_cast<double>(lineRows - 1) * lineHeight_;
            painter.fillRect(QRectF(x, lastRow, lineHeight_ / 3.0, lineHeight_),
                             palette().highlight());
        }
        if (!Wrap()) widest = std::max(widest, layouts_.LineWidth(line));
        y += static_cast<double>(lineRows) * lineHeight_;
    }
    if (hasFocus() && caretOn_ && !readOnly_) painter.fillRect(cursorRect(), palette().text());
    if (dropPos_ != kNone) {
        const QPointF d = PointOf(dropPos_);
        painter.fillRect(QRectF(d.x(), d.y(), 2, lineHeight_), palette().text());
    }
    layouts_.KeepOnly(first, line - first);  // what is laid out is what is on screen
    if (widest > maxWidth_) {
        maxWidth_ = widest;
        QTimer::singleShot(0, this, [this] { UpdateScrollBars(); });
    }
}

void EditorView::DrawMarks(QPainter& painter, const Piece& p, std::size_t line, QPointF at,
                           std::size_t selA, std::size_t selB) const {
    const std::size_t a = lines_.LineStart(line) + p.start;
    const auto n = static_cast<std::size_t>(p.layout->text().size());
    const std::u16string_view text = std::u16string_view(doc_.Text()).substr(a, n);
    if (std::none_of(text.begin(), text.end(), LineLayouts::IsMarked)) return;
    // The pre-edit text sits in the layout at the caret and moves what follows.
    std::size_t preeditAt = kNone;
    if (line == layouts_.PreeditLine() && caret_ >= a && caret_ <= a + n) preeditAt = caret_ - a;
    QFont small = layouts_.Font();
    small.setPixelSize(std::max(6, lineHeight_ * 2 / 5));
    small.setBold(true);
    painter.save();
    painter.setFont(small);
    for (std::size_t i = 0; i < n; ++i) {
        if (!LineLayouts::IsMarked(text[i])) continue;
        const int li =
            static_cast<int>(i) +
            (preeditAt != kNone && i >= preeditAt ? static_cast<int>(preedit_.size()) : 0);
        const QTextLine tl = p.layout->lineForTextPosition(li);
        const double x0 = at.x() + tl.cursorToX(li);
        const double x1 = at.x() + tl.cursorToX(li + 1);
        // Inside right-to-left text the cell runs the other way.
        const QRectF cell(std::min(x0, x1), at.y() + tl.y(), std::max(1.0, std::abs(x1 - x0)),
                          lineHeight_);
        const bool selected = a + i >= selA && a + i < selB;
        const QColor ink =
            selected ? palette().highlightedText().color() : palette().text().color();
        const bool cr = text[i] == u'\r' || text[i] == 0x240D;
        // A framed "CR" or "LF", like the marks of the Unicode control pictures.
        const QRectF box = cell.adjusted(1, lineHeight_ * 0.18, -1, -lineHeight_ * 0.18);
        painter.setPen(QPen(ink, 1));
        painter.drawRect(box);
        painter.drawText(box, Qt::AlignCenter, cr ? QStringLiteral("CR") : QStringLiteral("LF"));
    }
    painter.restore();
}

void EditorView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    maxTop_.reset();  // a screenful holds another number of rows
    UpdateScrollBars();
}

void EditorView::scrollContentsBy(int, int dy) {
    if (Wrap() && !scrolling_ && dy != 0) {
        // The bar moved by the user: the line its value falls in, and the row
        // nearest to the value's share of the line.
        const auto value = static_cast<std::int64_t>(verticalScrollBar()->value());
        const auto line = std::min<std::size_t>(static_cast<std::size_t>(value / barScale_),
                                                lines_.LineCount() - 1);
        const auto rows = static_cast<std::int64_t>(layouts_.RowCount(line));
        const std::int64_t row = ((value % barScale_) * rows + barScale_ / 2) / barScale_;
        const RowPos at =
            std::min(RowPos{line, static_cast<std::size_t>(std::min(row, rows - 1))}, MaxTop());
        topLine_ = at.line;
        topRow_ = at.row;
    }
    viewport()->update();
    if (LineNumbers()) gutter_->update();
}

// ---- zoom ----

void EditorView::Zoom(int steps) {
    // From 4 points up to eight times the chosen size.
    const QFont f = font();
    const double size = f.pointSizeF() > 0 ? f.pointSizeF() : f.pixelSize() * 72.0 / logicalDpiY();
    const int least = static_cast<int>(std::ceil(4 - size));
    const int most = std::max(least, static_cast<int>(size * 7));
    const int zoom = std::clamp(zoom_ + steps, std::min(0, least), most);
    if (zoom == zoom_) return;
    zoom_ = zoom;
    UpdateMetrics();
    ensureVisible_ = true;
    ScheduleFlush();
    viewport()->update();
}

void EditorView::ResetZoom() { Zoom(-zoom_); }

void EditorView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        wheelZoom_ = 0;
        if (!Wrap() || event->angleDelta().y() == 0) {
            QAbstractScrollArea::wheelEvent(event);
            return;
        }
        // Wrapped, the wheel moves screen rows (as many a notch as lines unwrapped).
        wheelRows_ += event->angleDelta().y();
        const int notches = wheelRows_ / 120;
        wheelRows_ -= notches * 120;
        if (notches != 0) ScrollTo(StepRows(Top(), -notches * QApplication::wheelScrollLines()));
        event->accept();
        return;
    }
    // A notch is 120; a fine-grained wheel or touchpad adds up to one.
    wheelZoom_ += event->angleDelta().y();
    const int steps = wheelZoom_ / 120;
    wheelZoom_ -= steps * 120;
    if (steps != 0) Zoom(steps);
    event->accept();
}

// ---- line numbers ----

void EditorView::SetLineNumbers(bool on) {
    if (on && gutter_ == nullptr) gutter_ = new LineNumberGutter(this);
    if (gutter_ == nullptr) return;
    gutter_->setVisible(on);
    PlaceGutter();
}

void EditorView::PlaceGutter() {
    int width = 0;
    if (LineNumbers()) {
        // Room for the widest number the text has, so the width changes only
        // when the count gains or loses a digit.
        int digits = 1;
        for (std::size_t n = lines_.LineCount(); n >= 10; n /= 10) ++digits;
        const QFontMetrics fm(layouts_.Font());
        width = 2 * margin_ + digits * fm.horizontalAdvance(QLatin1Char('9'));
    }
    if (viewportMargins().left() != width) setViewportMargins(width, 0, 0, 0);
    if (width == 0) return;
    const QRect v = viewport()->geometry();
    gutter_->setGeometry(v.x() - width, v.y(), width, v.height());
    gutter_->update();
}

void EditorView::PaintGutter(QPainter& painter) const {
    painter.fillRect(gutter_->rect(), palette().window());
    painter.setFont(layouts_.Font());
    painter.setPen(palette().placeholderText().color());
    const RowPos top = Top();
    const std::size_t count = lines_.LineCount();
    const int right = gutter_->width() - margin_;
    // A wrapped line's number at its first row only.
    int y = -static_cast<int>(top.row) * lineHeight_;
    for (std::size_t line = top.line; line < count && y < gutter_->height(); ++line) {
        if (y >= 0) {
            painter.drawText(QRect(0, y, right, lineHeight_), Qt::AlignRight | Qt::AlignVCenter,
                             QString::number(static_cast<qulonglong>(line + 1)));
        }
        y += static_cast<int>(layouts_.RowCount(line)) * lineHeight_;
    }
}

void EditorView::SetSelectionHidden(bool hidden) {
    selectionHidden_ = hidden;
    viewport()->update();
}

void EditorView::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
    viewport()->update();
}

// ---- caret ----

void EditorView::RestartBlink() {
    caretOn_ = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (flash > 0 && hasFocus()) {
        blink_.start(flash / 2, this);
    } else {
        blink_.stop();
    }
}

void EditorView::timerEvent(QTimerEvent* event) {
    if (event->timerId() != blink_.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    caretOn_ = !caretOn_;
    viewport()->update(cursorRect().adjusted(-1, 0, 1, 0));
}

void EditorView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    RestartBlink();
    viewport()->update();
}

void EditorView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blink_.stop();
    viewport()->update();
}

void EditorView::NotifyCaretMoved() {
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent e(this, static_cast<int>(caret_));
        QAccessible::updateAccessibility(&e);
    }
}

void EditorView::SyncSelectionToDocument() {
    syncing_ = true;
    const std::size_t a = std::min(anchor_, caret_);
    doc_.SetSelection(static_cast<std::int32_t>(a),
                      static_cast<std::int32_t>(std::max(anchor_, caret_) - a),
                      qm::EditSource::Widget);
    syncing_ = false;
}

void EditorView::MoveCaret(std::size_t pos, bool keepAnchor, bool keepColumn, bool atRowEnd) {
    caret_ = std::min(pos, doc_.Length());
    caretAtRowEnd_ = atRowEnd && Wrap();
    if (!keepAnchor) anchor_ = caret_;
    if (!keepColumn) desiredX_ = -1;
    SyncSelectionToDocument();
    EnsureCaretVisible();
    RestartBlink();
    viewport()->update();
    NotifyCaretMoved();
}

std::size_t EditorView::NextPosition(std::size_t pos) const {
    const std::size_t line = lines_.LineOf(pos);
    const std::size_t off = pos - lines_.LineStart(line);
    if (off >= lines_.LineLength(line)) {
        return line + 1 < lines_.LineCount() ? lines_.LineStart(line + 1) : pos;
    }
    const Piece p = layouts_.PieceAt(line, off);
    const int next = p.layout->nextCursorPosition(static_cast<int>(off - p.start));
    return lines_.LineStart(line) + p.start + static_cast<std::size_t>(next);
}

std::size_t EditorView::PreviousPosition(std::size_t pos) const {
    const std::size_t line = lines_.LineOf(pos);
    const std::size_t off = pos - lines_.LineStart(line);
    if (off == 0) return line > 0 ? lines_.LineEnd(line - 1) : 0;
    const Piece p = layouts_.PieceAt(line, off - 1);
    const int prev = p.layout->previousCursorPosition(static_cast<int>(off - p.start));
    return lines_.LineStart(line) + p.start + static_cast<std::size_t>(prev);
}

std::pair<std::size_t, std::size_t> EditorView::WordAt(std::size_t pos) const {
    const std::size_t line = lines_.LineOf(pos);
    const std::size_t off = pos - lines_.LineStart(line);
    const Piece p = layouts_.PieceAt(line, off);
    const std::size_t base = lines_.LineStart(line) + p.start;
    QTextBoundaryFinder f(QTextBoundaryFinder::Word, p.layout->text());
    f.setPosition(static_cast<int>(off - p.start));
    const qsizetype end = f.toNextBoundary();
    f.setPosition(static_cast<int>(off - p.start));
    if (!f.isAtBoundary() || !(f.boundaryReasons() & QTextBoundaryFinder::StartOfItem)) {
        f.toPreviousBoundary();
    }
    const std::size_t start = base + static_cast<std::size_t>(std::max<qsizetype>(0, f.position()));
    return {start, std::max(start, base + static_cast<std::size_t>(end < 0 ? p.layout->text().size()
                                                                           : end))};
}

std::size_t EditorView::WordLeft(std::size_t pos) const {
    const std::size_t line = lines_.LineOf(pos);
    const std::size_t start = lines_.LineStart(line);
    if (pos == start) return PreviousPosition(pos);  // to the end of the line above
    return start + qm::PreviousWordStop(LineText(line), pos - start);
}

std::size_t EditorView::WordRight(std::size_t pos) const {
    const std::size_t line = lines_.LineOf(pos);
    const std::size_t start = lines_.LineStart(line);
    if (pos >= lines_.LineEnd(line)) return NextPosition(pos);  // to the start of the next line
    return start + qm::NextWordStop(LineText(line), pos - start);
}

bool EditorView::IsCtrlEditingKey(int key) {
    switch (key) {
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            return true;
        default:
            return false;
    }
}

QString EditorView::SelectedText() const {
    const std::size_t a = std::min(anchor_, caret_);
    return QString::fromStdU16String(doc_.Text().substr(a, std::max(anchor_, caret_) - a));
}

// ---- editing ----

void EditorView::InsertTyped(const std::u16string& text) {
    if (readOnly_) return;
    SyncSelectionToDocument();
    doc_.SetSelText(text, qm::EditSource::Widget);
    desiredX_ = -1;
    Flush();
    RestartBlink();
    NotifyCaretMoved();
}

void EditorView::DeleteRange(std::size_t from, std::size_t to) {
    if (readOnly_) return;
    if (anchor_ != caret_) {
        InsertTyped(u"");
        return;
    }
    if (to <= from) return;
    doc_.Replace(from, to - from, u"", qm::EditSource::Widget);
    desiredX_ = -1;
    Flush();
    RestartBlink();
    NotifyCaretMoved();
}

void EditorView::Backspace() {
    if (readOnly_) return;
    if (anchor_ != caret_) {
        InsertTyped(u"");
        return;
    }
    if (caret_ == 0) return;
    const std::size_t line = lines_.LineOf(caret_);
    std::size_t from = caret_ - 1;
    if (caret_ == lines_.LineStart(line)) {
        from = lines_.LineEnd(line - 1);  // the whole CR LF
    } else {
        from = qm::text::CharacterStart(doc_.Text(), from);  // one code point, never half of one
    }
    doc_.Replace(from, caret_ - from, u"", qm::EditSource::Widget);
    desiredX_ = -1;
    Flush();
    RestartBlink();
    NotifyCaretMoved();
}

bool EditorView::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        // Tab is a character of the text here, not a move to the next control.
        if ((k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) &&
            !(k->modifiers() & Qt::ControlModifier)) {
            keyPressEvent(k);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void EditorView::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const std::size_t selA = std::min(anchor_, caret_);
    const std::size_t selB = std::max(anchor_, caret_);
    const std::size_t line = lines_.LineOf(caret_);
    const std::ptrdiff_t pageRows = VisibleRows();
    // Up and down go by screen rows (lines when not wrapping), keeping the column's x.
    const auto vertical = [&](std::ptrdiff_t rows) {
        const RowPos to = StepRows(CaretRow(), rows);
        if (desiredX_ < 0) desiredX_ = layouts_.XOf(caret_, caretAtRowEnd_);
        bool atEnd = false;
        const std::size_t off = Wrap() ? layouts_.OffsetInRow(to.line, to.row, desiredX_, &atEnd)
                                       : layouts_.OffsetAtX(to.line, desiredX_);
        MoveCaret(lines_.LineStart(to.line) + off, shift, true, atEnd);
    };
    // Home and End: the row's ends when wrapping, else the line's.
    const auto rowEnds = [&]() -> std::pair<std::size_t, std::size_t> {
        if (!Wrap()) return {lines_.LineStart(line), lines_.LineEnd(line)};
        const LineLayouts::Row r = layouts_.RowAt(line, CaretRow().row);
        return {lines_.LineStart(line) + r.start, lines_.LineStart(line) + r.end};
    };
    switch (event->key()) {
        case Qt::Key_Left:
            if (ctrl) {
                MoveCaret(WordLeft(caret_), shift);
            } else {
                MoveCaret(!shift && selA != selB ? selA : PreviousPosition(caret_), shift);
            }
            return;
        case Qt::Key_Right:
            if (ctrl) {
                MoveCaret(WordRight(caret_), shift);
            } else {
                MoveCaret(!shift && selA != selB ? selB : NextPosition(caret_), shift);
            }
            return;
        case Qt::Key_Up:
            vertical(-1);
            return;
        case Qt::Key_Down:
            vertical(1);
            return;
        case Qt::Key_PageUp:
            ScrollTo(StepRows(Top(), -pageRows));
            vertical(-pageRows);
            return;
        case Qt::Key_PageDown:
            ScrollTo(StepRows(Top(), pageRows));
            vertical(pageRows);
            return;
        case Qt::Key_Home:
            MoveCaret(ctrl ? 0 : rowEnds().first, shift);
            return;
        case Qt::Key_End:
            if (ctrl) {
                MoveCaret(doc_.Length(), shift);
            } else {
                // A wrapped row's end is the next row's start: the caret stays on this row.
                const std::size_t end = rowEnds().second;
                MoveCaret(end, shift, false, end < lines_.LineEnd(line));
            }
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            InsertTyped(u"\r\n");
            return;
        case Qt::Key_Backspace:
            if (ctrl) {
                DeleteRange(WordLeft(caret_), caret_);
            } else {
                Backspace();
            }
            return;
        case Qt::Key_Delete:
            // Del alone is the edit menu's; Ctrl+Del takes the word after the caret.
            if (!ctrl) break;
            DeleteRange(caret_, WordRight(caret_));
            return;
        case Qt::Key_Tab:
            InsertTyped(u"\t");
            return;
        default:
            break;
    }
    const QString text = event->text();
    const bool printable = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.isPrint() || c.isSurrogate() || c == QLatin1Char('\t');
    });
    if (printable && (!ctrl || (mods & Qt::AltModifier))) {
        InsertTyped(常用模块::NormalizeLineBreaks(text.toStdU16String()));
        return;
    }
    event->ignore();
}

// ---- input method ----

void EditorView::inputMethodEvent(QInputMethodEvent* event) {
    if (readOnly_) {
        event->ignore();
        return;
    }
    if (event->replacementLength() > 0 && anchor_ == caret_) {
        // The input method replaces text around the caret (a correction).
        const auto from = static_cast<std::ptrdiff_t>(caret_) + event->replacementStart();
        const auto a = static_cast<std::size_t>(
            std::clamp<std::ptrdiff_t>(from, 0, static_cast<std::ptrdiff_t>(doc_.Length())));
        anchor_ = a;
        caret_ = std::min(doc_.Length(), a + static_cast<std::size_t>(event->replacementLength()));
    }
    preedit_.clear();
    layouts_.SetPreedit(preedit_, caret_);
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        InsertTyped(常用模块::NormalizeLineBreaks(event->commitString().toStdU16String()));
    }
    preedit_ = event->preeditString();
    preeditCursor_ = static_cast<int>(preedit_.size());
    for (const QInputMethodEvent::Attribute& a : event->attributes()) {
        if (a.type == QInputMethodEvent::Cursor) preeditCursor_ = a.start;
    }
    // The caret's line is laid out again with the pre-edit text in place.
    layouts_.SetPreedit(preedit_, caret_);
    viewport()->update();
    event->accept();
}

QVariant EditorView::inputMethodQuery(Qt::InputMethodQuery query) const {
    const std::size_t line = lines_.LineOf(caret_);
    const std::size_t start = lines_.LineStart(line);
    // Around the caret only: a line may be millions of units long.
    const std::size_t from = std::max(start, caret_ > 500 ? caret_ - 500 : 0);
    const std::size_t to = std::min(lines_.LineEnd(line), caret_ + 500);
    switch (query) {
        case Qt::ImEnabled:
            return !readOnly_;
        case Qt::ImCursorRectangle:
            return cursorRect();
        case Qt::ImFont:
            return font();
        case Qt::ImCursorPosition:
            return static_cast<int>(caret_ - from);
        case Qt::ImAnchorPosition:
            return static_cast<int>(std::clamp(anchor_, from, to) - from);
        case Qt::ImSurroundingText:
            return QString::fromStdU16String(doc_.Text().substr(from, to - from));
        case Qt::ImCurrentSelection: {
            const QString s = SelectedText();
            return s.left(1000);
        }
        case Qt::ImHints:
            return static_cast<int>(Qt::ImhMultiLine);
        case Qt::ImMaximumTextLength:
            return QVariant();
        default:
            return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// ---- mouse ----

void EditorView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    bool atEnd = false;
    const std::size_t at = HitTest(event->position(), &atEnd);
    MoveCaret(at, event->modifiers() & Qt::ShiftModifier, false, atEnd);
    dragging_ = true;
}

void EditorView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
    bool atEnd = false;
    const std::size_t at = HitTest(event->position(), &atEnd);
    MoveCaret(at, true, false, atEnd);
}

void EditorView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
}

void EditorView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const std::size_t at = PositionAt(event->position());
    const auto [start, end] = WordAt(at);
    anchor_ = start;
    MoveCaret(end, true);
}

// ---- drag and drop ----

void EditorView::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* m = event->mimeData();
    const bool file = m->hasUrls() && !m->urls().isEmpty() && m->urls().first().isLocalFile();
    if (file || (m->hasText() && !readOnly_)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void EditorView::dragMoveEvent(QDragMoveEvent* event) {
    const QMimeData* m = event->mimeData();
    if (m->hasUrls()) {
        event->acceptProposedAction();
        return;
    }
    if (!m->hasText() || readOnly_) {
        event->ignore();
        return;
    }
    dropPos_ = PositionAt(event->position());
    viewport()->update();
    event->acceptProposedAction();
}

void EditorView::dropEvent(QDropEvent* event) {
    const QMimeData* m = event->mimeData();
    dropPos_ = kNone;
    viewport()->update();
    if (m->hasUrls() && !m->urls().isEmpty() && m->urls().first().isLocalFile()) {
        event->acceptProposedAction();
        emit fileDropped(m->urls().first().toLocalFile());
        return;
    }
    if (!m->hasText() || readOnly_) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    const std::size_t at = PositionAt(event->position());
    anchor_ = caret_ = at;
    InsertTyped(常用模块::NormalizeLineBreaks(m->text().toStdU16String()));
    setFocus(Qt::OtherFocusReason);
}

void EditorView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        zoom_ = 0;
        UpdateMetrics();
        viewport()->update();
    } else if (event->type() == QEvent::PaletteChange) {
        viewport()->update();
    }
}

}  // namespace ui
