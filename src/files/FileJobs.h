// The file tools' work on disk: batch replace, the splitter, the merger and
// the text-into-files writer. Every file they write goes through
// AtomicWriter, so a failure leaves what was there whole.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/encoding/Encoding.h"
#include "core/filetools/FileTools.h"
#include "files/TextFile.h"

namespace files {

// ---- batch replace ----

// The largest file batch replace takes: it holds the text about six times
// over (bytes, text, replaced text, new bytes) while it works.
inline constexpr std::int64_t kMaxReplaceBytes = std::int64_t{128} << 20;

// Replaces find within every line of a clean GBK text file and rewrites it
// (the old bytes first copied to path + ".BAK", with the file's permissions,
// when backup is set). A missing, read-only or too large file, a file that is
// not clean GBK, or a failed write fails with its reason and leaves the file
// as it was.
Outcome ReplaceInFile(const QString& path, std::u16string_view find,
                      std::u16string_view replacement, bool backup);

// ReplaceInFile writes without waiting for the disk, file by file; a run
// ends with this, which waits once for all of them.
void SyncFileSystemOf(const QStringList& paths);

// What a user calls a text document, judged by name: a ".txt" file (any
// case), or one whose type by name is plain text itself (not a script, a
// source file or a page, whose types only derive from it).
bool IsTextDocumentName(const QString& name);
// The text documents directly in folder (not its subfolders), in the order
// the file system lists them.
QStringList TextFilesIn(const QString& folder);

// ---- the splitter ----

struct SplitNames {
    QString folder;      // where parts and scripts go: the save name's folder
    QString partBase;    // P: parts are P.0, P.1, ...
    QString sourceName;  // S: the name the scripts join the parts into
};
// The save name's folder, or the source's when the save name has none.
SplitNames NamesFor(const QString& source, const QString& saveName);

// Copies the parts; beforePart(k) is told before part k is written and
// returns false to stop. On failure the reason names the part.
Outcome SplitFile(const QString& source, const SplitNames& names,
                  const qm::filetools::SplitPlan& plan,
                  const std::function<bool(std::int64_t part)>& beforePart);
// Writes S.bat (code page 936) and the executable S.sh beside the parts.
Outcome WriteRejoinScripts(const SplitNames& names, std::int64_t parts, bool withDelete);

// ---- the merger ----

// How each input is encoded, judged on its first 64 MB: nothing for one that
// cannot be read, holds NUL bytes (binary) or does not decode cleanly.
std::vector<std::optional<qm::enc::Encoding>> EncodingsOf(const QStringList& inputs);
// Whether bytes in encoding a read as they should in b (GBK is part of
// GB18030, UTF-8 is UTF-8 with or without its BOM).
bool SameFamily(qm::enc::Encoding a, qm::enc::Encoding b);

// Converting while merging: inputs whose encoding (from, by input) is not of
// target's family are decoded and written in target (without BOM, line
// breaks in target's style); the others are joined as they are.
struct MergeConversion {
    qm::enc::FileFormat target;
    std::vector<std::optional<qm::enc::Encoding>> from;
};
// Joins the inputs' bytes, each non-empty one followed by separator, and one
// CR LF more at the end, streaming into a temporary file that replaces output
// only when all went well (so output may name one of the inputs).
// closing: the line break that ends the output, in its encoding.
Outcome MergeFiles(const QStringList& inputs, const QString& output, const std::string& separator,
                   const MergeConversion* convert = nullptr, const std::string& closing = "\r\n");

// ---- text into files ----

struct RecordsWritten {
    QStringList titles;      // every record's title, in order
    QStringList notWritten;  // titles whose file was not written
};
// Writes each record to folder/title.txt (the folder made when missing);
// before each record, `each` is told its index (to let the window paint).
RecordsWritten WriteRecords(const std::vector<qm::filetools::Record>& records,
                            const QString& folder,
                            const std::function<void(std::size_t)>& each = {});

}  // namespace files
