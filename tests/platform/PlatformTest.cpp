#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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

TEST(ProgramFolder, AnInstalledCopyUsesTheDataFolderEvenWhenItsBinIsWritable) {
    // As installed by the README's install script into ~/.local: bin/ beside
    // share/applications with the program's entry, all writable.
    QTemporaryDir prefix;
    QTemporaryDir data;
    ASSERT_TRUE(QDir(prefix.path()).mkpath("bin"));
    ASSERT_TRUE(QDir(prefix.path()).mkpath("share/applications"));
    const QString bin = prefix.filePath("bin");
    const QString entry = prefix.filePath(QStringLiteral("share/applications/") +
                                          QLatin1String(platform::kDesktopEntry));
    const QString fallback = data.filePath("quillmere");
    // No entry yet: a folder named bin is just a folder of the program's own.
    EXPECT_FALSE(platform::IsInstalledPrefix(bin));
    EXPECT_EQ(platform::ChooseProgramFolder(bin, fallback), bin);
    QFile other(prefix.filePath("share/applications/other.program.desktop"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    EXPECT_EQ(platform::ChooseProgramFolder(bin, fallback), bin);  // another program's entry

    QFile desktop(entry);
    ASSERT_TRUE(desktop.open(QIODevice::WriteOnly));
    desktop.close();
    EXPECT_TRUE(platform::IsInstalledPrefix(bin));
    EXPECT_TRUE(platform::IsInstalledPrefix(bin + QStringLiteral("/")));
    EXPECT_EQ(platform::ChooseProgramFolder(bin, fallback), fallback);
    EXPECT_TRUE(QFileInfo(fallback).isDir());
    EXPECT_EQ(QDir(bin).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{});  // nothing left in bin/

    // The same tree, but the program run from another folder of the prefix.
    ASSERT_TRUE(QDir(prefix.path()).mkpath("tools"));
    EXPECT_EQ(platform::ChooseProgramFolder(prefix.filePath("tools"), fallback),
              prefix.filePath("tools"));
}

TEST(ProgramFolder, TheRunningProgramUsesItsOwnFolderWhenWritable) {
    EXPECT_EQ(platform::ProgramFolder(), QCoreApplication::applicationDirPath());
}
