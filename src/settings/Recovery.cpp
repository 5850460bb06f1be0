#include "settings/Recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>
#include <QUuid>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <new>

namespace settings {

namespace {

constexpr std::string_view kMagic = "QMRECOVERY1\n";
const QString kCopySuffix = QStringLiteral(".recovery");
const QString kLockSuffix = QStringLiteral(".lock");

QString LockPathOf(const QString& copyPath) {
    return copyPath.left(copyPath.size() - kCopySuffix.size()) + kLockSuffix;
}

std::string Line(std::string_view key, std::string_view value) {
    return std::string(key) + "=" + std::string(value) + "\n";
}

std::optional<qm::enc::LineBreak> BreakFromName(std::string_view name) {
    for (const qm::enc::LineBreak b :
         {qm::enc::LineBreak::CrLf, qm::enc::LineBreak::Lf, qm::enc::LineBreak::Cr}) {
        if (name == qm::enc::Name(b)) return b;
    }
    return std::nullopt;
}

// The folder, private to the user: made so, and made so again when it was not.
files::Outcome MakePrivateFolder(const QString& folder) {
    if (!QDir().mkpath(folder)) {
        return files::Outcome::Failed(
            QStringLiteral("无法创建文件夹“%1”").arg(files::ShownPath(folder)));
    }
    if (::chmod(files::PathBytes(folder).constData(), 0700) != 0) {
        return files::Outcome::Failed(files::ErrnoText(errno));
    }
    return files::Outcome::Done();
}

// Opens (making it when missing) a lock file and takes its lock without
// waiting; -1 when another process holds it or it cannot be opened.
int TakeLock(const QString& path) {
    const int fd =
        ::open(files::PathBytes(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::string RecoveryHeader(const RecoveryInfo& info) {
    const qm::enc::FileFormat& f = info.format;
    std::string h(kMagic);
    h += Line("path", files::PathBytes(info.path).toHex().toStdString());
    h += Line("encoding", qm::enc::Name(f.encoding));
    h += Line("bom", f.bom ? "1" : "0");
    h += Line("breaks", qm::enc::Name(f.breaks));
    h += Line("mixed", f.mixed ? "1" : "0");
    h += Line("kept", f.keptFrom ? qm::enc::Name(*f.keptFrom) : "");
    h += Line("closing", info.closingBreak ? "1" : "0");
    h += Line("made", std::to_string(info.madeAt));
    h += "\n";
    return h;
}

std::optional<RecoveryInfo> ParseRecovery(std::string_view bytes, std::u16string* text) {
    if (!bytes.starts_with(kMagic)) return std::nullopt;
    bytes.remove_prefix(kMagic.size());
    RecoveryInfo info;
    bool encoding = false;
    bool breaks = false;
    for (;;) {
        const std::size_t end = bytes.find('\n');
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end + 1);
        if (line.empty()) break;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) return std::nullopt;
        const std::string_view key = line.substr(0, eq);
        const std::string_view value = line.substr(eq + 1);
        if (key == "path") {
            info.path = files::PathFromBytes(
                QByteArray::fromHex(QByteArray(value.data(), static_cast<qsizetype>(value.size())))
                    .toStdString());
        } else if (key == "encoding") {
            const auto e = qm::enc::FromName(value);
            if (!e) return std::nullopt;
            info.format.encoding = *e;
            encoding = true;
        } else if (key == "bom") {
            info.format.bom = value == "1";
        } else if (key == "breaks") {
            const auto b = BreakFromName(value);
            if (!b) return std::nullopt;
            info.format.breaks = *b;
            breaks = true;
        } else if (key == "mixed") {
            info.format.mixed = value == "1";
        } else if (key == "kept") {
            info.format.keptFrom = qm::enc::FromName(value);
        } else if (key == "closing") {
            info.closingBreak = value == "1";
        } else if (key == "made") {
            info.madeAt =
                QByteArray(value.data(), static_cast<qsizetype>(value.size())).toLongLong();
        }
    }
    if (!encoding || !breaks || bytes.size() % 2 != 0) return std::nullopt;
    if (text != nullptr) {
        text->resize(bytes.size() / 2);
        qFromLittleEndian<char16_t>(bytes.data(), static_cast<qsizetype>(text->size()),
                                    text->data());
    }
    return info;
}

QString RecoveryFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/quillmere/recovery");
}

void AddEdit(std::vector<TextEdit>& log, TextEdit edit) {
    if (!log.empty()) {
        TextEdit& last = log.back();
        const std::size_t end = last.pos + last.inserted.size();
        if (edit.removed == 0 && edit.pos == end) {
            last.inserted += edit.inserted;
            return;
        }
        if (edit.inserted.empty() && edit.pos >= last.pos && edit.pos + edit.removed == end) {
            last.inserted.resize(edit.pos - last.pos);
            return;
        }
    }
    log.push_back(std::move(edit));
}

void ApplyEdits(std::u16string& text, const std::vector<TextEdit>& log) {
    for (const TextEdit& e : log) {
        const std::size_t pos = std::min(e.pos, text.size());
        text.replace(pos, std::min(e.removed, text.size() - pos), e.inserted);
    }
}

// ---- found copies ----

namespace {

// The header of an open copy (its size in *size), without the text, which
// may be large. Its path, in hex, may take twice the longest path.
std::optional<RecoveryInfo> ReadHeader(files::ReadableFile& f, std::size_t* size) {
    std::string head(16 << 10, '\0');
    const std::int64_t n = f.Read(head.data(), head.size(), 0);
    head.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, n)));
    // Only the header's end is needed to read it.
    const std::size_t end = head.find("\n\n");
    if (end == std::string::npos) return std::nullopt;
    *size = end + 2;
    return ParseRecovery(std::string_view(head).substr(0, *size));
}

}  // namespace

FoundCopy::FoundCopy(QString path, RecoveryInfo info, int lockFd, QString damaged)
    : path_(std::move(path)),
      info_(std::move(info)),
      damaged_(std::move(damaged)),
      lockFd_(lockFd) {}

FoundCopy::FoundCopy(FoundCopy&& o) noexcept
    : path_(std::move(o.path_)),
      info_(std::move(o.info_)),
      damaged_(std::move(o.damaged_)),
      lockFd_(std::exchange(o.lockFd_, -1)) {}

FoundCopy& FoundCopy::operator=(FoundCopy&& o) noexcept {
    if (this == &o) return *this;
    if (lockFd_ >= 0) ::close(lockFd_);
    path_ = std::move(o.path_);
    info_ = std::move(o.info_);
    damaged_ = std::move(o.damaged_);
    lockFd_ = std::exchange(o.lockFd_, -1);
    return *this;
}

FoundCopy::~FoundCopy() {
    if (lockFd_ >= 0) ::close(lockFd_);
}

files::Outcome FoundCopy::Read(std::u16string& text, RecoveryInfo& info) const {
    files::ReadableFile f;
    if (files::Outcome r = f.Open(path_); !r) return r;
    std::size_t at = 0;
    std::optional<RecoveryInfo> parsed = ReadHeader(f, &at);
    const std::int64_t size = f.SizeHint();
    const auto damaged = [] { return files::Outcome::Failed(QStringLiteral("文件已损坏")); };
    if (!parsed || size < static_cast<std::int64_t>(at) || (size - at) % 2 != 0) return damaged();
    // Read straight into the text: the copy's bytes are never held beside it.
    try {
        text.resize(static_cast<std::size_t>(size - at) / 2);
    } catch (const std::bad_alloc&) {
        return files::Outcome::Failed(QStringLiteral("内存不足，无法读入这么大的副本"));
    }
    char* to = reinterpret_cast<char*>(text.data());
    for (std::size_t done = 0, want = text.size() * sizeof(char16_t); done < want;) {
        const std::int64_t n = f.Read(to + done, want - done, static_cast<std::int64_t>(at + done));
        if (n < 0) return files::Outcome::Failed(files::ErrnoText(errno));
        if (n == 0) return damaged();  // cut short since
        done += static_cast<std::size_t>(n);
    }
    qFromLittleEndian<char16_t>(text.data(), static_cast<qsizetype>(text.size()), text.data());
    info = std::move(*parsed);
    return files::Outcome::Done();
}

files::Outcome FoundCopy::Discard() {
    if (::unlink(files::PathBytes(path_).constData()) != 0 && errno != ENOENT) {
        return files::Outcome::Failed(files::ErrnoText(errno));
    }
    ::unlink(files::PathBytes(LockPathOf(path_)).constData());
    return files::Outcome::Done();
}

std::vector<FoundCopy> FindRecoveryCopies() {
    const QString folder = RecoveryFolder();
    std::vector<FoundCopy> found;
    const std::optional<QStringList> names = files::NamesIn(folder);
    if (!names) return found;
    for (const QString& name : *names) {
        if (!name.endsWith(kCopySuffix)) continue;
        const QString path = folder + QLatin1Char('/') + name;
        const int fd = TakeLock(LockPathOf(path));
        if (fd < 0) continue;  // its program is still running
        files::ReadableFile f;
        std::optional<RecoveryInfo> info;
        std::size_t headSize = 0;
        files::Outcome opened = f.Open(path);
        if (opened) info = ReadHeader(f, &headSize);
        // One that cannot be read is found too: the user says what becomes of it.
        QString damaged = !opened ? opened.why : info ? QString() : QStringLiteral("文件已损坏");
        found.emplace_back(path, info.value_or(RecoveryInfo{}), fd, std::move(damaged));
    }
    std::sort(found.begin(), found.end(), [](const FoundCopy& a, const FoundCopy& b) {
        return a.Info().madeAt < b.Info().madeAt;
    });
    return found;
}

// ---- a window's own copy ----

RecoveryCopy::RecoveryCopy(std::function<void(const QString&)> failed)
    : folder_(RecoveryFolder()),
      name_(QStringLiteral("%1-%2")
                .arg(::getpid())
                .arg(QUuid::createUuid().toString(QUuid::WithoutBraces))),
      failed_(std::move(failed)),
      worker_([this] { Run(); }) {}

RecoveryCopy::~RecoveryCopy() {
    {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return !pending_ && !busy_; });
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
    if (lockFd_ >= 0) {
        if (!exists_) ::unlink(files::PathBytes(folder_ + "/" + name_ + kLockSuffix).constData());
        ::close(lockFd_);
    }
}

QString RecoveryCopy::Path() const { return folder_ + QLatin1Char('/') + name_ + kCopySuffix; }

void RecoveryCopy::Write(std::u16string text, std::vector<TextEdit> edits, RecoveryInfo info) {
    {
        std::lock_guard lock(mutex_);
        pending_ = Job{false, std::move(text), std::move(edits), std::move(info)};
    }
    wake_.notify_all();
}

void RecoveryCopy::Remove() {
    {
        std::lock_guard lock(mutex_);
        pending_ = Job{true, {}, {}, {}};
    }
    wake_.notify_all();
}

void RecoveryCopy::Settle() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return !pending_ && !busy_; });
}

files::Outcome RecoveryCopy::Adopt(FoundCopy& found) {
    Settle();
    std::lock_guard lock(mutex_);
    if (files::Outcome r = Lock(); !r) return r;
    if (::rename(files::PathBytes(found.path_).constData(), files::PathBytes(Path()).constData()) !=
        0) {
        return files::Outcome::Failed(files::ErrnoText(errno));
    }
    exists_ = true;
    ::unlink(files::PathBytes(LockPathOf(found.path_)).constData());
    return files::Outcome::Done();
}

void RecoveryCopy::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || pending_; });
        if (stop_) return;
        Job job = std::move(*pending_);
        pending_.reset();
        busy_ = true;
        lock.unlock();
        const files::Outcome r = Do(job);
        job = Job{};  // the text's copy goes before the next is taken
        // Told when the copies start failing, not at every try after.
        if (!r && !failing_ && failed_) failed_(r.why);
        failing_ = !r;
        lock.lock();
        busy_ = false;
        wake_.notify_all();
    }
}

files::Outcome RecoveryCopy::Lock() {
    if (lockFd_ >= 0) return files::Outcome::Done();
    if (files::Outcome r = MakePrivateFolder(folder_); !r) return r;
    lockFd_ = TakeLock(folder_ + QLatin1Char('/') + name_ + kLockSuffix);
    if (lockFd_ < 0) return files::Outcome::Failed(files::ErrnoText(errno));
    return files::Outcome::Done();
}

files::Outcome RecoveryCopy::Do(Job& job) {
    if (job.remove) {
        if (!exists_) return files::Outcome::Done();
        if (::unlink(files::PathBytes(Path()).constData()) != 0 && errno != ENOENT) {
            return files::Outcome::Failed(files::ErrnoText(errno));
        }
        exists_ = false;
        return files::Outcome::Done();
    }
    {
        std::lock_guard lock(mutex_);
        if (files::Outcome r = Lock(); !r) return r;
    }
    try {
        ApplyEdits(job.text, job.edits);
    } catch (const std::bad_alloc&) {
        return files::Outcome::Failed(QStringLiteral("内存不足"));
    }
    // Private like the lock file (the folder is private too).
    files::AtomicWriter w(Path(), files::Sync::Durable,
                          folder_ + QLatin1Char('/') + name_ + kLockSuffix);
    if (files::Outcome r = w.Open(); !r) return r;
    const std::string header = RecoveryHeader(job.info);
    if (files::Outcome r = w.Write(header.data(), header.size()); !r) return r;
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        if (files::Outcome r = w.Write(reinterpret_cast<const char*>(job.text.data()),
                                       job.text.size() * sizeof(char16_t));
            !r) {
            return r;
        }
    } else {
        std::u16string le(job.text.size(), u'\0');
        qToLittleEndian<char16_t>(job.text.data(), static_cast<qsizetype>(le.size()), le.data());
        if (files::Outcome r =
                w.Write(reinterpret_cast<const char*>(le.data()), le.size() * sizeof(char16_t));
            !r) {
            return r;
        }
    }
    if (files::Outcome r = w.Commit(); !r) return r;
    exists_ = true;
    return files::Outcome::Done();
}

}  // namespace settings
