// A web page's bytes as text: which charset the page declares, whether it is
// text at all, and its source decoded for the document.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/encoding/Encoding.h"

namespace qm::page {

// The charset parameter of a Content-Type value ("text/html; charset=GBK"
// gives "GBK"); empty when there is none.
std::string CharsetParam(std::string_view contentType);

// The charset a page declares in its opening bytes: <meta charset=...>,
// <meta http-equiv="Content-Type" content="...; charset=...">, or an XML
// declaration's encoding; empty when none is found. Comments are skipped.
std::string DeclaredCharset(std::string_view head);

// How far into a page DeclaredCharset looks.
inline constexpr std::size_t kDeclarationScan = 8192;

// A media type whose body is no text: images, sound, video, fonts, archives,
// executables, PDF and application/octet-stream. "+xml" and "+json" types
// (SVG among them) and everything unknown count as text.
bool IsBinaryType(std::string_view contentType);

// How the encoding of a page was decided.
enum class DecidedBy { Header, Bom, Declaration, Detection };

struct PageText {
    bool isText = true;   // false: NUL bytes outside UTF-16, nothing decoded
    std::u16string text;  // with CR LF breaks, as the document holds
    enc::Encoding encoding = enc::Encoding::Gbk;
    DecidedBy by = DecidedBy::Detection;
    std::size_t invalid = 0;  // bytes that did not decode (kept as escapes)
};

// Decodes a page by the first of: the HTTP charset, a BOM, the page's own
// declaration, the program's detection. Labels this program cannot decode
// are passed over.
PageText DecodePage(std::string_view bytes, std::string_view contentType);

}  // namespace qm::page
