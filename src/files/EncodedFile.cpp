#include "files/EncodedFile.h"

namespace files {

TextReadResult ReadTextFile(const QString& path, std::optional<qm::enc::Encoding> forced,
                            const Progress& progress) {
    TextReadResult r;
    std::string bytes;
    const Outcome read = ReadBytes(path, bytes, progress, &r.canceled);
    if (!read) {
        r.why = read.why;
        return r;
    }
    const auto total = static_cast<std::int64_t>(bytes.size());
    if (progress && !progress(total, 2 * std::max<std::int64_t>(total, 1))) {
        r.canceled = true;
        return r;
    }
    r.loaded = qm::enc::DecodeFile(bytes, forced);
    r.ok = true;
    return r;
}

}  // namespace files
