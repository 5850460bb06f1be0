// UTF-8 for text leaving the program where only valid UTF-8 will do (a
// report on standard output, an EPUB's XML). Files are written through
// qm::enc::Encode instead, which gives kept bytes back as they were.
#pragma once

#include <string>
#include <string_view>

#include "core/text/Utf16.h"

namespace qm::text {

// Appends code point c: AppendUtf8(s, U'中') appends "\xE4\xB8\xAD".
inline void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The text as valid UTF-8, half a surrogate pair (a kept byte among them) as
// U+FFFD: ToUtf8(u"第\U00020000章\xDC81") == "第\xF0\xA0\x80\x80章\xEF\xBF\xBD".
inline std::string ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size() * 3);
    for (std::size_t i = 0; i < s.size();) {
        const CodePoint cp = CodePointAt(s, i);
        i += cp.length;
        AppendUtf8(out, cp.value >= 0xD800 && cp.value <= 0xDFFF ? 0xFFFD : cp.value);
    }
    return out;
}

}  // namespace qm::text
