// The main window: the document in RichTextBox1, the rule panel frames, the
// command column, the status bar and the menus. Handlers are named after the
// control and event they serve; they read the controls, call the operations
// below ui/, and write the document.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <type_traits>
#include <typeindex>
#include <vector>

#include "core/document/Document.h"
#include "core/encoding/Encoding.h"
#include "core/undo/UndoHistory.h"
#include "settings/PeiZhi.h"
#include "settings/UserSettings.h"
#include "ui/common/CommandGate.h"
#include "ui/common/TextHost.h"
#include "ui/common/ToolWindow.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTimer;
class QToolBar;

namespace settings {
class FoundCopy;
class RecoveryCopy;
struct RecoveryInfo;
struct TextEdit;
}  // namespace settings

namespace ui {
class EditorView;
class FrmMuLu;

class Form1 : public QMainWindow, public ui::TextHost {
    Q_OBJECT
  public:
    Form1();
    ~Form1() override;

    qm::UndoHistory& History() { return history_; }
    ui::EditorView* Box() const { return RichTextBox1; }

    // What tool windows see of this window.
    qm::Document& Doc() override { return doc_; }
    ui::CommandGate& Gate() override { return gate_; }
    void ReplaceText(std::u16string text) override;
    void SelectAndShow(std::size_t start, std::size_t length) override;
    std::size_t LineOfPosition(std::size_t pos) override;
    // Shows "共" N "行" in panel 2, N being the editor's line count minus one;
    // the gate calls it as every command ends.
    void RefreshLineCount();
    // Lets pending window events run, with the editor brought up to date first.
    void DoEvents();

    // At start: offers, each in its own question, the recovery copies left by
    // programs that are gone (恢复 / 丢弃 / 稍后). A recovered text opens in
    // this window while it holds nothing, otherwise in a window of its own.
    void OfferRecoveryCopies();
    // Waits until this window's recovery copy is written or removed as last asked.
    void SettleRecoveryCopy();

    // Opens a text file as "打开" does, without asking for it (a file named on
    // the command line or dropped on the box).
    void OpenPath(const QString& path);

    // A tool window's button: the one place that adds a tool window to this
    // one. The builder puts the buttons in table order, in their column; the
    // opener opens (or raises) the window.
    enum class ToolColumn { ReplaceFrame, Count, Files, Texts };
    struct ToolButton {
        const char* button;  // object name
        const char* caption;
        ToolColumn column;
        void (*open)(Form1&);
    };
    static std::span<const ToolButton> ToolButtons();

    // Handlers of the menus, buttons and timer.
    void Undo();
    void Redo();
    void UndoCommand();
    void RedoCommand();

    void mnunew_Click();
    void mnuopen_Click();
    void mnusave_Click();
    void MnuSaveNeiRong_Click();
    void mnuReopen_Click();
    void mnuSaveEncoding_Click();
    void mnuGetSource_Click();

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

    void cmdcharu1_Click();
    void cmdcharu2_Click();
    void CmdKongYiHang_Click();
    void CmdHeBingHang_Click();
    void CmdChongXin_Click();
    void CmdDelKongGe_Click();
    void CmdDelKongHang_Click();
    void CmdZhiXing_Click();
    void CmdFanZhuan_Click();
    void CmdHanZi_Click();
    void 去除所有字母_Click();
    void 去除所有数字_Click();
    void CmdDaZi_Click();
    void CMstopDaZi_Click();
    void Timer1_Timer();
    void MnuOpenPEIzhi_Click();
    void mnufind_Click();
    void mnuNext_Click();
    void TiaoZhuan_Click();
    void 大写转小写_Click();
    void 小写转大写_Click();
    void Strconv全转半_Click();
    void Strconv半转全_Click();
    void TXT转HTML_Click();
    void 阿拉伯转换汉字_Click();
    void 繁体转简体_Click();
    void 汉字转拼音_Click();
    void 常用符号_Click();
    void abount_Click();
    void MnuSaveINI_Click();

    // The menu "小说".
    void mnuReflow_Click();
    void mnuChapters_Click();
    void mnuIndent_Click();
    void mnuBlankLines_Click();
    void mnuPurge_Click();
    void mnuScrub_Click();
    void mnuPrivateUse_Click();
    void mnuDuplicates_Click();
    void mnuAudit_Click();
    void mnuMergeCopies_Click();
    void mnuExportEpub_Click();

    // 格式 › 显示行号: shown or hidden, and remembered.
    void mnuWrap_Click(bool on);
    void mnuLineNumbers_Click(bool on);
    // 文件 › 最近打开的文件: the list made anew from the settings (as the
    // menu is about to show); choosing a file opens it as 打开 does.
    void mnuRecent_Show();
    void OpenRecent(const QString& path);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    // Closing the main window closes its tool windows, so the program ends.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Form_Load();
    void OnBusyChanged(bool busy);
    void Form_Resize();
    // True when the key must not reach the box.
    bool RichTextBox1_KeyDown(int key, Qt::KeyboardModifiers mods);
    void RichTextBox1_Change();
    void BuildControls();
    void BuildMenus();
    void BuildToolbars();
    void WireCommands();
    void WireConversions();
    // Makes the button of a tool window, which opens it.
    QPushButton* AddToolButton(const ToolButton& tool, QWidget* parent);
    void BuildNovelMenu(QMenu* novel);
    // The items of 格式 that are habits of the box: line numbers and zoom.
    void BuildViewItems(QMenu* format);
    // Loads the user's settings, lets change() alter them and writes them
    // back (so that windows side by side keep each other's changes); a
    // failure is told in the status bar.
    void ChangeUserSettings(const std::function<void(settings::UserSettings&)>& change);
    // Keeps the recovery copy up to date: written (from a copy of the text,
    // on a worker) while the text has unsaved changes, removed once it has none.
    void StartRecovery();
    void KeepRecoveryCopy();
    // Copies the next piece of the text for the recovery copy (every piece
    // when `all`), and hands the whole to the worker.
    void CaptureStep(bool all = false);
    void StopCapture();
    // A change during the capture: one to the part already copied is logged
    // for the worker to replay.
    void CaptureChange(const qm::TextChange& c);
    // Makes a found copy this window's text, as modified, with its file's
    // name and format.
    void Recover(settings::FoundCopy& found, std::u16string text, settings::RecoveryInfo info);
    // Puts the file just opened or saved first in the recent list.
    void RememberRecent(const QString& path);
    // A question with buttons of the program's own (object names for tests),
    // the first the default, the last what Esc answers; the index answered.
    struct Choice {
        QString caption;
        const char* objectName;
    };
    int AskAmong(const QString& text, std::initializer_list<Choice> choices);
    void BuildPalette();
    // Converts the selection when there is one (it stays selected), otherwise
    // the whole text (and the line count is refreshed); one undo step either way.
    void ConvertText(const std::function<std::u16string(std::u16string_view)>& convert);
    void UpdateUndoMenus(bool undoEnabled, bool redoEnabled);
    // Clears the document, then appends every chunk produce() hands over,
    // one write (one undo step) each; yields between chunks when asked.
    void RebuildByLines(
        const std::function<void(std::u16string_view,
                                 const std::function<void(std::u16string_view)>&)>& produce,
        bool yield);
    void InsertAtLines(QPlainTextEdit* source);
    struct OpenedFile {
        QString path;
        qm::enc::LoadedText loaded;
    };
    // Asks for a text file, reads it whole and shows its path in panel 5;
    // nothing when cancelled, or when unreadable (which is reported).
    std::optional<OpenedFile> OpenTextFile();
    // Reads a text file in its own encoding (or the forced one), with
    // progress that can be cancelled for a large one.
    std::optional<OpenedFile> ReadTextFile(const QString& path,
                                           std::optional<qm::enc::Encoding> forced = {});
    // Makes an opened file the document, as "打开" does.
    void LoadDocument(OpenedFile file);
    // The rule panel's texts a settings file keeps, and showing loaded ones.
    配置::RuleTexts RuleTexts() const;
    void ShowRuleTexts(const 配置::RuleTexts& texts);
    class BusyGuard;
    // Selects the next match of the kept search string at or after from.
    void FindAndSelect(std::size_t from);
    // Save and save-as share everything but the dialog's title.
    bool SaveWithDialog(const QString& title);
    // Writes the document to path in format (plus one closing line break when
    // asked), after asking about characters the encoding cannot hold; the
    // format the text was written in becomes the text's own. True when saved.
    bool WriteDocument(const QString& path, qm::enc::FileFormat format, bool closingBreak);
    // Before the text is replaced or the window closes: when the text has
    // unsaved changes, asks whether to save them. True when it may go on
    // (saved, or the user chose not to); false when cancelled or not saved.
    bool MaySetTextAside();
    // The caption the window carries after the file's name and its "*".
    void SetCaption(const QString& caption);
    void UpdateTitle();
    // Where the save dialogs start: the opened file, or the program's folder.
    QString SaveFolder() const;
    // Shows "第N行，第M列" for the caret in panel 7.
    void ShowCaret();
    // Shows the text's encoding and line-break style in the status bar.
    void ShowFormat();
    void StartTool(const QString& commandLine, const QString& caption);
    QAction* AddItem(QMenu* menu, const char* name, const QString& caption,
                     const QKeySequence& shortcut = {});
    // Connects a signal to a handler through the command gate.
    template <class Sender, class Signal>
    void Wire(Sender* sender, Signal signal, void (Form1::*handler)()) {
        connect(sender, signal, this, gate_.Guard([this, handler] { (this->*handler)(); }));
    }
    // Opens (or raises) the one tool window of kind W, made by make() the
    // first time, and remembers it, to close it with this one.
    template <class W, class Make>
    void OpenTool(Make make) {
        QPointer<QWidget>& slot = toolWindows_[std::type_index(typeid(W))];
        ui::ShowToolWindow(
            slot, [&]() -> QWidget* { return make(); }, this);
    }
    // The same for a window made from this window's text host, or from nothing.
    template <class W>
    void OpenTool() {
        OpenTool<W>([this] {
            if constexpr (std::is_constructible_v<W, ui::TextHost&>) {
                return new W(static_cast<ui::TextHost&>(*this));
            } else {
                return new W;
            }
        });
    }

    qm::Document doc_;
    qm::UndoHistory history_{doc_};
    ui::CommandGate gate_;
    bool closePending_ = false;  // asked to close while a long command ran
    std::map<std::type_index, QPointer<QWidget>> toolWindows_;  // by kind

    // The file the text came from (empty for a new text) and how it is written
    // back: an opened file as it was, a new text as GBK with CR LF and one
    // closing CR LF.
    QString filePath_;
    QStringList mixedNames_;  // the encodings of a file that mixed them, in order of appearance
    qm::enc::FileFormat format_;
    bool closingBreak_ = true;
    QString caption_;
    QString lastFolder_;          // of the last file opened or saved
    bool shownModified_ = false;  // what the title shows

    // Auto typing.
    std::u16string lpString;
    std::int64_t lpLenth = 0;
    std::int64_t TypedCount = 0;

    ui::EditorView* RichTextBox1 = nullptr;
    // Rule panel.
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLineEdit* TxtBaoHan = nullptr;
    QLineEdit* TxtShanChu = nullptr;
    QLineEdit* TxtStart = nullptr;
    QLineEdit* TxtStop = nullptr;
    QLineEdit* TxtTiHuanWei = nullptr;
    QLineEdit* TxtBeiTiHuan = nullptr;
    QComboBox* TxtTiHuan = nullptr;
    // Insert at every line.
    QGroupBox* Frame3 = nullptr;
    QPlainTextEdit* TxtChaRu1 = nullptr;
    QPlainTextEdit* TxtChaRu2 = nullptr;
    QPushButton* cmdcharu1 = nullptr;
    QPushButton* cmdcharu2 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    // Command column.
    QWidget* CommandColumn = nullptr;
    QPushButton* CmdKongYiHang = nullptr;
    QPushButton* CmdHeBingHang = nullptr;
    QLineEdit* TxtFenHang = nullptr;
    QPushButton* CmdChongXin = nullptr;
    QPushButton* CmdDelKongGe = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option4 = nullptr;
    QRadioButton* Option5 = nullptr;
    QPushButton* CmdDelKongHang = nullptr;
    QPushButton* CmdZhiXing = nullptr;
    QPushButton* CmdFanZhuan = nullptr;
    QPushButton* CmdHanZi = nullptr;
    QPushButton* CmdDaZi = nullptr;
    QPushButton* CMstopDaZi = nullptr;
    QTimer* Timer1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* Panel[8] = {};          // 1-based, as the status bar counts; 6: encoding, 7: caret
    QTimer* caretTimer_ = nullptr;  // the caret panel follows once events settle
    struct CaretColumn {
        std::size_t lineStart = static_cast<std::size_t>(-1);
        std::size_t pos = 0;
        std::size_t column = 1;
    };
    CaretColumn caretColumn_;  // the last column counted, to count on from
    QToolBar* Toolbar1 = nullptr;
    QToolBar* Toolbar2 = nullptr;
    QAction* mnuUndo = nullptr;
    QAction* mnuRedo = nullptr;
    QAction* mnuUndoCommand = nullptr;
    QAction* mnuRedoCommand = nullptr;
    QAction* mnuNext = nullptr;
    QMenu* mnuRecent = nullptr;

    std::unique_ptr<settings::RecoveryCopy> recovery_;
    QTimer* recoveryTimer_ = nullptr;  // a copy at most this long after a change
    bool recoveryStale_ = false;       // changed since the last copy
    // The text is copied a piece per turn of the event loop, so that even a
    // very large one never holds up typing.
    QTimer* captureTimer_ = nullptr;
    bool capturing_ = false;
    std::u16string captured_;
    std::size_t captureEnd_ = 0;  // the text's units that captured_ and the edits stand for
    std::vector<settings::TextEdit> captureEdits_;

    std::u16string searchText_;   // kept from one find to the next
    QWidget* palette_ = nullptr;  // the symbol palette "常用符号"
    FrmMuLu* muLu_ = nullptr;     // the chapter list, docked once opened
};

}  // namespace ui
