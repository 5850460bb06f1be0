// Writes an EPUB 3 book: the container's files zipped by libzip, mimetype
// first and stored, into a temporary file beside the target that replaces it
// only when whole (the rules of WriteFileAtomic hold).
#pragma once

#include <QString>
#include <string>

#include "core/Epub.h"
#include "files/TextFile.h"

namespace files {

// The zip archive of the files, in memory; empty and why set on failure.
std::string ZipEpub(const std::vector<qm::epub::File>& files, QString* why = nullptr);

Outcome WriteEpub(const QString& path, const qm::epub::Book& book);

}  // namespace files
