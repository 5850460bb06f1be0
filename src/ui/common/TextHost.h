// What a tool window may do to the main window's text. Tool windows hold a
// TextHost, not the main window: they see the document, the command gate and
// the few ways of writing back below, so the rules of writing back (the
// selection kept, the result shown) live here once and every window follows
// them alike. The line count follows when the gate's command ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {
class Document;
}

namespace ui {

class CommandGate;

class TextHost {
  public:
    virtual qm::Document& Doc() = 0;
    // Every command that reads or writes the text goes through this gate.
    virtual CommandGate& Gate() = 0;

    // Makes `text` the whole text, as one undo step.
    virtual void ReplaceText(std::u16string text) = 0;
    // Selects [start, start + length) of the text, scrolls it into the middle
    // of the view, brings the main window forward and gives it the keyboard.
    virtual void SelectAndShow(std::size_t start, std::size_t length) = 0;
    // The 0-based line that holds position `pos` (the last line for the end).
    virtual std::size_t LineOfPosition(std::size_t pos) = 0;

    // Puts `text` where the caret is, over the selection if there is one
    // (one undo step); the caret ends after it.
    void InsertAtCaret(std::u16string_view text);
    // The selection when there is one, else the whole text: what the
    // selection-or-all commands (conversions, the cipher, reversing) work on.
    bool HasSelection();
    std::u16string SelectionOrText();
    // Writes back what SelectionOrText() handed out: over the selection,
    // which then holds the result, selected; else as the whole text.
    void ReplaceSelectionOrText(std::u16string text);

  protected:
    ~TextHost() = default;
};

}  // namespace ui
