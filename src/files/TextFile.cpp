#include "files/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/Codec.h"

namespace files {

namespace {

Outcome Fail(const QString& why) { return Outcome{false, why}; }

QString KindText(mode_t mode) {
    if (S_ISDIR(mode)) return QStringLiteral("这是一个文件夹，不是文件");
    return QStringLiteral("这不是普通文件（是管道、设备或套接字），程序不读写这类文件");
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

namespace {
constexpr std::size_t kPiece = 4u << 20;  // progress is told every 4 MB
}  // namespace

Outcome ReadableFile::Open(const QString& path) {
    // Non-blocking, so that opening a pipe nobody writes to returns at once;
    // it is refused below before anything is read.
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) return Fail(ErrnoText(errno));
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return Fail(ErrnoText(errno));
    if (!S_ISREG(st.st_mode)) return Fail(KindText(st.st_mode));
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags == -1 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) == -1)
        return Fail(ErrnoText(errno));
    size_ = st.st_size;
    return Outcome{true, {}};
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
                  bool* canceled) {
    bytes.clear();
    if (canceled) *canceled = false;
    ReadableFile f;
    if (Outcome o = f.Open(path); !o) return o;
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
            if (canceled) *canceled = true;
            return Fail(QString());
        }
        const std::size_t want = progress ? std::min(kPiece, capacity - done) : capacity - done;
        const std::int64_t n = f.Read(bytes.data() + done, want);
        if (n == 0) break;
        if (n < 0) {
            const int err = errno;
            bytes.clear();
            return Fail(ErrnoText(err));
        }
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return Outcome{true, {}};
}

ReadResult ReadGbkFile(const QString& path, const Progress& progress) {
    ReadResult r;
    std::string bytes;
    const Outcome read = ReadBytes(path, bytes, progress, &r.canceled);
    if (!read) {
        r.why = read.why;
        return r;
    }
    if (!progress) {
        qm::cp936::DecodeResult d = qm::cp936::Decode(bytes);
        r.text = std::move(d.text);
        r.invalid = d.invalid;
        r.ok = true;
        return r;
    }
    // In pieces cut just after an LF byte: an LF is never part of a two-byte
    // character, so the pieces decode exactly as the whole would.
    const auto total = static_cast<std::int64_t>(bytes.size());
    // Room for exactly the text: a large file's text then costs its own size.
    r.text.reserve(qm::cp936::DecodedLength(bytes));
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (!progress(total + static_cast<std::int64_t>(at),
                      2 * std::max<std::int64_t>(total, 1))) {
            r.canceled = true;
            r.text = std::u16string();
            return r;
        }
        std::size_t end = std::min(bytes.size(), at + kPiece);
        if (end < bytes.size()) {
            const std::size_t lf = bytes.find('\n', end);
            end = lf == std::string::npos ? bytes.size() : lf + 1;
        }
        qm::cp936::DecodeResult d = qm::cp936::Decode(std::string_view(bytes).substr(at, end - at));
        r.text += d.text;
        r.invalid += d.invalid;
        at = end;
    }
    r.ok = true;
    return r;
}

// By hand rather than with QSaveFile: QSaveFile::commit() (Qt 6.4) reports
// success after a failed flush of its buffer, and always syncs, which makes
// writing a hundred thousand new files take minutes.
struct AtomicWriter::Impl {
    QString path;
    Sync sync;
    int fd = -1;
    QByteArray temp;       // the temporary file beside the target
    QByteArray target;     // where it goes (a link's target, so the link stays)
    bool inPlace = false;  // a new file, written where it goes
    ~Impl() { Discard(); }
    void Discard() {
        if (fd >= 0) ::close(fd);
        fd = -1;
        if (!temp.isEmpty()) ::unlink(temp.constData());
        temp.clear();
    }
    Outcome Failed(int err) {
        Discard();
        return Fail(ErrnoText(err));
    }
};

AtomicWriter::AtomicWriter(const QString& path, Sync sync) : d_(std::make_unique<Impl>()) {
    d_->path = path;
    d_->sync = sync;
}

AtomicWriter::~AtomicWriter() = default;

Outcome AtomicWriter::Open() {
    d_->target = QFile::encodeName(d_->path);
    // Most often the file is new: try that first, at the cost of one call.
    // A new file holds nothing to lose: it is written in place and removed
    // again if anything fails. (An existing file or link gives EEXIST.)
    d_->fd = ::open(d_->target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (d_->fd >= 0) {
        d_->temp = d_->target;
        d_->inPlace = true;
        return Outcome{true, {}};
    }
    if (errno != EEXIST) return d_->Failed(errno);
    struct stat st {};
    if (::lstat(d_->target.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Write through a link: the link stays and its target is replaced.
        const QString real = QFileInfo(d_->path).canonicalFilePath();
        if (!real.isEmpty()) d_->target = QFile::encodeName(real);
    }
    // (A dangling link, or a file removed meanwhile, does not exist.)
    const bool exists = ::stat(d_->target.constData(), &st) == 0;
    // Renaming over a device or a pipe would replace it with a plain file.
    if (exists && !S_ISREG(st.st_mode)) return Fail(KindText(st.st_mode));
    const QFileInfo t(QFile::decodeName(d_->target));
    QByteArray pattern = QFile::encodeName(t.absolutePath()) + "/." +
                         QFile::encodeName(t.fileName()).left(100) + ".quillmere-XXXXXX";
    d_->fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (d_->fd < 0) return d_->Failed(errno);
    d_->temp = pattern;
    // The new file keeps the old one's permissions (or gets the usual ones).
    mode_t mode = st.st_mode & 07777;
    if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(d_->fd, mode) != 0) return d_->Failed(errno);
    return Outcome{true, {}};
}

Outcome AtomicWriter::CopyFrom(int fd, std::int64_t from, std::int64_t length,
                               std::int64_t* copied) {
    if (d_->fd < 0) return Fail(QStringLiteral("文件没有打开"));
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
        return Outcome{true, {}};
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
    return Outcome{true, {}};
}

Outcome AtomicWriter::Write(const char* data, std::size_t size) {
    if (d_->fd < 0) return Fail(QStringLiteral("文件没有打开"));
    while (size > 0) {
        const ssize_t n = ::write(d_->fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return d_->Failed(n < 0 ? errno : EIO);
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return Outcome{true, {}};
}

Outcome AtomicWriter::Commit() {
    if (d_->fd < 0) return Fail(QStringLiteral("文件没有打开"));
    if (d_->sync == Sync::Durable && ::fdatasync(d_->fd) != 0) return d_->Failed(errno);
    const int fd = d_->fd;
    d_->fd = -1;
    if (::close(fd) != 0) return d_->Failed(errno);
    if (!d_->inPlace && ::rename(d_->temp.constData(), d_->target.constData()) != 0) {
        return d_->Failed(errno);
    }
    d_->temp.clear();
    return Outcome{true, {}};
}

Outcome WriteFileAtomic(const QString& path, const std::string& bytes, Sync sync) {
    AtomicWriter w(path, sync);
    if (Outcome o = w.Open(); !o) return o;
    if (Outcome o = w.Write(bytes.data(), bytes.size()); !o) return o;
    return w.Commit();
}

}  // namespace files
