#include <gtest/gtest.h>

#include <string>

#include "core/encoding/PageSource.h"

using namespace qm::page;
using qm::enc::Encoding;

namespace {

// "甲乙" in UTF-8: bytes that are also three valid GBK characters, "鐢蹭箼",
// so only a declaration can tell the two readings apart.
const std::string kJiaYiUtf8 = "\xE7\x94\xB2\xE4\xB9\x99";
const std::u16string kJiaYiReadAsGbk = u"鐢蹭箼";

}  // namespace

TEST(PageSource, CharsetOfContentType) {
    EXPECT_EQ(CharsetParam("text/html; charset=GBK"), "GBK");
    EXPECT_EQ(CharsetParam("text/html;charset=\"utf-8\""), "utf-8");
    EXPECT_EQ(CharsetParam("text/plain; format=flowed; CharSet = big5"), "big5");
    EXPECT_EQ(CharsetParam("text/html; charset=gb2312; foo=bar"), "gb2312");
    EXPECT_EQ(CharsetParam("text/html"), "");
    EXPECT_EQ(CharsetParam(""), "");
    EXPECT_EQ(CharsetParam("text/html; charset="), "");
}

TEST(PageSource, DeclarationsInThePage) {
    EXPECT_EQ(DeclaredCharset("<html><head><meta charset=\"gbk\"></head>"), "gbk");
    EXPECT_EQ(DeclaredCharset("<HEAD><META CHARSET=GB2312/>"), "GB2312");
    EXPECT_EQ(DeclaredCharset("<meta http-equiv=\"Content-Type\" "
                              "content=\"text/html; charset=gb2312\">"),
              "gb2312");
    // Attributes in either order, single quotes, spaces around "=".
    EXPECT_EQ(
        DeclaredCharset("<meta content='text/html;charset = big5' HTTP-EQUIV='content-type'>"),
        "big5");
    EXPECT_EQ(DeclaredCharset("<?xml version=\"1.0\" encoding=\"GB18030\"?><root/>"), "GB18030");
}

TEST(PageSource, WhatIsNoDeclaration) {
    // A description that happens to say "charset" is no declaration.
    EXPECT_EQ(DeclaredCharset("<meta name=\"description\" content=\"charset=big5\">"), "");
    // Commented out, it does not count; the one after it does.
    EXPECT_EQ(DeclaredCharset("<!-- <meta charset=big5> --><meta charset=utf-8>"), "utf-8");
    EXPECT_EQ(DeclaredCharset("<metadata charset=big5>"), "");
    EXPECT_EQ(DeclaredCharset("<meta charset=\"\"><p>"), "");
    EXPECT_EQ(DeclaredCharset("<meta charset=\"gbk"), "gbk");  // cut off page: still read
    // Only the opening of the page is looked at.
    std::string late(kDeclarationScan, ' ');
    late += "<meta charset=gbk>";
    EXPECT_EQ(DeclaredCharset(late), "");
}

TEST(PageSource, BinaryTypes) {
    for (const char* type :
         {"image/png", "IMAGE/GIF; x=y", "application/octet-stream", "audio/mpeg", "video/mp4",
          "application/pdf", "application/zip", "font/woff2",
          "application/vnd.openxmlformats-officedocument.wordprocessingml.document"}) {
        EXPECT_TRUE(IsBinaryType(type)) << type;
    }
    for (const char* type :
         {"", "text/html", "text/plain; charset=gbk", "application/json", "application/xhtml+xml",
          "image/svg+xml", "application/javascript", "application/ld+json", "application/xml"}) {
        EXPECT_FALSE(IsBinaryType(type)) << type;
    }
}

TEST(PageSource, OrderOfDecision) {
    // The page's declaration alone: GBK, though the bytes are valid UTF-8.
    PageText p = DecodePage("<meta charset=gbk>" + kJiaYiUtf8, "text/html");
    EXPECT_EQ(p.by, DecidedBy::Declaration);
    EXPECT_EQ(p.encoding, Encoding::Gbk);
    EXPECT_EQ(p.text, u"<meta charset=gbk>" + kJiaYiReadAsGbk);

    // The header beats the page's own declaration.
    p = DecodePage("<meta charset=gbk>" + kJiaYiUtf8, "text/html; charset=UTF-8");
    EXPECT_EQ(p.by, DecidedBy::Header);
    EXPECT_EQ(p.text, u"<meta charset=gbk>甲乙");

    // A header label this program cannot read is passed over.
    p = DecodePage("<meta charset=gbk>" + kJiaYiUtf8, "text/html; charset=x-unheard-of");
    EXPECT_EQ(p.by, DecidedBy::Declaration);
    EXPECT_EQ(p.text, u"<meta charset=gbk>" + kJiaYiReadAsGbk);

    // A BOM beats the declaration, and is no part of the text.
    p = DecodePage("\xEF\xBB\xBF<meta charset=gbk>" + kJiaYiUtf8, "text/html");
    EXPECT_EQ(p.by, DecidedBy::Bom);
    EXPECT_EQ(p.text, u"<meta charset=gbk>甲乙");

    // Nothing declared: the program's detection.
    p = DecodePage("<p>\xD6\xD0\xCE\xC4\xCD\xF8\xD2\xB3</p>", "");
    EXPECT_EQ(p.by, DecidedBy::Detection);
    EXPECT_EQ(p.text, u"<p>中文网页</p>");
}

TEST(PageSource, DeclaredUtf8WithBomLosesTheMark) {
    const PageText p = DecodePage("\xEF\xBB\xBF" + kJiaYiUtf8, "text/plain; charset=utf-8");
    EXPECT_EQ(p.text, u"甲乙");
    EXPECT_EQ(p.invalid, 0u);
}

TEST(PageSource, Utf16DeclaredInAsciiMeansUtf8) {
    const PageText p = DecodePage("<meta charset=utf-16>" + kJiaYiUtf8, "text/html");
    EXPECT_EQ(p.encoding, Encoding::Utf8);
    EXPECT_EQ(p.text, u"<meta charset=utf-16>甲乙");
}

TEST(PageSource, NulBytesMeanNoTextExceptInUtf16) {
    EXPECT_FALSE(DecodePage(std::string("GIF89a\0\0\x01", 9), "").isText);
    EXPECT_FALSE(DecodePage(std::string("<p>abc\0</p>", 11), "text/html; charset=gbk").isText);
    // "<a>" in UTF-16LE, with and without its BOM (then named by the header).
    const std::string le("<\0a\0>\0", 6);
    PageText p = DecodePage("\xFF\xFE" + le, "text/html");
    EXPECT_TRUE(p.isText);
    EXPECT_EQ(p.text, u"<a>");
    p = DecodePage(le, "text/html; charset=utf-16le");
    EXPECT_TRUE(p.isText);
    EXPECT_EQ(p.text, u"<a>");
    EXPECT_TRUE(DecodePage("", "text/html").isText);
}

TEST(PageSource, LineBreaksBecomeCrLf) {
    const PageText p =
        DecodePage("<html>\n<body>\r\n</body>\r</html>\n", "text/html; charset=utf-8");
    EXPECT_EQ(p.text, u"<html>\r\n<body>\r\n</body>\r\n</html>\r\n");
}
