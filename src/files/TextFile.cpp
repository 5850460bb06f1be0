#include "files/TextFile.h"

#include <QFile>
#include <QSaveFile>

#include "core/Codec.h"

namespace files {

bool ReadBytes(const QString& path, std::string& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const qint64 size = f.size();
    bytes.resize(static_cast<std::size_t>(size));
    qint64 done = 0;
    while (done < size) {
        const qint64 n = f.read(bytes.data() + done, size - done);
        if (n <= 0) return false;
        done += n;
    }
    // Files whose size is not known in advance (pipes, /proc) are read to the end.
    if (!f.atEnd()) {
        const QByteArray rest = f.readAll();
        bytes.append(rest.constData(), static_cast<std::size_t>(rest.size()));
    }
    return f.error() == QFileDevice::NoError;
}

ReadResult ReadGbkFile(const QString& path) {
    ReadResult r;
    std::string bytes;
    if (!ReadBytes(path, bytes)) return r;
    qm::cp936::DecodeResult d = qm::cp936::Decode(bytes);
    r.ok = true;
    r.text = std::move(d.text);
    r.invalid = d.invalid;
    return r;
}

bool WriteFileAtomic(const QString& path, const std::string& bytes) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    const auto size = static_cast<qint64>(bytes.size());
    if (f.write(bytes.data(), size) != size) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

}  // namespace files
