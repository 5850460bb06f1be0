#include "core/tools/Tidy.h"

#include <algorithm>
#include <limits>

#include "core/text/Common.h"
#include "core/text/WholeNumber.h"

namespace qm::tidy {

using 常用模块::AppendReplaced;
using 常用模块::ForEachPiece;

namespace {
constexpr std::u16string_view kCrLf = u"\r\n";

template <class Keep>
std::u16string Filter(std::u16string_view s, Keep keep) {
    std::u16string out;
    out.reserve(s.size());
    for (char16_t c : s) {
        if (keep(c)) out += c;
    }
    return out;
}
}  // namespace

void InsertAtEveryLine(std::u16string_view text, std::u16string_view ins, bool atStart,
                       const Sink& sink) {
    std::u16string chunk;
    ForEachPiece(text, [&](std::u16string_view piece, bool last) {
        if (last && piece.empty()) return;
        chunk.clear();
        if (atStart) chunk.append(ins);
        chunk.append(piece);
        if (!atStart) chunk.append(ins);
        chunk.append(kCrLf);
        sink(chunk);
    });
}

void EmptyLineAfterEveryLine(std::u16string_view text, const Sink& sink) {
    std::u16string chunk;
    ForEachPiece(text, [&](std::u16string_view piece, bool last) {
        if (last && piece.empty()) return;
        chunk.assign(piece);
        chunk.append(u"\r\n\r\n");
        sink(chunk);
    });
}

void MergeLines(std::u16string_view text, const Sink& sink) {
    ForEachPiece(text, [&](std::u16string_view piece, bool) { sink(piece); });
}

void Rebreak(std::u16string_view text, std::size_t n, const Sink& sink) {
    if (n == 0) return;
    std::u16string chunk;
    // Steps never run past the end, however large n is.
    for (std::size_t start = 0; start < text.size(); start += std::min(n, text.size() - start)) {
        chunk.assign(text.substr(start, n));
        chunk.append(kCrLf);
        sink(chunk);
    }
}

std::optional<std::size_t> ParsePieceLength(std::u16string_view typed) {
    // Past what a size can hold is wider than any text anyway: the largest size.
    const std::optional<text::WholeNumber> n = text::ParseWholeNumber(typed);
    if (!n || n->sign || n->value == 0) return std::nullopt;
    return n->value;
}

std::u16string RemoveSpaces(std::u16string_view text, SpaceMode mode) {
    if (mode == SpaceMode::All) return Filter(text, [](char16_t c) { return c != u' '; });
    std::u16string out;
    out.reserve(text.size());
    ForEachPiece(text, [&](std::u16string_view piece, bool last) {
        const std::size_t first = piece.find_first_not_of(u' ');
        if (first == std::u16string_view::npos) {
            piece = {};
        } else if (mode == SpaceMode::LineStart) {
            piece.remove_prefix(first);
        } else {
            piece = piece.substr(0, piece.find_last_not_of(u' ') + 1);
        }
        out.append(piece);
        if (!last) out.append(kCrLf);
    });
    return out;
}

std::u16string RemoveEmptyLines(std::u16string text,
                                const std::function<void(const std::u16string&)>& write) {
    if (!text.empty() && text[0] == u'\r') {
        const std::size_t at = text.find(kCrLf);
        if (at != std::u16string::npos) text.erase(at, 2);
        write(text);
    }
    while (text.find(u"\r\n\r\n") != std::u16string::npos) {
        std::u16string next;
        next.reserve(text.size());
        AppendReplaced(next, text, u"\r\n\r\n", kCrLf);
        text = std::move(next);
        write(text);
    }
    return text;
}

std::u16string RuleLine(std::u16string_view piece, const RuleFields& f) {
    std::u16string s(piece);
    if (!f.find.empty() && !f.replaceWith.empty()) {
        s = 常用模块::ReplaceAll(s, f.find, f.replaceWith == u"回车" ? kCrLf : f.replaceWith);
    }
    // A single character in the span replacement counts as nothing.
    const std::u16string span = 常用模块::GetTextBetween(s, f.spanStart, f.spanStop);
    if (!span.empty()) {
        s = 常用模块::ReplaceAll(s, span, f.spanReplace.size() >= 2 ? f.spanReplace : u"");
    }
    for (const std::u16string* gone : {&f.spanStart, &f.spanStop, &f.deleteText}) {
        if (!gone->empty()) s = 常用模块::ReplaceAll(s, *gone, u"");
    }
    if (!f.deleteLines.empty() && s.find(f.deleteLines) != std::u16string::npos) s.clear();
    return s;
}

std::u16string RulePass(std::u16string_view text, const RuleFields& f) {
    std::u16string out;
    out.reserve(text.size() + 2);
    ForEachPiece(text, [&](std::u16string_view piece, bool) {
        out.append(RuleLine(piece, f));
        out.append(kCrLf);
    });
    return out;
}

std::u16string ReverseString(std::u16string_view s) {
    std::u16string out(s.rbegin(), s.rend());
    // Put each pair back in its order, so it stays one character.
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        if (常用模块::IsLowSurrogate(out[i]) && 常用模块::IsHighSurrogate(out[i + 1])) {
            std::swap(out[i], out[i + 1]);
            ++i;
        }
    }
    return out;
}

std::u16string 删除字母和符号(std::u16string_view s) {
    return Filter(s, [](char16_t c) {
        return !((c >= 34 && c <= 39) || c == 42 || c == 47 || (c >= 58 && c <= 127) ||
                 c == 0x3003 || c == 0xFF1A);
    });
}

std::u16string RemoveDigits(std::u16string_view s) {
    return Filter(s, [](char16_t c) { return c < 47 || c > 57; });
}

}  // namespace qm::tidy
