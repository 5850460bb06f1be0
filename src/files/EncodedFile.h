// Text files in whatever common encoding they are in: read with the encoding
// and line-break style recognised (or as the user chose), so that they can be
// written back as they were.
#pragma once

#include <QString>
#include <optional>

#include "core/Encoding.h"
#include "files/TextFile.h"

namespace files {

struct TextReadResult {
    bool ok = false;
    bool canceled = false;  // the progress callback asked to stop
    QString why;            // when not ok and not canceled
    qm::enc::LoadedText loaded;
};

// Reads the whole file and decodes it in its own encoding (or in `forced`),
// with every line break made a CR LF. The file is read a piece at a time,
// about twice (recognising and counting, then decoding); a progress callback
// is told every few megabytes, of a total of twice the file's size.
TextReadResult ReadTextFile(const QString& path, std::optional<qm::enc::Encoding> forced = {},
                            const Progress& progress = {});

}  // namespace files
