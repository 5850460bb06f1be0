#include "core/document/WordBreaks.h"

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/text/Utf16.h"

namespace qm {

namespace {

// A line may be millions of units long: only this much around the caret is
// looked at, far more than any word.
constexpr std::size_t kWindow = 1024;

bool IsSpace(char16_t u) { return u_isUWhiteSpace(u) || u == u'\t'; }

bool AllSpace(std::u16string_view s) { return std::all_of(s.begin(), s.end(), IsSpace); }

// The word boundaries of line[from, to), as line offsets, from and to included.
std::vector<std::size_t> Boundaries(std::u16string_view line, std::size_t from, std::size_t to) {
    std::vector<std::size_t> out;
    UErrorCode status = U_ZERO_ERROR;
    static thread_local std::unique_ptr<icu::BreakIterator> words(
        icu::BreakIterator::createWordInstance(icu::Locale::getChinese(), status));
    UText* text =
        utext_openUChars(nullptr, line.data() + from, static_cast<int64_t>(to - from), &status);
    if (U_FAILURE(status) || !words) {
        // No break data: every character is a word of its own.
        for (std::size_t i = from; i <= to; ++i) out.push_back(i);
        utext_close(text);
        return out;
    }
    words->setText(text, status);
    for (int32_t b = words->first(); b != icu::BreakIterator::DONE; b = words->next()) {
        out.push_back(from + static_cast<std::size_t>(b));
    }
    utext_close(text);
    if (out.empty() || out.front() != from) out.insert(out.begin(), from);
    if (out.back() != to) out.push_back(to);
    return out;
}

// Never between the halves of a surrogate pair.
std::size_t Whole(std::u16string_view line, std::size_t at) {
    return text::CharacterStart(line, at);
}

}  // namespace

std::size_t NextWordStop(std::u16string_view line, std::size_t pos) {
    pos = std::min(pos, line.size());
    if (pos >= line.size()) return line.size();
    const std::size_t from = Whole(line, pos);
    const std::size_t to = Whole(line, std::min(line.size(), pos + kWindow));
    const std::vector<std::size_t> b = Boundaries(line, from, to);
    auto it = std::upper_bound(b.begin(), b.end(), pos);
    if (it == b.end()) return to;
    // Past the spaces that follow the word just left.
    while (std::next(it) != b.end() && AllSpace(line.substr(*it, *std::next(it) - *it))) ++it;
    return *it;
}

std::size_t PreviousWordStop(std::u16string_view line, std::size_t pos) {
    pos = std::min(pos, line.size());
    if (pos == 0) return 0;
    const std::size_t from = Whole(line, pos > kWindow ? pos - kWindow : 0);
    const std::vector<std::size_t> b = Boundaries(line, from, pos);
    auto it = std::lower_bound(b.begin(), b.end(), pos);  // == pos
    std::size_t stop = from;
    while (it != b.begin()) {
        const std::size_t end = *it;
        --it;
        stop = *it;
        if (!AllSpace(line.substr(stop, end - stop))) break;
    }
    return stop;
}

}  // namespace qm
