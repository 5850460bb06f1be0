#include "settings/UserSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace settings {

namespace {

constexpr std::string_view kLineNumbers = "LineNumbers=";
constexpr std::string_view kWrap = "Wrap=";
constexpr std::string_view kRecent = "Recent=";

// A line of the file holds a path, so a path with a line break is not kept.
bool Storable(const QString& path) { return !files::PathBytes(path).contains('\n'); }

}  // namespace

std::string FormatSettings(const UserSettings& s) {
    std::string out = "# quillmere\n";
    out += std::string(kLineNumbers) + (s.lineNumbers ? "1" : "0") + "\n";
    out += std::string(kWrap) + (s.wrap ? "1" : "0") + "\n";
    for (const QString& path : s.recent) {
        if (Storable(path))
            out += std::string(kRecent) + files::PathBytes(path).toStdString() + "\n";
    }
    return out;
}

namespace {

// A switch's value; a file edited on Windows ends its lines in CR as well.
bool On(std::string_view value) { return value == "1" || value == "1\r"; }

}  // namespace

UserSettings ParseSettings(std::string_view bytes) {
    UserSettings s;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (line.starts_with(kLineNumbers)) {
            s.lineNumbers = On(line.substr(kLineNumbers.size()));
        } else if (line.starts_with(kWrap)) {
            s.wrap = On(line.substr(kWrap.size()));
        } else if (line.starts_with(kRecent) && line.size() > kRecent.size() &&
                   s.recent.size() < kRecentLimit) {
            s.recent << files::PathFromBytes(line.substr(kRecent.size()));
        }
    }
    return s;
}

QStringList WithRecent(QStringList list, const QString& path) {
    if (!Storable(path)) return list;  // it would only push out the oldest
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > kRecentLimit) list.removeLast();
    return list;
}

QString UserSettingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quillmere/settings.conf");
}

UserSettings LoadUserSettings() {
    std::string bytes;
    if (!files::ReadBytes(UserSettingsPath(), bytes, {}, 1 << 20)) return {};
    return ParseSettings(bytes);
}

files::Outcome SaveUserSettings(const UserSettings& s) {
    const QString path = UserSettingsPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return files::Outcome::Failed(QStringLiteral("无法创建文件夹“%1”")
                                          .arg(files::ShownPath(QFileInfo(path).absolutePath())));
    }
    return files::WriteFileAtomic(path, FormatSettings(s));
}

}  // namespace settings
