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

void UndoHistory::Undo() {
    if (store_->UndoCount() >= 2 && RecordingEnabled) {
        RecordingEnabled = false;
        const SnapshotMeta p = store_->UndoMeta(1);
        const SnapshotMeta n = store_->UndoMeta(0);
        if (p.TextLen < n.TextLen) {
            // The change inserted text: take away the d units before the caret.
            if (onHideSelection) onHideSelection(true);
            const std::int32_t d = n.TextLen - p.TextLen;
            doc_.SetSelStart(n.SelStart - d);
            doc_.SetSelLength(d);
            doc_.SetSelText(u"");
            if (onHideSelection) onHideSelection(false);
        } else {
            // The change removed text (or kept the length): put it back.
            const std::u16string r = Change(store_->UndoText(1), store_->NewestText(),
                                            std::int64_t{p.TextLen} - n.TextLen + n.SelStart + 1);
            const auto len = static_cast<std::int32_t>(r.size());
            doc_.SetSelStart(n.SelStart);
            doc_.SetSelLength(0);
            doc_.SetSelText(r);
            doc_.SetSelStart(n.SelStart);
            if (len >= 2 && r != kCrLf) {
                doc_.SetSelLength(len);
            } else {
                doc_.SetSelStart(doc_.SelStart() + len);
            }
        }
        store_->MoveNewestToRedo();
        Repair(store_->NewestText());
        tipMatchesDoc_ = true;
    }
    Finish();
}

void UndoHistory::Redo() {
    if (store_->RedoCount() > 0 && RecordingEnabled) {
        RecordingEnabled = false;
        const SnapshotMeta n = store_->RedoMeta();
        const std::u16string& c = doc_.Text();
        if (n.TextLen < static_cast<std::int32_t>(c.size())) {
            doc_.SetSelStart(n.SelStart);
            doc_.SetSelLength(static_cast<std::int32_t>(c.size()) - n.TextLen);
            doc_.SetSelText(u"");
        } else {
            const std::u16string i = Change(c, store_->RedoText(), std::int64_t{n.SelStart} + 1);
            const auto len = static_cast<std::int32_t>(i.size());
            doc_.SetSelStart(n.SelStart - len);
            doc_.SetSelLength(0);
            doc_.SetSelText(i);
            doc_.SetSelStart(n.SelStart - len);
            if (i != kCrLf && len > 1) {
                doc_.SetSelLength(len);
            } else {
                doc_.SetSelStart(doc_.SelStart() + len);
            }
        }
        store_->MoveRedoToUndo();
        Repair(store_->NewestText());
        tipMatchesDoc_ = true;
    }
    Finish();
}

void UndoHistory::Repair(const std::u16string& expected) {
    const std::u16string& actual = doc_.Text();
    if (actual == expected) return;
    const auto diff = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    const auto caret = static_cast<std::int32_t>(diff.second - expected.begin());
    doc_.SetText(expected);
    doc_.SetSelStart(caret);
}

void UndoHistory::Finish() {
    UpdateUndoMenus();
    RecordingEnabled = true;
    if (onFocus) onFocus();
}

}  // namespace qm
