// 常用模块: string helpers shared by the commands and tool windows.
#pragma once

#include <string>
#include <string_view>

#include "core/text/Utf16.h"

namespace 常用模块 {

using qm::text::IsHighSurrogate;
using qm::text::IsLowSurrogate;

// Units of the character at pos, as the user sees it: a CR LF and a
// surrogate pair are one character of two units; 0 at the end.
std::size_t CharLengthAt(std::u16string_view text, std::size_t pos);

// Every line break of text from elsewhere (CR LF, lone CR, lone LF, U+2029)
// as the document's CR LF.
std::u16string NormalizeLineBreaks(std::u16string_view text);

// Exact replace-all: every occurrence of find, case-sensitive, left to right,
// without overlap, inserted text not scanned again. An empty find changes nothing.
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view find,
                          std::u16string_view replacement);
// The same, appending the result to out (no temporary for the caller).
void AppendReplaced(std::u16string& out, std::u16string_view text, std::u16string_view find,
                    std::u16string_view replacement);

// Position of the first occurrence of needle at or after from, letters
// compared without regard to case; npos when there is none. An empty needle
// is found at from.
std::size_t FindNoCase(std::u16string_view hay, std::u16string_view needle, std::size_t from = 0);

// The text strictly between the first start marker and the next stop marker
// after it, markers found without regard to case; empty when either is missing.
std::u16string GetTextBetween(std::u16string_view text, std::u16string_view startMarker,
                              std::u16string_view stopMarker);

// The text after the last "\" or "/" of path; all of it when it has neither.
std::u16string GetFileNameOnly(std::u16string_view path);

// Calls f(piece, isLast) for every piece of text split at CR LF; the text
// after the last CR LF is the last piece (empty when the text ends with CR LF).
template <class F>
void ForEachPiece(std::u16string_view text, F&& f) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(u"\r\n", start);
        if (at == std::u16string_view::npos) {
            f(text.substr(start), true);
            return;
        }
        f(text.substr(start, at - start), false);
        start = at + 2;
    }
}

}  // namespace 常用模块
