// Small stand-ins for services the program would get from Windows.
#pragma once

#include <QString>
#include <functional>

namespace platform {

// The folder the program keeps its own files in (settings files, "1.she",
// "生成目录"), without a trailing "/": the folder of the running executable
// when the program may write there (a copy run from a folder of its own),
// otherwise the user's data folder, created on first use (an installed copy,
// even one whose bin/ is writable, as ~/.local/bin is).
QString ProgramFolder();

// The name of the program's desktop entry, as installed in share/applications.
inline constexpr const char* kDesktopEntry = "example.quillmere.Quillmere.desktop";

// Whether exeFolder is the bin/ of an installed prefix: a folder named "bin"
// whose ../share/applications holds the program's desktop entry.
bool IsInstalledPrefix(const QString& exeFolder);

// The choice ProgramFolder makes, for any executable folder: exeFolder when it
// is not an installed prefix's bin/ and a file can be created in it (a copy
// run from its build folder or a folder of its own), otherwise dataFolder
// (created when missing).
QString ChooseProgramFolder(const QString& exeFolder, const QString& dataFolder);

// Starts a system program for one of the tools-menu command lines ("calc",
// "cmd /c start /min gpedit.msc", ...), without waiting. On Windows the command
// line itself is started; elsewhere the first installed desktop program that
// does the same job. Returns false when nothing suitable could be started.
bool StartSystemProgram(const QString& commandLine);

// Called once at start-up with the path of "1.she" when that file exists
// beside the program. The default gives the window a uniform look; tests
// replace the hook to see whether, and with what, it is called.
using SkinHook = std::function<void(const QString& skinPath)>;
void SetSkinHook(SkinHook hook);
void AttachSkin(const QString& skinPath);

}  // namespace platform
