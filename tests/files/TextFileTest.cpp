#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <random>

#include "../ui/UiTestSupport.h"
#include "files/TextFile.h"

TEST(TextFile, ReadsGbkWholeAndCountsBadBytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    ASSERT_TRUE(uitest::WriteBytes(path, QByteArray("\xC4\xE3\xBA\xC3\r\nx\xFF", 8)));
    const files::ReadResult r = files::ReadGbkFile(path);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.text, u"你好\r\nx\uFFFD");
    EXPECT_EQ(r.invalid, 1u);
    EXPECT_FALSE(files::ReadGbkFile(dir.filePath("missing.txt")).ok);
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

// A large file is read and decoded in pieces cut after an LF byte: the text
// must be exactly what a whole read gives, bad bytes at the cuts included.
TEST(TextFile, ReadingInPiecesGivesTheWholeReadAndCanBeCancelled) {
    QTemporaryDir dir;
    const QString path = dir.filePath("big.txt");
    std::string bytes;
    std::mt19937 rng(11);
    const char* pieces[] = {"\xC4\xE3", "\xBA\xC3", "abc", "\r\n", "\n", "\xC4\n", "\xFF", "\x80"};
    while (bytes.size() < (9u << 20)) bytes += pieces[rng() % 8];
    ASSERT_TRUE(uitest::WriteBytes(path, QByteArray::fromStdString(bytes)));
    const files::ReadResult whole = files::ReadGbkFile(path);
    int calls = 0;
    std::int64_t last = -1;
    const files::ReadResult chunked =
        files::ReadGbkFile(path, [&](std::int64_t done, std::int64_t total) {
            EXPECT_GE(done, last);
            EXPECT_LE(done, total);
            last = done;
            ++calls;
            return true;
        });
    ASSERT_TRUE(whole.ok && chunked.ok);
    EXPECT_GT(calls, 3);
    EXPECT_TRUE(chunked.text == whole.text);
    EXPECT_EQ(chunked.invalid, whole.invalid);

    int until = 0;
    const files::ReadResult stopped =
        files::ReadGbkFile(path, [&](std::int64_t, std::int64_t) { return ++until < 4; });
    EXPECT_FALSE(stopped.ok);
    EXPECT_TRUE(stopped.canceled);
    EXPECT_TRUE(stopped.why.isEmpty());
    EXPECT_TRUE(stopped.text.empty());
}
