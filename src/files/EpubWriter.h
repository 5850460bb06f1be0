// Writes an EPUB 3 book: the container's files zipped by libzip, mimetype
// first and stored, straight into a temporary file beside the target (the
// archive is never held whole in memory) that replaces it only when whole
// (the rules of WriteFileAtomic hold).
#pragma once

#include <QString>

#include "core/novel/Epub.h"
#include "files/TextFile.h"

namespace files {

Outcome WriteEpub(const QString& path, const qm::epub::Book& book);

}  // namespace files
