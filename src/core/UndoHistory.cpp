#include "core/UndoHistory.h"

#include <algorithm>

namespace qm {

namespace {
const std::u16string kCrLf = u"\r\n";
}

UndoHistory::UndoHistory(Document& doc, std::unique_ptr<SnapshotStore> store)
    : doc_(doc), store_(std::move(store)) {
    doc_.AddChangeListener([this](const TextChange& c) { OnDocumentChange(c); });
}

void UndoHistory::OnDocumentChange(const TextChange& c) {
    if (!RecordingEnabled) {
        tipMatchesDoc_ = false;
        return;
    }
    Record(tipMatchesDoc_ ? std::optional<ChangeSpan>(ChangeSpan{c.pos, c.removed, c.inserted})
                          : std::nullopt);
}

void UndoHistory::Record(std::optional<ChangeSpan> span) {
    if (store_->UndoCount() == 0) span.reset();
    store_->Push(doc_.Text(), doc_.SelStart(), span);
    tipMatchesDoc_ = true;
    UpdateUndoMenus();
}

void UndoHistory::UpdateUndoMenus() {
    if (onMenus) onMenus(CanUndo(), CanRedo());
}

std::u16string UndoHistory::Change(const std::u16string& a, const std::u16string& b,
                                   std::int64_t endPos) {
    const std::u16string& longer = a.size() > b.size() ? a : b;
    const auto d = static_cast<std::int64_t>(longer.size()) -
                   static_cast<std::int64_t>(std::min(a.size(), b.size()));
    const std::int64_t start = endPos - d - 1;  // 0-based
    if (d == 0 || start < 0 || start >= static_cast<std::int64_t>(longer.size())) return {};
    return longer.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(d));
}

void UndoHistory::ReplayUndo(Document& d, const std::u16string& previous, bool visible) {
    const SnapshotMeta p = store_->UndoMeta(1);
    const SnapshotMeta n = store_->UndoMeta(0);
    if (p.TextLen < n.TextLen) {
        // The change inserted text: take away the d units before the caret.
        if (visible && onHideSelection) onHideSelection(true);
        const std::int32_t len = n.TextLen - p.TextLen;
        d.SetSelStart(n.SelStart - len);
        d.SetSelLength(len);
        d.SetSelText(u"");
        if (visible && onHideSelection) onHideSelection(false);
    } else {
        // The change removed text (or kept the length): put it back.
        const std::u16string r = Change(previous, store_->NewestText(),
                                        std::int64_t{p.TextLen} - n.TextLen + n.SelStart + 1);
        const auto len = static_cast<std::int32_t>(r.size());
        d.SetSelStart(n.SelStart);
        d.SetSelLength(0);
        d.SetSelText(r);
        d.SetSelStart(n.SelStart);
        if (len >= 2 && r != kCrLf) {
            d.SetSelLength(len);
        } else {
            d.SetSelStart(d.SelStart() + len);
        }
    }
}

void UndoHistory::ReplayRedo(Document& d, const std::u16string& next) {
    const SnapshotMeta n = store_->RedoMeta();
    const auto current = static_cast<std::int32_t>(d.Length());
    if (n.TextLen < current) {
        d.SetSelStart(n.SelStart);
        d.SetSelLength(current - n.TextLen);
        d.SetSelText(u"");
    } else {
        const std::u16string i = Change(d.Text(), next, std::int64_t{n.SelStart} + 1);
        const auto len = static_cast<std::int32_t>(i.size());
        d.SetSelStart(n.SelStart - len);
        d.SetSelLength(0);
        d.SetSelText(i);
        d.SetSelStart(n.SelStart - len);
        if (i != kCrLf && len > 1) {
            d.SetSelLength(len);
        } else {
            d.SetSelStart(d.SelStart() + len);
        }
    }
}

template <class Replay>
void UndoHistory::Step(const std::u16string& target, Replay replay) {
    // Try the span replay on a copy first: where it gives the target text it
    // runs on the document, caret and selection as a user expects; where it
    // cannot (the change was not one span at the caret), the document gets
    // the target text by rewriting just the part that differs.
    Document scratch;
    scratch.SetText(doc_.Text());
    scratch.SetSelection(doc_.SelStart(), doc_.SelLength(), EditSource::Program);
    replay(scratch, false);
    if (scratch.Text() == target) {
        replay(doc_, true);
        return;
    }
    const ChangeSpan s = NarrowSpan(doc_.Text(), target, std::nullopt);
    doc_.Replace(s.pos, s.oldLen, std::u16string_view(target).substr(s.pos, s.newLen));
    doc_.SetSelStart(static_cast<std::int32_t>(s.pos));
}

void UndoHistory::Undo() {
    if (store_->UndoCount() >= 2 && RecordingEnabled) {
        RecordingEnabled = false;
        const std::u16string previous = store_->UndoText(1);
        Step(previous, [&](Document& d, bool visible) { ReplayUndo(d, previous, visible); });
        store_->MoveNewestToRedo();
        tipMatchesDoc_ = true;
    }
    Finish();
}

void UndoHistory::Redo() {
    if (store_->RedoCount() > 0 && RecordingEnabled) {
        RecordingEnabled = false;
        const std::u16string next = store_->RedoText();
        Step(next, [&](Document& d, bool) { ReplayRedo(d, next); });
        store_->MoveRedoToUndo();
        tipMatchesDoc_ = true;
    }
    Finish();
}

void UndoHistory::Finish() {
    UpdateUndoMenus();
    RecordingEnabled = true;
    if (onFocus) onFocus();
}

}  // namespace qm
