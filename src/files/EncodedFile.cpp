#include "files/EncodedFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace files {

namespace {

// A file handed to the decoder a piece at a time through one small buffer
// that stays in the cache. Reading the file twice from the system's cache
// this way costs less than filling fresh memory with it once, and the bytes
// are never all in memory beside their text.
class FileSource final : public qm::enc::ByteSource {
  public:
    FileSource(ReadableFile& file, const Progress& progress) : file_(file), progress_(progress) {}

    Piece At(std::uint64_t at) override {
        if (stopped_) return {{}, true};
        if (at >= bufAt_ && at <= bufAt_ + have_) {
            // On in the same pass (or the whole file is here): keep the tail.
            const std::size_t keep = static_cast<std::size_t>(bufAt_ + have_ - at);
            std::memmove(buf_.get(), buf_.get() + (at - bufAt_), keep);
            have_ = keep;
        } else {
            have_ = 0;
            atEnd_ = false;
        }
        bufAt_ = at;
        while (!atEnd_ && have_ < kBuffer) {
            const std::int64_t n = file_.Read(buf_.get() + have_, kBuffer - have_,
                                              static_cast<std::int64_t>(at + have_));
            if (n < 0) return Stop(ErrnoText(errno));
            if (n == 0) atEnd_ = true;
            have_ += static_cast<std::size_t>(n);
            if (!Tell(n)) return Stop(QString());
        }
        return {std::string_view(buf_.get(), have_), atEnd_};
    }

    bool Canceled() const { return stopped_ && why_.isEmpty(); }
    bool Failed() const { return stopped_ && !why_.isEmpty(); }
    const QString& Why() const { return why_; }

  private:
    static constexpr std::size_t kBuffer = 256u << 10;
    static constexpr std::int64_t kTellEvery = 4 << 20;

    Piece Stop(const QString& why) {
        stopped_ = true;
        why_ = why;
        return {{}, true};
    }

    // Progress counts every byte read, over all passes (about two).
    bool Tell(std::int64_t n) {
        read_ += n;
        if (!progress_ || read_ < toldAt_ + kTellEvery) return true;
        toldAt_ = read_;
        const std::int64_t total = 2 * std::max<std::int64_t>(file_.SizeHint(), 1);
        return progress_(std::min(read_, total - 1), total);
    }

    ReadableFile& file_;
    const Progress& progress_;
    std::unique_ptr<char[]> buf_ = std::make_unique_for_overwrite<char[]>(kBuffer);
    std::uint64_t bufAt_ = 0;  // the file offset of buf_[0]
    std::size_t have_ = 0;
    bool atEnd_ = false;  // have_ reaches the end of the file
    bool stopped_ = false;
    QString why_;
    std::int64_t read_ = 0;
    std::int64_t toldAt_ = 0;
};

}  // namespace

TextReadResult ReadTextFile(const QString& path, std::optional<qm::enc::Encoding> forced,
                            const Progress& progress) {
    TextReadResult r;
    ReadableFile file;
    if (Outcome o = file.Open(path); !o) {
        r.why = o.why;
        return r;
    }
    FileSource source(file, progress);
    r.loaded = qm::enc::DecodeFile(source, forced);
    if (source.Canceled() || source.Failed()) {
        r.canceled = source.Canceled();
        r.why = source.Why();
        r.loaded = {};
        return r;
    }
    r.ok = true;
    return r;
}

TextWriteResult WriteTextFile(const QString& path, std::u16string_view text,
                              const qm::enc::FileFormat& format, bool closingBreak,
                              const std::function<bool(const qm::enc::Encoded&)>& accept,
                              Sync sync) {
    TextWriteResult r;
    AtomicWriter writer(path, sync);
    Outcome wrote = writer.Open();
    const auto write = [&](std::string_view piece) {
        wrote = writer.Write(piece.data(), piece.size());
        return wrote.ok;
    };
    if (wrote) r.encoded = qm::enc::EncodeFileInPieces(text, format, write);
    if (wrote && closingBreak) {
        qm::enc::FileFormat tail = format;
        tail.bom = false;
        qm::enc::EncodeFileInPieces(u"\r\n", tail, write);
    }
    if (wrote && r.encoded.unencodable > 0 && accept && !accept(r.encoded)) {
        r.canceled = true;
        return r;  // the writer removes what it wrote
    }
    if (wrote) wrote = writer.Commit();
    r.ok = wrote.ok;
    r.why = wrote.why;
    return r;
}

}  // namespace files
