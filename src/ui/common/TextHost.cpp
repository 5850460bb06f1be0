#include "ui/common/TextHost.h"

#include "core/document/Document.h"

namespace ui {

void TextHost::InsertAtCaret(std::u16string_view text) { Doc().SetSelText(text); }

bool TextHost::HasSelection() { return Doc().SelLength() > 0; }

std::u16string TextHost::SelectionOrText() {
    return HasSelection() ? Doc().SelText() : Doc().Text();
}

void TextHost::ReplaceSelectionOrText(std::u16string text) {
    qm::Document& doc = Doc();
    if (!HasSelection()) {
        ReplaceText(std::move(text));
        return;
    }
    const std::int32_t start = doc.SelStart();
    doc.SetSelText(text);
    doc.SetSelection(start, static_cast<std::int32_t>(text.size()), qm::EditSource::Program);
}

}  // namespace ui
