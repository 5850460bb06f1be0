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
#include <algorithm>
#include <cmath>

#include "core/Common.h"
#include "core/WordBreaks.h"
#include "core/text/Utf16.h"
#include "ui/editor/EditorAccessible.h"

namespace ui {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
// Wide enough for any chunk or short line, well inside QTextLayout's fixed point.
constexpr qreal kLayoutWidth = 1.0e7;

}  // namespace

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
    const std::size_t oldCount = lines_.LineCount();
    const bool whole = c.pos == 0 && c.removed == lines_.TextLength();
    const std::size_t firstLine = lines_.LineOf(c.pos);
    const std::size_t lastLine = lines_.LineOf(c.pos + c.removed);
    const bool oneLine = lastLine == firstLine;
    lines_.Apply(c, doc_.Text());
    if (whole) {
        ClearLayouts();
        alignment_.clear();
        maxWidth_ = 0;
    } else if (oneLine && lines_.LineCount() == oldCount) {
        shortLayouts_.remove(firstLine);
        const auto it = longLines_.find(firstLine);
        if (it != longLines_.end()) {
            const std::u16string_view text = LineText(firstLine);
            if (text.size() > qm::kLongLine) {
                it->second.chunks.Apply(c.pos - lines_.LineStart(firstLine), c.removed, c.inserted,
                                        text,
                                        [this](std::u16string_view p) { return TextWidth(p); });
                it->second.layouts.clear();
            } else {
                longLines_.erase(it);
            }
        }
    } else {
        // Lines moved: alignments go with their lines, the changed ones lose theirs.
        if (!alignment_.empty()) {
            const auto delta = static_cast<std::ptrdiff_t>(lines_.LineCount()) -
                               static_cast<std::ptrdiff_t>(oldCount);
            std::map<std::size_t, Qt::Alignment> moved;
            for (const auto& [line, a] : alignment_) {
                if (line <= firstLine) {
                    moved[line] = a;
                } else if (line > lastLine) {
                    const auto to = static_cast<std::ptrdiff_t>(line) + delta;
                    if (to > static_cast<std::ptrdiff_t>(firstLine))
                        moved[static_cast<std::size_t>(to)] = a;
                }
            }
            alignment_ = std::move(moved);
        }
        // Forget what was laid out from the first changed line on.
        for (auto it = shortLayouts_.begin(); it != shortLayouts_.end();) {
            it = it.key() >= firstLine ? shortLayouts_.erase(it) : std::next(it);
        }
        for (auto it = longLines_.begin(); it != longLines_.end();) {
            it = it->first >= firstLine ? longLines_.erase(it) : std::next(it);
        }
    }
    anchor_ = static_cast<std::size_t>(doc_.SelStart());
    caret_ = anchor_ + static_cast<std::size_t>(doc_.SelLength());
    preedit_.clear();
    ensureVisible_ = true;
    ScheduleFlush();
    viewport()->update();
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
    // Chunks of a long line are placed by the sum of their characters'
    // advances: without kerning that sum is exactly what the layout draws.
    f.setKerning(false);
    layoutFont_ = f;
    const QFontMetrics fm(f);
    lineHeight_ = std::max(1, fm.lineSpacing());
    ascent_ = fm.ascent();
    advances_.assign(0x10000, -1.0);
    ClearLayouts();
    maxWidth_ = 0;
    UpdateScrollBars();
}

void EditorView::ClearLayouts() {
    shortLayouts_.clear();
    longLines_.clear();
}

// ---- layout ----

QString EditorView::DisplayText(std::u16string_view line) {
    QString out(static_cast<qsizetype>(line.size()), Qt::Uninitialized);
    QChar* o = out.data();
    for (std::size_t i = 0; i < line.size(); ++i) {
        char16_t u = line[i];
        switch (u) {
            case u'\r':
                u = 0x240D;
                break;  // ␍
            case u'\n':
                u = 0x240A;
                break;  // ␊
            case 0x2028:
                u = 0x21B5;
                break;  // a layout would break the line here
            case 0x2029:
                u = 0x00B6;
                break;
            case 0xFDD0:
            case 0xFDD1:
                u = 0xFFFD;
                break;
            default:
                // A lone surrogate (a byte of a file that did not decode, kept
                // to be written back) has no glyph: show it as "�".
                if (qm::text::IsLoneSurrogate(line, i)) u = 0xFFFD;
                break;
        }
        o[i] = QChar(u);
    }
    return out;
}

namespace {

// Whether the character is drawn as a mark of the view's own: no installed
// font has a glyph for ␍ or ␊.
bool IsMarked(char16_t u) { return u == u'\r' || u == u'\n' || u == 0x240D || u == 0x240A; }

// The text a layout gets: as DisplayText, with a blank of a full cell where a
// mark is painted over it afterwards.
QString LayoutText(std::u16string_view line) {
    QString out = EditorView::DisplayText(line);
    for (QChar& c : out) {
        if (IsMarked(c.unicode())) c = QChar(0x3000);
    }
    return out;
}

}  // namespace

std::u16string_view EditorView::LineText(std::size_t line) const {
    const std::size_t start = lines_.LineStart(line);
    return std::u16string_view(doc_.Text()).substr(start, lines_.LineEnd(line) - start);
}

std::shared_ptr<QTextLayout> EditorView::MakeLayout(std::u16string_view text,
                                                    std::size_t preeditAt) const {
    const QFont& f = layoutFont_;
    auto layout = std::make_shared<QTextLayout>(LayoutText(text), f);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(QFontMetricsF(f).horizontalAdvance(QLatin1Char(' ')) * 8);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    if (preeditAt != kNone && !preedit_.isEmpty()) {
        layout->setPreeditArea(static_cast<int>(preeditAt), preedit_);
    }
    layout->beginLayout();
    QTextLine tl = layout->createLine();
    if (tl.isValid()) {
        tl.setLineWidth(kLayoutWidth);
        tl.setPosition(QPointF(0, 0));
    }
    layout->endLayout();
    return layout;
}

std::size_t EditorView::PreeditLine() const {
    return preedit_.isEmpty() ? kNone : lines_.LineOf(caret_);
}

std::shared_ptr<QTextLayout> EditorView::ShortLayout(std::size_t line) const {
    if (line == PreeditLine()) {
        return MakeLayout(LineText(line), caret_ - lines_.LineStart(line));
    }
    auto it = shortLayouts_.find(line);
    if (it != shortLayouts_.end()) return it.value();
    auto layout = MakeLayout(LineText(line), kNone);
    shortLayouts_.insert(line, layout);
    return layout;
}

const EditorView::LongLine& EditorView::Long(std::size_t line) const {
    auto it = longLines_.find(line);
    if (it == longLines_.end()) {
        it = longLines_.emplace(line, LongLine{}).first;
        it->second.chunks.Build(LineText(line),
                                [this](std::u16string_view p) { return TextWidth(p); });
    }
    return it->second;
}

double EditorView::TextWidth(std::u16string_view piece) const {
    const QFontMetricsF fm(layoutFont_);
    double w = 0;
    for (std::size_t i = 0; i < piece.size(); ++i) {
        const char16_t u = piece[i];
        if (qm::text::SplitsPair(piece, i + 1)) {
            w += fm.horizontalAdvance(QString(reinterpret_cast<const QChar*>(piece.data() + i), 2));
            ++i;
            continue;
        }
        double& a = advances_[u];
        if (a < 0) {
            a = u == u'\t' ? fm.horizontalAdvance(QLatin1Char(' ')) * 8
                           : fm.horizontalAdvance(LayoutText(std::u16string_view(&u, 1)));
        }
        w += a;
    }
    return w;
}

double EditorView::LineWidth(std::size_t line) const {
    if (lines_.LineLength(line) > qm::kLongLine) return Long(line).chunks.Width();
    return ShortLayout(line)->lineAt(0).naturalTextWidth();
}

EditorView::Piece EditorView::PieceAt(std::size_t line, std::size_t offset) const {
    if (lines_.LineLength(line) <= qm::kLongLine) return Piece{ShortLayout(line), 0, 0};
    const LongLine& l = Long(line);
    const std::size_t k = l.chunks.ChunkAtOffset(offset);
    const std::size_t start = l.chunks.Start(k);
    if (line == PreeditLine()) {
        const std::u16string_view text = LineText(line).substr(start, l.chunks.End(k) - start);
        const std::size_t at = caret_ - lines_.LineStart(line);
        const bool here = at >= start && at <= l.chunks.End(k);
        return Piece{MakeLayout(text, here ? at - start : kNone), start, l.chunks.X(k)};
    }
    auto& layout = l.layouts[k];
    if (!layout) {
        layout = MakeLayout(LineText(line).substr(start, l.chunks.End(k) - start), kNone);
    }
    return Piece{layout, start, l.chunks.X(k)};
}

std::vector<EditorView::Piece> EditorView::PiecesIn(std::size_t line, double x0, double x1) const {
    if (lines_.LineLength(line) <= qm::kLongLine) return {PieceAt(line, 0)};
    const LongLine& l = Long(line);
    std::vector<Piece> out;
    for (std::size_t k = l.chunks.ChunkAtX(x0); k < l.chunks.Count() && l.chunks.X(k) < x1; ++k) {
        out.push_back(PieceAt(line, l.chunks.Start(k)));
    }
    return out;
}

double EditorView::XOf(std::size_t pos) const {
    const std::size_t line = lines_.LineOf(pos);
    const std::size_t off = std::min(pos - lines_.LineStart(line), lines_.LineLength(line));
    const Piece p = PieceAt(line, off);
    return p.x + p.layout->lineAt(0).cursorToX(static_cast<int>(off - p.start));
}

std::size_t EditorView::OffsetAtX(std::size_t line, double x) const {
    const std::size_t len = lines_.LineLength(line);
    std::size_t k0 = 0;
    if (len > qm::kLongLine) k0 = Long(line).chunks.ChunkAtX(x);
    const std::size_t start = len > qm::kLongLine ? Long(line).chunks.Start(k0) : 0;
    const Piece p = PieceAt(line, start);
    const int at = p.layout->lineAt(0).xToCursor(x - p.x);
    return std::min(len, p.start + static_cast<std::size_t>(std::max(0, at)));
}

// ---- geometry ----

std::size_t EditorView::FirstVisibleLine() const {
    return std::min<std::size_t>(static_cast<std::size_t>(verticalScrollBar()->value()),
                                 lines_.LineCount() - 1);
}

QPointF EditorView::PointOf(std::size_t pos) const {
    const std::size_t line = lines_.LineOf(pos);
    const double y =
        (static_cast<double>(line) - static_cast<double>(FirstVisibleLine())) * lineHeight_;
    return QPointF(LineLeft(line) + XOf(pos), y);
}

std::size_t EditorView::PositionAt(const QPointF& p) const {
    const double row = std::floor(p.y() / lineHeight_) + static_cast<double>(FirstVisibleLine());
    const auto line = static_cast<std::size_t>(
        std::clamp<double>(row, 0, static_cast<double>(lines_.LineCount() - 1)));
    const double x = p.x() - LineLeft(line);
    return lines_.LineStart(line) + OffsetAtX(line, x);
}

QRect EditorView::cursorRect() const {
    QPointF at = PointOf(caret_);
    if (!preedit_.isEmpty()) {
        const std::size_t line = lines_.LineOf(caret_);
        const std::size_t off = caret_ - lines_.LineStart(line);
        const Piece p = PieceAt(line, off);
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
    maxWidth_ = std::max(maxWidth_, LineWidth(line));
    UpdateScrollBars();
    QScrollBar* h = horizontalScrollBar();
    const double x = XOf(caret_);
    const double room = viewport()->width() - 2 * margin_ - 2;
    if (x < h->value()) {
        h->setValue(static_cast<int>(std::max(0.0, x - room / 3)));
    } else if (x > h->value() + room) {
        h->setValue(static_cast<int>(x - room + room / 3));
    }
}

double EditorView::LineLeft(std::size_t line) const {
    const double left = margin_ - horizontalScrollBar()->value();
    const auto it = alignment_.find(line);
    if (it == alignment_.end() || it->second == Qt::AlignLeft) return left;
    // Centred and right-aligned lines sit in the visible width, never left of the margin.
    const double room = viewport()->width() - 2.0 * margin_ - 2 - LineWidth(line);
    if (room <= 0) return left;
    return left + (it->second == Qt::AlignHCenter ? room / 2 : room);
}

void EditorView::SetAlignment(Qt::Alignment alignment) {
    const std::size_t from = lines_.LineOf(std::min(anchor_, caret_));
    const std::size_t to = lines_.LineOf(std::max(anchor_, caret_));
    for (std::size_t line = from; line <= to; ++line) {
        if (alignment == Qt::AlignLeft) {
            alignment_.erase(line);
        } else {
            alignment_[line] = alignment;
        }
    }
    viewport()->update();
}

Qt::Alignment EditorView::AlignmentOf(std::size_t line) const {
    const auto it = alignment_.find(line);
    return it == alignment_.end() ? Qt::AlignLeft : it->second;
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
             PiecesIn(line, hx - margin_ - shift, hx + viewport()->width() - shift)) {
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
            const double x = left + XOf(end);
            painter.fillRect(QRectF(x, y, lineHeight_ / 3.0, lineHeight_), palette().highlight());
        }
        widest = std::max(widest, LineWidth(line));
    }
    if (hasFocus() && caretOn_ && !readOnly_) painter.fillRect(cursorRect(), palette().text());
    if (dropPos_ != kNone) {
        const QPointF d = PointOf(dropPos_);
        painter.fillRect(QRectF(d.x(), d.y(), 2, lineHeight_), palette().text());
    }
    // Keep what is laid out to what is on screen.
    for (auto it = shortLayouts_.begin(); it != shortLayouts_.end();) {
        it = (it.key() < first || it.key() >= first + rows) ? shortLayouts_.erase(it)
                                                            : std::next(it);
    }
    for (auto it = longLines_.begin(); it != longLines_.end();) {
        if (it->first < first || it->first >= first + rows) {
            it->second.layouts.clear();  // the chunk table is cheap to keep; layouts are not
        }
        ++it;
    }
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
    if (std::none_of(text.begin(), text.end(), IsMarked)) return;
    // The pre-edit text sits in the layout at the caret and moves what follows.
    std::size_t preeditAt = kNone;
    if (line == PreeditLine() && caret_ >= a && caret_ <= a + n) preeditAt = caret_ - a;
    const QTextLine tl = p.layout->lineAt(0);
    QFont small = layoutFont_;
    small.setPixelSize(std::max(6, lineHeight_ * 2 / 5));
    small.setBold(true);
    painter.save();
    painter.setFont(small);
    for (std::size_t i = 0; i < n; ++i) {
        if (!IsMarked(text[i])) continue;
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

void EditorView::scrollContentsBy(int, int) { viewport()->update(); }

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
    const Piece p = PieceAt(line, off);
    const int next = p.layout->nextCursorPosition(static_cast<int>(off - p.start));
    return lines_.LineStart(line) + p.start + static_cast<std::size_t>(next);
}

std::size_t EditorView::PreviousPosition(std::size_t pos) const {
    const std::size_t line = lines_.LineOf(pos);
    const std::size_t off = pos - lines_.LineStart(line);
    if (off == 0) return line > 0 ? lines_.LineEnd(line - 1) : 0;
    const Piece p = PieceAt(line, off - 1);
    const int prev = p.layout->previousCursorPosition(static_cast<int>(off - p.start));
    return lines_.LineStart(line) + p.start + static_cast<std::size_t>(prev);
}

std::pair<std::size_t, std::size_t> EditorView::WordAt(std::size_t pos) const {
    const std::size_t line = lines_.LineOf(pos);
    const std::size_t off = pos - lines_.LineStart(line);
    const Piece p = PieceAt(line, off);
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
        if (desiredX_ < 0) desiredX_ = XOf(caret_);
        MoveCaret(lines_.LineStart(target) + OffsetAtX(target, desiredX_), shift, true);
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
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        InsertTyped(常用模块::NormalizeLineBreaks(event->commitString().toStdU16String()));
    }
    preedit_ = event->preeditString();
    preeditCursor_ = static_cast<int>(preedit_.size());
    for (const QInputMethodEvent::Attribute& a : event->attributes()) {
        if (a.type == QInputMethodEvent::Cursor) preeditCursor_ = a.start;
    }
    // The caret's line is laid out again with the pre-edit text in place.
    const std::size_t line = lines_.LineOf(caret_);
    shortLayouts_.remove(line);
    if (auto it = longLines_.find(line); it != longLines_.end()) it->second.layouts.clear();
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
        UpdateMetrics();
        viewport()->update();
    } else if (event->type() == QEvent::PaletteChange) {
        viewport()->update();
    }
}

}  // namespace ui
