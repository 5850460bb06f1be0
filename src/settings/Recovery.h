// Recovery copies: while a window's text has unsaved changes, a copy of it
// in the user's data folder ($XDG_DATA_HOME/quillmere/recovery/, private to
// the user), so that a crash of the program or the machine loses nothing.
//
// Each running window owns one copy, NAME.recovery, named by its process and
// a unique id, and holds an exclusive lock on NAME.lock for as long as it
// runs; the system drops the lock when the process dies, however it dies.
// A copy whose lock can be taken is one of a program that is gone: that is
// what a starting program offers, and two running programs never take each
// other's copy.
//
// A copy is the text's own UTF-16 units after a short header (the file's
// path, format and when the copy was made), so every character comes back as
// it was, kept bytes of a file's bad bytes among them.
#pragma once

#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/encoding/Encoding.h"
#include "files/TextFile.h"

namespace settings {

// What a copy holds besides the text.
struct RecoveryInfo {
    QString path;  // the file the text came from; empty for a new text
    qm::enc::FileFormat format;
    bool closingBreak = true;
    qint64 madeAt = 0;  // ms since the epoch
};

// The header before the text, and the parts of a whole copy's bytes
// (nothing when they are not a copy).
std::string RecoveryHeader(const RecoveryInfo& info);
std::optional<RecoveryInfo> ParseRecovery(std::string_view bytes, std::u16string* text = nullptr);

QString RecoveryFolder();

// A change to the part of the text already copied for a copy, replayed on
// the worker, so that the window never moves the copied units itself.
struct TextEdit {
    std::size_t pos = 0;
    std::size_t removed = 0;
    std::u16string inserted;
};
// Adds an edit to the log, joined to the last one when it goes on from it
// (typing on, or deleting what was just typed), so typing makes one edit.
void AddEdit(std::vector<TextEdit>& log, TextEdit edit);
// The log applied to text, in order.
void ApplyEdits(std::u16string& text, const std::vector<TextEdit>& log);

// A copy left by a program that is gone, locked by this one while it lives.
class FoundCopy {
  public:
    FoundCopy(QString path, RecoveryInfo info, int lockFd, QString damaged = {});
    ~FoundCopy();
    FoundCopy(FoundCopy&& o) noexcept;
    FoundCopy(const FoundCopy&) = delete;
    FoundCopy& operator=(const FoundCopy&) = delete;
    FoundCopy& operator=(FoundCopy&& o) noexcept;

    const QString& Path() const { return path_; }
    const RecoveryInfo& Info() const { return info_; }
    // Why it cannot be recovered (its header unreadable); empty when it can.
    const QString& Damaged() const { return damaged_; }
    // Reads the whole copy: its text and what it says of it.
    files::Outcome Read(std::u16string& text, RecoveryInfo& info) const;
    // Removes the copy and its lock file.
    files::Outcome Discard();

  private:
    friend class RecoveryCopy;
    QString path_;
    RecoveryInfo info_;
    QString damaged_;
    int lockFd_ = -1;
};

// The copies of programs that are gone, oldest first (damaged ones among them).
std::vector<FoundCopy> FindRecoveryCopies();

// A window's own copy, written on a worker thread so that writing a large
// text never holds up the window.
class RecoveryCopy {
  public:
    // failed is told (on the worker) why a write failed: once, and again
    // only after a write or a removal has gone well since.
    explicit RecoveryCopy(std::function<void(const QString& why)> failed);
    // Waits for the work in hand; a copy still there stays for the next start.
    ~RecoveryCopy();
    RecoveryCopy(const RecoveryCopy&) = delete;
    RecoveryCopy& operator=(const RecoveryCopy&) = delete;

    QString Path() const;
    // Writes the text, with the edits applied, as the copy, replacing the
    // last one whole; a newer text asked for while one is written replaces
    // the one waiting.
    void Write(std::u16string text, std::vector<TextEdit> edits, RecoveryInfo info);
    // Removes the copy once the work in hand is done.
    void Remove();
    // Waits until the work asked for is done.
    void Settle();
    // Makes a found copy this window's own (renamed, so it is never missing
    // meanwhile) and lets go of its old name.
    files::Outcome Adopt(FoundCopy& found);

  private:
    struct Job {
        bool remove = false;
        std::u16string text;
        std::vector<TextEdit> edits;
        RecoveryInfo info;
    };
    void Run();
    files::Outcome Do(Job& job);
    files::Outcome Lock();

    const QString folder_;
    const QString name_;
    std::function<void(const QString&)> failed_;
    int lockFd_ = -1;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> pending_;
    bool busy_ = false;
    bool stop_ = false;
    bool exists_ = false;   // the copy is on disk
    bool failing_ = false;  // the last job failed (the worker's own)
    std::thread worker_;
};

}  // namespace settings
