#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "Bytes.h"
#include "FailingAllocation.h"
#include "core/novel/NovelBook.h"
#include "files/EpubWriter.h"

namespace e = qm::epub;

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;

e::Chapter MakeChapter(int n, int paragraphs = 3) {
    e::Chapter c;
    c.title = u"第" + QString::number(n).toStdU16String() + u"章 风雪山神庙";
    for (int i = 0; i < paragraphs; ++i)
        c.paragraphs.push_back(u"　　那雪正下得紧，林冲踏着那瑞雪，迎着北风，飞也似奔到草场门口。");
    return c;
}

e::Book WithVolumes() {
    e::Book b;
    b.title = u"水浒传";
    b.author = u"施耐庵";
    b.front = {u"　　楔子一段，在第一卷之前。"};
    for (int v = 1; v <= 2; ++v) {
        e::Volume vol;
        vol.title = u"第" + QString::number(v).toStdU16String() + u"卷";
        vol.paragraphs = {u"卷首语。"};
        for (int c = 1; c <= 3; ++c) vol.chapters.push_back(MakeChapter(v * 10 + c));
        b.volumes.push_back(vol);
    }
    e::Volume empty;  // a volume with a title and no chapters yet
    empty.title = u"第三卷";
    b.volumes.push_back(empty);
    return b;
}

e::Book NoChapters() {
    return qm::novel::BookFromText(
        u"孔乙己", u"鲁迅",
        u"　　鲁镇的酒店的格局，是和别处不同的。\r\n\r\n　　我从十二岁起，便在镇口的"
        u"咸亨酒店里当伙计。\r\n");
}

e::Book ThousandChapters() {
    e::Book b;
    b.title = u"千章";
    e::Volume v;
    for (int c = 1; c <= 1000; ++c) v.chapters.push_back(MakeChapter(c, 2));
    b.volumes.push_back(v);
    return b;
}

e::Book NeedsEscaping() {
    const std::u16string nasty =
        u"A&B <i>不是标签</i> \"引号\" 'apos' ]]> &amp; \u0001\u000b\u001f\u007f\u0085 "
        u"\ufffe\uffff\ufdd0 半个\xd800代理 \xdc00 😀 𠀀";
    e::Book b;
    b.title = nasty;
    b.author = u"<作者> & \"某\"";
    e::Volume v;
    v.title = nasty;
    e::Chapter c;
    c.title = nasty;
    c.paragraphs = {nasty, u"<script>alert(1)</script>", u"\u0000"};
    v.chapters.push_back(c);
    e::Chapter untitled;  // an empty title still gets a name in the contents
    untitled.paragraphs = {u"正文。"};
    v.chapters.push_back(untitled);
    b.volumes.push_back(v);
    return b;
}

// Debian's epubcheck jar (its command is the jar itself).
QString EpubCheckJar() {
    const QString command =
        QFileInfo(QStandardPaths::findExecutable("epubcheck")).canonicalFilePath();
    if (command.endsWith(".jar")) return command;
    for (const char* jar : {"/usr/share/java/epubcheck.jar", "/usr/share/epubcheck/epubcheck.jar"})
        if (QFileInfo::exists(jar)) return jar;
    return {};
}

struct BookCase {
    const char* name;
    e::Book (*make)();
};

}  // namespace

// Every book written, then all validated by one run of EPUBCheck: its start
// costs seconds, so not once a book. The sanitizer build writes the books but
// leaves the validation to the normal build.
TEST(EpubCheck, EveryBookHasNoErrorsNoWarnings) {
    const BookCase books[] = {{"WithVolumes", WithVolumes},
                              {"NoChapters", NoChapters},
                              {"ThousandChapters", ThousandChapters},
                              {"NeedsEscaping", NeedsEscaping}};
    QTemporaryDir dir;
    QStringList paths;
    for (const BookCase& b : books) {
        paths << dir.filePath(QString("%1.epub").arg(b.name));
        const files::Outcome w = files::WriteEpub(paths.back(), b.make());
        ASSERT_TRUE(w) << b.name << ": " << w.why.toStdString();
    }
    if (!QM_VALIDATE_EPUB) GTEST_SKIP() << "the books are validated in the normal build";
    const QString jar = EpubCheckJar(), java = QStandardPaths::findExecutable("java");
    if (jar.isEmpty() || java.isEmpty())
        GTEST_SKIP() << "epubcheck is not installed (Debian package epubcheck, installed by "
                        "scripts/setup.sh): the books are not validated";
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    // Debian runs the jar with this stack size.
    p.start(java, QStringList{"-Xss1024k", "--class-path", jar, QM_EPUBCHECK_ALL} + paths);
    ASSERT_TRUE(p.waitForFinished(-1));  // ctest's own time limit holds it
    const QString out = QString::fromUtf8(p.readAll());
    EXPECT_EQ(p.exitCode(), 0) << out.toStdString();
    EXPECT_EQ(out.count("No errors or warnings detected"), paths.size()) << out.toStdString();
}

TEST(EpubWriter, MimetypeFirstAndStored) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.epub");
    ASSERT_TRUE(files::WriteEpub(path, WithVolumes()));
    const QByteArray bytes = ReadBytes(path);
    ASSERT_GT(bytes.size(), 60);
    // The first local header: signature, method 0 (stored) at 8, name length
    // at 26, extra length at 28, then the name and the data.
    EXPECT_EQ(bytes.left(4), QByteArray("PK\x03\x04", 4));
    EXPECT_EQ(bytes[8], 0);
    EXPECT_EQ(bytes[9], 0);
    EXPECT_EQ(bytes.mid(30, 8), QByteArray("mimetype"));
    EXPECT_EQ(bytes[28], 0);  // no extra field
    EXPECT_EQ(bytes.mid(38, 20), QByteArray("application/epub+zip"));
}

TEST(EpubWriter, ReplacesAtomically) {
    QTemporaryDir dir;
    const QString path = dir.filePath("b.epub");
    ASSERT_TRUE(WriteBytes(path, "old"));
    ASSERT_TRUE(files::WriteEpub(path, NoChapters()));
    EXPECT_NE(ReadBytes(path), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"b.epub"});
    // A folder in the way: refused, nothing left behind, the folder untouched.
    ASSERT_TRUE(QDir(dir.path()).mkdir("c.epub"));
    const files::Outcome o = files::WriteEpub(dir.filePath("c.epub"), NoChapters());
    EXPECT_FALSE(o);
    EXPECT_FALSE(o.why.isEmpty());
    EXPECT_TRUE(QFileInfo(dir.filePath("c.epub")).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"b.epub"});
}

// The archive goes to the file as it is made: writing holds no more than
// the book's files, however large (text that hardly compresses, so that a
// copy of the archive would show).
TEST(EpubWriter, WritesTheArchiveWithoutHoldingIt) {
    e::Book b;
    b.title = u"乱码";
    e::Volume v;
    std::uint32_t seed = 7;
    for (int c = 1; c <= 100; ++c) {
        e::Chapter ch = MakeChapter(c, 0);
        std::u16string p;
        for (int i = 0; i < 7000; ++i) {
            seed = seed * 1103515245u + 12345u;
            p += static_cast<char16_t>(0x4E00 + (seed >> 16) % 8000);
        }
        ch.paragraphs.push_back(p);
        v.chapters.push_back(ch);
    }
    b.volumes.push_back(v);
    std::size_t files = 0;
    testsupport::ResetAllocationPeak();
    for (const e::File& f : e::Files(b)) files += f.content.size();
    const std::size_t making = testsupport::AllocationPeak();  // the files, as they are made
    QTemporaryDir dir;
    testsupport::ResetAllocationPeak();
    ASSERT_TRUE(files::WriteEpub(dir.filePath("big.epub"), b));
    EXPECT_LT(testsupport::AllocationPeak(), making + files / 4);
    EXPECT_GT(QFileInfo(dir.filePath("big.epub")).size(), static_cast<qint64>(files / 2));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
