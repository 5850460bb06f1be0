// quillmere-tidy: its command line run in-process, and the built program run
// end to end on files in GBK and UTF-8, to standard output, and onto outputs
// it cannot write.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../core/ChineseProse.h"
#include "Bytes.h"
#include "app/TidyCli.h"
#include "core/encoding/Encoding.h"
#include "core/text/Utf8.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using testsupport::FromUtf8;
using testsupport::Gbk;
using testsupport::ReadFileBytes;
using testsupport::Utf8;
using testsupport::WriteFileBytes;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

Result RunInProcess(const std::vector<std::string>& args) {
    Result r;
    const tidycli::Streams io{[&](std::string_view b) {
                                  r.out += b;
                                  return true;
                              },
                              [&](std::string_view b) { r.err += b; }};
    r.status = tidycli::Run(args, io);
    return r;
}

class TempDir {
  public:
    TempDir() {
        std::string t = (fs::temp_directory_path() / "qm-tidy-XXXXXX").string();
        path_ = ::mkdtemp(t.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    fs::path operator/(const std::string& name) const { return path_ / name; }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// Runs the built program; extraEnv adds NAME=value entries.
Result RunProgram(const std::vector<std::string>& args, const TempDir& dir,
                  const std::vector<std::string>& extraEnv = {}, int stdoutFd = -1) {
    const std::string outPath = (dir / ".stdout").string();
    const std::string errPath = (dir / ".stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    if (stdoutFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<std::string> argStrings = {QM_TIDY};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings = extraEnv;
    for (char** e = environ; *e; ++e) envStrings.emplace_back(*e);
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    Result r;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    r.out = ReadFileBytes(outPath);
    r.err = ReadFileBytes(errPath);
    fs::remove(outPath);
    fs::remove(errPath);
    return r;
}

// 《孔乙己》's opening: its paragraphs, and the same wrapped every 30
// characters, with "　　" before each paragraph; breaks as given.
std::vector<std::u16string> Paragraphs() {
    std::vector<std::u16string> out;
    const std::string s(prose::kKongYiJi);
    std::size_t start = 0;
    for (std::size_t at; (at = s.find('\n', start)) != std::string::npos; start = at + 1) {
        if (at > start) out.push_back(FromUtf8(s.substr(start, at - start)));
    }
    return out;
}

std::u16string Flowed(std::u16string_view br) {
    std::u16string s;
    for (const auto& p : Paragraphs()) s += u"\u3000\u3000" + p + std::u16string(br);
    return s;
}

std::u16string Wrapped(std::u16string_view br) {
    std::u16string s;
    for (const auto& p : Paragraphs()) {
        const std::u16string full = u"\u3000\u3000" + p;
        for (std::size_t i = 0; i < full.size(); i += 30) {
            s += full.substr(i, 30) + std::u16string(br);
        }
    }
    return s;
}

// A short book with a numbering gap: 第一章, 第二章, 第四章.
std::u16string NumberedBook() {
    const auto p = Paragraphs();
    return u"第一章 酒店\r\n" + p[0] + u"\r\n第二章 长衫\r\n" + p[1] + u"\r\n第四章 茴香豆\r\n" +
           p[2] + u"\r\n";
}

}  // namespace

TEST(TidyCommandLine, HelpIsInChinese) {
    const Result r = RunInProcess({"--help"});
    EXPECT_EQ(r.status, tidycli::kOk);
    EXPECT_NE(r.out.find("用法"), std::string::npos);
    for (const char* c : {"reflow", "indent", "blanklines", "chapters", "check", "-o -"}) {
        EXPECT_NE(r.out.find(c), std::string::npos) << c;
    }
    EXPECT_TRUE(r.err.empty());
}

class TidyUsageErrors : public testing::TestWithParam<std::vector<std::string>> {};

TEST_P(TidyUsageErrors, ExitTwoWithAMessage) {
    const Result r = RunInProcess(GetParam());
    EXPECT_EQ(r.status, tidycli::kUsageError);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TidyUsageErrors,
    testing::Values(std::vector<std::string>{}, std::vector<std::string>{"reflow"},
                    std::vector<std::string>{"frobnicate", "in.txt"},
                    std::vector<std::string>{"reflow", "in.txt"},
                    std::vector<std::string>{"reflow", "in.txt", "-o"},
                    std::vector<std::string>{"reflow", "in.txt", "extra", "-o", "out.txt"},
                    std::vector<std::string>{"reflow", "in.txt", "-o", "a", "-o", "b"},
                    std::vector<std::string>{"chapters", "in.txt", "-o", "out.txt"},
                    std::vector<std::string>{"reflow", "in.txt", "-o", "o", "--pua", "m"},
                    std::vector<std::string>{"repair", "in.txt", "-o", "-"},
                    std::vector<std::string>{"merge", "a.txt", "b.txt", "-o", "-"},
                    std::vector<std::string>{"--bogus", "chapters", "in.txt"},
                    std::vector<std::string>{"chapters", "in.txt", "--encoding", "KOI8-R"}));

TEST(TidyCommandLine, MissingInputFails) {
    TempDir dir;
    const Result r = RunInProcess({"chapters", (dir / "nowhere.txt").string()});
    EXPECT_EQ(r.status, tidycli::kFailed);
    EXPECT_NE(r.err.find("无法读取"), std::string::npos) << r.err;
}

TEST(TidyCommandLine, ReportsInUtf8WithoutBrokenFields) {
    // Kept bytes become U+FFFD; a tab inside a heading does not split it.
    EXPECT_EQ(qm::text::ToUtf8(u"第\U00020000章\xDC81"), "第\xF0\xA0\x80\x80章\xEF\xBF\xBD");
}

TEST(TidyProgram, ReflowGbkCrLfIntoAFileInGbkCrLf) {
    TempDir dir;
    WriteFileBytes(dir / "in.txt", Gbk(Wrapped(u"\r\n")));
    const Result r =
        RunProgram({"reflow", (dir / "in.txt").string(), "-o", (dir / "out.txt").string()}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(ReadFileBytes(dir / "out.txt"), Gbk(Flowed(u"\r\n")));
}

TEST(TidyProgram, ReflowUtf8LfToStandardOutput) {
    TempDir dir;
    WriteFileBytes(dir / "in.txt", Utf8(Wrapped(u"\n")));
    const Result r = RunProgram({"reflow", (dir / "in.txt").string(), "-o", "-"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Utf8(Flowed(u"\n")));
}

TEST(TidyProgram, ScrubWritesTheCleanTextAndCountsOnStandardError) {
    TempDir dir;
    WriteFileBytes(dir / "in.txt", Utf8(u"他\u200B说&quot;好\uE3F2\n"));
    WriteFileBytes(dir / "map.txt", Utf8(u"U+E3F2\t的\n"));
    const Result r = RunProgram(
        {"scrub", (dir / "in.txt").string(), "-o", "-", "--pua", (dir / "map.txt").string()}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Utf8(u"他说\"好的\n"));
    EXPECT_NE(r.err.find("零宽字符\tU+200B\t1\n"), std::string::npos) << r.err;
}

TEST(TidyProgram, RepairWritesTheTextAndOneLineASpan) {
    TempDir dir;
    WriteFileBytes(dir / "in.txt", Utf8(u"好\n浣犲ソ涓栫晫，好\n前锟斤拷后\n"));
    const Result r =
        RunProgram({"repair", (dir / "in.txt").string(), "-o", (dir / "out.txt").string()}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(dir / "out.txt"), Utf8(u"好\n你好世界，好\n前锟斤拷后\n"));
    EXPECT_EQ(r.out.substr(0, r.out.find('\t', 7)), "2\t0\t6\trepaired");
    EXPECT_NE(r.out.find("3\t1\t4\tlossy\t"), std::string::npos) << r.out;
}

TEST(TidyProgram, AFileOfSeveralEncodingsIsReadByItsRunsAndWrittenInUtf8) {
    TempDir dir;
    const std::u16string a = u"　　鲁镇的酒店的格局，是和别处不同的。\n";
    const std::u16string b = u"　　都是当街一个曲尺形的大柜台，柜里面预备着热水。\n";
    WriteFileBytes(dir / "in.txt", Gbk(a) + Utf8(b));
    const Result r = RunProgram({"indent", (dir / "in.txt").string(), "-o", "-"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Utf8(a + b));
    EXPECT_NE(r.err.find("第 2 行起 UTF-8"), std::string::npos) << r.err;
}

TEST(TidyProgram, IndentAndBlankLinesKeepTheEncoding) {
    TempDir dir;
    WriteFileBytes(dir / "in.txt",
                   Gbk(u"第一章 酒店\r\n鲁镇的酒店。\r\n\r\n\r\n我从十二岁起。\r\n"));
    Result r = RunProgram({"indent", (dir / "in.txt").string(), "-o", "-"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(
        r.out,
        Gbk(u"第一章 酒店\r\n\u3000\u3000鲁镇的酒店。\r\n\r\n\r\n\u3000\u3000我从十二岁起。\r\n"));
    r = RunProgram({"blanklines", (dir / "in.txt").string(), "-o", (dir / "in.txt").string()}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(dir / "in.txt"),
              Gbk(u"第一章 酒店\r\n\r\n鲁镇的酒店。\r\n\r\n我从十二岁起。\r\n"));
}

TEST(TidyProgram, ChaptersAndCheckPrintUtf8FromAGbkFile) {
    TempDir dir;
    WriteFileBytes(dir / "book.txt", Gbk(NumberedBook()));
    Result r = RunProgram({"chapters", (dir / "book.txt").string()}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "1\tchapter\t第一章 酒店\n3\tchapter\t第二章 长衫\n5\tchapter\t第四章 茴香豆\n");
    r = RunProgram({"check", (dir / "book.txt").string()}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("gap\t5\t", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("缺第3章"), std::string::npos) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
}

TEST(TidyProgram, ForcedEncoding) {
    TempDir dir;
    // Big5 bytes read as what they are when told.
    WriteFileBytes(dir / "in.txt",
                   qm::enc::Encode(u"第一章 酒店\r\n", qm::enc::Encoding::Big5).bytes);
    const Result r = RunProgram({"chapters", "--encoding", "Big5", (dir / "in.txt").string()}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1\tchapter\t第一章 酒店\n");
}

TEST(TidyProgram, UsageErrorExitsTwo) {
    TempDir dir;
    const Result r = RunProgram({"reflow", "in.txt"}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("-o"), std::string::npos);
}

TEST(TidyProgram, UnwritableOutputFailsAndLeavesNothingHalfWritten) {
    TempDir dir;
    WriteFileBytes(dir / "in.txt", Gbk(Wrapped(u"\r\n")));
    // Under a regular file: no folder to write in.
    WriteFileBytes(dir / "file", "x");
    Result r = RunProgram(
        {"reflow", (dir / "in.txt").string(), "-o", (dir / "file" / "out.txt").string()}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("无法写入"), std::string::npos) << r.err;

    // A read-only output keeps what it had.
    WriteFileBytes(dir / "ro.txt", "old");
    fs::permissions(dir / "ro.txt", fs::perms::owner_read | fs::perms::group_read);
    r = RunProgram({"reflow", (dir / "in.txt").string(), "-o", (dir / "ro.txt").string()}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFileBytes(dir / "ro.txt"), "old");

    // The disk fails as the data is made durable: the old file stays whole and
    // no temporary file is left beside it.
    WriteFileBytes(dir / "target.txt", "old");
    // A sanitized build wants its runtime first; the shim goes before it.
    const char* asan = std::getenv("ASAN_OPTIONS");
    r = RunProgram(
        {"reflow", (dir / "in.txt").string(), "-o", (dir / "target.txt").string()}, dir,
        {std::string("LD_PRELOAD=") + QM_FAILING_CALLS, "QM_FAIL_CALL=fdatasync",
         "QM_FAIL_PATH=" + dir.path().filename().string(),
         "ASAN_OPTIONS=" + std::string(asan != nullptr ? asan : "") +
             (asan != nullptr && *asan != '\0' ? ":" : "") + "verify_asan_link_order=0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("无法写入"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(dir / "target.txt"), "old");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"file", "in.txt", "ro.txt", "target.txt"}));
}

TEST(TidyProgram, PurgeCutsMarksWithTheUsersRulesAndKeepsTheEncoding) {
    TempDir dir;
    const auto p = Paragraphs();
    WriteFileBytes(dir / "in.txt", Gbk(u"第一章 酒店\r\n" + p[0] +
                                       u"最新章节请访问 ｗｗｗ．ｂｉｑｕｇｅ．ｃｃ\r\n" + p[1] +
                                       u"\r\n【某某书屋】\r\n"));
    WriteFileBytes(dir / "rules.txt", Utf8(u"# 我的规则\n某某书屋\n"));
    Result r = RunProgram(
        {"purge", (dir / "in.txt").string(), "-o", "-", "--rules", (dir / "rules.txt").string()},
        dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Gbk(u"第一章 酒店\r\n" + p[0] + u"\r\n" + p[1] + u"\r\n"));
    // A nickname in every chapter only repeats: kept, and its lines named.
    const std::u16string ch = u"章 来了\r\n「及时雨」宋江来了。\r\n";
    WriteFileBytes(dir / "nick.txt",
                   Utf8(u"第一" + ch + u"第二" + ch + u"第三" + ch + u"第四" + ch));
    r = RunProgram({"purge", (dir / "nick.txt").string(), "-o", "-"}, dir);
    EXPECT_EQ(r.out, ReadFileBytes(dir / "nick.txt"));
    EXPECT_NE(r.err.find("第 2、4、6、8 行"), std::string::npos) << r.err;

    // A bad rule: told with its line, nothing written.
    WriteFileBytes(dir / "rules.txt", Utf8(u"某某书屋\n正则:[\n"));
    r = RunProgram({"purge", (dir / "in.txt").string(), "-o", (dir / "out.txt").string(), "--rules",
                    (dir / "rules.txt").string()},
                   dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("第 2 行"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
}

TEST(TidyProgram, DuplicatesListsEachRepeatWithItsFirstLine) {
    TempDir dir;
    const auto p = Paragraphs();
    WriteFileBytes(dir / "in.txt", Utf8(p[0] + u"\n" + p[1] + u"\n" + p[0] + u"\n"));
    const Result r = RunProgram({"duplicates", (dir / "in.txt").string()}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "3\t1\t" + Utf8(p[0]) + "\n");
}

TEST(TidyProgram, AuditPrintsKindHeadingLineAndReasonAndSucceedsEitherWay) {
    TempDir dir;
    // Four placeholders of six chapters are the whole book's (line 0); a
    // notice is its chapter's.
    std::u16string book;
    for (const char16_t n : std::u16string_view(u"1234"))
        book += u"第" + std::u16string(1, n) + u"章\n　　正在手打中。\n";
    WriteFileBytes(dir / "in.txt", Utf8(book + u"第5章\n　　此为防盗章节。\n第6章\n　　" +
                                        Paragraphs()[0] + u"\n"));
    Result r = RunProgram({"audit", (dir / "in.txt").string()}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "placeholder\t0\t" +
                         Utf8(u"全书大部分章节（4/6章）是占位文字：这份下载多半还没有正文") +
                         "\nantitheft\t9\t" + Utf8(u"有防盗章节的提示，正文稍后才会替换") + "\n");
    WriteFileBytes(dir / "in.txt", Utf8(u"第1章 甲\n　　" + Paragraphs()[0] + u"\n"));
    r = RunProgram({"audit", (dir / "in.txt").string()}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(TidyProgram, MergeWritesInAsEncodingAndTellsEachChaptersSource) {
    TempDir dir;
    const auto p = Paragraphs();
    std::u16string a;
    std::u16string b;
    for (char16_t n = 0; n < 4; ++n) {
        const std::u16string heading = u"第" + std::u16string(1, u'1' + n) + u"章 回目";
        a += heading + u"\r\n" + (n == 2 ? u"正在手打中，请稍等片刻。" : p[n]) + u"\r\n";
        b += heading + u"\n" + p[n] + u"\n";
    }
    WriteFileBytes(dir / "a.txt", Gbk(a));
    WriteFileBytes(dir / "b.txt", Utf8(b));
    const Result r = RunProgram({"merge", (dir / "a.txt").string(), (dir / "b.txt").string(), "-o",
                                 (dir / "m.txt").string()},
                                dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1\t1\tA\n3\t3\tA\n5\t5\tB\n7\t7\tA\n");
    std::u16string want = a;
    want.replace(want.find(u"正在手打中，请稍等片刻。"), 12, p[2]);
    EXPECT_EQ(ReadFileBytes(dir / "m.txt"), Gbk(want));
}

TEST(TidyProgram, EpubTakesItsTitleFromTheFileNameAndNeverGoesToStandardOutput) {
    TempDir dir;
    WriteFileBytes(dir / "孔乙己.txt", Gbk(NumberedBook()));
    Result r = RunProgram({"epub", (dir / "孔乙己.txt").string(), "-o", "-"}, dir);
    EXPECT_EQ(r.status, 2) << r.err;
    r = RunProgram({"epub", (dir / "孔乙己.txt").string(), "-o", (dir / "k.epub").string(),
                    "--author", "鲁迅"},
                   dir);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string epub = ReadFileBytes(dir / "k.epub");
    // A zip whose first entry is the stored "mimetype".
    ASSERT_GT(epub.size(), 58u);
    EXPECT_EQ(epub.substr(0, 4), "PK\x03\x04");
    EXPECT_EQ(epub.substr(30, 8), "mimetype");
    EXPECT_EQ(epub.substr(38, 20), "application/epub+zip");
}

TEST(TidyProgram, AnInputLargerThanMemoryIsToldAndNothingIsWritten) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer cannot run with an address-space limit";
#endif
    TempDir dir;
    // 87 MB of UTF-8: its text and the re-flowed copy need far more than 160 MB.
    std::string line = Utf8(u"\u3000\u3000" + Paragraphs()[0]) + "\n";
    std::string big;
    while (big.size() < 87'000'000) big += line;
    WriteFileBytes(dir / "big.txt", big);
    WriteFileBytes(dir / "out.txt", "old");
    const std::string tidy = QM_TIDY;
    const std::string in = (dir / "big.txt").string();
    const std::string out = (dir / "out.txt").string();
    const std::string err = (dir / ".stderr").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit limit{160u << 20, 160u << 20};
        ::setrlimit(RLIMIT_AS, &limit);
        const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::execl(tidy.c_str(), tidy.c_str(), "reflow", in.c_str(), "-o", out.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal: " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(ReadFileBytes(err).find("内存不足"), std::string::npos) << ReadFileBytes(err);
    EXPECT_EQ(ReadFileBytes(dir / "out.txt"), "old");
    fs::remove(err);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"big.txt", "out.txt"}));
}

TEST(TidyProgram, FileNamesThatAreNotUtf8AreKeptAsTheirBytes) {
    TempDir dir;  // GBK names: 第, 章
    const std::string di = (dir / "\xB5\xDA.txt").string(), zhang = (dir / "\xD5\xC2.txt").string();
    WriteFileBytes(di, Gbk(NumberedBook()));
    EXPECT_EQ(RunProgram({"indent", di, "-o", zhang}, dir).status, 0);
    EXPECT_EQ(ReadFileBytes(zhang), RunProgram({"indent", di, "-o", "-"}, dir).out);
    EXPECT_NE(RunProgram({"check", di + "x"}, dir).err.find("\\xB5\\xDA.txtx"), std::string::npos);
}

TEST(TidyProgram, KilledWhileWritingANewFileLeavesNoPartOfIt) {
    TempDir dir;
    WriteFileBytes(dir / "in.txt", Gbk(NumberedBook()));
    RunProgram({"reflow", (dir / "in.txt").string(), "-o", (dir / "out.txt").string()}, dir,
               {std::string("LD_PRELOAD=") + QM_FAILING_CALLS, "QM_FAIL_CALL=write",
                "QM_FAIL_PATH=out.txt", "ASAN_OPTIONS=verify_asan_link_order=0"});
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
}

// Each fails in writing or before: exit 1, nothing written (nor a report of
// what was), no temporary file left, and told in a few lines. "@x" is the
// file x in the test's folder, which starts with a garbled line.
struct Failure {
    const char* name;
    friend void PrintTo(const Failure& f, std::ostream* os) { *os << f.name; }
    std::vector<std::string> args;
    const char* out = nullptr;  // standard output: a file, or "" for a pipe nobody reads
    rlim_t fileLimit = RLIM_INFINITY;
};
class TidyFailures : public testing::TestWithParam<Failure> {};

TEST_P(TidyFailures, ExitOneWithNothingWritten) {
    TempDir dir;
    WriteFileBytes(dir / "in.txt", Gbk(u"浣犲ソ涓栫晫\r\n" + NumberedBook()));
    std::vector<std::string> args;
    for (const auto& a : GetParam().args)
        args.push_back(a[0] == '@' ? (dir / a.substr(1)).string() : a);
    const char* out = GetParam().out;
    int fds[2] = {-1, -1};
    if (out != nullptr && *out == '\0' && ::pipe(fds) == 0) ::close(fds[0]);
    if (out != nullptr && *out != '\0') fds[1] = ::open(out, O_WRONLY);
    // The program inherits the limit; this process writes nothing meanwhile.
    rlimit was{};
    ::getrlimit(RLIMIT_FSIZE, &was);
    const rlimit limit{std::min(GetParam().fileLimit, was.rlim_max), was.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const Result r = RunProgram(args, dir, {}, fds[1]);
    ::setrlimit(RLIMIT_FSIZE, &was);
    ::close(fds[1]);
    EXPECT_EQ(r.status, 1) << r.err;
    if (out == nullptr) {
        EXPECT_EQ(r.out, "");
    }
    EXPECT_LE(std::count(r.err.begin(), r.err.end(), '\n'), 12) << r.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TidyFailures,
    testing::Values(
        Failure{"EpubPastTheFileSizeLimit", {"epub", "@in.txt", "-o", "@k.epub"}, nullptr, 1024},
        Failure{"TextPastTheFileSizeLimit", {"reflow", "@in.txt", "-o", "@out.txt"}, nullptr, 1024},
        Failure{"TextToAFullDisk", {"reflow", "@in.txt", "-o", "-"}, "/dev/full"},
        Failure{"TextIntoAClosedPipe", {"reflow", "@in.txt", "-o", "-"}, ""},
        Failure{"PurgeWithUnreadableRules",
                {"purge", "@in.txt", "-o", "@out.txt", "--rules", "@no"}},
        Failure{"ScrubWithAMapThatIsNone",
                {"scrub", "@in.txt", "-o", "@out.txt", "--pua", "@in.txt"}},
        Failure{"PurgeWithRulesThatAreNoText",
                {"purge", "@in.txt", "-o", "@out.txt", "--rules", "/proc/self/exe"}},
        Failure{
            "RepairPastTheFileSizeLimit", {"repair", "@in.txt", "-o", "@out.txt"}, nullptr, 1024}),
    [](const auto& info) { return std::string(info.param.name); });
