#include "core/undo/UndoHistory.h"

#include <algorithm>
#include <new>

namespace qm {

namespace {
const std::u16string kCrLf = u"\r\n";
}

UndoHistory::UndoHistory(Document& doc, std::unique_ptr<SnapshotStore> store)
    : doc_(doc), store_(std::move(store)) {
    doc_.AddChangeListener([this](const TextChange& c) { OnDocumentChange(c); });
    doc_.AddSelectionListener([this](EditSource) {
        // The caret moved away from where typing left it: the run is over.
        if (typing_ &&
            (doc_.SelLength() != 0 || static_cast<std::size_t>(doc_.SelStart()) != typingCaret_)) {
            typing_ = false;
        }
    });
}

bool UndoHistory::IsModified() const {
    if (store_->UndoCount() == 0) return false;
    return !tipMatchesDoc_ || !savedValid_ || store_->UndoMeta(0).serial != savedSerial_;
}

void UndoHistory::MarkSaved() {
    if (store_->UndoCount() == 0 || !tipMatchesDoc_) {
        // The text as it is now was never recorded: record it, so that there
        // is a state to come back to.
        Record();
    }
    savedSerial_ = store_->UndoMeta(0).serial;
    savedValid_ = true;
    if (onModified) onModified();
}

void UndoHistory::BeginCommand() {
    command_ = nextCommand_++;
    typing_ = false;
}

void UndoHistory::EndCommand() {
    if (!RecordingEnabled || !tipMatchesDoc_) return;
    std::size_t steps = 0;
    while (steps < store_->UndoCount() && store_->UndoMeta(steps).command == command_) {
        // A state marked saved (a file opened or written) is kept.
        if (savedValid_ && store_->UndoMeta(steps).serial == savedSerial_) return;
        ++steps;
    }
    if (steps == 0 || steps >= store_->UndoCount()) return;
    if (!store_->UndoEquals(steps, doc_.Text())) return;
    for (std::size_t i = 0; i < steps; ++i) store_->MoveNewestToRedo();
    store_->ClearRedo();
    UpdateUndoMenus();
    if (onModified) onModified();
}

void UndoHistory::OnDocumentChange(const TextChange& c) {
    if (c.source == EditSource::Widget) {
        // Typing on at the caret (or deleting back to it) goes on the run.
        const bool goesOn = typing_ && (c.pos == typingCaret_ ||
                                        (c.inserted == 0 && c.pos + c.removed == typingCaret_));
        if (!goesOn) BeginCommand();
        typing_ = true;
        typingCaret_ = c.pos + c.inserted;
    } else if (typing_) {
        // A change by the program that no command announced is not typing.
        BeginCommand();
    }
    if (!RecordingEnabled) {
        tipMatchesDoc_ = false;
        if (onModified) onModified();
        return;
    }
    Record(tipMatchesDoc_ ? std::optional<ChangeSpan>(ChangeSpan{c.pos, c.removed, c.inserted})
                          : std::nullopt);
}

void UndoHistory::Record(std::optional<ChangeSpan> span) {
    if (store_->UndoCount() == 0) span.reset();
    try {
        store_->Push(doc_.Text(), doc_.SelStart(), span, command_, nextSerial_);
    } catch (const std::bad_alloc&) {
        // The store is as it was, without the document's change: the text
        // shows as modified and the next record compares whole texts.
        tipMatchesDoc_ = false;
        if (onModified) onModified();
        throw;
    }
    ++nextSerial_;
    tipMatchesDoc_ = true;
    UpdateUndoMenus();
    if (onModified) onModified();
}

void UndoHistory::UpdateUndoMenus() {
    if (onAvailability) onAvailability(CanUndo(), CanRedo());
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

void UndoHistory::JumpTo(const std::u16string& target) {
    const ChangeSpan s = NarrowSpan(doc_.Text(), target, std::nullopt);
    doc_.Replace(s.pos, s.oldLen, std::u16string_view(target).substr(s.pos, s.newLen));
    doc_.SetSelStart(static_cast<std::int32_t>(s.pos));
}

void UndoHistory::UndoCommand() {
    if (store_->UndoCount() < 2 || !RecordingEnabled) return Finish();
    const std::uint64_t id = store_->UndoMeta(0).command;
    // A command of one step undoes as any step does, caret and all.
    if (store_->UndoMeta(1).command != id || store_->UndoCount() == 2) return Undo();
    RecordingEnabled = false;
    do {
        store_->MoveNewestToRedo();
    } while (store_->UndoCount() >= 2 && store_->UndoMeta(0).command == id);
    JumpTo(store_->NewestText());
    tipMatchesDoc_ = true;
    typing_ = false;
    Finish();
}

void UndoHistory::RedoCommand() {
    if (store_->RedoCount() == 0 || !RecordingEnabled) return Finish();
    const std::uint64_t id = store_->RedoMeta().command;
    if (store_->RedoCount() == 1 || store_->RedoMetaAt(1).command != id) return Redo();
    RecordingEnabled = false;
    do {
        store_->MoveRedoToUndo();
    } while (store_->RedoCount() > 0 && store_->RedoMeta().command == id);
    JumpTo(store_->NewestText());
    tipMatchesDoc_ = true;
    typing_ = false;
    Finish();
}

void UndoHistory::Finish() {
    UpdateUndoMenus();
    if (onModified) onModified();
    RecordingEnabled = true;
    if (onFocus) onFocus();
}

}  // namespace qm
