#include "ui/EditorBinding.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "core/Common.h"

namespace ui {

namespace {

constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';
constexpr char16_t kWidgetBreak = 0x2029;  // QTextCursor's paragraph separator
constexpr char16_t kMarkCr = 0x240D;       // ␍
constexpr char16_t kMarkLf = 0x240A;       // ␊
constexpr char16_t kMarkParagraph = 0x00B6;

// Characters QTextCursor::insertText would turn into a block break or a frame.
char16_t MarkFor(char16_t u) {
    switch (u) {
        case kCr:
            return kMarkCr;
        case kLf:
            return kMarkLf;
        case kWidgetBreak:
            return kMarkParagraph;
        case 0xFDD0:
        case 0xFDD1:
            return 0xFFFD;
        default:
            return u;
    }
}

}  // namespace

EditorBinding::EditorBinding(qm::Document& doc, QPlainTextEdit* box)
    : QObject(box), doc_(doc), box_(box) {
    box_->setUndoRedoEnabled(false);
    muted_ = true;
    box_->setPlainText(ToWidgetText(doc_.Text()));
    muted_ = false;
    syncedLen_ = doc_.Length();
    doc_.AddChangeListener([this](const qm::TextChange& c) { OnDocumentChange(c); });
    doc_.AddSelectionListener([this](qm::EditSource s) { OnDocumentSelection(s); });
    connect(box_->document(), &QTextDocument::contentsChange, this,
            &EditorBinding::OnContentsChange);
    connect(box_, &QPlainTextEdit::cursorPositionChanged, this, &EditorBinding::OnWidgetCursor);
    connect(box_, &QPlainTextEdit::selectionChanged, this, &EditorBinding::OnWidgetCursor);
    box_->installEventFilter(this);
    box_->viewport()->installEventFilter(this);
}

QString EditorBinding::ToWidgetText(std::u16string_view text) {
    QString out;
    out.resize(static_cast<qsizetype>(text.size()));
    QChar* o = out.data();
    qsizetype n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u == kCr && i + 1 < text.size() && text[i + 1] == kLf) {
            o[n++] = QChar(kWidgetBreak);
            ++i;
        } else {
            o[n++] = QChar(MarkFor(u));
        }
    }
    out.truncate(n);
    return out;
}

std::u16string EditorBinding::FromWidgetText(const QString& text) {
    return 常用模块::NormalizeLineBreaks(text.toStdU16String());
}

std::size_t EditorBinding::DocPosOfBlock(const QTextBlock& b) const {
    return static_cast<std::size_t>(b.position() + b.blockNumber());
}

int EditorBinding::BlockOfDocPos(std::size_t p) const {
    const QTextDocument* td = box_->document();
    int lo = 0;
    int hi = td->blockCount() - 1;
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (DocPosOfBlock(td->findBlockByNumber(mid)) <= p) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    return lo;
}

int EditorBinding::DocToWidget(std::size_t p) const {
    const QTextBlock b = box_->document()->findBlockByNumber(BlockOfDocPos(p));
    const std::size_t off =
        std::min<std::size_t>(p - DocPosOfBlock(b), static_cast<std::size_t>(b.length() - 1));
    return b.position() + static_cast<int>(off);
}

std::size_t EditorBinding::WidgetToDoc(int w) const {
    const QTextDocument* td = box_->document();
    w = std::clamp(w, 0, td->characterCount() - 1);
    return static_cast<std::size_t>(w + td->findBlock(w).blockNumber());
}

void EditorBinding::OnDocumentChange(const qm::TextChange& c) {
    if (c.source == qm::EditSource::Widget) return;
    const std::size_t len = doc_.Length();
    const std::size_t tail = len - (c.pos + c.inserted);
    if (!dirty_) {
        dirty_ = true;
        dirtyStart_ = c.pos;
        dirtyTail_ = tail;
    } else {
        dirtyStart_ = std::min(dirtyStart_, c.pos);
        dirtyTail_ = std::min(dirtyTail_, tail);
    }
    ScheduleFlush();
}

void EditorBinding::OnDocumentSelection(qm::EditSource source) {
    if (source == qm::EditSource::Widget) return;
    selDirty_ = true;
    if (dirty_) return;  // the next flush places it
    ApplySelection();
}

void EditorBinding::ScheduleFlush() {
    if (flushQueued_) return;
    flushQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        flushQueued_ = false;
        Flush();
    });
}

void EditorBinding::Flush() {
    if (dirty_) {
        dirty_ = false;
        QTextDocument* td = box_->document();
        const std::u16string& text = doc_.Text();
        // Replace whole widget lines: from the line holding the first changed
        // unit to the line holding the first unchanged one.
        const QTextBlock first = td->findBlockByNumber(BlockOfDocPos(dirtyStart_));
        const std::size_t start = DocPosOfBlock(first);
        const std::size_t keepFrom = syncedLen_ - dirtyTail_;
        QTextBlock last = td->findBlockByNumber(BlockOfDocPos(keepFrom));
        if (keepFrom > DocPosOfBlock(last) + static_cast<std::size_t>(last.length() - 1) &&
            last.next().isValid()) {
            last = last.next();  // the change reached into this line's CR LF
        }
        const std::size_t oldEnd =
            DocPosOfBlock(last) + static_cast<std::size_t>(last.length() - 1);
        const std::size_t newEnd = text.size() - (syncedLen_ - oldEnd);
        const QString middle =
            ToWidgetText(std::u16string_view(text).substr(start, newEnd - start));
        muted_ = true;
        if (start == 0 && oldEnd == syncedLen_) {
            box_->setPlainText(middle);
        } else {
            QTextCursor c(td);
            c.setPosition(first.position());
            c.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
            if (middle.isEmpty()) {
                c.removeSelectedText();
            } else {
                c.insertText(middle);
            }
        }
        muted_ = false;
        syncedLen_ = text.size();
        selDirty_ = true;
    }
    if (selDirty_) ApplySelection();
}

void EditorBinding::ApplySelection() {
    selDirty_ = false;
    const auto start = static_cast<std::size_t>(doc_.SelStart());
    const int a = DocToWidget(start);
    const int e = DocToWidget(start + static_cast<std::size_t>(doc_.SelLength()));
    QTextCursor c = box_->textCursor();
    c.setPosition(a);
    c.setPosition(e, QTextCursor::KeepAnchor);
    muted_ = true;
    box_->setTextCursor(c);
    muted_ = false;
}

int EditorBinding::LayoutLineCount() {
    Flush();
    return box_->document()->blockCount();
}

void EditorBinding::OnContentsChange(int pos, int /*removed: taken from the document*/, int added) {
    if (muted_) return;
    QTextDocument* td = box_->document();
    const int total = td->characterCount() - 1;  // without the closing separator
    pos = std::clamp(pos, 0, total);
    added = std::clamp(added, 0, total - pos);
    // The widget has already changed: take the unchanged head and tail from it.
    const std::size_t docStart = WidgetToDoc(pos);
    const std::size_t tailChars = static_cast<std::size_t>(total - (pos + added));
    const int breaksInTail = td->blockCount() - 1 - td->findBlock(pos + added).blockNumber();
    const std::size_t tailUnits = tailChars + static_cast<std::size_t>(breaksInTail);
    const std::size_t docEnd =
        std::max(docStart, doc_.Length() - std::min(tailUnits, doc_.Length()));

    QTextCursor c(td);
    c.setPosition(pos);
    c.setPosition(pos + added, QTextCursor::KeepAnchor);
    const QString inserted = c.selectedText();

    // Qt sometimes reports more than really changed (a whole block, or the
    // whole text): narrow to the real change by comparing in widget form, so
    // lone CR/LF outside it are not replaced by their marks.
    const std::u16string_view old =
        std::u16string_view(doc_.Text()).substr(docStart, docEnd - docStart);
    const QString oldW = ToWidgetText(old);
    std::vector<std::size_t> docOffset;  // document offset of each widget character of oldW
    docOffset.reserve(static_cast<std::size_t>(oldW.size()) + 1);
    for (std::size_t i = 0; i < old.size(); ++i) {
        docOffset.push_back(i);
        if (old[i] == kCr && i + 1 < old.size() && old[i + 1] == kLf) ++i;
    }
    docOffset.push_back(old.size());
    const qsizetype maxCommon = std::min(oldW.size(), inserted.size());
    qsizetype pre = 0;
    while (pre < maxCommon && oldW[pre] == inserted[pre]) ++pre;
    qsizetype suf = 0;
    while (suf < maxCommon - pre &&
           oldW[oldW.size() - 1 - suf] == inserted[inserted.size() - 1 - suf]) {
        ++suf;
    }
    const std::size_t from = docStart + docOffset[static_cast<std::size_t>(pre)];
    const std::size_t to = docStart + docOffset[static_cast<std::size_t>(oldW.size() - suf)];
    const QString mid = inserted.mid(pre, inserted.size() - pre - suf);
    if (from == to && mid.isEmpty()) return;
    doc_.Replace(from, to - from, FromWidgetText(mid), qm::EditSource::Widget);
    syncedLen_ = doc_.Length();
}

void EditorBinding::OnWidgetCursor() {
    if (muted_ || dirty_) return;
    const QTextCursor c = box_->textCursor();
    const std::size_t a = WidgetToDoc(c.selectionStart());
    const std::size_t e = WidgetToDoc(c.selectionEnd());
    doc_.SetSelection(static_cast<std::int32_t>(a), static_cast<std::int32_t>(e - a),
                      qm::EditSource::Widget);
}

bool EditorBinding::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
        case QEvent::InputMethod:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::DragEnter:
        case QEvent::Drop:
            Flush();  // user input must meet the document's current text
            break;
        default:
            break;
    }
    return false;
}

}  // namespace ui
