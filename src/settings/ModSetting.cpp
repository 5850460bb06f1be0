#include "settings/ModSetting.h"

#include <QFile>
#include <QFileInfo>

#include "core/encoding/Encoding.h"
#include "core/text/Common.h"
#include "core/text/Strip.h"
#include "files/EncodedFile.h"
#include "files/TextFile.h"
#include "platform/Platform.h"

namespace ModSetting {

namespace {

constexpr std::u16string_view kCrLf = u"\r\n";

bool IsComment(std::u16string_view line) {
    line = qm::text::Strip(line);
    return !line.empty() && line.front() == u'#';
}

std::u16string Entry(std::u16string_view key, std::u16string_view value) {
    std::u16string e(key);
    e += u" = ";
    e += value;
    return e;
}

}  // namespace

QString SettingsPath(std::u16string_view fileName) {
    return platform::ProgramFolder() + QStringLiteral("/") +
           QString::fromStdU16String(std::u16string(fileName));
}

std::u16string FindValue(std::u16string_view content, std::u16string_view key,
                         std::u16string_view def) {
    std::u16string result(def);
    bool found = false;
    常用模块::ForEachPiece(content, [&](std::u16string_view line, bool) {
        if (found || IsComment(line)) return;
        const std::size_t eq = line.find(u'=');
        if (eq == std::u16string_view::npos || qm::text::Strip(line.substr(0, eq)) != key) return;
        result = qm::text::Strip(line.substr(eq + 1));
        found = true;
    });
    return result;
}

std::u16string RewriteContent(std::u16string_view content, std::u16string_view key,
                              std::u16string_view value) {
    bool missing = true;
    std::u16string out;
    常用模块::ForEachPiece(content, [&](std::u16string_view raw, bool last) {
        // The last piece after a closing CR LF is not a line of the file.
        if (last && raw.empty()) return;
        std::u16string line(qm::text::Strip(raw));
        if (!line.empty() && line.front() != u'#') {
            const std::size_t eq = line.find(u'=');
            if (eq == std::u16string::npos) {
                line.clear();
            } else if (qm::text::Strip(std::u16string_view(line).substr(0, eq)) == key) {
                missing = false;
                line = value.empty() ? std::u16string() : Entry(key, value);
            }
        }
        if (!line.empty()) {
            out += line;
            out += kCrLf;
        }
    });
    if (missing && !value.empty()) out += Entry(key, value);
    if (out.size() >= 2 && std::u16string_view(out).substr(out.size() - 2) == kCrLf) {
        out.resize(out.size() - 2);
    }
    if (!out.empty()) out += kCrLf;
    return out;
}

std::u16string NewFileContent(std::u16string_view key, std::u16string_view value) {
    std::u16string out(kHeader);
    out += kCrLf;
    out += Entry(key, value);
    out += kCrLf;
    return out;
}

std::optional<std::u16string> ReadSettingValue(const QString& path, std::u16string_view key,
                                               std::u16string_view def, QString* why) {
    if (key.empty()) return std::u16string(def);
    if (!QFileInfo::exists(path)) return std::u16string(def);
    const files::TextReadResult r = files::ReadTextFile(path, qm::enc::Encoding::Gbk);
    if (!r.ok) {
        if (why) *why = r.why;
        return std::nullopt;
    }
    // A value is used, not written back: a byte that does not decode shows as "�".
    return qm::enc::ShowKeptBytes(FindValue(r.loaded.text, key, def));
}

bool WriteSettingValue(const QString& path, std::u16string_view key, std::u16string_view value,
                       QString* why) {
    const auto failed = [why](const QString& reason) {
        if (why) *why = reason;
        return false;
    };
    if (key.empty()) return failed(QStringLiteral("没有键名"));
    std::u16string content;
    if (QFileInfo::exists(path)) {
        // Bytes that do not decode are kept, and go back as they were.
        const files::TextReadResult r = files::ReadTextFile(path, qm::enc::Encoding::Gbk);
        if (!r.ok) return failed(r.why);
        content = RewriteContent(r.loaded.text, key, value);
        if (content.empty()) {
            QFile f(path);
            return f.remove() || failed(f.errorString());
        }
    } else {
        if (value.empty()) return true;
        content = NewFileContent(key, value);
    }
    const files::Outcome w =
        files::WriteFileAtomic(path, qm::enc::Encode(content, qm::enc::Encoding::Gbk).bytes);
    return w.ok || failed(w.why);
}

}  // namespace ModSetting
