// The one document of the main window: UTF-16 text with CR LF line breaks and
// a selection, read and written through Text, SelStart, SelLength and SelText.
//
// Every write of the text raises exactly one change notification, which tells
// listeners where the text changed; selection moves raise a separate, lighter
// notification. Listeners are called synchronously, in the order they were added.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Who made an edit: the editor widget reports typing with Widget, so that the
// widget binding does not replay its own edit back into the widget.
enum class EditSource { Program, Widget };

// [pos, pos + removed) of the old text became [pos, pos + inserted) of the new.
struct TextChange {
    std::size_t pos = 0;
    std::size_t removed = 0;
    std::size_t inserted = 0;
    EditSource source = EditSource::Program;
};

class Document {
  public:
    using ChangeListener = std::function<void(const TextChange&)>;
    using SelectionListener = std::function<void(EditSource)>;

    const std::u16string& Text() const { return text_; }
    // Replaces the whole text; the caret goes to 0 with nothing selected.
    void SetText(std::u16string text, EditSource source = EditSource::Program);

    std::int32_t SelStart() const { return selStart_; }
    std::int32_t SelLength() const { return selLength_; }
    std::u16string SelText() const;

    // Moves the caret and clears the selection; a negative value is refused
    // (returns false) and a value past the end stops at the end.
    bool SetSelStart(std::int32_t start);
    // Selects from SelStart; stops at the end of the text. Negative is refused.
    bool SetSelLength(std::int32_t length);
    // Both at once, without the two-step clamping; used by the editor binding.
    void SetSelection(std::int32_t start, std::int32_t length, EditSource source);

    // Text = Text + tail, as one write: the caret goes to 0 as for any
    // assignment of Text, and listeners learn that only the end changed.
    void AppendText(std::u16string_view tail, EditSource source = EditSource::Program);

    // Replaces the selection (or inserts at the caret); the caret ends after it.
    void SetSelText(std::u16string_view text, EditSource source = EditSource::Program);
    // Replaces [pos, pos + len) (clamped to the text); the caret ends after it.
    void Replace(std::size_t pos, std::size_t len, std::u16string_view text,
                 EditSource source = EditSource::Program);

    void AddChangeListener(ChangeListener l) { changeListeners_.push_back(std::move(l)); }
    void AddSelectionListener(SelectionListener l) { selectionListeners_.push_back(std::move(l)); }

    std::size_t Length() const { return text_.size(); }

  private:
    void NotifyChange(const TextChange& c);
    void NotifySelection(EditSource source);

    std::u16string text_;
    std::int32_t selStart_ = 0;
    std::int32_t selLength_ = 0;
    std::vector<ChangeListener> changeListeners_;
    std::vector<SelectionListener> selectionListeners_;
};

}  // namespace qm
