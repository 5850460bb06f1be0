#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/Platform.h"

// The program keeps its files beside itself when it may write there, and in
// the user's data folder when it is installed where it may not.
TEST(ProgramFolder, WritableExecutableFolderIsKept) {
    QTemporaryDir exe;
    QTemporaryDir data;
    EXPECT_EQ(platform::ChooseProgramFolder(exe.path(), data.filePath("quillmere")), exe.path());
    EXPECT_FALSE(QFileInfo::exists(data.filePath("quillmere")));  // nothing made for nothing
    EXPECT_EQ(QDir(exe.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});  // probe gone
}

TEST(ProgramFolder, ReadOnlyExecutableFolderFallsBackToTheDataFolder) {
    QTemporaryDir data;
    const QString fallback = data.filePath("share/quillmere");
    // /proc takes no new files, not even from root: a read-only place for any user.
    EXPECT_EQ(platform::ChooseProgramFolder(QStringLiteral("/proc"), fallback), fallback);
    EXPECT_TRUE(QFileInfo(fallback).isDir());  // created on first use
}

TEST(ProgramFolder, TheRunningProgramUsesItsOwnFolderWhenWritable) {
    EXPECT_EQ(platform::ProgramFolder(), QCoreApplication::applicationDirPath());
}
