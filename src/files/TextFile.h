// Text files in code page 936: whole-file reads and atomic writes.
#pragma once

#include <QString>
#include <string>

namespace files {

struct ReadResult {
    bool ok = false;
    std::u16string text;
    std::size_t invalid = 0;  // bytes that were not clean code page 936
};

// Reads the whole file and decodes it; ok is false when it cannot be read.
ReadResult ReadGbkFile(const QString& path);

// Reads the whole file as raw bytes; false when it cannot be read.
bool ReadBytes(const QString& path, std::string& bytes);

// Writes bytes to a temporary file beside path and renames it over path, so a
// failure leaves any old file whole. Returns false on any failure.
bool WriteFileAtomic(const QString& path, const std::string& bytes);

}  // namespace files
