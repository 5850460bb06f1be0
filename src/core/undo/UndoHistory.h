// Undo and redo history of the document.
//
// Every recorded change is a snapshot. Undo and redo replay one span, worked
// out from the two snapshots involved, at the recorded caret, so the caret and
// selection end up where a user expects. When that span replay cannot give the
// right text (the change was not one insertion or deletion at the caret, as
// after a command that rewrote everything), the document gets the snapshot's
// own text instead, caret where the two first differ, so undo and redo never
// corrupt the document.
#pragma once

#include <functional>
#include <memory>

#include "core/document/Document.h"
#include "core/undo/SnapshotStore.h"

namespace qm {

class UndoHistory {
  public:
    // Listens to the document's changes for as long as both live; the
    // document must outlive the history.
    explicit UndoHistory(Document& doc, std::unique_ptr<SnapshotStore> store =
                                            std::make_unique<CompactSnapshotStore>());

    // When false, changes are not recorded and Undo/Redo do nothing.
    bool RecordingEnabled = false;

    // Records the document as it is now (the change handler's body).
    void Record() { Record(std::nullopt); }
    void Undo();
    void Redo();
    void UpdateUndoMenus();

    // Starts a command: every change recorded until the next command belongs
    // to it, so UndoCommand can take it back whole. Typing needs no call: a
    // run of typing without moving the caret is one command of its own.
    void BeginCommand();
    // Ends it: a command whose result is the text it started from leaves no
    // step (and no modified mark) behind.
    void EndCommand();
    // Undo (redo) every step of the newest (next) command at once.
    void UndoCommand();
    void RedoCommand();

    // Whether the text differs from the state last marked saved (opened or
    // written to a file); undoing back to that state makes it unmodified again.
    bool IsModified() const;
    void MarkSaved();
    // Told whenever IsModified() may have changed.
    std::function<void()> onModified;

    bool CanUndo() const { return store_->UndoCount() > 1; }
    bool CanRedo() const { return store_->RedoCount() > 0; }
    const SnapshotStore& Store() const { return *store_; }

    // Window hooks: whether undo and redo are available now, the selection
    // highlight, the focus.
    std::function<void(bool undoEnabled, bool redoEnabled)> onAvailability;
    std::function<void(bool hide)> onHideSelection;
    std::function<void()> onFocus;

  private:
    // The part by which the longer of a and b exceeds the shorter: the d units
    // of the longer (b when equal) that end just before 1-based endPos.
    static std::u16string Change(const std::u16string& a, const std::u16string& b,
                                 std::int64_t endPos);
    void Record(std::optional<ChangeSpan> span);
    void OnDocumentChange(const TextChange& c);
    // The span replays of undo and redo, on the document or a scratch copy.
    void ReplayUndo(Document& d, const std::u16string& previous, bool visible);
    void ReplayRedo(Document& d, const std::u16string& next);
    template <class Replay>
    void Step(const std::u16string& target, Replay replay);
    void Finish();
    // Gives the document the target text by rewriting only what differs.
    void JumpTo(const std::u16string& target);

    Document& doc_;
    std::unique_ptr<SnapshotStore> store_;
    // False once the document changed without being recorded: the next
    // record cannot trust the change's position then.
    bool tipMatchesDoc_ = true;
    // The command each recorded snapshot is stamped with.
    std::uint64_t command_ = 0;
    std::uint64_t nextCommand_ = 1;
    // A run of typing: where its caret is, so a change elsewhere (or a moved
    // caret) starts a new one.
    bool typing_ = false;
    std::size_t typingCaret_ = 0;
    std::uint64_t nextSerial_ = 1;
    std::uint64_t savedSerial_ = 0;  // 0: no state is saved
    bool savedValid_ = false;
};

}  // namespace qm
