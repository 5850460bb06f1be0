// ModBrowseFolder: the system's folder picker.
#pragma once

#include <QString>

class QAbstractFileIconProvider;
class QWidget;

namespace ModBrowseFolder {

// The standard folder dialog titled with prompt, where only folders can be
// confirmed; the chosen folder's path, or an empty text when cancelled.
QString BrowseForFolder(QWidget* owner, const QString& prompt);

}  // namespace ModBrowseFolder

namespace platform {

// Icons and types for file dialogs guessed by name only: Qt's own provider
// reads a file's content to guess, which blocks on a named pipe.
QAbstractFileIconProvider* NameOnlyIconProvider();

}  // namespace platform
