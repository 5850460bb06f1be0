// Standard modal dialogs in the program's own words.
#pragma once

#include <QMessageBox>
#include <QProgressDialog>
#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "core/encoding/Encoding.h"

class QAbstractFileIconProvider;
class QWidget;

namespace ui {

// The title most of the program's messages carry.
inline const QString kTipTitle = QStringLiteral("提示");

// A modal message box with an OK button; returns when the user closed it.
void ShowMessage(QWidget* parent, const QString& text, const QString& title = kTipTitle,
                 QMessageBox::Icon icon = QMessageBox::Information);

// A modal Yes/No question; true when the user answered "是".
// "否" is the default unless yesByDefault (for a command the user just chose).
bool AskYesNo(QWidget* parent, const QString& text, const QString& title = kTipTitle,
              bool yesByDefault = false);

// Shows the busy cursor for as long as it lives.
class WaitCursor {
  public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The dialog of a long piece of work: window-modal, with "取消", counting to
// 1000, shown once the work has lasted delayMs.
class ProgressDialog : public QProgressDialog {
  public:
    ProgressDialog(QWidget* parent, const QString& title, const QString& label, int delayMs);
    // Shows done of total and lets window events run; false once cancelled.
    bool Step(std::int64_t done, std::int64_t total);
};

// Before writing text that GBK cannot hold: true when there is nothing to
// lose, or the user agreed that those characters become "?".
bool ConfirmUnencodable(QWidget* parent, std::size_t unencodable);

// Writes text in GBK to path, after asking about characters GBK cannot hold;
// a failure is told (the old file stays as it was). True when written.
bool SaveGbkText(QWidget* parent, const QString& path, const qm::enc::Encoded& encoded,
                 const QString& title = kTipTitle);

// Tells that the file could not be saved and why (the old file is untouched).
void ShowWriteFailure(QWidget* parent, const QString& path, const QString& why,
                      const QString& title = kTipTitle);

// Writes bytes to path atomically; a failure is told (the old file stays as
// it was). True when written.
bool WriteBytes(QWidget* parent, const QString& path, const std::string& bytes,
                const QString& title = kTipTitle);

// Asks for one of the encodings the program reads and writes, offering
// `current` first; nothing when cancelled.
std::optional<qm::enc::Encoding> AskEncoding(QWidget* parent, const QString& title,
                                             qm::enc::Encoding current);

// A question with two answers and "取消": 1 for the first (the default), 2
// for the second, 0 when cancelled. Each answer button carries its object
// name, so that tests can press it.
struct Answer {
    QString caption;
    const char* objectName;
};
int AskTwoWays(QWidget* parent, QMessageBox::Icon icon, const QString& text, const Answer& first,
               const Answer& second);

// What to do with characters the chosen encoding cannot hold.
enum class UnencodableAnswer { Utf8, Question, Cancel };

// Names how many characters of text `encoded` could not hold, and the first
// few with their line numbers, and asks whether to save as UTF-8 instead, to
// write "?" for them, or to cancel.
UnencodableAnswer AskUnencodable(QWidget* parent, std::u16string_view text,
                                 const qm::enc::Encoded& encoded, qm::enc::Encoding encoding);

// "文本文件|*.txt|所有文件|*.*" → "文本文件 (*.txt);;所有文件 (*.*)".
QString ConvertFilter(const QString& descriptionPatternPairs);

// Modal open/save dialogs; an empty string when cancelled.
QString AskOpenFileName(QWidget* parent, const QString& title, const QString& filter,
                        const QString& folder);
QString AskSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                        const QString& folder);
// Several existing files chosen in one dialog, in the order the dialog lists
// them (by name, numbers by their value: 第2章 before 第10章), whatever order
// they were clicked in; empty when cancelled.
QStringList AskOpenFileNames(QWidget* parent, const QString& title, const QString& filter,
                             const QString& folder);
// Sorts paths as a file dialog lists them: by name, case aside, numbers by value.
void SortAsListed(QStringList& paths);

}  // namespace ui

// The system's folder picker and the icons of every file dialog.

namespace ModBrowseFolder {

// The standard folder dialog titled with prompt, where only folders can be
// confirmed; the chosen folder's path, or an empty text when cancelled.
QString BrowseForFolder(QWidget* owner, const QString& prompt);

}  // namespace ModBrowseFolder

namespace ui {

// Icons and types for file dialogs guessed by name only: Qt's own provider
// reads a file's content to guess, which blocks on a named pipe.
QAbstractFileIconProvider* NameOnlyIconProvider();

}  // namespace ui
