// Helpers for driving windows as a user would.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>
#include <memory>

#include "Bytes.h"

class QWidget;
namespace ui {
class EditorView;
class Form1;
class frmGoTo;
class FrmTongJi;
class 替换表;
class FrmPiLiangTiHuan;
class FenGe2;
class FrmFenGe;
class FrmHeBingFile;
class ALABO;
class FrmZiFuZuHe;
class FrmZhengZe;
class 高级替换;
class jiajiemi;
class FrmGaiMing;
class FrmYouHua;
class FrmAbout;
}  // namespace ui

// The windows live in namespace ui; tests name them as the program does.
using ui::ALABO;
using ui::FenGe2;
using ui::Form1;
using ui::FrmAbout;
using ui::FrmFenGe;
using ui::FrmGaiMing;
using ui::frmGoTo;
using ui::FrmHeBingFile;
using ui::FrmPiLiangTiHuan;
using ui::FrmTongJi;
using ui::FrmYouHua;
using ui::FrmZhengZe;
using ui::FrmZiFuZuHe;
using ui::jiajiemi;
using ui::替换表;
using ui::高级替换;

namespace uitest {

// Runs `answer` on the next modal dialog that opens (polled from a timer,
// since the dialog blocks the test in its own event loop).
void OnNextModal(std::function<void(QWidget*)> answer);

// What the next message box said; filled in when it is answered with OK.
struct SeenMessage {
    QString title;
    QString text;
    bool seen = false;
};
std::shared_ptr<SeenMessage> AcceptNextMessage();

// Answers the next question (a message box) with the given button; filled in
// with its text once asked.
std::shared_ptr<QString> AnswerNextQuestion(QMessageBox::StandardButton answer);

// Answers the next message box with one of its standard buttons, keeping what
// it said; a failure when the next dialog is no message box.
std::shared_ptr<SeenMessage> AnswerNextMessage(QMessageBox::StandardButton button);

// The same with a button of the program's own, found by its object name.
std::shared_ptr<SeenMessage> ClickInNextMessage(const char* buttonName);

// Triggers the named menu item of the main window.
void Trigger(QWidget* window, const char* name);

// The named menu item of a window; a failed expectation when there is none.
QAction* Action(QWidget* window, const char* name);

// The main window's status panel n (Panel1 to Panel6) as it reads.
QString PanelText(QWidget* window, int n);

// The main window's text box.
ui::EditorView* Box(QWidget* window);

// Brings the main window forward with the focus in its box, as a click would.
void ActivateAndFocus(QWidget* window);

// Clicks the main window's button for a tool: the tool's window, opened or
// raised, or null.
QWidget* OpenTool(QWidget* window, const char* button, const QString& toolWindow);

// Answers the next file dialog with the given path, or cancels it when empty.
std::shared_ptr<QString> AnswerNextFileDialog(const QString& path);

// Answers the next file dialog by choosing several files of one folder at once,
// typed in the given order.
void AnswerNextFileDialogWithFiles(const QStringList& paths);

// Answers "是" to the save dialog's question whether to replace an existing file.
void ConfirmNextOverwrite();

// The box's text as it shows it: its lines joined by "\n", lone CR and LF as marks.
QString ShownText(const ui::EditorView* box);

// The visible top-level window of that object name (the last one), or null.
QWidget* TopLevel(const QString& name);

// The named control of a window; a failed expectation when there is none.
template <class W>
W* Get(QWidget* window, const char* name) {
    W* w = window->findChild<W*>(QString::fromUtf8(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// Clicks the named button of a window.
inline void Click(QWidget* window, const char* name) { Get<QPushButton>(window, name)->click(); }

// While it lives, the user's config and data folders (XDG_CONFIG_HOME and
// XDG_DATA_HOME) are empty folders of its own.
class OwnUserFolders {
  public:
    OwnUserFolders();
    ~OwnUserFolders();
    OwnUserFolders(const OwnUserFolders&) = delete;
    OwnUserFolders& operator=(const OwnUserFolders&) = delete;
    QString Data() const { return dir_.filePath(QStringLiteral("data")); }

  private:
    QTemporaryDir dir_;
    QByteArray config_;
    QByteArray data_;
};

// A started main window, shown and with its events processed.
std::unique_ptr<Form1> StartForm();

using testsupport::ReadBytes;
using testsupport::WriteBytes;

}  // namespace uitest

namespace uitest {

// While it lives, no file of this process can grow past `bytes`: writes past
// the limit fail with EFBIG (SIGXFSZ is ignored), as on a full disk. Works
// for root too, unlike a read-only folder.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    long long oldSoft_ = 0;
    void (*oldHandler_)(int) = nullptr;
};

// A named pipe in a folder of the test's own. If the program under test
// blocks on it, a helper thread opens the other end after `rescueMs` so that
// the test ends (and fails on its timing) instead of hanging.
class NamedPipe {
  public:
    NamedPipe(const QString& path, int rescueMs = 3000);
    ~NamedPipe();
    NamedPipe(const NamedPipe&) = delete;
    NamedPipe& operator=(const NamedPipe&) = delete;
    bool Made() const { return made_; }
    // True when the helper had to open the pipe to unblock the program.
    bool Rescued() const;

  private:
    struct State;
    std::shared_ptr<State> state_;
    bool made_ = false;
};

}  // namespace uitest
