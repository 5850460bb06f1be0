#include "files/RenameFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "files/TextFile.h"

namespace files {

namespace {
QString Str(const std::u16string& s) { return QString::fromStdU16String(s); }
}  // namespace

FolderListing ListFolder(const QString& folder, const QString& nameFilter) {
    FolderListing out;
    QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) {
        out.why = QStringLiteral("文件夹不存在");
        return out;
    }
    if (!dir.isReadable()) {
        out.why = QStringLiteral("没有读取该文件夹的权限");
        return out;
    }
    // Listed by hand: Qt's listing leaves out names that are not UTF-8.
    const std::optional<QStringList> all = NamesIn(folder);
    if (!all) {
        out.why = ErrnoText(errno);
        return out;
    }
    const QStringList filters =
        nameFilter.split(QRegularExpression(QStringLiteral("[;；,，\\s]+")), Qt::SkipEmptyParts);
    const QString base = dir.absolutePath() + QLatin1Char('/');
    out.everything.reserve(all->size());
    for (const QString& n : *all) {
        out.everything.push_back(n.toStdU16String());
        // Links count as the files they name; hidden files are left out of the batch.
        // (Wildcards are matched on the shown name: kept bytes are no text.)
        struct stat st {};
        if (!n.startsWith(QLatin1Char('.')) &&
            (filters.isEmpty() || QDir::match(filters, ShownPath(n))) &&
            ::stat(PathBytes(base + n).constData(), &st) == 0 && S_ISREG(st.st_mode)) {
            out.files.push_back(n.toStdU16String());
        }
    }
    std::sort(out.files.begin(), out.files.end(), qm::rename::NaturalLess);
    out.ok = true;
    return out;
}

int RenameNoReplace(const QString& from, const QString& to) {
    const QByteArray f = PathBytes(from), t = PathBytes(to);
    if (renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without the flag: look first, then rename.
    struct stat st;
    if (lstat(t.constData(), &st) == 0) return EEXIST;
    return std::rename(f.constData(), t.constData()) == 0 ? 0 : errno;
}

RenameOutcome ApplyMoves(const QString& folder, const std::vector<qm::rename::Move>& moves,
                         const RenameOne& rename) {
    RenameOutcome out;
    const QDir dir(folder);
    std::size_t i = 0;
    for (; i < moves.size(); ++i) {
        const int err = rename(dir.filePath(Str(moves[i].from)), dir.filePath(Str(moves[i].to)));
        if (err != 0) {
            out.why = QStringLiteral("“%1”改为“%2”失败：%3")
                          .arg(Str(moves[i].from), Str(moves[i].to), ErrnoText(err));
            break;
        }
    }
    if (i == moves.size()) {
        out.ok = true;
        return out;
    }
    // Back the way it came.
    while (i-- > 0) {
        if (rename(dir.filePath(Str(moves[i].to)), dir.filePath(Str(moves[i].from))) != 0)
            out.notRestored << Str(moves[i].to);
    }
    return out;
}

}  // namespace files
