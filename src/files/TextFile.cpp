#include "files/TextFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "core/encoding/Encoding.h"
#include "core/filetools/FileTools.h"

namespace files {

namespace {

QString KindText(mode_t mode) {
    if (S_ISDIR(mode)) return QStringLiteral("这是一个文件夹，不是文件");
    return QStringLiteral("这不是普通文件（是管道、设备或套接字），程序不读写这类文件");
}

QString SizeText(std::uint64_t bytes) {
    return QString::fromStdU16String(qm::filetools::SpaceValue(static_cast<double>(bytes)));
}

QString ReadOnlyText(const QByteArray& path) {
    const QString name =
        PathFromBytes(std::string_view(path.constData(), std::size_t(path.size())));
    return QStringLiteral("“%1”是只读文件，不能改写").arg(ShownPath(QFileInfo(name).fileName()));
}

Outcome CheckWritableAt(const QByteArray& path, const struct stat& st) {
    if ((st.st_mode & 0222) == 0) return Outcome::Failed(ReadOnlyText(path));
    if (::access(path.constData(), W_OK) == 0) return Outcome::Done();
    if (errno == EACCES || errno == EPERM) return Outcome::Failed(ReadOnlyText(path));
    return Outcome::Failed(ErrnoText(errno));
}

// Where a chain of links ends: the first name that is not a link, whether it
// exists or not (each link read relative to its own folder).
QByteArray LinkEnd(QByteArray path, int* err) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        QByteArray to(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.constData(), to.data(), to.size());
        if (n < 0 || n >= to.size()) {
            *err = n < 0 ? errno : ENAMETOOLONG;
            return {};
        }
        to.truncate(n);
        if (!to.startsWith('/')) {
            const qsizetype slash = path.lastIndexOf('/');
            to.prepend(slash < 0 ? QByteArray() : path.left(slash + 1));
        }
        path = to;
    }
    *err = ELOOP;
    return {};
}

}  // namespace

QString ErrnoText(int err) {
    switch (err) {
        case ENOENT:
            return QStringLiteral("文件或文件夹不存在");
        case EACCES:
        case EPERM:
            return QStringLiteral("没有权限");
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("磁盘空间不足");
        case EFBIG:
            return QStringLiteral("文件超出了系统允许的大小");
        case EROFS:
            return QStringLiteral("磁盘是只读的");
        case EISDIR:
            return QStringLiteral("这是一个文件夹，不是文件");
        case ENOTDIR:
            return QStringLiteral("路径中有一部分不是文件夹");
        case ENAMETOOLONG:
            return QStringLiteral("文件名太长");
        case EEXIST:
            return QStringLiteral("已有同名的文件或文件夹");
        case EIO:
            return QStringLiteral("读写磁盘时出错");
        case ENOMEM:
            return QStringLiteral("内存不足");
        default:
            return QString::fromLocal8Bit(std::strerror(err));
    }
}

QString PathFromBytes(std::string_view bytes) {
    // A leading BOM is part of the name, not one to skip.
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    const bool bom = bytes.substr(0, kBom.size()) == kBom;
    if (bom) bytes.remove_prefix(kBom.size());
    const std::u16string name = qm::enc::Decode(bytes, qm::enc::Encoding::Utf8).text;
    return (bom ? QStringLiteral("\uFEFF") : QString()) + QString::fromStdU16String(name);
}

QByteArray PathBytes(const QString& path) {
    const std::string bytes =
        qm::enc::Encode(path.toStdU16String(), qm::enc::Encoding::Utf8, false).bytes;
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString ShownPath(const QString& path) {
    QString shown;
    shown.reserve(path.size());
    for (const QChar c : path) {
        const char16_t u = c.unicode();
        if (qm::enc::IsEscapedByte(u) || u < 0x20 || u == 0x7F) {
            const int byte = qm::enc::IsEscapedByte(u) ? u - 0xDC00 : u;
            shown += QStringLiteral("\\x") +
                     QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
        } else {
            shown += c;
        }
    }
    return shown;
}

std::optional<QStringList> NamesIn(const QString& folder) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(PathBytes(folder).constData()),
                                                  ::closedir);
    if (!dir) return std::nullopt;
    QStringList names;
    errno = 0;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string_view name = e->d_name;
        if (name != "." && name != "..") names << PathFromBytes(name);
    }
    if (errno != 0) return std::nullopt;
    return names;
}

namespace {
constexpr std::size_t kPiece = 4u << 20;  // progress is told every 4 MB
}  // namespace

Outcome ReadableFile::Open(const QString& path) {
    // Non-blocking, so that opening a pipe nobody writes to returns at once;
    // it is refused below before anything is read.
    fd_ = ::open(PathBytes(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) return Outcome::Failed(ErrnoText(errno));
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return Outcome::Failed(ErrnoText(errno));
    if (!S_ISREG(st.st_mode)) return Outcome::Failed(KindText(st.st_mode));
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags == -1 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) == -1)
        return Outcome::Failed(ErrnoText(errno));
    size_ = st.st_size;
    return Outcome::Done();
}

ReadableFile::~ReadableFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::int64_t ReadableFile::Read(char* buf, std::size_t size, std::int64_t offset) {
    for (;;) {
        const ssize_t n = offset >= 0 ? ::pread(fd_, buf, size, offset) : ::read(fd_, buf, size);
        if (n < 0 && errno == EINTR) continue;
        return n;
    }
}

Outcome ReadBytes(const QString& path, std::string& bytes, const Progress& progress,
                  std::uint64_t maxBytes) {
    bytes.clear();
    ReadableFile f;
    if (Outcome o = f.Open(path); !o) return o;
    const auto tooLarge = [&](std::uint64_t size) {
        bytes.clear();
        bytes.shrink_to_fit();
        return Outcome::Failed(QStringLiteral("文件太大（%1），超过了能处理的 %2")
                                   .arg(SizeText(size), SizeText(maxBytes)));
    };
    if (static_cast<std::uint64_t>(f.SizeHint()) > maxBytes) return tooLarge(f.SizeHint());
    // The size is only a hint: /proc files say 0 and sysfs files 4096, whatever
    // they hold, and a file may grow while it is read. Read to the end.
    std::size_t capacity = f.SizeHint() > 0 ? static_cast<std::size_t>(f.SizeHint()) + 1 : 4096;
    std::size_t done = 0;
    bytes.resize(capacity);
    for (;;) {
        if (done == capacity) {
            capacity *= 2;
            bytes.resize(capacity);
        }
        if (progress && !progress(static_cast<std::int64_t>(done),
                                  2 * std::max<std::int64_t>(f.SizeHint(), 1))) {
            bytes.clear();
            return Outcome::Canceled();
        }
        const std::size_t want = progress ? std::min(kPiece, capacity - done) : capacity - done;
        const std::int64_t n = f.Read(bytes.data() + done, want);
        if (n == 0) break;
        if (n < 0) {
            const int err = errno;
            bytes.clear();
            return Outcome::Failed(ErrnoText(err));
        }
        done += static_cast<std::size_t>(n);
        if (done > maxBytes) return tooLarge(done);
    }
    bytes.resize(done);
    return Outcome::Done();
}

Outcome CheckWritable(const QString& path) {
    const QByteArray name = PathBytes(path);
    struct stat st {};
    // Nothing there yet (or a link to nothing): nothing to keep.
    if (::stat(name.constData(), &st) != 0) return Outcome::Done();
    int err = 0;
    const QByteArray end = LinkEnd(name, &err);
    return CheckWritableAt(end.isEmpty() ? name : end, st);
}

// By hand rather than with QSaveFile: QSaveFile::commit() (Qt 6.4) reports
// success after a failed flush of its buffer, and always syncs, which makes
// writing a hundred thousand new files take minutes.
struct AtomicWriter::Impl {
    QString path;
    Sync sync;
    QString likeFile;  // whose permissions and owner the file takes, when named
    int fd = -1;
    QByteArray temp;    // the temporary file beside the target
    QByteArray target;  // where it goes (a link's target, so the link stays)
    ~Impl() { Discard(); }
    void Discard() {
        if (fd >= 0) ::close(fd);
        fd = -1;
        if (!temp.isEmpty()) ::unlink(temp.constData());
        temp.clear();
    }
    Outcome Failed(int err) {
        Discard();
        return Outcome::Failed(ErrnoText(err));
    }
    // Gives the open file the mode and owner of `like` (an owner the process
    // may not give is left as it is).
    Outcome TakeOver(const struct stat& like) {
        struct stat mine {};
        if (::fstat(fd, &mine) != 0) return Failed(errno);
        if ((mine.st_uid != like.st_uid || mine.st_gid != like.st_gid) &&
            ::fchown(fd, like.st_uid, like.st_gid) != 0 && errno != EPERM) {
            return Failed(errno);
        }
        // After fchown, which may clear the set-user and set-group bits.
        if (::fchmod(fd, like.st_mode & 07777) != 0) return Failed(errno);
        return Outcome::Done();
    }
};

AtomicWriter::AtomicWriter(const QString& path, Sync sync, const QString& likeFile)
    : d_(std::make_unique<Impl>()) {
    d_->path = path;
    d_->sync = sync;
    d_->likeFile = likeFile;
}

AtomicWriter::~AtomicWriter() = default;

namespace {
// The process's umask, read without setting it: umask(0) for a moment would
// let another thread create a file open to everyone.
mode_t ProcessUmask() {
    if (FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, f))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(f);
        if (found) return static_cast<mode_t>(mask);
    }
    const mode_t mask = ::umask(022);  // no /proc: the old way, briefly a common mask
    ::umask(mask);
    return mask;
}
}  // namespace

Outcome AtomicWriter::Open() {
    d_->target = PathBytes(d_->path);
    struct stat like {};
    const bool haveLike =
        !d_->likeFile.isEmpty() && ::stat(PathBytes(d_->likeFile).constData(), &like) == 0;
    struct stat st {};
    if (::lstat(d_->target.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Write through a link: the link stays and its target is replaced,
        // or made when there is none yet.
        int err = 0;
        const QByteArray end = LinkEnd(d_->target, &err);
        if (end.isEmpty()) return d_->Failed(err);
        d_->target = end;
    }
    const bool exists = ::stat(d_->target.constData(), &st) == 0;
    if (!exists && errno != ENOENT) return d_->Failed(errno);
    if (exists) {
        // Renaming over a device or a pipe would replace it with a plain file.
        if (!S_ISREG(st.st_mode)) return Outcome::Failed(KindText(st.st_mode));
        if (Outcome o = CheckWritableAt(d_->target, st); !o) return o;
    }
    // A new file too is written beside its place and renamed there whole: a
    // write cut short (a full disk, a file-size limit) leaves nothing behind.
    const qsizetype slash = d_->target.lastIndexOf('/');
    QByteArray pattern = d_->target.left(slash + 1) + '.' + d_->target.mid(slash + 1).left(100) +
                         ".quillmere-XXXXXX";
    d_->fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (d_->fd < 0) return d_->Failed(errno);
    d_->temp = pattern;
    // The new file keeps the old one's permissions and owner (or gets the usual ones).
    if (haveLike) return d_->TakeOver(like);
    if (exists) return d_->TakeOver(st);
    const mode_t mask = ProcessUmask();
    if (::fchmod(d_->fd, 0666 & ~mask) != 0) return d_->Failed(errno);
    return Outcome::Done();
}

Outcome AtomicWriter::CopyFrom(int fd, std::int64_t from, std::int64_t length,
                               std::int64_t* copied) {
    if (d_->fd < 0) return Outcome::Failed(QStringLiteral("文件没有打开"));
    // The kernel copies without passing the bytes through this process.
    loff_t in = from;
    bool kernel = true;
    while (length != 0 && kernel) {
        const std::size_t want =
            length < 0 ? (1u << 30)
                       : static_cast<std::size_t>(std::min<std::int64_t>(length, 1 << 30));
        const ssize_t n = ::copy_file_range(fd, &in, d_->fd, nullptr, want, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 &&
            (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
            kernel = false;
            break;
        }
        if (n < 0) return d_->Failed(errno);
        if (n == 0) {
            if (length > 0) return d_->Failed(EIO);  // the source is shorter than it was
            break;
        }
        if (length > 0) length -= n;
    }
    if (kernel) {
        if (copied) *copied = in - from;
        return Outcome::Done();
    }
    std::string buf(1u << 20, '\0');
    while (length != 0) {
        const std::size_t want = length < 0 ? buf.size()
                                            : static_cast<std::size_t>(std::min<std::int64_t>(
                                                  length, static_cast<std::int64_t>(buf.size())));
        const ssize_t n = ::pread(fd, buf.data(), want, in);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return d_->Failed(errno);
        if (n == 0) {
            if (length > 0) return d_->Failed(EIO);
            break;
        }
        if (Outcome o = Write(buf.data(), static_cast<std::size_t>(n)); !o) return o;
        in += n;
        if (length > 0) length -= n;
    }
    if (copied) *copied = in - from;
    return Outcome::Done();
}

Outcome AtomicWriter::Write(const char* data, std::size_t size) {
    if (d_->fd < 0) return Outcome::Failed(QStringLiteral("文件没有打开"));
    while (size > 0) {
        const ssize_t n = ::write(d_->fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return d_->Failed(n < 0 ? errno : EIO);
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return Outcome::Done();
}

Outcome AtomicWriter::WriteAt(std::uint64_t offset, const char* data, std::size_t size) {
    if (d_->fd < 0) return Outcome::Failed(QStringLiteral("文件没有打开"));
    while (size > 0) {
        const ssize_t n = ::pwrite(d_->fd, data, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return d_->Failed(n < 0 ? errno : EIO);
        data += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
    return Outcome::Done();
}

Outcome AtomicWriter::Commit() {
    if (d_->fd < 0) return Outcome::Failed(QStringLiteral("文件没有打开"));
    if (d_->sync == Sync::Durable && ::fdatasync(d_->fd) != 0) return d_->Failed(errno);
    const int fd = d_->fd;
    d_->fd = -1;
    if (::close(fd) != 0) return d_->Failed(errno);
    if (::rename(d_->temp.constData(), d_->target.constData()) != 0) {
        return d_->Failed(errno);
    }
    d_->temp.clear();
    return Outcome::Done();
}

Outcome WriteFileAtomic(const QString& path, const std::string& bytes, Sync sync,
                        const QString& likeFile) {
    AtomicWriter w(path, sync, likeFile);
    if (Outcome o = w.Open(); !o) return o;
    if (Outcome o = w.Write(bytes.data(), bytes.size()); !o) return o;
    return w.Commit();
}

}  // namespace files
