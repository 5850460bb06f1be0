#include "core/encoding/PageSource.h"

#include <array>
#include <cstring>

#include "core/text/Strip.h"

namespace qm::page {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = Lower(c);
    return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool StartsWithNoCase(std::string_view s, std::size_t at, std::string_view prefix) {
    if (at > s.size() || s.size() - at < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (Lower(s[at + i]) != prefix[i]) return false;
    }
    return true;
}

// The value after "charset" in a content attribute or header parameter list,
// as browsers read it: "text/html;charset = 'gbk'" gives "gbk".
std::string CharsetAfterKeyword(std::string_view s) {
    const std::string lower = Lowered(s);
    std::size_t pos = 0;
    while ((pos = lower.find("charset", pos)) != std::string::npos) {
        std::size_t i = pos + 7;
        while (i < s.size() && IsSpace(s[i])) ++i;
        if (i >= s.size() || s[i] != '=') {
            pos += 7;
            continue;
        }
        ++i;
        while (i < s.size() && IsSpace(s[i])) ++i;
        if (i >= s.size()) return {};
        if (s[i] == '"' || s[i] == '\'') {
            const std::size_t end = s.find(s[i], i + 1);
            if (end == std::string_view::npos) return {};
            return std::string(text::StripAscii(s.substr(i + 1, end - i - 1)));
        }
        std::size_t end = i;
        while (end < s.size() && !IsSpace(s[end]) && s[end] != ';') ++end;
        return std::string(s.substr(i, end - i));
    }
    return {};
}

// Reads one attribute of a tag from `i`; false at the tag's end.
bool NextAttribute(std::string_view s, std::size_t& i, std::string& name, std::string& value) {
    while (i < s.size() && (IsSpace(s[i]) || s[i] == '/')) ++i;
    if (i >= s.size() || s[i] == '>') return false;
    const std::size_t nameStart = i;
    while (i < s.size() && !IsSpace(s[i]) && s[i] != '=' && s[i] != '>' && s[i] != '/') ++i;
    name = Lowered(s.substr(nameStart, i - nameStart));
    value.clear();
    std::size_t j = i;
    while (j < s.size() && IsSpace(s[j])) ++j;
    if (j >= s.size() || s[j] != '=') return true;
    i = j + 1;
    while (i < s.size() && IsSpace(s[i])) ++i;
    if (i < s.size() && (s[i] == '"' || s[i] == '\'')) {
        const char quote = s[i];
        const std::size_t end = s.find(quote, i + 1);
        const std::size_t stop = end == std::string_view::npos ? s.size() : end;
        value = s.substr(i + 1, stop - i - 1);
        i = stop == s.size() ? stop : stop + 1;
        return true;
    }
    const std::size_t valueStart = i;
    while (i < s.size() && !IsSpace(s[i]) && s[i] != '>') ++i;
    value = s.substr(valueStart, i - valueStart);
    // "<meta charset=utf-8/>": the slash closes the tag, it is no part of the value.
    if (!value.empty() && value.back() == '/') value.pop_back();
    return true;
}

// The charset of one <meta> tag whose attributes start at `i`.
std::string MetaTagCharset(std::string_view s, std::size_t i) {
    std::string name, value, content;
    bool contentType = false;
    while (NextAttribute(s, i, name, value)) {
        if (name == "charset" && !text::StripAscii(value).empty())
            return std::string(text::StripAscii(value));
        if (name == "http-equiv") contentType = Lowered(text::StripAscii(value)) == "content-type";
        if (name == "content") content = value;
    }
    return contentType ? CharsetAfterKeyword(content) : std::string();
}

bool IsUtf16(enc::Encoding e) { return e == enc::Encoding::Utf16Le || e == enc::Encoding::Utf16Be; }

std::optional<enc::Encoding> FromBom(std::string_view b) {
    if (b.size() >= 3 && b.substr(0, 3) == "\xEF\xBB\xBF") return enc::Encoding::Utf8Bom;
    if (b.size() >= 2 && b.substr(0, 2) == "\xFF\xFE") return enc::Encoding::Utf16Le;
    if (b.size() >= 2 && b.substr(0, 2) == "\xFE\xFF") return enc::Encoding::Utf16Be;
    return std::nullopt;
}

}  // namespace

std::string CharsetParam(std::string_view contentType) {
    const std::size_t semicolon = contentType.find(';');
    if (semicolon == std::string_view::npos) return {};
    return CharsetAfterKeyword(contentType.substr(semicolon + 1));
}

std::string DeclaredCharset(std::string_view head) {
    head = head.substr(0, kDeclarationScan);
    std::size_t i = 0;
    if (head.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
    while (i < head.size() && IsSpace(head[i])) ++i;
    if (StartsWithNoCase(head, i, "<?xml")) {
        const std::size_t end = head.find("?>", i);
        const std::string_view decl = head.substr(
            i + 5, end == std::string_view::npos ? std::string_view::npos : end - i - 5);
        std::size_t at = 0;
        std::string name, value;
        while (NextAttribute(decl, at, name, value)) {
            if (name == "encoding" && !text::StripAscii(value).empty())
                return std::string(text::StripAscii(value));
        }
    }
    while ((i = head.find('<', i)) != std::string_view::npos) {
        if (head.compare(i, 4, "<!--") == 0) {
            const std::size_t end = head.find("-->", i + 4);
            if (end == std::string_view::npos) break;
            i = end + 3;
            continue;
        }
        if (StartsWithNoCase(head, i, "<meta") && i + 5 < head.size() &&
            (IsSpace(head[i + 5]) || head[i + 5] == '/')) {
            std::string found = MetaTagCharset(head, i + 5);
            if (!found.empty()) return found;
        }
        ++i;
    }
    return {};
}

bool IsBinaryType(std::string_view contentType) {
    const std::string type =
        Lowered(text::StripAscii(contentType.substr(0, contentType.find(';'))));
    if (type.empty()) return false;
    const auto endsWith = [&type](std::string_view suffix) {
        return type.size() >= suffix.size() &&
               type.compare(type.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    if (endsWith("+xml") || endsWith("+json")) return false;
    for (std::string_view prefix :
         {"image/", "audio/", "video/", "font/", "model/", "application/vnd.openxmlformats-",
          "application/vnd.ms-", "application/vnd.oasis.opendocument."}) {
        if (type.compare(0, prefix.size(), prefix) == 0) return true;
    }
    static constexpr std::array<std::string_view, 20> kBinaryApplications = {
        "octet-stream",
        "pdf",
        "zip",
        "gzip",
        "x-gzip",
        "x-tar",
        "x-bzip2",
        "x-xz",
        "x-7z-compressed",
        "x-rar-compressed",
        "vnd.rar",
        "java-archive",
        "wasm",
        "x-msdownload",
        "x-executable",
        "x-sharedlib",
        "msword",
        "x-shockwave-flash",
        "font-woff",
        "vnd.android.package-archive"};
    if (type.compare(0, 12, "application/") != 0) return false;
    const std::string_view sub = std::string_view(type).substr(12);
    for (std::string_view b : kBinaryApplications) {
        if (sub == b) return true;
    }
    return false;
}

PageText DecodePage(std::string_view bytes, std::string_view contentType) {
    PageText r;
    std::optional<enc::Encoding> e;
    if (const std::string label = CharsetParam(contentType); !label.empty()) {
        e = enc::FromLabel(label);
        r.by = DecidedBy::Header;
    }
    if (!e) {
        e = FromBom(bytes);
        r.by = DecidedBy::Bom;
    }
    if (!e) {
        if (const std::string label = DeclaredCharset(bytes); !label.empty()) {
            e = enc::FromLabel(label);
            // A page that can state its charset in ASCII is no UTF-16 page:
            // such a declaration means UTF-8, as browsers take it.
            if (e && IsUtf16(*e)) e = enc::Encoding::Utf8;
            r.by = DecidedBy::Declaration;
        }
    }
    if (!e) r.by = DecidedBy::Detection;
    // Declared UTF-8 with a BOM: the mark is no part of the text.
    if (e == enc::Encoding::Utf8 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        e = enc::Encoding::Utf8Bom;
    }
    // Only UTF-16 text holds NUL bytes; anywhere else they mean a binary body
    // (detection finds UTF-16 by its BOM, which was looked at above).
    if (!(e && IsUtf16(*e)) && !bytes.empty() &&
        std::memchr(bytes.data(), 0, bytes.size()) != nullptr) {
        r.isText = false;
        return r;
    }
    enc::LoadedText t = enc::DecodeFile(bytes, e);
    r.text = std::move(t.text);
    r.encoding = t.format.encoding;
    r.invalid = t.invalid;
    return r;
}

}  // namespace qm::page
