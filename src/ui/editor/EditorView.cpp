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
    const int visible = std::max(1, viewport()->height() / lineHeight_);
    const auto count = static_cast<qint64>(lines_.LineCount());
    QScrollBar* v = verticalScrollBar();
    v->setPageStep(visible);
    v->setRange(0, static_cast<int>(std::clamp<qint64>(count - visible, 0, INT_MAX)));
    QScrollBar* h = horizontalScrollBar();
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
    const QFontMetrics fm(layouts_.Font());
    lineHeight_ = std::max(1, fm.lineSpacing());
    ascent_ = fm.ascent();
    maxWidth_ = 0;
    UpdateScrollBars();
}

// ---- layout ----

// ---- geometry ----

std::size_t EditorView::FirstVisibleLine() const {
    return std::min<std::size_t>(static_cast<std::size_t>(verticalScrollBar()->value()),
                                 lines_.LineCount() - 1);
}

QPointF EditorView::PointOf(std::size_t pos) const {
    const std::size_t line = lines_.LineOf(pos);
    const double y =
        (static_cast<double>(line) - static_cast<double>(FirstVisibleLine())) * lineHeight_;
    return QPointF(LineLeft(line) + layouts_.XOf(pos), y);
}

std::size_t EditorView::PositionAt(const QPointF& p) const {
    const double row = std::floor(p.y() / lineHeight_) + static_cast<double>(FirstVisibleLine());
    const auto line = static_cast<std::size_t>(
        std::clamp<double>(row, 0, static_cast<double>(lines_.LineCount() - 1)));
    const double x = p.x() - LineLeft(line);
    return lines_.LineStart(line) + layouts_.OffsetAtX(line, x);
}

QRect EditorView::cursorRect() const {
    QPointF at = PointOf(caret_);
    if (!preedit_.isEmpty()) {
        const std::size_t line = lines_.LineOf(caret_);
        const std::size_t off = caret_ - lines_.LineStart(line);
        const Piece p = layouts_.PieceAt(line, off);
        at.setX(LineLeft(line) + p.x +
                p.layout->lineAt(0).cursorToX(static_cast<int>(off - p.start) + preeditCursor_));
    }
    return QRect(static_cast<int>(std::floor(at.x())), static_cast<int>(at.y()), 2, lineHeight_);
}

void EditorView::EnsureCaretVisible(bool center) {
    UpdateScrollBars();
    const std::size_t line = lines_.LineOf(caret_);
    const int visible = std::max(1, viewport()->height() / lineHeight_);
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
    const std::size_t first = FirstVisibleLine();
    const std::size_t count = lines_.LineCount();
    const auto rows = static_cast<std::size_t>(viewport()->height() / lineHeight_ + 2);
    const double hx = horizontalScrollBar()->value();
    const std::size_t selA = std::min(anchor_, caret_);
    const std::size_t selB = std::max(anchor_, caret_);
    const bool showSelection = selA != selB && !selectionHidden_;
    QTextCharFormat selFormat;
    selFormat.setBackground(palette().highlight());
    selFormat.setForeground(palette().highlightedText());
    double widest = maxWidth_;
    for (std::size_t line = first; line < count && line < first + rows; ++line) {
        const double y = static_cast<double>(line - first) * lineHeight_;
        const std::size_t start = lines_.LineStart(line);
        const std::size_t end = lines_.LineEnd(line);
        const double left = LineLeft(line);
        const double shift = left - (margin_ - hx);
        for (const Piece& p :
             layouts_.PiecesIn(line, hx - margin_ - shift, hx + viewport()->width() - shift)) {
            QList<QTextLayout::FormatRange> ranges;
            const std::size_t a = start + p.start;
            const std::size_t b = a + static_cast<std::size_t>(p.layout->text().size());
            if (showSelection && selA < b && selB > a) {
                const std::size_t from = std::max(selA, a);
                const std::size_t to = std::min(selB, b);
                ranges.append({static_cast<int>(from - a), static_cast<int>(to - from), selFormat});
            }
            p.layout->draw(&painter, QPointF(left + p.x, y), ranges);
            DrawMarks(painter, p, line, QPointF(left + p.x, y), selA, showSelection ? selB : selA);
        }
        if (showSelection && selA <= end && selB > end) {
            // The selected line break: a little highlight after the line.
            const double x = left + layouts_.XOf(end);
            painter.fillRect(QRectF(x, y, lineHeight_ / 3.0, lineHeight_), palette().highlight());
        }
        widest = std::max(widest, layouts_.LineWidth(line));
    }
    if (hasFocus() && caretOn_ && !readOnly_) painter.fillRect(cursorRect(), palette().text());
    if (dropPos_ != kNone) {
        const QPointF d = PointOf(dropPos_);
        painter.fillRect(QRectF(d.x(), d.y(), 2, lineHeight_), palette().text());
    }
    layouts_.KeepOnly(first, rows);  // what is laid out is what is on screen
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
    const QTextLine tl = p.layout->lineAt(0);
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
        const double x0 = at.x() + tl.cursorToX(li);
        const double x1 = at.x() + tl.cursorToX(li + 1);
        // Inside right-to-left text the cell runs the other way.
        const QRectF cell(std::min(x0, x1), at.y(), std::max(1.0, std::abs(x1 - x0)), lineHeight_);
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
    UpdateScrollBars();
}

void EditorView::scrollContentsBy(int, int) {
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
        QAbstractScrollArea::wheelEvent(event);
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
    const std::size_t first = FirstVisibleLine();
    const std::size_t count = lines_.LineCount();
    const auto rows = static_cast<std::size_t>(gutter_->height() / lineHeight_ + 2);
    const int right = gutter_->width() - margin_;
    for (std::size_t line = first; line < count && line < first + rows; ++line) {
        const int y = static_cast<int>(line - first) * lineHeight_;
        painter.drawText(QRect(0, y, right, lineHeight_), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(static_cast<qulonglong>(line + 1)));
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

void EditorView::MoveCaret(std::size_t pos, bool keepAnchor, bool keepColumn) {
    caret_ = std::min(pos, doc_.Length());
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
    const auto pageRows = static_cast<std::size_t>(std::max(1, viewport()->height() / lineHeight_));
    const auto vertical = [&](std::ptrdiff_t rows) {
        const auto target = static_cast<std::size_t>(
            std::clamp<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(line) + rows, 0,
                                       static_cast<std::ptrdiff_t>(lines_.LineCount()) - 1));
        if (desiredX_ < 0) desiredX_ = layouts_.XOf(caret_);
        MoveCaret(lines_.LineStart(target) + layouts_.OffsetAtX(target, desiredX_), shift, true);
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
            verticalScrollBar()->setValue(verticalScrollBar()->value() -
                                          static_cast<int>(pageRows));
            vertical(-static_cast<std::ptrdiff_t>(pageRows));
            return;
        case Qt::Key_PageDown:
            verticalScrollBar()->setValue(verticalScrollBar()->value() +
                                          static_cast<int>(pageRows));
            vertical(static_cast<std::ptrdiff_t>(pageRows));
            return;
        case Qt::Key_Home:
            MoveCaret(ctrl ? 0 : lines_.LineStart(line), shift);
            return;
        case Qt::Key_End:
            MoveCaret(ctrl ? doc_.Length() : lines_.LineEnd(line), shift);
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
    MoveCaret(PositionAt(event->position()), event->modifiers() & Qt::ShiftModifier);
    dragging_ = true;
}

void EditorView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
    MoveCaret(PositionAt(event->position()), true);
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
