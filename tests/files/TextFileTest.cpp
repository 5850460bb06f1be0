#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

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
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"b.txt"});
}

TEST(TextFile, FailedWriteLeavesTheOldFileWhole) {
    QTemporaryDir dir;
    // A folder where the file should be, and a folder that does not exist.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.txt"));
    EXPECT_FALSE(files::WriteFileAtomic(dir.filePath("taken.txt"), "x"));
    EXPECT_TRUE(QFileInfo(dir.filePath("taken.txt")).isDir());
    EXPECT_FALSE(files::WriteFileAtomic(dir.filePath("no/such/folder.txt"), "x"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{});
}
