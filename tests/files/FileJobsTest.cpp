// The file tools on real files: what they write, and what a failure leaves.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <random>
#include <vector>

#include "../ui/UiTestSupport.h"
#include "core/encoding/Encoding.h"
#include "files/FileJobs.h"

namespace {
using testsupport::GbkBytes;

struct RewriteCase {
    const char* name;
    friend void PrintTo(const RewriteCase& c, std::ostream* os) { *os << c.name; }
    QByteArray before;
    const char16_t* find;
    const char16_t* replaceWith;
    bool backup;  // the old file kept as .BAK
    QByteArray after;
};

// Each file is rewritten in its own encoding and line breaks. (Made when the
// tests are listed, not while statics are set up: the encoder is a static too.)
std::vector<RewriteCase> Rewrites() {
    return {
        {"GbkWithABackup", GbkBytes(u"旧文本\r\n\r\n又是旧的"), u"旧", u"新", true,
         GbkBytes(u"新文本\r\n\r\n又是新的\r\n")},
        {"Utf8WithLfBreaks", QStringLiteral("旧文本\n旧€\n").toUtf8(), u"旧", u"新😀", false,
         QStringLiteral("新😀文本\n新😀€\n").toUtf8()},
        // 旧𠀀 in GB18030: a four-byte sequence, which GBK lacks.
        {"Gb18030WithAFourByteSequence", QByteArray("\xBE\xC9\x95\x32\x82\x36\r\n", 8), u"旧",
         u"新", false, QByteArray("\xD0\xC2\x95\x32\x82\x36\r\n", 8)},
    };
}

class BatchRewrite : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(BatchRewrite, KeepsTheFilesEncoding) {
    const RewriteCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    ASSERT_TRUE(uitest::WriteBytes(path, c.before));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    ASSERT_TRUE(files::ReplaceInFile(path, c.find, c.replaceWith, c.backup).ok);
    EXPECT_EQ(uitest::ReadBytes(path), c.after);
    if (c.backup) {
        EXPECT_EQ(uitest::ReadBytes(path + ".BAK"), c.before);
    }
    EXPECT_TRUE(QFile::permissions(path) & QFile::ReadOther);  // kept across the rename
}

INSTANTIATE_TEST_SUITE_P(BatchReplace, BatchRewrite, ::testing::ValuesIn(Rewrites()),
                         [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    friend void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }
    QByteArray bytes;
    const char16_t* find;
    const char16_t* replaceWith;
    const char* why;  // a part of the reason given
};

std::vector<RefusalCase> Refusals() {
    return {
        {"AReplacementTheEncodingCannotHold", GbkBytes(u"新文本\r\n\r\n又是新的\r\n"), u"新", u"😀",
         "GBK"},
        {"BytesThatDecodeInNoEncoding", QByteArray("\xC4\xE3\xFF\xFF"), u"你", u"我", "无法按"},
    };
}

class BatchRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(BatchRefusal, LeavesTheFileUntouchedAndSaysWhy) {
    const RefusalCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    ASSERT_TRUE(uitest::WriteBytes(path, c.bytes));
    const files::Outcome o = files::ReplaceInFile(path, c.find, c.replaceWith, false);
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.why.contains(QString::fromUtf8(c.why))) << o.why.toStdString();
    EXPECT_EQ(uitest::ReadBytes(path), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(BatchReplace, BatchRefusal, ::testing::ValuesIn(Refusals()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// A listed file that went away is not created again.
TEST(BatchReplace, AListedFileThatWentAwayIsNotMadeAgain) {
    QTemporaryDir dir;
    const QString gone = dir.filePath("gone.txt");
    EXPECT_FALSE(files::ReplaceInFile(gone, u"a", u"b", false).ok);
    EXPECT_FALSE(QFileInfo::exists(gone));
}

// A write that fails (the disk is full) leaves the old file whole.
TEST(BatchReplace, AFullDiskLeavesTheOldFileWhole) {
    QTemporaryDir dir;
    const QString gbk = dir.filePath("a.txt");
    const QByteArray before = GbkBytes(u"新文本\r\n\r\n又是新的\r\n");
    ASSERT_TRUE(uitest::WriteBytes(gbk, before));
    {
        uitest::FileSizeLimit limit(8);
        EXPECT_FALSE(files::ReplaceInFile(gbk, u"新", u"更新的", false).ok);
    }
    EXPECT_EQ(uitest::ReadBytes(gbk), before);
}

// Text documents only: scripts, sources, pages, pictures and desktop entries
// are text to the type system too, and would be rewritten with CR LF.
TEST(BatchReplace, AFolderAddsItsTextDocumentsOnly) {
    QTemporaryDir dir;
    for (const char* name :
         {"a.txt", "b.TXT", "c.Txt", "d.asc", "run.sh", "tool.py", "main.c", "page.html",
          "icon.svg", "app.desktop", "c.log", "t.csv", "d.png", "e", "a.txt.BAK", "Makefile"}) {
        ASSERT_TRUE(uitest::WriteBytes(dir.filePath(name), "x"));
    }
    QDir(dir.path()).mkdir("sub.txt");
    ASSERT_TRUE(uitest::WriteBytes(dir.filePath("sub.txt/inner.txt"), "x"));
    std::ofstream(dir.path().toStdString() + "/\xB5\xDA.txt") << "x";  // a GBK name: 第
    QStringList names;
    for (const QString& p : files::TextFilesIn(dir.path())) names << QFileInfo(p).fileName();
    names.sort();
    // .asc is plain text itself by its name; the GBK name keeps its bytes.
    EXPECT_EQ(files::ShownPath(names.back()), "\\xB5\\xDA.txt");
    EXPECT_EQ(files::ShownPath("a\nb\".txt"), "a\\x0Ab\".txt") << "one line for a message";
    EXPECT_TRUE(files::ReplaceInFile(dir.path() + "/" + names.back(), u"x", u"y", false).ok);
    EXPECT_EQ(names.first(4), (QStringList{"a.txt", "b.TXT", "c.Txt", "d.asc"}));
}

// Split, then rejoin with the shell script the splitter wrote: byte for byte.
TEST(Splitter, PartsRejoinByteForByteWithTheScript) {
    QTemporaryDir dir;
    const QString source = dir.filePath("源 文件.bin");
    QByteArray bytes(300'000, '\0');
    std::mt19937 rng(9);
    for (char& b : bytes) b = static_cast<char>(rng());
    ASSERT_TRUE(uitest::WriteBytes(source, bytes));
    QDir(dir.path()).mkdir("out");
    const files::SplitNames names = files::NamesFor(source, dir.filePath("out/部分 x.bin"));
    EXPECT_EQ(names.folder, dir.filePath("out"));
    EXPECT_EQ(names.partBase, QStringLiteral("部分_x.bin"));
    EXPECT_EQ(names.sourceName, QStringLiteral("源_文件.bin"));
    const qm::filetools::SplitPlan plan = qm::filetools::CheckSplit([&] {
                                              qm::filetools::SplitRequest r;
                                              r.sizeText = u"100";
                                              r.openFile = source.toStdU16String();
                                              r.saveFile = u"x";
                                              r.sourceSize = bytes.size();
                                              return r;
                                          }())
                                              .plan;
    ASSERT_EQ(plan.parts, 3);
    std::vector<std::int64_t> told;
    ASSERT_TRUE(files::SplitFile(source, names, plan, [&](std::int64_t k) {
                    told.push_back(k);
                    return true;
                }).ok);
    EXPECT_EQ(told, (std::vector<std::int64_t>{0, 1, 2}));
    EXPECT_EQ(QFileInfo(dir.filePath("out/部分_x.bin.2")).size(), 300'000 - 2 * 102'400);
    ASSERT_TRUE(files::WriteRejoinScripts(names, plan.parts, true).ok);
    EXPECT_TRUE(QFileInfo(dir.filePath("out/源_文件.bin.sh")).isExecutable());
    EXPECT_EQ(uitest::ReadBytes(dir.filePath("out/源_文件.bin.bat")),
              GbkBytes(u"copy /b 部分_x.bin.0 + 部分_x.bin.1 + 部分_x.bin.2 源_文件.bin\r\n"
                       u"del 部分_x.bin.0\r\ndel 部分_x.bin.1\r\ndel 部分_x.bin.2\r\nDEL "
                       u"\"源_文件.bin.bat\"\r\n"));
    QProcess sh;
    sh.start(QStringLiteral("/bin/sh"), {dir.filePath("out/源_文件.bin.sh")});
    ASSERT_TRUE(sh.waitForFinished(-1));
    EXPECT_EQ(sh.exitCode(), 0) << sh.readAllStandardError().toStdString();
    EXPECT_EQ(uitest::ReadBytes(dir.filePath("out/源_文件.bin")), bytes);
    // With deletion chosen, only the joined file is left.
    EXPECT_EQ(QDir(dir.filePath("out")).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"源_文件.bin", "源_文件.bin.bat"}));
}

namespace {

// Runs a script with a shell from another folder; its exit code, or -1.
int RunScript(const QString& shell, const QString& script, const QString& workDir) {
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(shell, {script});
    if (!p.waitForFinished(-1)) return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QStringList AllIn(const QString& folder) {
    QStringList names =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

}  // namespace

// Hostile names in the rejoin shell script: run with bash and sh, it joins
// the parts, removes them and itself, and runs nothing from any name.
TEST(Splitter, TheShellScriptRunsNothingFromAName) {
    const QString names[] = {
        QStringLiteral("x\ntouch pwned\n#"),  // ended a comment line that held the name
        QStringLiteral("a\rtouch pwned"),
        QStringLiteral("$(touch pwned)"),
        QStringLiteral("`touch pwned`"),
        QStringLiteral("it's'; touch pwned; '"),
        QStringLiteral("100%&^ !x"),
        QStringLiteral("-n"),
        QStringLiteral("--help"),
        QStringLiteral("部分 \n\n"),
    };
    for (const QString& shell : {QStringLiteral("bash"), QStringLiteral("sh")}) {
        for (const QString& name : names) {
            SCOPED_TRACE((shell + QLatin1Char(' ') + name).toStdString());
            QTemporaryDir dir;
            QTemporaryDir elsewhere;
            const QString folder = dir.filePath(QStringLiteral("out\n$(touch pwned)"));
            ASSERT_TRUE(QDir().mkpath(folder));
            const QString base = name + QStringLiteral(".part");
            ASSERT_TRUE(uitest::WriteBytes(folder + "/" + base + ".0", "first "));
            ASSERT_TRUE(uitest::WriteBytes(folder + "/" + base + ".1", "second"));
            const QString script = folder + "/" + name + ".sh";
            ASSERT_TRUE(uitest::WriteBytes(
                script,
                QString::fromStdU16String(
                    qm::filetools::ShellText(base.toStdU16String(), name.toStdU16String(), 2, true))
                    .toUtf8()));
            EXPECT_EQ(RunScript(shell, script, elsewhere.path()), 0);
            EXPECT_EQ(uitest::ReadBytes(folder + "/" + name), QByteArray("first second"));
            EXPECT_EQ(AllIn(folder), QStringList{name});  // parts and script removed
            EXPECT_EQ(AllIn(elsewhere.path()), QStringList{});
            EXPECT_EQ(AllIn(dir.path()), QStringList{QStringLiteral("out\n$(touch pwned)")});
        }
    }
}

// The batch file cannot quote a line break or a double quote: such a name is
// refused with the name shown and no script written; cmd's other special
// characters are quoted, % doubled, and every line ends with CR LF alone.
TEST(Splitter, TheBatchFileHoldsNoBareLineBreakAndQuotesSpecials) {
    QTemporaryDir dir;
    for (const QString& bad : {QStringLiteral("a\nb"), QStringLiteral("a\rb"),
                               QStringLiteral("a\"b"), QStringLiteral("a*b")}) {
        for (const bool asSource : {true, false}) {
            const files::SplitNames names{dir.path(), asSource ? QStringLiteral("p") : bad,
                                          asSource ? bad : QStringLiteral("s")};
            const files::Outcome o = files::WriteRejoinScripts(names, 2, true);
            EXPECT_FALSE(o.ok) << bad.toStdString();
            QString shown = bad;
            shown.replace(QLatin1Char('\n'), QChar(0x240A))
                .replace(QLatin1Char('\r'), QChar(0x240D));
            EXPECT_TRUE(o.why.contains(shown)) << o.why.toStdString();
            EXPECT_EQ(AllIn(dir.path()), QStringList{});
        }
    }
    const files::SplitNames names{dir.path(), QStringLiteral("-p%x%&^"),
                                  QStringLiteral("it's $(x) `y` 100%&^")};
    ASSERT_TRUE(files::WriteRejoinScripts(names, 2, true).ok);
    const QByteArray bat = uitest::ReadBytes(dir.filePath("it's $(x) `y` 100%&^.bat"));
    EXPECT_EQ(bat,
              QByteArray("copy /b \"-p%%x%%&^.0\" + \"-p%%x%%&^.1\" \"it's $(x) `y` 100%%&^\"\r\n"
                         "del \"-p%%x%%&^.0\"\r\ndel \"-p%%x%%&^.1\"\r\n"
                         "DEL \"it's $(x) `y` 100%%&^.bat\"\r\n"));
    EXPECT_EQ(bat.count('\n'), bat.count("\r\n"));
    EXPECT_EQ(bat.count('\r'), bat.count("\r\n"));
}

TEST(Splitter, AWriteErrorNamesThePartAndStops) {
    QTemporaryDir dir;
    const QString source = dir.filePath("s.bin");
    ASSERT_TRUE(uitest::WriteBytes(source, QByteArray(5000, 'z')));
    qm::filetools::SplitPlan plan;
    plan.parts = 2;
    plan.partSize = 2500;
    plan.sourceSize = 5000;
    files::Outcome split;
    {
        uitest::FileSizeLimit limit(1000);
        split = files::SplitFile(source, files::NamesFor(source, QStringLiteral("p")), plan, {});
    }
    EXPECT_FALSE(split.ok);
    EXPECT_TRUE(split.why.contains(QStringLiteral("第 1 个"))) << split.why.toStdString();
    EXPECT_TRUE(split.why.contains(QStringLiteral("p.0")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("p.0")));  // no half-written part left
}

TEST(Merger, JoinsStreamsAndMayOverwriteAnInput) {
    QTemporaryDir dir;
    const QString a = dir.filePath("a.txt");
    const QString b = dir.filePath("b.txt");
    const QString empty = dir.filePath("empty.txt");
    ASSERT_TRUE(uitest::WriteBytes(a, "A"));
    ASSERT_TRUE(uitest::WriteBytes(b, "B"));
    ASSERT_TRUE(uitest::WriteBytes(empty, ""));
    const QString out = dir.filePath("out.txt");
    ASSERT_TRUE(files::MergeFiles({a, empty, b}, out, "\r\n\r\n").ok);
    EXPECT_EQ(uitest::ReadBytes(out), QByteArray("A\r\n\r\nB\r\n\r\n\r\n"));
    // The output may be one of the inputs: read before it is replaced.
    ASSERT_TRUE(files::MergeFiles({a, b}, a, "----\r\n").ok);
    EXPECT_EQ(uitest::ReadBytes(a), QByteArray("A----\r\nB----\r\n\r\n"));
    // An input that cannot be read stops the merge, names it, and leaves the output.
    const files::Outcome missing = files::MergeFiles({b, dir.filePath("nope.txt")}, out, "\r\n");
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.why.contains(QStringLiteral("nope.txt")));
    EXPECT_EQ(uitest::ReadBytes(out), QByteArray("A\r\n\r\nB\r\n\r\n\r\n"));
}

TEST(Merger, TellsEachInputsEncodingAndConvertsThoseOfAnotherFamily) {
    using qm::enc::Encoding;
    QTemporaryDir dir;
    const QString gbk = dir.filePath("g.txt");
    ASSERT_TRUE(uitest::WriteBytes(gbk, GbkBytes(u"第一章 天地玄黄，宇宙洪荒。\r\n")));
    const QString utf8 = dir.filePath("u.txt");
    ASSERT_TRUE(uitest::WriteBytes(utf8, QStringLiteral("第二章 日月盈昃，辰宿列张。\n").toUtf8()));
    const QString bom = dir.filePath("b.txt");
    ASSERT_TRUE(uitest::WriteBytes(bom, "\xEF\xBB\xBF" + QStringLiteral("寒来暑往").toUtf8()));
    const QString binary = dir.filePath("x.bin");
    ASSERT_TRUE(uitest::WriteBytes(binary, QByteArray("PK\x03\x04\0\0\xFF", 7)));
    const auto e = files::EncodingsOf({gbk, utf8, bom, binary, dir.filePath("gone.txt")});
    ASSERT_EQ(e.size(), 5u);
    EXPECT_EQ(e[0], Encoding::Gbk);
    EXPECT_EQ(e[1], Encoding::Utf8);
    EXPECT_EQ(e[2], Encoding::Utf8Bom);
    EXPECT_FALSE(e[3].has_value());
    EXPECT_FALSE(e[4].has_value());
    EXPECT_TRUE(files::SameFamily(Encoding::Gbk, Encoding::Gb18030));
    EXPECT_TRUE(files::SameFamily(Encoding::Utf8Bom, Encoding::Utf8));
    EXPECT_FALSE(files::SameFamily(Encoding::Gbk, Encoding::Big5));

    // Converted to the first file's encoding: one GBK file, line breaks as
    // the target's style, the UTF-8 BOM gone.
    files::MergeConversion c;
    c.target.encoding = Encoding::Gbk;
    c.from = {e[0], e[1], e[2]};
    const QString out = dir.filePath("out.txt");
    ASSERT_TRUE(files::MergeFiles({gbk, utf8, bom}, out, "", &c).ok);
    EXPECT_EQ(
        uitest::ReadBytes(out),
        GbkBytes(u"第一章 天地玄黄，宇宙洪荒。\r\n第二章 日月盈昃，辰宿列张。\r\n寒来暑往\r\n"));
    // As they are: the bytes joined untouched.
    ASSERT_TRUE(files::MergeFiles({gbk, utf8}, out, "").ok);
    EXPECT_EQ(uitest::ReadBytes(out),
              uitest::ReadBytes(gbk) + uitest::ReadBytes(utf8) + QByteArray("\r\n"));
    // A write that fails while converting leaves the old output whole.
    const QByteArray before = uitest::ReadBytes(out);
    {
        uitest::FileSizeLimit limit(8);
        const files::Outcome full = files::MergeFiles({gbk, utf8, bom}, out, "", &c);
        EXPECT_FALSE(full.ok);
        EXPECT_TRUE(full.why.contains(QStringLiteral("out.txt"))) << full.why.toStdString();
    }
    EXPECT_EQ(uitest::ReadBytes(out), before);
    // An input too large to convert in memory is refused before anything is
    // written (a sparse file: no disk is used).
    const QString huge = dir.filePath("huge.txt");
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(files::kMaxReplaceBytes + 1));
    }
    c.from = {e[0], Encoding::Utf8};
    const files::Outcome big = files::MergeFiles({gbk, huge}, out, "", &c);
    EXPECT_FALSE(big.ok);
    EXPECT_TRUE(big.why.contains(QStringLiteral("huge.txt"))) << big.why.toStdString();
    EXPECT_TRUE(big.why.contains(QStringLiteral("太大"))) << big.why.toStdString();
    EXPECT_EQ(uitest::ReadBytes(out), before);
    // Into UTF-16: the closing break in the output's encoding too.
    c.target.encoding = Encoding::Utf16Le;
    c.from = {e[0]};
    ASSERT_TRUE(files::MergeFiles({gbk}, out, "", &c, std::string("\r\0\n\0", 4)).ok);
    EXPECT_EQ(
        QString::fromUtf16(reinterpret_cast<const char16_t*>(uitest::ReadBytes(out).constData()),
                           uitest::ReadBytes(out).size() / 2),
        QStringLiteral("第一章 天地玄黄，宇宙洪荒。\r\n\r\n"));
}

// Every input is opened before the output is made: one that is missing
// stops the merge with its name, and an output that does not exist yet but
// is listed as an input is never created and then read as one.
TEST(Merger, AMissingInputStopsTheMergeBeforeAnythingIsWritten) {
    QTemporaryDir dir;
    const QString a = dir.filePath("a.txt");
    const QString b = dir.filePath("b.txt");
    ASSERT_TRUE(uitest::WriteBytes(a, "A"));
    ASSERT_TRUE(uitest::WriteBytes(b, "B"));
    const QString out = dir.filePath("out.txt");
    files::Outcome self;
    {
        uitest::FileSizeLimit limit(1 << 20);  // should the output feed on itself
        self = files::MergeFiles({a, out, b}, out, "\r\n");
    }
    EXPECT_FALSE(self.ok);
    EXPECT_TRUE(self.why.startsWith(QStringLiteral("无法读取文件"))) << self.why.toStdString();
    EXPECT_TRUE(self.why.contains(QStringLiteral("out.txt")));
    EXPECT_EQ(AllIn(dir.path()), (QStringList{"a.txt", "b.txt"}));

    const files::Outcome missing = files::MergeFiles({a, dir.filePath("gone.txt"), b}, out, "\r\n");
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.why.contains(QStringLiteral("gone.txt"))) << missing.why.toStdString();
    EXPECT_EQ(AllIn(dir.path()), (QStringList{"a.txt", "b.txt"}));

    // An output that is an input, also through a link, is read as it was.
    ASSERT_TRUE(QFile::link(a, dir.filePath("link.txt")));
    ASSERT_TRUE(files::MergeFiles({dir.filePath("link.txt"), b, a}, a, "-\r\n").ok);
    EXPECT_EQ(uitest::ReadBytes(a), QByteArray("A-\r\nB-\r\nA-\r\n\r\n"));
    EXPECT_EQ(AllIn(dir.path()), (QStringList{"a.txt", "b.txt", "link.txt"}));
}

TEST(TextIntoFiles, UnsafeTitlesAreNotWrittenAndTheFolderIsMade) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("生成目录");
    const std::vector<qm::filetools::Record> records =
        qm::filetools::CutRecords(u"a|1}\r\nb|2}\r\n../evil|3}\r\nx/y|4}", u"|", u"}");
    const files::RecordsWritten w = files::WriteRecords(records, folder);
    EXPECT_EQ(w.titles.size(), 4);
    EXPECT_EQ(w.notWritten, (QStringList{"../evil", "x/y"}));
    EXPECT_EQ(uitest::ReadBytes(folder + "/a.txt"), QByteArray("a|1\r\n"));
    EXPECT_EQ(uitest::ReadBytes(folder + "/b.txt"), QByteArray("b|2\r\n"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("evil.txt")));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), (QStringList{"a.txt", "b.txt"}));
}

// Every file the tools write, under a real write failure: the old file whole,
// nothing half written left behind, and the failure told.
TEST(FileToolsFullDisk, MergeScriptsAndRecordsFailWhole) {
    QTemporaryDir dir;
    const QString a = dir.filePath("a.txt");
    ASSERT_TRUE(uitest::WriteBytes(a, QByteArray(4000, 'a')));
    const QString out = dir.filePath("out.txt");
    ASSERT_TRUE(uitest::WriteBytes(out, "old output"));
    files::Outcome merged;
    {
        uitest::FileSizeLimit limit(1000);
        merged = files::MergeFiles({a, a}, out, "\r\n");
    }
    EXPECT_FALSE(merged.ok);
    EXPECT_TRUE(merged.why.contains(QStringLiteral("out.txt"))) << merged.why.toStdString();
    EXPECT_EQ(uitest::ReadBytes(out), QByteArray("old output"));

    // The rejoin scripts of a split with many parts.
    const files::SplitNames names{dir.path(), QStringLiteral("p"), QStringLiteral("s")};
    ASSERT_TRUE(uitest::WriteBytes(dir.filePath("s.bat"), "old bat"));
    files::Outcome scripts;
    {
        uitest::FileSizeLimit limit(100);
        scripts = files::WriteRejoinScripts(names, 200, true);
    }
    EXPECT_FALSE(scripts.ok);
    EXPECT_EQ(uitest::ReadBytes(dir.filePath("s.bat")), QByteArray("old bat"));

    // A record too large to write is reported, and no piece of it stays.
    const std::vector<qm::filetools::Record> records =
        qm::filetools::CutRecords(u"small|1}big|" + std::u16string(5000, u'x') + u"}", u"|", u"}");
    files::RecordsWritten w;
    {
        uitest::FileSizeLimit limit(1000);
        w = files::WriteRecords(records, dir.filePath("records"));
    }
    EXPECT_EQ(w.notWritten, QStringList{"big"});
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("records/big.txt")));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("records/small.txt")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"a.txt", "out.txt", "s.bat"}));
}
