// ModSetting: single keys of the settings file.
//
// The file lives in the program folder and holds "key = value" lines under a
// "#" header, in code page 936 with CR LF. Reading takes the first line with
// the key; writing rewrites the whole file (atomically), tidying it on the way.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace ModSetting {

inline constexpr std::u16string_view kHeader = u"#本配置文件由程序自动生成,请勿自行修改。";

// Where a settings file named `fileName` lives: the program folder, "/", and
// the name (the folder itself for an empty name, which then cannot be read).
QString SettingsPath(std::u16string_view fileName);

// The value of the first line with key in content, or def.
std::u16string FindValue(std::u16string_view content, std::u16string_view key,
                         std::u16string_view def);
// The whole new file for writing key = value into an existing file's content;
// empty means the file is to be deleted.
std::u16string RewriteContent(std::u16string_view content, std::u16string_view key,
                              std::u16string_view value);
// The content of a file created for its first key (value not empty).
std::u16string NewFileContent(std::u16string_view key, std::u16string_view value);

// The stored value, or def when the key or the file is missing; nothing when
// the file exists but cannot be read (the reason in *why).
std::optional<std::u16string> ReadSettingValue(const QString& path, std::u16string_view key,
                                               std::u16string_view def, QString* why = nullptr);
// Stores, replaces or (with an empty value) removes key; false when key is
// empty or the file could not be read or written, with the reason in *why.
bool WriteSettingValue(const QString& path, std::u16string_view key, std::u16string_view value,
                       QString* why = nullptr);

}  // namespace ModSetting
