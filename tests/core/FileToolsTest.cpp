#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/encoding/Encoding.h"
#include "core/filetools/FileTools.h"

namespace ft = qm::filetools;
using ModGetFileNameInPath::GetFolderOfPath;

namespace {

struct FolderCase {
    const char* name;
    friend void PrintTo(const FolderCase& c, std::ostream* os) { *os << c.name; }
    const char16_t* path;
    bool whole;  // the whole folder path, or the last folder's name
    const char16_t* folder;
};

const FolderCase kFolders[] = {
    {"BackslashesWhole", u"C:\\a\\b\\c.txt", true, u"C:\\a\\b"},
    {"BackslashesLastFolder", u"C:\\a\\b\\c.txt", false, u"b"},
    {"DriveRootWhole", u"C:\\c.txt", true, u""},
    {"DriveRootLastFolder", u"C:\\c.txt", false, u""},
    {"SlashesWhole", u"a/b/c.txt", true, u"a/b"},
    {"SlashesLastFolder", u"a/b/c.txt", false, u"b"},
    {"NoFolderAtAll", u"c.txt", true, u""},
    {"BlanksAroundAFolderEndingInASeparator", u"  C:\\a\\b\\  ", true, u"C:\\a\\b"},
    {"LastFolderOfAPathEndingInASeparator", u"C:\\a\\b\\", false, u"b"},
    {"ChineseFolderNames", u"/home/用户/文本/a.txt", false, u"文本"},
};

class FolderOfPath : public ::testing::TestWithParam<FolderCase> {};

TEST_P(FolderOfPath, WithEitherSeparator) {
    const FolderCase& c = GetParam();
    EXPECT_EQ(GetFolderOfPath(c.path, c.whole), c.folder);
}

INSTANTIATE_TEST_SUITE_P(FileTools, FolderOfPath, ::testing::ValuesIn(kFolders),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(FileTools, NamesNumbersAndSizesAsTheSplitterShowsThem) {
    EXPECT_EQ(ft::GetFileName(u"/x/my file.bin"), u"my_file.bin");
    EXPECT_EQ(ft::GetFileName(u"C:\\x\\a b.zip"), u"a_b.zip");
    EXPECT_EQ(ft::FileNameFromPath(u"/x/y/z.txt"), u"z.txt");
    EXPECT_FALSE(ft::FileNameFromPath(u"plain"));
    const struct {
        const char16_t* typed;
        std::optional<double> number;  // none: not a number
    } numbers[] = {
        {u" +1,400 ", 1400},    {u"2e3", 2000},        {u"-7", -7},           {u"", std::nullopt},
        {u"abc", std::nullopt}, {u"1x", std::nullopt}, {u"e5", std::nullopt}, {u"1e", std::nullopt},
        {u"--1", std::nullopt}, {u",5", std::nullopt},
    };
    for (const auto& n : numbers) {
        SCOPED_TRACE(qm::enc::Encode(n.typed, qm::enc::Encoding::Gbk).bytes);
        EXPECT_EQ(ft::ParseNumber(n.typed), n.number);
    }
    const struct {
        double bytes;
        const char16_t* shown;
    } sizes[] = {
        {1024, u"1024Byte"},  {1025, u"1KB"}, {1433600, u"1.37MB"},
        {1048576, u"1024KB"}, {0, u"0Byte"},  {5.0 * (1ull << 40), u"5TB"},
    };
    for (const auto& z : sizes) {
        SCOPED_TRACE(z.bytes);
        EXPECT_EQ(ft::SpaceValue(z.bytes), z.shown);
    }
    EXPECT_EQ(ft::GroupedThreeDecimals(1234567.5), u"1,234,567.500");
    EXPECT_EQ(ft::PlainNumber(100.5), u"100.5");
}

namespace {
ft::SplitRequest Request(bool sizeMode, const char16_t* size, const char16_t* count,
                         std::int64_t bytes) {
    ft::SplitRequest r;
    r.sizeMode = sizeMode;
    r.sizeText = size;
    r.countText = count;
    r.openFile = u"/data/a b.zip";
    r.saveFile = u"/out/p.zip";
    r.sourceSize = bytes;
    return r;
}
std::u16string Problem(const ft::SplitRequest& r) {
    const ft::SplitCheck c = ft::CheckSplit(r);
    return c.problem ? c.problem->text : u"";
}

struct SplitCheckCase {
    const char* name;
    friend void PrintTo(const SplitCheckCase& c, std::ostream* os) { *os << c.name; }
    bool sizeMode;
    const char16_t* size;
    const char16_t* count;
    std::int64_t bytes;  // -1: the source is gone
    enum { Both, NoSource, NoSave } names;
    const char16_t* problem;  // empty: none
};

const SplitCheckCase kSplitChecks[] = {
    {"NoSize", true, u"", u"", 5000, SplitCheckCase::Both, u"输入分割的文件大小."},
    {"FractionalSize", true, u"1.5", u"", 5000, SplitCheckCase::Both, u"文件分割大小仅支持整数."},
    {"AWholeSizeWithADot", true, u"5.0", u"", 5000, SplitCheckCase::Both,
     u"文件分割大小仅支持整数."},
    {"AWholeSize", true, u"12", u"", 50'000, SplitCheckCase::Both, u""},
    {"LettersForASize", true, u"x", u"", 5000, SplitCheckCase::Both, u"文件分割大小仅支持整数."},
    {"ZeroSize", true, u"0", u"", 5000, SplitCheckCase::Both, u"文件分割大小不能为0."},
    {"NoCount", false, u"", u"", 5000, SplitCheckCase::Both, u"Enter number to split file into."},
    {"FractionalCount", false, u"", u"2.0", 5000, SplitCheckCase::Both,
     u"Only integer values allowed for number of split files."},
    {"OnePart", false, u"", u"1", 5000, SplitCheckCase::Both,
     u"File can not be split into zero or one part."},
    {"NoSourceChosen", true, u"1", u"", 5000, SplitCheckCase::NoSource, u"选择一个要分割的文件."},
    {"NoPartNameGiven", true, u"1", u"", 5000, SplitCheckCase::NoSave, u"输入分割文件的连续名称."},
    {"SourceGone", true, u"1", u"", -1, SplitCheckCase::Both, u"文件 '/data/a b.zip' 不存在."},
    {"MoreThan200Parts", false, u"", u"201", 1'000'000, SplitCheckCase::Both,
     u"分割文件太多,超出200个.\r\n分割无法继续."},
    {"TwoHundredPartsAreAllowed", false, u"", u"200", 20'000, SplitCheckCase::Both, u""},
    {"PartsUnder100Bytes", false, u"", u"2", 150, SplitCheckCase::Both,
     u"分割的文件大小不能小于 100 bytes.\r\n分割无法继续."},
    {"ANegativeCount", false, u"", u"-3", 5000, SplitCheckCase::Both,
     u"分割的文件大小不能小于 100 bytes.\r\n分割无法继续."},
};

class SplitCheck : public ::testing::TestWithParam<SplitCheckCase> {};

// The checks come in their order: each row fails the first check it meets.
TEST_P(SplitCheck, SaysWhatStopsTheSplit) {
    const SplitCheckCase& c = GetParam();
    ft::SplitRequest r = Request(c.sizeMode, c.size, c.count, c.bytes);
    if (c.names == SplitCheckCase::NoSource) r.openFile.clear();
    if (c.names == SplitCheckCase::NoSave) r.saveFile.clear();
    EXPECT_EQ(Problem(r), c.problem);
}

INSTANTIATE_TEST_SUITE_P(FileTools, SplitCheck, ::testing::ValuesIn(kSplitChecks),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// 1000 KB split in 1400 KB parts: nothing to split, and both boxes are marked.
TEST(FileTools, APartLargerThanTheSourceMarksBothBoxes) {
    const ft::SplitCheck big = ft::CheckSplit(Request(true, u"1400", u"", 1000 * 1024));
    ASSERT_TRUE(big.problem);
    EXPECT_EQ(
        big.problem->text,
        u"源文件大小是:1,000.000 KBytes\r\n指定的分割文件大小是:1400 KBytes\r\n分割无法完成.");
    EXPECT_EQ(big.problem->yellow, (std::vector<ft::Box>{ft::Box::SplSize, ft::Box::OpenFile}));
}

TEST(FileTools, PartsMeetWithoutAByteLostOrRepeated) {
    // Exactly two parts of 2 KB; one byte more gives a third of one byte.
    ft::SplitPlan two = ft::CheckSplit(Request(true, u"2", u"", 2 * 2048)).plan;
    EXPECT_EQ(two.parts, 2);
    ft::SplitPlan three = ft::CheckSplit(Request(true, u"2", u"", 2 * 2048 + 1)).plan;
    EXPECT_EQ(three.parts, 3);
    EXPECT_EQ(three.Boundary(3) - three.Boundary(2), 1);
    // Count mode, 201 bytes in two: 100 and 101.
    ft::SplitPlan odd = ft::CheckSplit(Request(false, u"", u"2", 201)).plan;
    EXPECT_EQ(odd.Boundary(1), 100);  // 100.5 rounds to even
    EXPECT_EQ(odd.Boundary(2), 201);
    // Past 4 GiB every boundary still fits, and the parts cover the file.
    const std::int64_t huge = (5LL << 30) + 12345;
    ft::SplitPlan h = ft::CheckSplit(Request(false, u"", u"7", huge)).plan;
    std::int64_t covered = 0;
    for (std::int64_t k = 0; k < h.parts; ++k) {
        ASSERT_GT(h.Boundary(k + 1), h.Boundary(k));
        covered += h.Boundary(k + 1) - h.Boundary(k);
    }
    EXPECT_EQ(covered, huge);
    EXPECT_EQ(
        ft::ConfirmText(odd, false),
        u"文件将分割成 2 个文件.\r\n\r\n分割序号是0到1' 个100Byte\r\nPart '2' of 100Byte\r\n\r\n"
        u"         确认分割吗?");
}

TEST(FileTools, RejoinScriptsQuoteEveryHostileName) {
    EXPECT_EQ(ft::BatchText(u"p.zip", u"a_b.zip", 3, true),
              u"copy /b p.zip.0 + p.zip.1 + p.zip.2 a_b.zip\r\ndel p.zip.0\r\ndel p.zip.1\r\n"
              u"del p.zip.2\r\nDEL \"a_b.zip.bat\"\r\n");
    EXPECT_EQ(ft::BatchText(u"p", u"s", 2, false), u"copy /b p.0 + p.1 s\r\n");
    // cmd's special characters are quoted, and % doubled so it is not a variable.
    EXPECT_EQ(ft::BatchText(u"a&b", u"100%(x)", 1, false), u"copy /b \"a&b.0\" \"100%%(x)\"\r\n");
    const std::u16string sh = ft::ShellText(u"it's", u"$(rm -rf ~);x", 2, true);
    EXPECT_NE(sh.find(u"cat -- 'it'\\''s.0' 'it'\\''s.1' > '$(rm -rf ~);x' || exit 1\n"),
              std::u16string::npos);
    EXPECT_NE(sh.find(u"rm -f -- 'it'\\''s.0' 'it'\\''s.1'\n"), std::u16string::npos);
    EXPECT_NE(sh.find(u"rm -f -- '$(rm -rf ~);x.sh'\n"), std::u16string::npos);
    EXPECT_EQ(sh.rfind(u"#!/bin/sh\n", 0), 0u);
    EXPECT_EQ(ft::ShellText(u"p", u"s", 1, false).find(u"rm "), std::u16string::npos);
}

// Names cmd cannot quote stop the split before a part is written; what it
// can quote is quoted; the shell script holds no name in a comment.
TEST(FileTools, RejoinScriptsRefuseNamesTheBatchFileCannotHold) {
    for (const char16_t* bad :
         {u"a\nb", u"a\rb", u"a\tb", u"a\"b", u"a?b", u"a*b", u"a|b", u"a:b", u"😀"}) {
        EXPECT_TRUE(ft::ScriptNameProblem(bad)) << std::u16string(bad).size();
        EXPECT_FALSE(ft::BatchText(bad, u"s", 2, true));
        EXPECT_FALSE(ft::BatchText(u"p", bad, 2, false));
    }
    for (const char16_t* fine : {u"it's", u"$(touch x)", u"`x`", u"100%&^", u"-rf", u"部分.bin"})
        EXPECT_FALSE(ft::ScriptNameProblem(fine)) << std::u16string(fine).size();
    EXPECT_EQ(ft::ReadableName(u"a\r\nb\x7f"), u"a␍␊b␡");

    // The window refuses before splitting, naming the box and the name.
    ft::SplitRequest r = Request(true, u"1", u"", 5000);
    r.openFile = u"/data/x\ntouch pwned.zip";
    ft::SplitCheck c = ft::CheckSplit(r);
    ASSERT_TRUE(c.problem);
    EXPECT_EQ(c.problem->focus, ft::Box::OpenFile);
    EXPECT_NE(c.problem->text.find(u"x␊touch_pwned.zip"), std::u16string::npos);
    EXPECT_EQ(c.problem->text.find(u'\n'), c.problem->text.find(u"\r\n") + 1);  // no bare LF
    r = Request(true, u"1", u"", 5000);
    r.saveFile = u"/out/p\"x";
    c = ft::CheckSplit(r);
    ASSERT_TRUE(c.problem);
    EXPECT_EQ(c.problem->focus, ft::Box::SaveFile);
    EXPECT_FALSE(ft::CheckSplit(Request(true, u"1", u"", 5000)).problem);

    // cmd's specials: "+" would join, "%" expand, "&" start a command.
    EXPECT_EQ(ft::BatchText(u"a+b", u"-x%PATH%^", 1, false),
              u"copy /b \"a+b.0\" \"-x%%PATH%%^\"\r\n");
    const std::u16string sh = ft::ShellText(u"p", u"$(x)", 1, false);
    for (std::size_t at = 0; at < sh.size();) {
        const std::size_t end = sh.find(u'\n', at);
        const std::u16string_view line = std::u16string_view(sh).substr(at, end - at);
        if (!line.empty() && line.front() == u'#') {
            EXPECT_EQ(line.find(u"$(x)"), std::u16string_view::npos);
        }
        at = end == std::u16string::npos ? sh.size() : end + 1;
    }
}

TEST(FileTools, MergeSeparatorsAndRecordsAndLines) {
    EXPECT_EQ(ft::MergeSeparator(u"空行"), u"\r\n\r\n");
    EXPECT_EQ(ft::MergeSeparator(u""), u"\r\n");
    EXPECT_EQ(ft::MergeSeparator(u"  ----  "), u"----\r\n");

    const std::vector<ft::Record> r = ft::CutRecords(u"a|1}\r\nb|2}\r\n", u"|", u"}");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].fileName, u"a.txt");
    EXPECT_EQ(r[0].content, u"a|1");
    EXPECT_EQ(r[1].title, u"b");  // the line break after "}" is no part of it
    EXPECT_EQ(r[1].fileName, u"b.txt");
    EXPECT_EQ(r[1].content, u"b|2");  // its first CR LF goes
    EXPECT_TRUE(ft::CutRecords(u"no separator here", u"|", u"}").empty());
    // Titles that would leave the folder or name none: no file is made of them.
    const struct {
        const char* name;
        const char16_t* text;
    } unsafe[] = {
        {"ATitleClimbingToTheParentFolder", u"../x|1}"},
        {"ATitleHoldingASlash", u"a/b|1}"},
        {"ATitleHoldingABackslash", u"a\\b|1}"},
        {"ATitleThatIsTwoDots", u"..|1}"},
        {"AnEmptyTitle", u"|1}"},
    };
    for (const auto& u : unsafe) {
        SCOPED_TRACE(u.name);
        const std::vector<ft::Record> one = ft::CutRecords(u.text, u"|", u"}");
        ASSERT_EQ(one.size(), 1u);
        EXPECT_FALSE(one[0].safeName);
    }

    EXPECT_EQ(ft::ReplaceInLines(u"ab\r\n\r\nab", u"a", u"x"), u"xb\r\n\r\nxb\r\n");
    EXPECT_EQ(ft::ReplaceInLines(u"a\r\nb\r\n", u"\r\n", u"x"),
              u"a\r\nb\r\n");  // never across lines
    EXPECT_EQ(ft::ReplaceInLines(u"", u"a", u"b"), u"");
    EXPECT_EQ(ft::ReplaceInLines(u"a\nb\rc", u"b", u"B"),
              u"a\nB\rc\r\n");  // lone breaks are characters
}

// Records of a file with LF or CR line breaks: names and contents without
// the line break that follows each "}"; a last record without its "}" told.
TEST(FileTools, RecordsLoseTheLineBreaksAroundTheirTitles) {
    // Each way of breaking lines, and what is left of it after one break.
    const std::pair<const char16_t*, const char16_t*> breaks[] = {
        {u"\n", u""}, {u"\r", u""}, {u"\r\n", u""}, {u"\n\n", u"\n"}, {u"\r\n\r\n", u"\r\n"}};
    for (const auto& [lineBreak, afterOne] : breaks) {
        const std::u16string b = lineBreak;
        const std::vector<ft::Record> r = ft::CutRecords(
            u"a|1}" + b + u"b|2" + b + u"x}" + b + b + u"c" + b + u"|3}" + b, u"|", u"}");
        ASSERT_EQ(r.size(), 3u);
        EXPECT_EQ(r[1].title, u"b");
        EXPECT_EQ(r[1].fileName, u"b.txt");
        EXPECT_TRUE(r[1].safeName);
        EXPECT_EQ(r[2].title, u"c");
        EXPECT_EQ(r[2].fileName, u"c.txt");
        // One line break, the one after "}", leaves the content.
        EXPECT_EQ(r[1].content, afterOne + (u"b|2" + b + u"x"));
        EXPECT_EQ(r[0].content, u"a|1");
        EXPECT_FALSE(ft::UnclosedRecord(u"a|1}" + b + u" " + b, u"|", u"}"));
        EXPECT_EQ(ft::UnclosedRecord(u"a|1}" + b + u"last|no end" + b, u"|", u"}"), u"last");
    }
    // A line break inside a title makes no name.
    EXPECT_FALSE(ft::CutRecords(u"a\nb|1}", u"|", u"}")[0].safeName);
    EXPECT_FALSE(ft::CutRecords(u"a\x01|1}", u"|", u"}")[0].safeName);
    EXPECT_EQ(ft::UnclosedRecord(u"no separator at all", u"|", u"}"), u"no separator at all");
    EXPECT_EQ(ft::UnclosedRecord(u"a|1}}|2", u"|", u"}}"), u"");
    EXPECT_EQ(ft::ReadableTitle(u""), u"（空标题）");
    EXPECT_EQ(ft::ReadableTitle(u"a\nb"), u"a␊b");
}

// What the tools may rewrite: clean text in the encoding it is recognised in
// ("甲乙" in UTF-8 is also three GBK characters: it is UTF-8), never binary.
TEST(FileTools, OnlyCleanTextIsRewrittenAndItsFormatIsKnown) {
    qm::enc::LoadedText t;
    EXPECT_FALSE(ft::NotCleanText(
        qm::enc::Encode(u"甲乙 plain ASCII 也行", qm::enc::Encoding::Gbk).bytes, &t));
    EXPECT_EQ(t.format.encoding, qm::enc::Encoding::Gbk);
    EXPECT_FALSE(ft::NotCleanText(""));
    EXPECT_FALSE(ft::NotCleanText("\xE7\x94\xB2\xE4\xB9\x99\n", &t));  // 甲乙 in UTF-8
    EXPECT_EQ(t.format.encoding, qm::enc::Encoding::Utf8);
    EXPECT_EQ(t.format.breaks, qm::enc::LineBreak::Lf);
    EXPECT_EQ(t.text, u"甲乙\r\n");
    EXPECT_FALSE(
        ft::NotCleanText(std::string("\xFF\xFE\x32\x75\0\0", 6)));  // UTF-16: NULs are fine
    const auto binary = ft::NotCleanText(std::string("PK\x03\x04\0\0", 6));
    ASSERT_TRUE(binary);
    EXPECT_NE(binary->find(u"NUL"), std::u16string::npos);
    const auto bad = ft::NotCleanText("ok\xFF");
    ASSERT_TRUE(bad);
    EXPECT_NE(bad->find(u"1 个字节"), std::u16string::npos);
}
