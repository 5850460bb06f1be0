#include "core/novel/Epub.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "core/text/Lines.h"
#include "core/text/Strip.h"
#include "core/text/Utf8.h"

namespace qm::epub {

namespace {

// Characters an XHTML reading system may refuse: XML 1.0's forbidden ones,
// plus the C1 controls and the non-characters HTML reports as errors.
bool Unfit(char32_t c) {
    if (c < 0x20) return c != u'\t' && c != u'\n' && c != u'\r';
    if (c >= 0x7F && c <= 0x9F) return true;
    if (c >= 0xFDD0 && c <= 0xFDEF) return true;
    return (c & 0xFFFE) == 0xFFFE;
}

std::string Now() {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

std::string Title(std::u16string_view title, std::u16string_view fallback) {
    const std::u16string_view t = text::Strip(title, text::kEpubBlanks);
    return XmlText(t.empty() ? fallback : t);
}

constexpr std::string_view kXhtmlHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE html>\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\" "
    "xml:lang=\"zh\" lang=\"zh\">\n<head>\n<meta charset=\"UTF-8\"/>\n<title>";

std::string Page(const std::string& title, const std::string& css, const std::string& body) {
    std::string out(kXhtmlHead);
    out += title;
    out += "</title>\n<link rel=\"stylesheet\" type=\"text/css\" href=\"" + css +
           "\"/>\n</head>\n<body>\n";
    out += body;
    out += "</body>\n</html>\n";
    return out;
}

void Paragraphs(std::string& body, const std::vector<std::u16string>& paragraphs) {
    for (const std::u16string& p : paragraphs) {
        const std::u16string_view t = text::Strip(p, text::kEpubBlanks);
        if (t.empty()) continue;
        body += "<p>";
        body += XmlText(t);
        body += "</p>\n";
    }
}

// One page of the book: its file, its title and what the spine and the
// table of contents need.
struct Entry {
    std::string id;
    std::string href;  // from OEBPS/
    std::string title;
    int depth = 0;  // 0: top level, 1: inside a volume
};

constexpr std::u16string_view kUntitled = u"（无题）";

}  // namespace

std::string XmlText(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size();) {
        const text::CodePoint cp = text::CodePointAt(text, i);
        i += cp.length;
        const char32_t c =
            cp.value >= 0xD800 && cp.value <= 0xDFFF ? 0xFFFD : cp.value;  // half a pair
        switch (c) {
            case u'&':
                out += "&amp;";
                continue;
            case u'<':
                out += "&lt;";
                continue;
            case u'>':
                out += "&gt;";
                continue;
            case u'"':
                out += "&quot;";
                continue;
            case u'\'':
                out += "&#39;";
                continue;
            default:
                break;
        }
        text::AppendUtf8(out, Unfit(c) ? char32_t{0xFFFD} : c);
    }
    return out;
}

std::string Identifier(std::u16string_view title, std::u16string_view author) {
    // Two FNV-1a hashes of "title NUL author": 128 bits, made a version 5
    // style UUID (the same book, the same identifier, on any machine).
    auto hash = [&](std::uint64_t h) {
        auto mix = [&](char16_t c) {
            h ^= static_cast<std::uint64_t>(c);
            h *= 0x100000001b3ULL;
        };
        for (const char16_t c : title) mix(c);
        mix(0);
        for (const char16_t c : author) mix(c);
        return h;
    };
    const std::uint64_t a = hash(0xcbf29ce484222325ULL), b = hash(0x84222325cbf29ce4ULL);
    unsigned char bytes[16];
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<unsigned char>(a >> (56 - 8 * i));
        bytes[8 + i] = static_cast<unsigned char>(b >> (56 - 8 * i));
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x50);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
    std::string out = "urn:uuid:";
    char hex[3];
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
        std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
        out += hex;
    }
    return out;
}

std::vector<File> Files(const Book& book) {
    std::vector<File> files;
    files.push_back({"mimetype", "application/epub+zip", false});
    files.push_back({"META-INF/container.xml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<container version=\"1.0\" "
                     "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
                     "<rootfiles>\n"
                     "<rootfile full-path=\"OEBPS/content.opf\" "
                     "media-type=\"application/oebps-package+xml\"/>\n"
                     "</rootfiles>\n"
                     "</container>\n",
                     true});

    const std::string bookTitle = Title(book.title, u"未命名");
    const std::string author = XmlText(text::Strip(book.author, text::kEpubBlanks));

    files.push_back({"OEBPS/style.css",
                     "body { margin: 0 5%; line-height: 1.6; }\n"
                     "h1, h2 { text-align: center; margin: 1.5em 0 1em; }\n"
                     "p { text-indent: 2em; margin: 0.3em 0; }\n"
                     ".cover { text-align: center; margin-top: 30%; }\n"
                     ".cover p { text-indent: 0; }\n",
                     true});
    {
        std::string body =
            "<section class=\"cover\" epub:type=\"titlepage\">\n<h1>" + bookTitle + "</h1>\n";
        if (!author.empty()) body += "<p>" + author + "</p>\n";
        body += "</section>\n";
        files.push_back({"OEBPS/cover.xhtml", Page(bookTitle, "style.css", body), true});
    }

    std::vector<Entry> entries;
    char name[32];
    int pages = 0;
    auto addPage = [&](const std::string& title, int depth, const std::string& heading,
                       const std::vector<std::u16string>& paragraphs, const char* type) {
        ++pages;
        std::snprintf(name, sizeof name, "t%05d", pages);
        Entry e{name, std::string("text/") + name + ".xhtml", title, depth};
        std::string body = std::string("<section epub:type=\"") + type + "\">\n<" + heading + ">" +
                           title + "</" + heading + ">\n";
        Paragraphs(body, paragraphs);
        body += "</section>\n";
        files.push_back({"OEBPS/" + e.href, Page(title, "../style.css", body), true});
        entries.push_back(std::move(e));
    };

    bool anyChapter = false;
    for (const Volume& v : book.volumes)
        anyChapter =
            anyChapter || !v.chapters.empty() || !text::Strip(v.title, text::kEpubBlanks).empty();
    if (!anyChapter) {
        // No chapters: the whole text on one page, so the book is never empty.
        std::vector<std::u16string> all = book.front;
        for (const Volume& v : book.volumes)
            all.insert(all.end(), v.paragraphs.begin(), v.paragraphs.end());
        addPage(XmlText(u"正文"), 0, "h2", all, "bodymatter");
    } else {
        bool hasFront = false;
        for (const std::u16string& p : book.front)
            hasFront = hasFront || !text::Strip(p, text::kEpubBlanks).empty();
        if (hasFront) addPage(XmlText(u"开篇"), 0, "h2", book.front, "preamble");
        for (const Volume& v : book.volumes) {
            const bool grouped = !text::Strip(v.title, text::kEpubBlanks).empty();
            if (grouped) {
                addPage(Title(v.title, kUntitled), 0, "h1", v.paragraphs, "part");
            } else if (!v.paragraphs.empty()) {
                // Paragraphs of a volume without a title belong to no chapter:
                // a page of their own keeps them.
                bool any = false;
                for (const std::u16string& p : v.paragraphs)
                    any = any || !text::Strip(p, text::kEpubBlanks).empty();
                if (any) addPage(XmlText(u"开篇"), 0, "h2", v.paragraphs, "preamble");
            }
            for (const Chapter& c : v.chapters)
                addPage(Title(c.title, kUntitled), grouped ? 1 : 0, "h2", c.paragraphs, "chapter");
        }
    }

    // The table of contents, nested volume › chapter.
    {
        std::string body =
            "<nav epub:type=\"toc\" id=\"toc\">\n<h1>" + XmlText(u"目录") + "</h1>\n<ol>\n";
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[i];
            body += "<li><a href=\"" + e.href + "\">" + e.title + "</a>";
            const bool opens = i + 1 < entries.size() && entries[i + 1].depth > e.depth;
            if (opens) {
                body += "\n<ol>\n";
                continue;
            }
            body += "</li>\n";
            const bool closes =
                e.depth > 0 && (i + 1 == entries.size() || entries[i + 1].depth < e.depth);
            if (closes) body += "</ol>\n</li>\n";
        }
        body += "</ol>\n</nav>\n";
        files.push_back({"OEBPS/nav.xhtml", Page(XmlText(u"目录"), "style.css", body), true});
    }

    // The package document.
    std::string opf =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
        "unique-identifier=\"bookid\" xml:lang=\"zh\">\n"
        "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
        "<dc:identifier id=\"bookid\">" +
        Identifier(book.title, book.author) +
        "</dc:identifier>\n"
        "<dc:title>" +
        bookTitle +
        "</dc:title>\n"
        "<dc:language>zh</dc:language>\n";
    if (!author.empty()) opf += "<dc:creator>" + author + "</dc:creator>\n";
    opf += "<meta property=\"dcterms:modified\">" +
           (book.modified.empty() ? Now() : book.modified) +
           "</meta>\n</metadata>\n<manifest>\n"
           "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" "
           "properties=\"nav\"/>\n"
           "<item id=\"css\" href=\"style.css\" media-type=\"text/css\"/>\n"
           "<item id=\"cover\" href=\"cover.xhtml\" media-type=\"application/xhtml+xml\"/>\n";
    for (const Entry& e : entries)
        opf += "<item id=\"" + e.id + "\" href=\"" + e.href +
               "\" media-type=\"application/xhtml+xml\"/>\n";
    opf += "</manifest>\n<spine>\n<itemref idref=\"cover\"/>\n<itemref idref=\"nav\"/>\n";
    for (const Entry& e : entries) opf += "<itemref idref=\"" + e.id + "\"/>\n";
    opf += "</spine>\n</package>\n";
    files.insert(files.begin() + 2, {"OEBPS/content.opf", std::move(opf), true});
    return files;
}

}  // namespace qm::epub
