#include "files/FileJobs.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>

#include "core/encoding/Encoding.h"

namespace files {

namespace {

constexpr std::size_t kBuffer = 1u << 20;

QString Named(const QString& path) { return ShownPath(QFileInfo(path).fileName()); }

// Where the path leads, followed through links; false when nothing is there.
bool StatPath(const QString& path, struct stat* st) {
    return ::stat(PathBytes(path).constData(), st) == 0;
}

}  // namespace

// ---- batch replace ----

Outcome ReplaceInFile(const QString& path, std::u16string_view find,
                      std::u16string_view replacement, bool backup) {
    struct stat st {};
    if (!StatPath(path, &st)) return Outcome::Failed(QStringLiteral("文件不存在"));
    // Before anything is read or a backup made: a read-only file stays as it is.
    if (Outcome w = CheckWritable(path); !w) return w;
    // The text is held several times over while it is replaced.
    if (const qint64 size = st.st_size; size > kMaxReplaceBytes) {
        return Outcome::Failed(
            QStringLiteral("文件太大（%1），批量替换只处理不超过 %2 的文件，未改动")
                .arg(QString::fromStdU16String(qm::filetools::SpaceValue(size)),
                     QString::fromStdU16String(qm::filetools::SpaceValue(kMaxReplaceBytes))));
    }
    std::string bytes;
    if (Outcome r = ReadBytes(path, bytes, {}, kMaxReplaceBytes); !r) return r;
    // Read in its own encoding, written back in it and in its line breaks.
    qm::enc::LoadedText text;
    if (const auto why = qm::filetools::NotCleanText(bytes, &text)) {
        return Outcome::Failed(QString::fromStdU16String(*why) + QStringLiteral("，未改动"));
    }
    const qm::enc::Encoded out = qm::enc::EncodeFile(
        qm::filetools::ReplaceInLines(text.text, find, replacement), text.format);
    if (out.unencodable > 0) {
        return Outcome::Failed(QStringLiteral("替换后有 %1 个字符无法用 %2 保存，未改动")
                                   .arg(out.unencodable)
                                   .arg(QString::fromLatin1(qm::enc::Name(text.format.encoding))));
    }
    if (backup) {
        // As private as the file it copies.
        if (Outcome b = WriteFileAtomic(path + QStringLiteral(".BAK"), bytes, Sync::Fast, path);
            !b) {
            return Outcome::Failed(QStringLiteral("无法写备份文件：") + b.why);
        }
    }
    return WriteFileAtomic(path, out.bytes, Sync::Fast);
}

void SyncFileSystemOf(const QStringList& paths) {
    QSet<QString> folders;
    for (const QString& p : paths) folders.insert(QFileInfo(p).absolutePath());
    for (const QString& folder : folders) {
        const int fd = ::open(PathBytes(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) continue;
        ::syncfs(fd);
        ::close(fd);
    }
}

bool IsTextDocumentName(const QString& name) {
    if (name.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive)) return true;
    // Exactly plain text: scripts, sources, pages and the like only inherit
    // it, and are rewritten with CR LF at their peril.
    static const QMimeDatabase db;
    return db.mimeTypeForFile(name, QMimeDatabase::MatchExtension).name() ==
           QStringLiteral("text/plain");
}

QStringList TextFilesIn(const QString& folder) {
    // Listed by hand: Qt's listing leaves out names that are not UTF-8.
    QStringList out;
    const QString base = QFileInfo(folder).absoluteFilePath() + QLatin1Char('/');
    for (const QString& name : NamesIn(folder).value_or(QStringList())) {
        // Hidden files stay out, as in the file manager.
        if (name.startsWith(QLatin1Char('.'))) continue;
        struct stat st {};
        if (IsTextDocumentName(name) && StatPath(base + name, &st) && S_ISREG(st.st_mode)) {
            out << base + name;
        }
    }
    return out;
}

// ---- the splitter ----

SplitNames NamesFor(const QString& source, const QString& saveName) {
    SplitNames n;
    const bool hasFolder = saveName.contains(QLatin1Char('/'));
    n.folder = hasFolder ? QFileInfo(saveName).absolutePath() : QFileInfo(source).absolutePath();
    n.partBase = QString::fromStdU16String(qm::filetools::GetFileName(saveName.toStdU16String()));
    n.sourceName = QString::fromStdU16String(qm::filetools::GetFileName(source.toStdU16String()));
    return n;
}

Outcome SplitFile(const QString& source, const SplitNames& names,
                  const qm::filetools::SplitPlan& plan,
                  const std::function<bool(std::int64_t)>& beforePart) {
    ReadableFile in;
    if (Outcome o = in.Open(source); !o)
        return Outcome::Failed(QStringLiteral("无法读取源文件：") + o.why);
    for (std::int64_t k = 0; k < plan.parts; ++k) {
        if (beforePart && !beforePart(k)) return Outcome::Failed(QStringLiteral("已取消"));
        const QString name = names.partBase + QLatin1Char('.') + QString::number(k);
        const auto partFailed = [&](const QString& why) {
            return Outcome::Failed(
                QStringLiteral("写第 %1 个分割文件“%2”时出错：%3").arg(k + 1).arg(name, why));
        };
        AtomicWriter out(names.folder + QLatin1Char('/') + name, Sync::Fast);
        if (Outcome o = out.Open(); !o) return partFailed(o.why);
        const std::int64_t from = plan.Boundary(k);
        if (Outcome o = out.CopyFrom(in.Fd(), from, plan.Boundary(k + 1) - from); !o) {
            return partFailed(o.why);
        }
        if (Outcome o = out.Commit(); !o) return partFailed(o.why);
    }
    return Outcome::Done();
}

Outcome WriteRejoinScripts(const SplitNames& names, std::int64_t parts, bool withDelete) {
    const std::u16string p = names.partBase.toStdU16String();
    const std::u16string s = names.sourceName.toStdU16String();
    const QString bat = names.folder + QLatin1Char('/') + names.sourceName + QStringLiteral(".bat");
    // Neither script is written for a name the batch file cannot hold.
    for (const std::u16string& name : {p, s}) {
        if (const auto why = qm::filetools::ScriptNameProblem(name)) {
            return Outcome::Failed(
                QStringLiteral("文件名“%1”%2，无法写合并脚本")
                    .arg(QString::fromStdU16String(qm::filetools::ReadableName(name)),
                         QString::fromStdU16String(*why)));
        }
    }
    const std::u16string batch = qm::filetools::BatchText(p, s, parts, withDelete).value();
    if (Outcome o = WriteFileAtomic(bat, qm::enc::Encode(batch, qm::enc::Encoding::Gbk).bytes);
        !o) {
        return Outcome::Failed(QStringLiteral("无法写批处理文件“%1”：%2").arg(Named(bat), o.why));
    }
    // The shell sees names as the file system stores them.
    const QString sh = names.folder + QLatin1Char('/') + names.sourceName + QStringLiteral(".sh");
    const QByteArray script =
        QString::fromStdU16String(qm::filetools::ShellText(p, s, parts, withDelete)).toUtf8();
    if (Outcome o = WriteFileAtomic(sh, script.toStdString()); !o) {
        return Outcome::Failed(QStringLiteral("无法写合并脚本“%1”：%2").arg(Named(sh), o.why));
    }
    QFile::setPermissions(sh, QFile::permissions(sh) | QFile::ExeOwner | QFile::ExeUser |
                                  QFile::ExeGroup | QFile::ExeOther);
    return Outcome::Done();
}

// ---- the merger ----

namespace {

QString TooLargeToConvert() {
    return QStringLiteral("文件太大，转换编码只处理不超过 %1 的文件")
        .arg(QString::fromStdU16String(qm::filetools::SpaceValue(kMaxReplaceBytes)));
}

// The whole of an open file, from its start, up to kMaxReplaceBytes (a file
// converted is held several times over).
Outcome ReadAllFrom(ReadableFile& in, std::string& bytes) {
    bytes.clear();
    std::string buf(kBuffer, '\0');
    for (std::int64_t at = 0;;) {
        const std::int64_t n = in.Read(buf.data(), buf.size(), at);
        if (n < 0) return Outcome::Failed(ErrnoText(errno));
        if (n == 0) return Outcome::Done();
        at += n;
        if (at > kMaxReplaceBytes) return Outcome::Failed(TooLargeToConvert());
        bytes.append(buf.data(), static_cast<std::size_t>(n));
    }
}

}  // namespace

std::vector<std::optional<qm::enc::Encoding>> EncodingsOf(const QStringList& inputs) {
    constexpr std::size_t kLook = 64u << 20;
    std::vector<std::optional<qm::enc::Encoding>> out;
    std::string head(kLook, '\0');
    for (const QString& path : inputs) {
        ReadableFile in;
        out.emplace_back();
        if (!in.Open(path)) continue;
        std::size_t got = 0;
        bool failed = false;
        while (got < head.size()) {
            const std::int64_t n = in.Read(head.data() + got, head.size() - got);
            if (n < 0) failed = true;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        if (failed) continue;
        std::string_view bytes(head.data(), got);
        // Cut after the last LF of a long file: never inside a character of
        // any encoding read here but UTF-16, whose BOM decides anyway.
        if (got == head.size()) {
            const std::size_t lf = bytes.rfind('\n');
            if (lf != std::string_view::npos) bytes = bytes.substr(0, lf + 1);
        }
        const qm::enc::Encoding e = qm::enc::Detect(bytes);
        const bool utf16 = e == qm::enc::Encoding::Utf16Le || e == qm::enc::Encoding::Utf16Be;
        if (!utf16 && bytes.find('\0') != std::string_view::npos) continue;
        if (qm::enc::Decode(bytes, e).invalid > 0) continue;
        out.back() = e;
    }
    return out;
}

bool SameFamily(qm::enc::Encoding a, qm::enc::Encoding b) {
    using qm::enc::Encoding;
    const auto family = [](Encoding e) {
        if (e == Encoding::Gb18030) return Encoding::Gbk;
        if (e == Encoding::Utf8Bom) return Encoding::Utf8;
        return e;
    };
    return family(a) == family(b);
}

namespace {

// Room for this many more open files: the soft limit raised toward the hard
// one when a long list needs it (a thousand chapters).
void MakeRoomForOpenFiles(std::size_t more) {
    rlimit r{};
    if (::getrlimit(RLIMIT_NOFILE, &r) != 0) return;
    const rlim_t want = static_cast<rlim_t>(more) + 256;
    if (r.rlim_cur != RLIM_INFINITY && r.rlim_cur < want) {
        r.rlim_cur = r.rlim_max == RLIM_INFINITY ? want : std::min(want, r.rlim_max);
        ::setrlimit(RLIMIT_NOFILE, &r);
    }
}

// Whether input i is in another encoding family than the output's.
bool NeedsConverting(const MergeConversion* convert, std::size_t i) {
    return convert && i < convert->from.size() && convert->from[i] &&
           !SameFamily(*convert->from[i], convert->target.encoding);
}

}  // namespace

Outcome MergeFiles(const QStringList& inputs, const QString& output, const std::string& separator,
                   const MergeConversion* convert, const std::string& closing) {
    // Every input is opened before the output is made: a missing one stops
    // the merge before anything is written, and what is read is the inputs
    // as they were, never the new output (even one listed as an input, or
    // one that takes a vanished input's name). A name listed twice is read
    // through one descriptor.
    MakeRoomForOpenFiles(static_cast<std::size_t>(inputs.size()));
    std::vector<std::unique_ptr<ReadableFile>> open;
    QHash<QString, int> fdOf;
    std::vector<int> order;
    QHash<int, ReadableFile*> fileOf;
    for (int i = 0; i < inputs.size(); ++i) {
        const QString& path = inputs[i];
        if (const auto known = fdOf.constFind(path); known != fdOf.constEnd()) {
            order.push_back(*known);
            continue;
        }
        auto in = std::make_unique<ReadableFile>();
        if (Outcome o = in->Open(path); !o) {
            return Outcome::Failed(
                QStringLiteral("无法读取文件“%1”：%2").arg(QDir::toNativeSeparators(path), o.why));
        }
        // One to convert must fit in memory: told before anything is written.
        if (NeedsConverting(convert, static_cast<std::size_t>(i)) &&
            in->SizeHint() > kMaxReplaceBytes) {
            return Outcome::Failed(
                QStringLiteral("“%1”%2").arg(QDir::toNativeSeparators(path), TooLargeToConvert()));
        }
        fdOf.insert(path, in->Fd());
        fileOf.insert(in->Fd(), in.get());
        order.push_back(in->Fd());
        open.push_back(std::move(in));
    }
    const auto writeFailed = [&output](const Outcome& o) {
        return Outcome::Failed(
            QStringLiteral("无法写合并后的文件“%1”：%2").arg(Named(output), o.why));
    };
    // An output that exists (an input among them) is written beside it and
    // renamed over it at the end. A new one holds nothing to lose.
    struct stat st {};
    AtomicWriter out(output, StatPath(output, &st) ? Sync::Durable : Sync::Fast);
    if (Outcome o = out.Open(); !o) return writeFailed(o);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const int fd = order[i];
        std::int64_t copied = 0;
        if (NeedsConverting(convert, i)) {
            // Another encoding: this one input is decoded and written anew.
            const qm::enc::Encoding from = *convert->from[i];
            std::string bytes;
            if (Outcome o = ReadAllFrom(*fileOf.value(fd), bytes); !o) {
                return Outcome::Failed(
                    QStringLiteral("无法读取文件“%1”：%2")
                        .arg(QDir::toNativeSeparators(inputs[static_cast<int>(i)]), o.why));
            }
            qm::enc::FileFormat target = convert->target;
            target.bom = false;
            target.keptFrom = from;  // its kept bytes are no bytes of the target's
            const std::string converted =
                qm::enc::EncodeFile(qm::enc::DecodeFile(bytes, from).text, target).bytes;
            if (Outcome o = out.Write(converted.data(), converted.size()); !o)
                return writeFailed(o);
            copied = static_cast<std::int64_t>(converted.size());
        } else if (Outcome o = out.CopyFrom(fd, 0, -1, &copied); !o) {
            return writeFailed(o);
        }
        // An empty file contributes nothing, not even a separator.
        if (copied > 0) {
            if (Outcome o = out.Write(separator.data(), separator.size()); !o)
                return writeFailed(o);
        }
    }
    if (Outcome o = out.Write(closing.data(), closing.size()); !o) return writeFailed(o);
    if (Outcome o = out.Commit(); !o) return writeFailed(o);
    return Outcome::Done();
}

// ---- text into files ----

RecordsWritten WriteRecords(const std::vector<qm::filetools::Record>& records,
                            const QString& folder, const std::function<void(std::size_t)>& each) {
    RecordsWritten w;
    const bool haveFolder = QDir().mkpath(folder);
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (each) each(i);
        const qm::filetools::Record& r = records[i];
        const QString title = QString::fromStdU16String(r.title);
        w.titles << title;
        if (!haveFolder || !r.safeName) {
            w.notWritten << title;
            continue;
        }
        const QString target = folder + QLatin1Char('/') + QString::fromStdU16String(r.fileName);
        if (!WriteFileAtomic(target,
                             qm::enc::Encode(r.content + u"\r\n", qm::enc::Encoding::Gbk).bytes,
                             Sync::Fast))
            w.notWritten << title;
    }
    return w;
}

}  // namespace files
