// Files on disk: regular files read safely, paths kept as bytes, and
// atomic writes.
//
// Every file the program reads is opened as a ReadableFile and every file it
// writes goes through an AtomicWriter, so that the rules below hold everywhere:
// only regular files are read (a named pipe or a device would block or
// mislead), data is read to its end whatever size the file claims, and a
// write either replaces the file whole or leaves the old one as it was.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace files {

// How a read or write ended: done, failed (`why` says why, in the
// program's own words) or stopped at the user's word (`canceled`: nothing
// was changed). Every result of this layer is an Outcome plus its payload,
// which holds only when ok.
struct Outcome {
    bool ok = false;
    QString why;
    bool canceled = false;
    explicit operator bool() const { return ok; }

    static Outcome Done() { return {true, {}}; }
    static Outcome Failed(QString why) { return {false, std::move(why)}; }
    static Outcome Canceled() { return {false, {}, true}; }
};

// A regular file open for reading, closed when this goes. Anything else (a
// pipe, a device, a folder) is refused at once, without blocking on it.
class ReadableFile {
  public:
    ReadableFile() = default;
    ~ReadableFile();
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;

    Outcome Open(const QString& path);
    int Fd() const { return fd_; }
    // As the file system reports it: only a hint (/proc says 0, sysfs 4096).
    std::int64_t SizeHint() const { return size_; }
    // Up to size bytes at offset, or on from the last read when offset < 0;
    // 0 at the end, < 0 on an error (errno tells).
    std::int64_t Read(char* buf, std::size_t size, std::int64_t offset = -1);

  private:
    int fd_ = -1;
    std::int64_t size_ = 0;
};

// Told how far a long read has come (of total); returns false to cancel.
using Progress = std::function<bool(std::int64_t done, std::int64_t total)>;

// Reads the whole file as raw bytes. Refuses anything that is not a regular
// file (or a link to one) without blocking on it; canceled when progress
// asked to stop. A file that turns out to hold more than maxBytes
// (whatever size it claims) is refused before it fills the memory.
Outcome ReadBytes(const QString& path, std::string& bytes, const Progress& progress = {},
                  std::uint64_t maxBytes = UINT64_MAX);

// Refuses a file the user has made read-only: one that exists and may not be
// written (for a link, its target). The writer replaces a file by renaming
// over it, which needs only the folder's permission, so this is what keeps a
// read-only file unchanged. A file without any write permission counts as
// read-only for root too, who may write anything: someone marked it so.
Outcome CheckWritable(const QString& path);

// Writes bytes to a temporary file beside path and renames it over path, so a
// failure leaves any old file whole. Refuses to replace something that is not
// a regular file (a device, a pipe, a folder), or a read-only file. Keeps the
// old file's permissions and, where the process may set it, its owner; or
// takes those of likeFile when one is named (a copy is as private as its
// source). Through a link, the link stays and its target is written (made
// when the link points at nothing yet).
// Durable writes reach the disk before the rename (the default: a user's
// file); Fast ones leave that to the file system (bulk output: a hundred
// thousand new files, or a batch that syncs once at its end).
enum class Sync { Durable, Fast };
Outcome WriteFileAtomic(const QString& path, const std::string& bytes, Sync sync = Sync::Durable,
                        const QString& likeFile = QString());

// A file written piece by piece into a temporary file beside its target and
// renamed over it only by Commit: until then (and after a failure) the old
// file, if any, stays whole. The rules of WriteFileAtomic hold.
class AtomicWriter {
  public:
    explicit AtomicWriter(const QString& path, Sync sync = Sync::Durable,
                          const QString& likeFile = QString());
    ~AtomicWriter();
    AtomicWriter(const AtomicWriter&) = delete;
    AtomicWriter& operator=(const AtomicWriter&) = delete;

    Outcome Open();
    Outcome Write(const char* data, std::size_t size);
    // Writes at offset, for a format that goes back to fill in a header (not
    // to be mixed with Write, which appends where the last Write ended).
    Outcome WriteAt(std::uint64_t offset, const char* data, std::size_t size);
    // Appends length bytes of the open file fd from offset from (to its end
    // when length < 0); *copied learns how many were.
    Outcome CopyFrom(int fd, std::int64_t from, std::int64_t length,
                     std::int64_t* copied = nullptr);
    // Checks the data reached the file, then renames it over the target.
    Outcome Commit();

  private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// The Chinese reason for a system error number.
QString ErrnoText(int err);

// File names are bytes. A name that is not UTF-8 (a GBK name unzipped from
// an archive made on Windows) keeps each byte that does not decode as a kept
// byte, U+DC80 + byte, as text does, so the path goes back to the very same
// bytes. (QFile::encodeName and decodeName turn such bytes into U+FFFD for
// good, and Qt's listings leave such names out.) Every system call on a path
// takes PathBytes.
QString PathFromBytes(std::string_view bytes);
QByteArray PathBytes(const QString& path);
// The path for a message: each kept byte written as "\xB5", and each control
// character as its byte ("\x0A"), so a name with a line break stays on one line.
QString ShownPath(const QString& path);

// Every name in a folder but "." and "..", as PathFromBytes gives it (Qt's
// listings leave out names that are not UTF-8); nothing when the folder
// cannot be read, errno saying why.
std::optional<QStringList> NamesIn(const QString& folder);

}  // namespace files
