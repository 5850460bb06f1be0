// Bytes and encodings in tests: a text as GBK or UTF-8 bytes and back, and
// files read or written whole (with Qt's types where the test has Qt).
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "core/encoding/Encoding.h"

#ifdef QT_CORE_LIB
#include <QByteArray>
#include <QFile>
#include <QString>
#endif

namespace testsupport {

// The text as GBK / UTF-8 bytes (the tests' texts fit both).
inline std::string Gbk(std::u16string_view text) {
    return qm::enc::Encode(text, qm::enc::Encoding::Gbk).bytes;
}
inline std::string Utf8(std::u16string_view text) {
    return qm::enc::Encode(text, qm::enc::Encoding::Utf8).bytes;
}
// UTF-8 bytes (the material's files, literals in tests) as UTF-16.
inline std::u16string FromUtf8(std::string_view bytes) {
    return qm::enc::Decode(bytes, qm::enc::Encoding::Utf8).text;
}

// A whole file's bytes; empty when it cannot be read.
inline std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
inline void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

#ifdef QT_CORE_LIB
inline QByteArray GbkBytes(std::u16string_view text) {
    return QByteArray::fromStdString(Gbk(text));
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
#endif

}  // namespace testsupport
