#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <random>

#include "../ui/UiTestSupport.h"
#include "core/encoding/Encoding.h"
#include "files/EncodedFile.h"
#include "files/TextFile.h"

TEST(TextFile, ReadsGbkWholeAndCountsBadBytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    ASSERT_TRUE(uitest::WriteBytes(path, QByteArray("\xC4\xE3\xBA\xC3\r\nx\xFF", 8)));
    const files::TextReadResult r = files::ReadTextFile(path, qm::enc::Encoding::Gbk);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.loaded.text, u"你好\r\nx\xDCFF");
    EXPECT_EQ(r.loaded.invalid, 1u);
    EXPECT_FALSE(files::ReadTextFile(dir.filePath("missing.txt"), qm::enc::Encoding::Gbk).ok);
}

TEST(TextFile, AtomicWriteReplacesAndLeavesNoTemporaryFiles) {
    QTemporaryDir dir;
    const QString path = dir.filePath("b.txt");
    ASSERT_TRUE(uitest::WriteBytes(path, "old contents"));
    ASSERT_TRUE(files::WriteFileAtomic(path, "new"));
    EXPECT_EQ(uitest::ReadBytes(path), QByteArray("new"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"b.txt"});
}

TEST(TextFile, FailedWriteLeavesTheOldFileWhole) {
    QTemporaryDir dir;
    // A folder where the file should be, and a folder that does not exist.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.txt"));
    EXPECT_FALSE(files::WriteFileAtomic(dir.filePath("taken.txt"), "x"));
    EXPECT_TRUE(QFileInfo(dir.filePath("taken.txt")).isDir());
    EXPECT_FALSE(files::WriteFileAtomic(dir.filePath("no/such/folder.txt"), "x"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

// "打开" reads a file a piece at a time, about twice: the text must be the
// one the whole bytes give, progress must be told and may cancel, and a file
// that another program shortens or lengthens meanwhile must not crash it.
TEST(EncodedFile, ReadInPiecesAsTheWholeBytesWithProgressAndCancel) {
    QTemporaryDir dir;
    const QString path = dir.filePath("big.txt");
    std::string bytes;
    std::mt19937 rng(12);
    // GB18030 four-byte forms and lone CRs, so pieces end inside characters and breaks.
    const char* pieces[] = {"\xC4\xE3",         "\xBA\xC3",        "abc", "\r\n", "\n", "\r",
                            "\x81\x30\x81\x30", "\x95\x32\x82\x36"};
    while (bytes.size() < (9u << 20)) bytes += pieces[rng() % 8];
    ASSERT_TRUE(uitest::WriteBytes(path, QByteArray::fromStdString(bytes)));
    const qm::enc::LoadedText whole = qm::enc::DecodeFile(bytes);
    ASSERT_EQ(whole.format.encoding, qm::enc::Encoding::Gb18030);
    std::int64_t last = -1;
    int calls = 0;
    const files::TextReadResult read =
        files::ReadTextFile(path, {}, [&](std::int64_t done, std::int64_t total) {
            EXPECT_GE(done, last);
            EXPECT_LT(done, total);
            last = done;
            ++calls;
            return true;
        });
    ASSERT_TRUE(read.ok) << read.why.toStdString();
    EXPECT_TRUE(read.loaded.text == whole.text);
    EXPECT_EQ(read.loaded.format.encoding, whole.format.encoding);
    EXPECT_EQ(read.loaded.format.mixed, whole.format.mixed);
    EXPECT_EQ(read.loaded.invalid, whole.invalid);
    EXPECT_GE(calls, 4);
    for (const qm::enc::Encoding e : qm::enc::All()) {
        const files::TextReadResult as = files::ReadTextFile(path, e);
        ASSERT_TRUE(as.ok);
        EXPECT_TRUE(as.loaded.text == qm::enc::DecodeFile(bytes, e).text) << qm::enc::Name(e);
    }

    int until = 0;
    const files::TextReadResult stopped =
        files::ReadTextFile(path, {}, [&](std::int64_t, std::int64_t) { return ++until < 3; });
    EXPECT_FALSE(stopped.ok);
    EXPECT_TRUE(stopped.canceled);
    EXPECT_TRUE(stopped.why.isEmpty());
    EXPECT_TRUE(stopped.loaded.text.empty());
    std::string raw;
    EXPECT_TRUE(files::ReadBytes(path, raw, [](auto, auto) { return false; }).canceled);

    // Cut to 1 MB while the first pass is under way: the text is what the
    // last pass read.
    const files::TextReadResult cut =
        files::ReadTextFile(path, {}, [&](std::int64_t, std::int64_t) {
            QFile(path).resize(1 << 20);
            return true;
        });
    ASSERT_TRUE(cut.ok);
    EXPECT_TRUE(cut.loaded.text == qm::enc::DecodeFile(std::string_view(bytes).substr(0, 1 << 20),
                                                       cut.loaded.format.encoding)
                                       .text);

    // Lengthened while it is read: longer than it was counted, still whole.
    ASSERT_TRUE(uitest::WriteBytes(path, QByteArray::fromStdString(bytes)));
    bool grown = false;
    const files::TextReadResult longer =
        files::ReadTextFile(path, {}, [&](std::int64_t done, std::int64_t total) {
            if (!grown && done >= total / 2) {
                QFile f(path);
                EXPECT_TRUE(f.open(QIODevice::Append));
                f.write(QByteArray(1 << 20, 'x'));
                grown = true;
            }
            return true;
        });
    ASSERT_TRUE(longer.ok);
    ASSERT_TRUE(grown);
    const std::u16string tail(1 << 20, u'x');
    EXPECT_GE(longer.loaded.text.size(), whole.text.size());
    EXPECT_EQ(longer.loaded.text.substr(longer.loaded.text.size() - tail.size()), tail);
}

// A read that fails once the file is open (reading /proc/self/mem from 0
// does, with EIO) is told, not taken for an empty file a save would replace.
TEST(EncodedFile, AFailedReadIsNoOpenedFile) {
    const files::TextReadResult r = files::ReadTextFile(QStringLiteral("/proc/self/mem"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.why, QStringLiteral("读写磁盘时出错"));
}

// Saving writes the encoded text straight into the temporary file: asked
// about characters the encoding lacks, a "no" leaves the old file (or no
// file) as it was; a closing break follows the file's style, without a
// second BOM.
TEST(EncodedFile, WriteInPiecesAsksBeforeReplacingTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    ASSERT_TRUE(uitest::WriteBytes(path, "old"));
    const std::u16string text = u"中文€𠀀\r\n第二行";  // code page 936 has €, not 𠀀
    const qm::enc::FileFormat gbk{};
    int asked = 0;
    const files::TextWriteResult no =
        files::WriteTextFile(path, text, gbk, true, [&](const qm::enc::Encoded& e) {
            ++asked;
            EXPECT_EQ(e.unencodable, 1u);
            return false;
        });
    EXPECT_TRUE(no.canceled);
    EXPECT_FALSE(no.ok);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(uitest::ReadBytes(path), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.txt"});

    const QString fresh = dir.filePath("new.txt");
    EXPECT_TRUE(
        files::WriteTextFile(fresh, text, gbk, false, [](auto&) { return false; }).canceled);
    EXPECT_FALSE(QFile::exists(fresh));

    const files::TextWriteResult yes =
        files::WriteTextFile(path, text, gbk, true, [](auto&) { return true; });
    ASSERT_TRUE(yes.ok) << yes.why.toStdString();
    EXPECT_EQ(uitest::ReadBytes(path).toStdString(),
              qm::enc::EncodeFile(text + u"\r\n", gbk).bytes);
    EXPECT_NE(uitest::ReadBytes(path).indexOf('?'), -1);

    const qm::enc::FileFormat utf16{
        qm::enc::Encoding::Utf16Be, true, qm::enc::LineBreak::Lf, false, {}};
    asked = 0;
    ASSERT_TRUE(
        files::WriteTextFile(path, text, utf16, true, [&](auto&) { return ++asked > 0; }).ok);
    EXPECT_EQ(asked, 0) << "UTF-16 holds every character";
    EXPECT_EQ(uitest::ReadBytes(path).toStdString(),
              qm::enc::EncodeFile(text + u"\r\n", utf16).bytes);

    // The disk full after the first pieces: the old file whole, the reason told.
    const QByteArray old = uitest::ReadBytes(path);
    files::TextWriteResult full;
    {
        uitest::FileSizeLimit limit(100 << 10);
        full = files::WriteTextFile(path, std::u16string(300000, u'中'), gbk);
    }
    EXPECT_FALSE(full.ok);
    EXPECT_FALSE(full.canceled);
    EXPECT_FALSE(full.why.isEmpty());
    EXPECT_EQ(uitest::ReadBytes(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.txt"});
}
