#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/novel/NovelBook.h"

namespace e = qm::epub;

namespace {

const e::File* Get(const std::vector<e::File>& files, const std::string& path) {
    for (const e::File& f : files)
        if (f.path == path) return &f;
    return nullptr;
}

std::size_t Count(const std::string& s, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
}

e::Book Volumes() {
    e::Book b;
    b.title = u"西游记";
    b.author = u"吴承恩";
    b.modified = "2026-01-31T12:00:00Z";
    for (const char16_t* v : {u"第一卷", u"第二卷"}) {
        e::Volume vol;
        vol.title = v;
        vol.chapters = {{u"第一回", {u"　　诗曰：", u"混沌未分天地乱。"}},
                        {u"第二回", {u"话说。"}}};
        b.volumes.push_back(vol);
    }
    return b;
}

}  // namespace

TEST(Epub, EscapesEveryTextAndReplacesWhatXmlForbids) {
    EXPECT_EQ(e::XmlText(u"a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&#39;f");
    EXPECT_EQ(e::XmlText(u"]]>"), "]]&gt;");
    // Controls, lone surrogates and non-characters: shown as U+FFFD, not dropped.
    EXPECT_EQ(e::XmlText(u"\u0001x\ufffey\xd800z\xdc00"),
              "\xEF\xBF\xBDx\xEF\xBF\xBDy\xEF\xBF\xBDz\xEF\xBF\xBD");
    EXPECT_EQ(e::XmlText(u"\t"), "\t");
    EXPECT_EQ(e::XmlText(u"😀"), "\xF0\x9F\x98\x80");  // a pair is one character
    EXPECT_EQ(e::XmlText(u"中文"), "\xE4\xB8\xAD\xE6\x96\x87");
}

TEST(Epub, IdentifierIsStableForTheSameBook) {
    const std::string a = e::Identifier(u"西游记", u"吴承恩");
    EXPECT_EQ(a, e::Identifier(u"西游记", u"吴承恩"));
    EXPECT_NE(a, e::Identifier(u"西游记", u""));
    EXPECT_NE(e::Identifier(u"ab", u"c"), e::Identifier(u"a", u"bc"));
    ASSERT_EQ(a.size(), 45u);
    EXPECT_EQ(a.substr(0, 9), "urn:uuid:");
    EXPECT_EQ(a[23], '5');  // version nibble
}

TEST(Epub, MimetypeFirstStoredAndPackageComplete) {
    const std::vector<e::File> files = e::Files(Volumes());
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(files[0].path, "mimetype");
    EXPECT_EQ(files[0].content, "application/epub+zip");
    EXPECT_FALSE(files[0].compress);
    EXPECT_TRUE(
        std::all_of(files.begin() + 1, files.end(), [](const e::File& f) { return f.compress; }));
    const e::File* opf = Get(files, "OEBPS/content.opf");
    ASSERT_NE(opf, nullptr);
    EXPECT_NE(opf->content.find("<meta property=\"dcterms:modified\">2026-01-31T12:00:00Z</meta>"),
              std::string::npos);
    EXPECT_NE(opf->content.find(e::Identifier(u"西游记", u"吴承恩")), std::string::npos);
    EXPECT_NE(opf->content.find("<dc:creator>吴承恩</dc:creator>"), std::string::npos);
    // Every page is in the manifest and the spine; cover first.
    EXPECT_EQ(Count(opf->content, "<item id=\"t"), 6u);  // 2 volume pages, 4 chapters
    EXPECT_EQ(Count(opf->content, "<itemref idref=\"t"), 6u);
    EXPECT_LT(opf->content.find("idref=\"cover\""), opf->content.find("idref=\"t00001\""));
    ASSERT_NE(Get(files, "OEBPS/cover.xhtml"), nullptr);
    EXPECT_NE(Get(files, "OEBPS/cover.xhtml")->content.find("<h1>西游记</h1>"), std::string::npos);
}

TEST(Epub, NavigationNestsChaptersInTheirVolumes) {
    const std::vector<e::File> files = e::Files(Volumes());
    const std::string& nav = Get(files, "OEBPS/nav.xhtml")->content;
    const std::string volume =
        "<li><a href=\"text/t00001.xhtml\">第一卷</a>\n<ol>\n"
        "<li><a href=\"text/t00002.xhtml\">第一回</a></li>\n"
        "<li><a href=\"text/t00003.xhtml\">第二回</a></li>\n"
        "</ol>\n</li>\n";
    EXPECT_NE(nav.find(volume), std::string::npos) << nav;
    EXPECT_EQ(Count(nav, "<ol>"), 3u);
    EXPECT_EQ(Count(nav, "<li>"), Count(nav, "</li>"));
    // Paragraphs as <p>, the indent left to the style sheet.
    const std::string& chapter = Get(files, "OEBPS/text/t00002.xhtml")->content;
    EXPECT_NE(chapter.find("<h2>第一回</h2>\n<p>诗曰：</p>\n<p>混沌未分天地乱。</p>"),
              std::string::npos);
}

TEST(Epub, BookWithoutChaptersIsOnePage) {
    const e::Book b =
        qm::novel::BookFromText(u"", u"", u"　　第一段。\r\n\r\n第二段。\n  \n第三段。");
    EXPECT_EQ(b.front, (std::vector<std::u16string>{u"第一段。", u"第二段。", u"第三段。"}));
    const std::vector<e::File> files = e::Files(b);
    const std::string& opf = Get(files, "OEBPS/content.opf")->content;
    EXPECT_EQ(Count(opf, "<itemref idref=\"t"), 1u);
    EXPECT_NE(opf.find("<dc:title>未命名</dc:title>"), std::string::npos);  // never empty
    EXPECT_EQ(opf.find("dc:creator"), std::string::npos);
    EXPECT_EQ(Count(Get(files, "OEBPS/text/t00001.xhtml")->content, "<p>"), 3u);
    EXPECT_EQ(Count(Get(files, "OEBPS/nav.xhtml")->content, "<li>"), 1u);
}

TEST(Epub, ChaptersOutsideVolumesStayAtTheTop) {
    e::Book b;
    b.title = u"书";
    b.front = {u"楔子。"};
    e::Volume loose;
    loose.chapters = {{u"", {u"无题的一章。"}}, {u"第二章", {}}};
    b.volumes.push_back(loose);
    const std::vector<e::File> files = e::Files(b);
    const std::string& nav = Get(files, "OEBPS/nav.xhtml")->content;
    EXPECT_EQ(Count(nav, "<ol>"), 1u);
    EXPECT_NE(nav.find(">开篇</a>"), std::string::npos);
    EXPECT_NE(nav.find(">（无题）</a>"), std::string::npos);
    EXPECT_NE(nav.find(">第二章</a>"), std::string::npos);
}
