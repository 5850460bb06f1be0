// Carrying out a batch rename on disk: never over an existing file, and all
// or nothing — a rename that fails puts the ones already done back.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "core/filetools/Rename.h"
#include "files/TextFile.h"

namespace files {

struct FolderListing : Outcome {
    std::vector<std::u16string> files;       // regular files, not hidden, in natural order
    std::vector<std::u16string> everything;  // every name in the folder
};

// nameFilter: wildcards such as "*.txt;*.log" (empty or "*": all files).
FolderListing ListFolder(const QString& folder, const QString& nameFilter);

// One rename inside the folder: 0, or the errno of the failure. Refuses to
// replace an existing file.
using RenameOne = std::function<int(const QString& from, const QString& to)>;
int RenameNoReplace(const QString& from, const QString& to);

// `why`: the failed rename and its reason.
struct RenameOutcome : Outcome {
    QStringList notRestored;  // names left under a temporary or new name after a failure
};

RenameOutcome ApplyMoves(const QString& folder, const std::vector<qm::rename::Move>& moves,
                         const RenameOne& rename = RenameNoReplace);

}  // namespace files
