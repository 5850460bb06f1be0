// Text files in whatever common encoding they are in: read with the encoding
// and line-break style recognised (or as the user chose), so that they can be
// written back as they were.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string_view>

#include "core/encoding/Encoding.h"
#include "files/TextFile.h"

namespace files {

// Canceled when the progress callback asked to stop.
struct TextReadResult : Outcome {
    qm::enc::LoadedText loaded;
};

// Reads the whole file and decodes it in its own encoding (or in `forced`),
// with every line break made a CR LF. The file is read a piece at a time,
// about twice (recognising and counting, then decoding); a progress callback
// is told every few megabytes, of a total of twice the file's size.
TextReadResult ReadTextFile(const QString& path, std::optional<qm::enc::Encoding> forced = {},
                            const Progress& progress = {});

// Ok: written and in place of the old file; canceled: `accept` said no and
// the old file is as it was.
struct TextWriteResult : Outcome {
    qm::enc::Encoded encoded;  // what could not be encoded (its bytes stay empty)
};

// Writes the text as a file of that format, with one closing CR LF in the
// file's style when `closingBreak`, encoded a piece at a time straight into
// the temporary file that then replaces the old one (as WriteFileAtomic
// does, without the whole bytes in memory). When characters could not be
// encoded (written as "?"), `accept` is asked before anything replaces the
// old file; without it they are written so.
TextWriteResult WriteTextFile(const QString& path, std::u16string_view text,
                              const qm::enc::FileFormat& format, bool closingBreak = false,
                              const std::function<bool(const qm::enc::Encoded&)>& accept = {},
                              Sync sync = Sync::Durable);

}  // namespace files
