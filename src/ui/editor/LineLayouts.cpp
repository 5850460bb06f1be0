#include "ui/editor/LineLayouts.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QTextOption>
#include <algorithm>
#include <cmath>

#include "core/text/Utf16.h"

namespace ui {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
// Wide enough for any chunk or short line, well inside QTextLayout's fixed point.
constexpr qreal kLayoutWidth = 1.0e7;

}  // namespace

QString LineLayouts::DisplayText(std::u16string_view line) {
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

bool LineLayouts::IsMarked(char16_t u) {
    return u == u'\r' || u == u'\n' || u == 0x240D || u == 0x240A;
}

QString LineLayouts::LayoutText(std::u16string_view line) {
    QString out = DisplayText(line);
    for (QChar& c : out) {
        if (IsMarked(c.unicode())) c = QChar(0x3000);
    }
    return out;
}

LineLayouts::LineLayouts(const qm::Document& doc, const qm::LineIndex& lines)
    : doc_(doc), lines_(lines) {}

void LineLayouts::SetFont(const QFont& font) {
    font_ = font;
    font_.setKerning(false);
    rowHeight_ = std::max(1, QFontMetrics(font_).lineSpacing());
    advances_.assign(0x10000, -1.0);
    Clear();
}

bool LineLayouts::SetWrapWidth(double width) {
    width = std::max(0.0, width);
    if (width == wrap_) return false;
    wrap_ = width;
    Clear();
    return true;
}

void LineLayouts::Clear() {
    shortLayouts_.clear();
    longLines_.clear();
}

LineLayouts::Touched LineLayouts::Touches(const qm::TextChange& c) const {
    Touched t;
    t.oldCount = lines_.LineCount();
    t.whole = c.pos == 0 && c.removed == lines_.TextLength();
    t.firstLine = lines_.LineOf(c.pos);
    t.lastLine = lines_.LineOf(c.pos + c.removed);
    return t;
}

void LineLayouts::Apply(const qm::TextChange& c, const Touched& t) {
    if (t.whole) {
        Clear();
        alignment_.clear();
    } else if (t.lastLine == t.firstLine && lines_.LineCount() == t.oldCount) {
        // Inside one line: its layout goes; a long line re-measures the
        // chunks the edit touched.
        shortLayouts_.remove(t.firstLine);
        const auto it = longLines_.find(t.firstLine);
        if (it != longLines_.end()) {
            const std::u16string_view text = LineText(t.firstLine);
            if (text.size() > qm::kLongLine) {
                it->second.chunks.Apply(c.pos - lines_.LineStart(t.firstLine), c.removed,
                                        c.inserted, text,
                                        [this](std::u16string_view p) { return TextWidth(p); });
                it->second.layouts.clear();
                it->second.rows.assign(it->second.chunks.Count(), 0);
                it->second.before.clear();
            } else {
                longLines_.erase(it);
            }
        }
    } else {
        // Lines moved: alignments go with their lines, the changed ones lose theirs.
        if (!alignment_.empty()) {
            const auto delta = static_cast<std::ptrdiff_t>(lines_.LineCount()) -
                               static_cast<std::ptrdiff_t>(t.oldCount);
            std::map<std::size_t, Qt::Alignment> moved;
            for (const auto& [line, a] : alignment_) {
                if (line <= t.firstLine) {
                    moved[line] = a;
                } else if (line > t.lastLine) {
                    const auto to = static_cast<std::ptrdiff_t>(line) + delta;
                    if (to > static_cast<std::ptrdiff_t>(t.firstLine))
                        moved[static_cast<std::size_t>(to)] = a;
                }
            }
            alignment_ = std::move(moved);
        }
        // Forget what was laid out from the first changed line on.
        for (auto it = shortLayouts_.begin(); it != shortLayouts_.end();) {
            it = it.key() >= t.firstLine ? shortLayouts_.erase(it) : std::next(it);
        }
        for (auto it = longLines_.begin(); it != longLines_.end();) {
            it = it->first >= t.firstLine ? longLines_.erase(it) : std::next(it);
        }
    }
    preedit_.clear();
}

void LineLayouts::KeepOnly(std::size_t first, std::size_t rows) {
    for (auto it = shortLayouts_.begin(); it != shortLayouts_.end();) {
        it = (it.key() < first || it.key() >= first + rows) ? shortLayouts_.erase(it)
                                                            : std::next(it);
    }
    for (auto& [line, l] : longLines_) {
        // The chunk table is cheap to keep; layouts are not.
        if (line < first || line >= first + rows) l.layouts.clear();
    }
}

void LineLayouts::DropLine(std::size_t line) {
    shortLayouts_.remove(line);
    if (auto it = longLines_.find(line); it != longLines_.end()) it->second.layouts.clear();
}

void LineLayouts::SetPreedit(const QString& text, std::size_t at) {
    // The line it was in and the line it is in are laid out again.
    if (!preedit_.isEmpty()) DropLine(lines_.LineOf(preeditAt_));
    preedit_ = text;
    preeditAt_ = at;
    DropLine(lines_.LineOf(at));
}

std::size_t LineLayouts::PreeditLine() const {
    return preedit_.isEmpty() ? kNone : lines_.LineOf(preeditAt_);
}

std::u16string_view LineLayouts::LineText(std::size_t line) const {
    const std::size_t start = lines_.LineStart(line);
    return std::u16string_view(doc_.Text()).substr(start, lines_.LineEnd(line) - start);
}

std::shared_ptr<QTextLayout> LineLayouts::MakeLayout(std::u16string_view text,
                                                     std::size_t preeditAt,
                                                     Qt::Alignment alignment) const {
    const QFont& f = font_;
    auto layout = std::make_shared<QTextLayout>(LayoutText(text), f);
    QTextOption option;
    if (wrap_ > 0) {
        // Qt's line breaking keeps ，。」 off a row's start and “「 off its end.
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        option.setAlignment(alignment);
    } else {
        option.setWrapMode(QTextOption::NoWrap);
    }
    option.setTabStopDistance(QFontMetricsF(f).horizontalAdvance(QLatin1Char(' ')) * 8);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    if (preeditAt != kNone && !preedit_.isEmpty()) {
        layout->setPreeditArea(static_cast<int>(preeditAt), preedit_);
    }
    layout->beginLayout();
    for (int row = 0;; ++row) {
        QTextLine tl = layout->createLine();
        if (!tl.isValid()) break;
        tl.setLineWidth(wrap_ > 0 ? wrap_ : kLayoutWidth);
        tl.setPosition(QPointF(0, row * rowHeight_));
    }
    layout->endLayout();
    return layout;
}

std::shared_ptr<QTextLayout> LineLayouts::ShortLayout(std::size_t line) const {
    if (line == PreeditLine()) {
        return MakeLayout(LineText(line), preeditAt_ - lines_.LineStart(line), AlignmentOf(line));
    }
    auto it = shortLayouts_.find(line);
    if (it != shortLayouts_.end()) return it.value();
    auto layout = MakeLayout(LineText(line), kNone, AlignmentOf(line));
    shortLayouts_.insert(line, layout);
    return layout;
}

const LineLayouts::LongLine& LineLayouts::Long(std::size_t line) const {
    auto it = longLines_.find(line);
    if (it == longLines_.end()) {
        it = longLines_.emplace(line, LongLine{}).first;
        it->second.chunks.Build(LineText(line),
                                [this](std::u16string_view p) { return TextWidth(p); });
        it->second.rows.assign(it->second.chunks.Count(), 0);
    }
    return it->second;
}

double LineLayouts::TextWidth(std::u16string_view piece) const {
    const QFontMetricsF fm(font_);
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

double LineLayouts::LineWidth(std::size_t line) const {
    if (lines_.LineLength(line) > qm::kLongLine) return Long(line).chunks.Width();
    return ShortLayout(line)->lineAt(0).naturalTextWidth();
}

LineLayouts::Piece LineLayouts::PieceAt(std::size_t line, std::size_t offset) const {
    if (lines_.LineLength(line) <= qm::kLongLine) return Piece{ShortLayout(line), 0, 0, 0};
    const LongLine& l = Long(line);
    const std::size_t k = l.chunks.ChunkAtOffset(offset);
    const std::size_t start = l.chunks.Start(k);
    const std::u16string_view text = LineText(line).substr(start, l.chunks.End(k) - start);
    std::shared_ptr<QTextLayout> layout;
    if (line == PreeditLine()) {
        const std::size_t at = preeditAt_ - lines_.LineStart(line);
        const bool here = at >= start && at <= l.chunks.End(k);
        layout = MakeLayout(text, here ? at - start : kNone, AlignmentOf(line));
    } else {
        auto& kept = l.layouts[k];
        if (!kept) kept = MakeLayout(text, kNone, AlignmentOf(line));
        layout = kept;
    }
    if (wrap_ <= 0) return Piece{layout, start, l.chunks.X(k), 0};
    const auto rows = static_cast<std::uint32_t>(std::max(1, layout->lineCount()));
    if (rows != ChunkRows(l, k)) {
        ++rowsRevised_;
        l.before.clear();
    }
    l.rows[k] = rows;
    return Piece{layout, start, 0, RowsBefore(l, k)};
}

std::size_t LineLayouts::ChunkRows(const LongLine& l, std::size_t k) const {
    if (l.rows[k] != 0) return l.rows[k];
    const double right = k + 1 < l.chunks.Count() ? l.chunks.X(k + 1) : l.chunks.Width();
    return std::max<std::size_t>(
        1, static_cast<std::size_t>(std::ceil((right - l.chunks.X(k)) / wrap_)));
}

std::size_t LineLayouts::RowsBefore(const LongLine& l, std::size_t k) const {
    if (l.before.empty()) {
        l.before.resize(l.chunks.Count() + 1);
        for (std::size_t j = 0; j < l.chunks.Count(); ++j)
            l.before[j + 1] = l.before[j] + ChunkRows(l, j);
    }
    return l.before[k];
}

std::size_t LineLayouts::ChunkOfRow(const LongLine& l, std::size_t row) const {
    RowsBefore(l, 0);  // the sums, made when missing
    const auto end = l.before.begin() + static_cast<std::ptrdiff_t>(l.chunks.Count());
    return static_cast<std::size_t>(std::upper_bound(l.before.begin(), end, row) -
                                    l.before.begin()) -
           1;
}

std::size_t LineLayouts::RowCount(std::size_t line) const {
    if (wrap_ <= 0) return 1;
    if (lines_.LineLength(line) <= qm::kLongLine) {
        return static_cast<std::size_t>(std::max(1, ShortLayout(line)->lineCount()));
    }
    const LongLine& l = Long(line);
    return RowsBefore(l, l.chunks.Count());
}

std::size_t LineLayouts::RowOf(std::size_t line, std::size_t offset, bool before) const {
    if (wrap_ <= 0) return 0;
    const std::size_t o = before && offset > 0 ? offset - 1 : offset;
    const Piece p = PieceAt(line, o);
    const QTextLine tl = p.layout->lineForTextPosition(static_cast<int>(o - p.start));
    return p.row + static_cast<std::size_t>(std::max(0, tl.lineNumber()));
}

LineLayouts::Row LineLayouts::RowAt(std::size_t line, std::size_t row) const {
    Piece p;
    std::size_t first = 0;
    bool lastPiece = true;
    if (lines_.LineLength(line) <= qm::kLongLine) {
        p = PieceAt(line, 0);
    } else {
        const LongLine& l = Long(line);
        // Laying a chunk out makes its estimate exact and may move the row
        // into a neighbour: look again until the chunk found was known.
        for (int tries = 0;; ++tries) {
            const std::size_t k = ChunkOfRow(l, row);
            first = l.before[k];
            const bool known = l.rows[k] != 0;
            p = PieceAt(line, l.chunks.Start(k));
            lastPiece = k + 1 == l.chunks.Count();
            if (known || tries == 3) break;
        }
    }
    const int n = std::max(1, p.layout->lineCount());
    const int index = static_cast<int>(std::min<std::size_t>(row - std::min(row, first), n - 1));
    const QTextLine tl = p.layout->lineAt(index);
    const auto start = p.start + static_cast<std::size_t>(tl.textStart());
    return Row{p, index, start, start + static_cast<std::size_t>(tl.textLength()),
               lastPiece && index == n - 1};
}

std::vector<LineLayouts::Piece> LineLayouts::PiecesInRows(std::size_t line, std::size_t r0,
                                                          std::size_t r1) const {
    if (lines_.LineLength(line) <= qm::kLongLine) return {PieceAt(line, 0)};
    const LongLine& l = Long(line);
    std::vector<Piece> out;
    std::size_t k = ChunkOfRow(l, r0);
    for (std::size_t first = l.before[k]; k < l.chunks.Count() && first < r1; ++k) {
        out.push_back(PieceAt(line, l.chunks.Start(k)));
        first += ChunkRows(l, k);  // exact once laid out
    }
    return out;
}

std::size_t LineLayouts::OffsetInRow(std::size_t line, std::size_t row, double x,
                                     bool* atEnd) const {
    const Row r = RowAt(line, row);
    const int at = r.piece.layout->lineAt(r.index).xToCursor(x - r.piece.x);
    const std::size_t off =
        std::clamp(r.piece.start + static_cast<std::size_t>(std::max(0, at)), r.start, r.end);
    if (atEnd != nullptr) *atEnd = off == r.end && !r.last;
    return off;
}

std::vector<LineLayouts::Piece> LineLayouts::PiecesIn(std::size_t line, double x0,
                                                      double x1) const {
    if (lines_.LineLength(line) <= qm::kLongLine) return {PieceAt(line, 0)};
    const LongLine& l = Long(line);
    std::vector<Piece> out;
    for (std::size_t k = l.chunks.ChunkAtX(x0); k < l.chunks.Count() && l.chunks.X(k) < x1; ++k) {
        out.push_back(PieceAt(line, l.chunks.Start(k)));
    }
    return out;
}

double LineLayouts::XOf(std::size_t pos, bool before) const {
    const std::size_t line = lines_.LineOf(pos);
    const std::size_t off = std::min(pos - lines_.LineStart(line), lines_.LineLength(line));
    const std::size_t o = wrap_ > 0 && before && off > 0 ? off - 1 : off;
    const Piece p = PieceAt(line, o);
    const QTextLine tl = p.layout->lineForTextPosition(static_cast<int>(o - p.start));
    return p.x + tl.cursorToX(static_cast<int>(off - p.start));
}

std::size_t LineLayouts::OffsetAtX(std::size_t line, double x) const {
    const std::size_t len = lines_.LineLength(line);
    std::size_t k0 = 0;
    if (len > qm::kLongLine) k0 = Long(line).chunks.ChunkAtX(x);
    const std::size_t start = len > qm::kLongLine ? Long(line).chunks.Start(k0) : 0;
    const Piece p = PieceAt(line, start);
    const int at = p.layout->lineAt(0).xToCursor(x - p.x);
    return std::min(len, p.start + static_cast<std::size_t>(std::max(0, at)));
}

void LineLayouts::SetAlignment(std::size_t fromLine, std::size_t toLine, Qt::Alignment alignment) {
    for (std::size_t line = fromLine; line <= toLine; ++line) {
        if (wrap_ > 0) DropLine(line);  // wrapped rows are aligned by their layout
        if (alignment == Qt::AlignLeft) {
            alignment_.erase(line);
        } else {
            alignment_[line] = alignment;
        }
    }
}

Qt::Alignment LineLayouts::AlignmentOf(std::size_t line) const {
    const auto it = alignment_.find(line);
    return it == alignment_.end() ? Qt::AlignLeft : it->second;
}

}  // namespace ui
