#include "core/text/Common.h"

#include "core/text/Paths.h"

namespace 常用模块 {

namespace {

// Case folding for the letters users mix into Chinese text: ASCII, Latin-1,
// Greek, Cyrillic and full-width Latin.
char16_t Fold(char16_t c) {
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9) ||
        (c >= 0x410 && c <= 0x42F)) {
        return static_cast<char16_t>(c + 32);
    }
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
    if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<char16_t>(c + 32);
    return c;
}

}  // namespace

std::size_t CharLengthAt(std::u16string_view text, std::size_t pos) {
    if (pos >= text.size()) return 0;
    if (pos + 1 < text.size() && ((text[pos] == u'\r' && text[pos + 1] == u'\n') ||
                                  (IsHighSurrogate(text[pos]) && IsLowSurrogate(text[pos + 1])))) {
        return 2;
    }
    return 1;
}

std::u16string NormalizeLineBreaks(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u == u'\r' || u == u'\n' || u == 0x2029) {
            if (u == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out += u"\r\n";
        } else {
            out += u;
        }
    }
    return out;
}

void AppendReplaced(std::u16string& out, std::u16string_view text, std::u16string_view find,
                    std::u16string_view replacement) {
    if (find.empty()) {
        out.append(text);
        return;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(find, start);
        if (at == std::u16string_view::npos) break;
        out.append(text.substr(start, at - start));
        out.append(replacement);
        start = at + find.size();
    }
    out.append(text.substr(start));
}

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view find,
                          std::u16string_view replacement) {
    std::u16string out;
    out.reserve(text.size());
    AppendReplaced(out, text, find, replacement);
    return out;
}

std::size_t FindNoCase(std::u16string_view hay, std::u16string_view needle, std::size_t from) {
    if (from > hay.size()) return std::u16string_view::npos;
    if (needle.empty()) return from;
    const char16_t first = Fold(needle[0]);
    for (std::size_t i = from; i + needle.size() <= hay.size(); ++i) {
        if (Fold(hay[i]) != first) continue;
        std::size_t k = 1;
        while (k < needle.size() && Fold(hay[i + k]) == Fold(needle[k])) ++k;
        if (k == needle.size()) return i;
    }
    return std::u16string_view::npos;
}

std::u16string GetTextBetween(std::u16string_view text, std::u16string_view startMarker,
                              std::u16string_view stopMarker) {
    const std::size_t s = FindNoCase(text, startMarker);
    if (s == std::u16string_view::npos) return {};
    const std::size_t p = s + startMarker.size();
    // An empty stop marker would be found at p: the text between is empty.
    const std::size_t e = FindNoCase(text, stopMarker, p);
    if (e == std::u16string_view::npos) return {};
    return std::u16string(text.substr(p, e - p));
}

std::u16string GetFileNameOnly(std::u16string_view path) {
    return std::u16string(qm::text::FileNameOf(path));
}

}  // namespace 常用模块
