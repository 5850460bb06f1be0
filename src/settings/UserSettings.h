// The user's own habits, kept in the user's config folder
// ($XDG_CONFIG_HOME/quillmere/settings.conf): whether the box wraps long
// lines and shows line numbers, and the files opened or saved last. One small file of
// "key=value" lines; a path is kept as its bytes, so a name that is not
// UTF-8 comes back as it was.
#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

#include "files/TextFile.h"

namespace settings {

struct UserSettings {
    bool lineNumbers = false;
    bool wrap = false;
    QStringList recent;  // newest first
};

inline constexpr int kRecentLimit = 10;

// The file's bytes for the settings, and the settings its bytes hold (lines
// it does not know are passed over; a path with a line break is not kept).
std::string FormatSettings(const UserSettings& s);
UserSettings ParseSettings(std::string_view bytes);

// The recent list with path put first: once only, at most kRecentLimit long
// (a path the file cannot keep leaves the list as it was).
QStringList WithRecent(QStringList list, const QString& path);

QString UserSettingsPath();
// Missing or unreadable settings are the defaults.
UserSettings LoadUserSettings();
// Written atomically, the folder made when missing.
files::Outcome SaveUserSettings(const UserSettings& s);

}  // namespace settings
