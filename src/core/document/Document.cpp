#include "core/document/Document.h"

#include <algorithm>
#include <exception>

namespace qm {

void Document::SetText(std::u16string text, EditSource source) {
    TextChange c{0, text_.size(), text.size(), source};
    text_ = std::move(text);
    selStart_ = 0;
    selLength_ = 0;
    NotifyChange(c);
}

void Document::AppendText(std::u16string_view tail, EditSource source) {
    TextChange c{text_.size(), 0, tail.size(), source};
    text_.append(tail);
    selStart_ = 0;
    selLength_ = 0;
    NotifyChange(c);
}

std::u16string Document::SelText() const {
    return text_.substr(static_cast<std::size_t>(selStart_), static_cast<std::size_t>(selLength_));
}

bool Document::SetSelStart(std::int32_t start) {
    if (start < 0) return false;
    selStart_ = std::min<std::int32_t>(start, static_cast<std::int32_t>(text_.size()));
    selLength_ = 0;
    NotifySelection(EditSource::Program);
    return true;
}

bool Document::SetSelLength(std::int32_t length) {
    if (length < 0) return false;
    selLength_ =
        std::min<std::int32_t>(length, static_cast<std::int32_t>(text_.size()) - selStart_);
    NotifySelection(EditSource::Program);
    return true;
}

void Document::SetSelection(std::int32_t start, std::int32_t length, EditSource source) {
    const auto size = static_cast<std::int32_t>(text_.size());
    selStart_ = std::clamp<std::int32_t>(start, 0, size);
    selLength_ = std::clamp<std::int32_t>(length, 0, size - selStart_);
    NotifySelection(source);
}

void Document::SetSelText(std::u16string_view text, EditSource source) {
    Replace(static_cast<std::size_t>(selStart_), static_cast<std::size_t>(selLength_), text,
            source);
}

void Document::Replace(std::size_t pos, std::size_t len, std::u16string_view text,
                       EditSource source) {
    pos = std::min(pos, text_.size());
    len = std::min(len, text_.size() - pos);
    text_.replace(pos, len, text);
    selStart_ = static_cast<std::int32_t>(pos + text.size());
    selLength_ = 0;
    NotifyChange(TextChange{pos, len, text.size(), source});
}

void Document::NotifyChange(const TextChange& c) {
    // Every listener hears of the change even when one fails (the undo
    // history out of memory): the view must never miss what the text holds.
    std::exception_ptr failure;
    for (const auto& l : changeListeners_) {
        try {
            l(c);
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
}

void Document::NotifySelection(EditSource source) {
    for (const auto& l : selectionListeners_) l(source);
}

}  // namespace qm
