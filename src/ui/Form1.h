// The main window: the document in RichTextBox1, the rule panel frames, the
// command column, the status bar and the menus. Handlers are named after the
// control and event they serve; they read the controls, call the operations
// below ui/, and write the document.
#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

#include "core/Document.h"
#include "core/UndoHistory.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QStatusBar;
class QToolBar;

namespace ui {
class EditorBinding;
}

class Form1 : public QMainWindow {
    Q_OBJECT
  public:
    Form1();
    ~Form1() override;

    qm::Document& Doc() { return doc_; }
    qm::UndoHistory& History() { return history_; }
    QPlainTextEdit* Box() const { return RichTextBox1; }

    // Shows "共" N "行" in panel 2, N being the editor's line count minus one.
    void RefreshLineCount();
    // Lets pending window events run, with the editor brought up to date first.
    void DoEvents();

  public:
    void Undo();
    void Redo();

    void mnunew_Click();
    void mnuopen_Click();
    void mnusave_Click();
    void MnuSaveNeiRong_Click();

    void mnucopy_Click();
    void mnucut_Click();
    void mnupaste_Click();
    void mnudelete_Click();
    void mnuselectall_Click();

    void 默认_Click();
    void mnufont_Click();
    void MnuBeiJing_Click();
    void 日期_Click();
    void 时间_Click();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Form_Load();
    void Form_Resize();
    // True when the key must not reach the box.
    bool RichTextBox1_KeyDown(int key, Qt::KeyboardModifiers mods);
    void RichTextBox1_Change();
    void BuildControls();
    void BuildMenus();
    void BuildToolbars();
    void UpdateUndoMenus(bool undoEnabled, bool redoEnabled);
    // Save and save-as share everything but the dialog's title.
    void SaveWithDialog(const QString& title);
    void StartTool(const QString& commandLine, const QString& caption);
    QAction* AddItem(QMenu* menu, const char* name, const QString& caption,
                     const QKeySequence& shortcut = {});

    qm::Document doc_;
    qm::UndoHistory history_{doc_};
    ui::EditorBinding* binding_ = nullptr;

    QPlainTextEdit* RichTextBox1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QComboBox* TxtTiHuan = nullptr;
    QWidget* CommandColumn = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* Panel[6] = {};  // 1-based, as the status bar counts
    QToolBar* Toolbar1 = nullptr;
    QToolBar* Toolbar2 = nullptr;
    QAction* mnuUndo = nullptr;
    QAction* mnuRedo = nullptr;
};
