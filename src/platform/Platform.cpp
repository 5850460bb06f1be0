#include "platform/Platform.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QStyleFactory>
#include <QTemporaryFile>

namespace platform {

bool IsInstalledPrefix(const QString& exeFolder) {
    const QDir bin(exeFolder);
    return bin.dirName() == QStringLiteral("bin") &&
           QFileInfo::exists(bin.filePath(QStringLiteral("../share/applications/") +
                                          QLatin1String(kDesktopEntry)));
}

QString ChooseProgramFolder(const QString& exeFolder, const QString& dataFolder) {
    // An installed copy shares its bin/ with other programs (~/.local/bin is
    // the user's own and writable): its files go to the user's data folder.
    if (!IsInstalledPrefix(exeFolder)) {
        // Try it rather than read permission bits: root may write anywhere but
        // on a read-only file system, and ACLs say more than the bits.
        QTemporaryFile probe(exeFolder + QStringLiteral("/.quillmere-probe-XXXXXX"));
        if (probe.open()) return exeFolder;
    }
    QDir().mkpath(dataFolder);
    return dataFolder;
}

QString ProgramFolder() {
    static const QString folder =
        ChooseProgramFolder(QCoreApplication::applicationDirPath(),
                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    return folder;
}

namespace {

// Desktop programs that stand in for each Windows tool, best first.
const QHash<QString, QStringList>& Equivalents() {
    static const QHash<QString, QStringList> map = {
        {"calc", {"gnome-calculator", "kcalc", "galculator", "qalculate-gtk", "xcalc"}},
        {"cmd", {"x-terminal-emulator", "gnome-terminal", "konsole", "xfce4-terminal", "xterm"}},
        {"cleanmgr", {"bleachbit", "baobab", "filelight"}},
        {"dxdiag", {"hardinfo", "kinfocenter", "gnome-system-monitor"}},
        {"regedit.exe", {"dconf-editor", "gconf-editor"}},
        {"cmd /c start /min gpedit.msc",
         {"dconf-editor", "gnome-control-center", "systemsettings"}},
        {"taskmgr",
         {"gnome-system-monitor", "ksysguard", "plasma-systemmonitor", "xfce4-taskmanager",
          "lxtask"}},
        {"Msconfig.exe", {"gnome-session-properties", "gnome-tweaks", "systemsettings"}},
        {"cmd /c start /min lusrmgr.msc", {"gnome-control-center", "users-admin", "kuser"}},
        {"mspaint", {"kolourpaint", "pinta", "mtpaint", "gimp"}},
        {"syskey", {"seahorse", "kwalletmanager"}},
        {"cmd /c start /min compmgmt.msc",
         {"gnome-disks", "gnome-system-monitor", "partitionmanager"}},
        {"magnify", {"kmag", "xzoom", "xmag"}},
    };
    return map;
}

void DefaultSkin(const QString&) {
    if (QStyle* style = QStyleFactory::create("Fusion")) QApplication::setStyle(style);
}

SkinHook& Hook() {
    static SkinHook hook = DefaultSkin;
    return hook;
}

}  // namespace

bool StartSystemProgram(const QString& commandLine) {
#ifdef Q_OS_WIN
    QStringList parts = QProcess::splitCommand(commandLine);
    if (parts.isEmpty()) return false;
    const QString program = parts.takeFirst();
    return QProcess::startDetached(program, parts);
#else
    for (const QString& candidate : Equivalents().value(commandLine)) {
        const QString path = QStandardPaths::findExecutable(candidate);
        if (!path.isEmpty() && QProcess::startDetached(path, {})) return true;
    }
    return false;
#endif
}

void SetSkinHook(SkinHook hook) { Hook() = hook ? std::move(hook) : SkinHook(DefaultSkin); }

void AttachSkin(const QString& skinPath) { Hook()(skinPath); }

}  // namespace platform
