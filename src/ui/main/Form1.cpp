#include "ui/main/Form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include "core/document/LineIndex.h"
#include "core/encoding/Encoding.h"
#include "core/text/Common.h"
#include "core/text/Utf16.h"
#include "files/EncodedFile.h"
#include "files/TextFile.h"
#include "platform/Platform.h"
#include "settings/Recovery.h"
#include "ui/common/Dialogs.h"
#include "ui/common/WindowPlacement.h"
#include "ui/editor/EditorView.h"
#include "ui/tools/FrmMuLu.h"

namespace ui {

namespace {

const QString kTextFilter = QStringLiteral("文本文件|*.txt");
const char* const kWeekdays[] = {"星期日", "星期一", "星期二", "星期三",
                                 "星期四", "星期五", "星期六"};

// Twips are 1/1440 of a logical inch.
int TwipsToPx(int twips, int dpi) { return twips * dpi / 1440; }
int PxToTwips(int px, int dpi) { return px * 1440 / dpi; }

}  // namespace

Form1::Form1() {
    setObjectName("Form1");
    StartRecovery();
    BuildControls();
    BuildMenus();
    BuildToolbars();
    WireCommands();
    BuildPalette();
    WireConversions();
    默认_Click();
    connect(RichTextBox1, &ui::EditorView::fileDropped, this, &Form1::OpenPath);
    history_.onHideSelection = [this](bool hide) { RichTextBox1->SetSelectionHidden(hide); };
    history_.onAvailability = [this](bool u, bool r) { UpdateUndoMenus(u, r); };
    history_.onFocus = [this] { RichTextBox1->setFocus(); };
    history_.onModified = [this] {
        // Only a change of the state is worth a new title.
        if (history_.IsModified() != shownModified_) {
            shownModified_ = !shownModified_;
            UpdateTitle();
            // Nothing unsaved: nothing to recover.
            if (!shownModified_) {
                StopCapture();
                recovery_->Remove();
            }
        }
    };
    gate_.onCommand = [this] { history_.BeginCommand(); };
    // Any command may have changed the line breaks: the count follows it
    // (typing alone leaves it as it was).
    gate_.onCommandDone = [this] {
        history_.EndCommand();
        if (RichTextBox1 != nullptr) RefreshLineCount();
        KeepRecoveryCopy();
    };
    doc_.AddSelectionListener([this](qm::EditSource) { caretTimer_->start(); });
    doc_.AddChangeListener([this](const qm::TextChange& c) {
        // A change before the counted place makes the count stale.
        if (c.pos < caretColumn_.pos) caretColumn_ = CaretColumn{};
        caretTimer_->start();
        CaptureChange(c);
    });
    connect(&gate_, &ui::CommandGate::busyChanged, this, &Form1::OnBusyChanged);
    connect(&gate_, &ui::CommandGate::refused, this,
            [this] { StatusBar1->showMessage(QStringLiteral("正在执行命令，请稍候……"), 2000); });
    ui::PlaceMainWindow(this, QSize(980, 700));  // smaller on a small screen
    Form_Load();
}

Form1::~Form1() {
    // Tool windows hold a reference to this window: they must not outlive it.
    for (const auto& [kind, w] : toolWindows_) delete w.data();
    delete muLu_;  // a child, but it reads the document, which goes first
}

void Form1::OnBusyChanged(bool busy) {
    // Typing, pasting and dropping into the box wait with every other command.
    RichTextBox1->setReadOnly(busy);
    if (!busy && closePending_) QTimer::singleShot(0, this, &QWidget::close);
}

void Form1::closeEvent(QCloseEvent* event) {
    if (gate_.Busy()) {
        // Closing now would pull the window from under the running command.
        closePending_ = true;
        event->ignore();
        return;
    }
    // A pending close is asked about now; 取消 withdraws it for good.
    closePending_ = false;
    if (!MaySetTextAside()) {
        event->ignore();
        return;
    }
    for (const auto& [kind, w] : toolWindows_) {
        if (w) w->close();
    }
    // Saved, or the user chose not to save: nothing is left to recover.
    recovery_->Remove();
    event->accept();
}

void Form1::Form_Load() {
    SetCaption(QStringLiteral("QuillmereV4.0") + QString(66, ' ') +
               QStringLiteral("https://quillmere.example/ "));
    const QString skin = platform::ProgramFolder() + QStringLiteral("/1.she");
    if (QFileInfo::exists(skin)) platform::AttachSkin(skin);
    Panel[3]->setText(QString::fromUtf8(kWeekdays[QDate::currentDate().dayOfWeek() % 7]));
    TxtTiHuan->addItem(QStringLiteral("回车"));
    TxtTiHuan->setCurrentIndex(-1);  // the item is offered, not chosen: the field starts empty
    doc_.SetText(u"");
    history_.RecordingEnabled = true;
    RichTextBox1_Change();
    history_.MarkSaved();  // an empty new text holds nothing to lose
    ShowFormat();
}

void Form1::SetCaption(const QString& caption) {
    caption_ = caption;
    UpdateTitle();
}

void Form1::UpdateTitle() {
    const QString name = filePath_.isEmpty() ? QStringLiteral("无标题")
                                             : files::ShownPath(QFileInfo(filePath_).fileName());
    setWindowTitle(name + (history_.IsModified() ? QStringLiteral("*") : QString()) +
                   QStringLiteral(" - ") + caption_);
}

bool Form1::MaySetTextAside() {
    if (!history_.IsModified()) return true;
    const QString name = filePath_.isEmpty() ? QStringLiteral("无标题")
                                             : files::ShownPath(QFileInfo(filePath_).fileName());
    QMessageBox box(QMessageBox::Question, ui::kTipTitle,
                    QStringLiteral("是否保存对“%1”的修改？").arg(name),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
        case QMessageBox::Yes:
            // Goes on only when the text really reached a file.
            return SaveWithDialog(QStringLiteral("保存文件"));
        case QMessageBox::No:
            return true;
        default:
            return false;
    }
}

void Form1::RichTextBox1_Change() {
    // Typing and commands are recorded by the history as the document changes;
    // start-up calls this once to record the empty document as the base.
    if (history_.RecordingEnabled) history_.Record();
}

void Form1::UpdateUndoMenus(bool undoEnabled, bool redoEnabled) {
    mnuUndo->setEnabled(undoEnabled);
    mnuRedo->setEnabled(redoEnabled);
    mnuUndoCommand->setEnabled(undoEnabled);
    mnuRedoCommand->setEnabled(redoEnabled);
}

void Form1::Undo() {
    history_.Undo();
    RichTextBox1->Flush();
}

void Form1::Redo() {
    history_.Redo();
    RichTextBox1->Flush();
}

void Form1::UndoCommand() {
    history_.UndoCommand();
    RichTextBox1->Flush();
}

void Form1::RedoCommand() {
    history_.RedoCommand();
    RichTextBox1->Flush();
}

void Form1::ShowCaret() {
    // After the box has taken in the change, so its line index is current.
    const auto pos = static_cast<std::size_t>(std::max(0, doc_.SelStart()));
    const qm::LineIndex& lines = RichTextBox1->Lines();
    const std::size_t line = lines.LineOf(pos);
    const std::size_t start = lines.LineStart(line);
    // Columns count characters: a surrogate pair is one. Counting goes on
    // from the last count on the same line when nothing before it changed,
    // so typing at the end of a line of millions of characters stays cheap.
    std::size_t from = start;
    std::size_t column = 1;
    if (caretColumn_.lineStart == start && caretColumn_.pos <= pos) {
        from = caretColumn_.pos;
        column = caretColumn_.column;
    }
    const std::u16string& text = doc_.Text();
    for (std::size_t i = from; i < pos && i < text.size(); ++i) {
        if (i == start || !qm::text::SplitsPair(text, i)) ++column;
    }
    caretColumn_ = CaretColumn{start, pos, column};
    Panel[7]->setText(QStringLiteral("第%1行，第%2列").arg(line + 1).arg(column));
}

void Form1::RefreshLineCount() {
    // Lines are never wrapped: the view's lines are the text's lines.
    Panel[2]->setText(QStringLiteral("共%1行").arg(
        static_cast<qulonglong>(RichTextBox1->Lines().LineCount() - 1)));
}

void Form1::ReplaceText(std::u16string text) { doc_.SetText(std::move(text)); }

void Form1::SelectAndShow(std::size_t start, std::size_t length) {
    doc_.SetSelection(static_cast<std::int32_t>(start), static_cast<std::int32_t>(length),
                      qm::EditSource::Program);
    RichTextBox1->Flush();
    RichTextBox1->CenterCaret();
    activateWindow();
    RichTextBox1->setFocus();
}

std::size_t Form1::LineOfPosition(std::size_t pos) {
    RichTextBox1->Flush();
    return RichTextBox1->Lines().LineOf(pos);
}

void Form1::DoEvents() {
    RichTextBox1->Flush();
    QCoreApplication::processEvents();
}

void Form1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Form1::Form_Resize() {
    if (isMinimized()) return;
    const int dpiX = logicalDpiX();
    const int dpiY = logicalDpiY();
    // The window's width, less what a docked panel takes beside the text.
    const int boxW = std::max(0, PxToTwips(centralWidget()->width(), dpiX) - 2200);
    const int boxH = std::max(0, PxToTwips(height(), dpiY) - 3500);
    const int margin = 4;
    RichTextBox1->setGeometry(margin, margin, TwipsToPx(boxW, dpiX), TwipsToPx(boxH, dpiY));
    const int frameTop = RichTextBox1->y() + RichTextBox1->height() + TwipsToPx(50, dpiY);
    Frame1->move(margin, frameTop);
    Frame2->move(Frame1->x() + Frame1->width() + TwipsToPx(100, dpiX), frameTop);
    Frame3->move(Frame2->x() + Frame2->width() + TwipsToPx(100, dpiX), frameTop);
    const int columnX = RichTextBox1->x() + RichTextBox1->width() + margin;
    CommandColumn->setGeometry(columnX, margin,
                               std::max(0, centralWidget()->width() - columnX - margin),
                               std::max(0, centralWidget()->height() - 2 * margin));
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize && CommandColumn != nullptr) {
        Form_Resize();
    }
    if (watched == RichTextBox1 &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (event->type() == QEvent::KeyPress) {
            return RichTextBox1_KeyDown(key->key(), mods);
        }
        // Ctrl keys and Del are the menus' shortcuts, not the box's own.
        if (mods == Qt::ControlModifier ||
            (mods == Qt::NoModifier && key->key() == Qt::Key_Delete)) {
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool Form1::RichTextBox1_KeyDown(int key, Qt::KeyboardModifiers mods) {
    // With Ctrl as the only modifier the box never sees the key, so its own
    // shortcuts (undo among them) cannot bypass the document; moving and
    // deleting by words are the box's and go through the document.
    return mods == Qt::ControlModifier && !ui::EditorView::IsCtrlEditingKey(key);
}

// ---- file commands ----

void Form1::mnunew_Click() {
    if (!MaySetTextAside()) return;
    doc_.SetText(u"");
    filePath_.clear();
    format_ = qm::enc::FileFormat{};
    closingBreak_ = true;
    Panel[5]->clear();
    history_.MarkSaved();
    ShowFormat();
}

std::optional<Form1::OpenedFile> Form1::OpenTextFile() {
    const QString path = ui::AskOpenFileName(this, QString(), kTextFilter,
                                             platform::ProgramFolder() + QStringLiteral("/"));
    if (path.isEmpty()) return std::nullopt;
    return ReadTextFile(path);
}

std::optional<Form1::OpenedFile> Form1::ReadTextFile(const QString& path,
                                                     std::optional<qm::enc::Encoding> forced) {
    files::TextReadResult r;
    if (QFileInfo(path).size() < (8 << 20)) {
        ui::WaitCursor wait;
        r = files::ReadTextFile(path, forced);
    } else {
        // A large file: show how far it has come, let the user stop, and
        // keep every other command waiting meanwhile.
        ui::CommandGate::Hold hold(gate_);
        ui::ProgressDialog progress(
            this, QStringLiteral("打开"),
            QStringLiteral("正在打开“%1”……").arg(QFileInfo(path).fileName()), 300);
        r = files::ReadTextFile(path, forced, [&progress](std::int64_t done, std::int64_t total) {
            return progress.Step(done, total);
        });
    }
    if (r.canceled) return std::nullopt;
    if (!r.ok) {
        ui::ShowMessage(
            this, QStringLiteral("无法读取文件“%1”：%2。").arg(files::ShownPath(path), r.why));
        return std::nullopt;
    }
    Panel[5]->setText(files::ShownPath(QFileInfo(path).absoluteFilePath()));
    DoEvents();
    return OpenedFile{path, std::move(r.loaded)};
}

void Form1::OpenPath(const QString& path) {
    gate_.Run([&] {
        if (!MaySetTextAside()) return;
        if (std::optional<OpenedFile> f = ReadTextFile(path)) LoadDocument(std::move(*f));
    });
}

void Form1::mnuopen_Click() {
    if (!MaySetTextAside()) return;
    if (std::optional<OpenedFile> f = OpenTextFile()) LoadDocument(std::move(*f));
}

void Form1::LoadDocument(OpenedFile f) {
    {
        ui::WaitCursor wait;
        ReplaceText(std::move(f.loaded.text));
    }
    filePath_ = QFileInfo(f.path).absoluteFilePath();
    lastFolder_ = QFileInfo(filePath_).absolutePath();
    format_ = f.loaded.format;
    mixedNames_.clear();
    for (const qm::enc::EncodingRun& run : f.loaded.runs) {
        const QString name = QString::fromLatin1(qm::enc::Name(run.encoding));
        if (!mixedNames_.contains(name)) mixedNames_ << name;
    }
    // An opened file is written back exactly as it stands: nothing is added.
    closingBreak_ = false;
    history_.MarkSaved();
    UpdateTitle();
    ShowFormat();
    RememberRecent(filePath_);
    if (!f.loaded.runs.empty()) {
        QStringList where;
        for (const qm::enc::EncodingRun& run : f.loaded.runs)
            where
                << QStringLiteral("第%1行起 %2").arg(run.line + 1).arg(qm::enc::Name(run.encoding));
        ui::ShowMessage(this,
                        QStringLiteral("文件“%1”由不同编码的几段文字组成：%2。\n"
                                       "已逐段按各自的编码打开；保存时需选择一种编码。")
                            .arg(QFileInfo(f.path).fileName(), where.join(QStringLiteral("，"))));
    }
    if (f.loaded.invalid > 0) {
        ui::ShowMessage(this,
                        QStringLiteral("文件“%1”中有 %2 个字节无法按 %3 解码，已显示为“\uFFFD”。"
                                       "保存时这些字节按原样写回。")
                            .arg(QFileInfo(f.path).fileName())
                            .arg(f.loaded.invalid)
                            .arg(QString::fromLatin1(qm::enc::Name(format_.encoding))));
    }
}

void Form1::ShowFormat() {
    QString text =
        QStringLiteral("%1 · %2").arg(QString::fromLatin1(qm::enc::Name(format_.encoding)),
                                      QString::fromLatin1(qm::enc::Name(format_.breaks)));
    if (format_.mixedEncodings)
        text = QStringLiteral("混合编码：%1 · %2")
                   .arg(mixedNames_.join(QStringLiteral(" + ")),
                        QString::fromLatin1(qm::enc::Name(format_.breaks)));
    // A file that mixed its breaks is saved with CR LF throughout: say so.
    if (format_.mixed) text += QStringLiteral("（原为混合换行）");
    Panel[6]->setText(text);
}

void Form1::mnuReopen_Click() {
    if (filePath_.isEmpty()) {
        ui::ShowMessage(this, QStringLiteral("当前文本不是从文件打开的，没有可重新打开的文件。"));
        return;
    }
    const std::optional<qm::enc::Encoding> e =
        ui::AskEncoding(this, QStringLiteral("以其他编码重新打开"), format_.encoding);
    if (!e || !MaySetTextAside()) return;
    if (std::optional<OpenedFile> f = ReadTextFile(filePath_, *e)) LoadDocument(std::move(*f));
}

void Form1::mnuSaveEncoding_Click() {
    const std::optional<qm::enc::Encoding> e =
        ui::AskEncoding(this, QStringLiteral("以其他编码保存"), format_.encoding);
    if (!e) return;
    const QString path =
        ui::AskSaveFileName(this, QStringLiteral("以其他编码保存"), kTextFilter, SaveFolder());
    if (path.isEmpty()) return;
    qm::enc::FileFormat format = format_;
    format.encoding = *e;
    // A BOM is what lets a UTF-16 file be recognised again.
    format.bom = *e == qm::enc::Encoding::Utf8Bom || *e == qm::enc::Encoding::Utf16Le ||
                 *e == qm::enc::Encoding::Utf16Be;
    format.mixed = false;
    WriteDocument(path, format, closingBreak_);
}

void Form1::mnusave_Click() { SaveWithDialog(QStringLiteral("保存文件")); }

void Form1::MnuSaveNeiRong_Click() { SaveWithDialog(QString()); }

QString Form1::SaveFolder() const {
    // The opened file itself, so that the dialog shows its folder and name;
    // for a new text the folder last used.
    if (!filePath_.isEmpty()) return filePath_;
    return lastFolder_.isEmpty() ? platform::ProgramFolder() + QStringLiteral("/")
                                 : lastFolder_ + QStringLiteral("/");
}

bool Form1::SaveWithDialog(const QString& title) {
    const QString path = ui::AskSaveFileName(this, title, kTextFilter, SaveFolder());
    if (path.isEmpty()) return false;
    return WriteDocument(path, format_, closingBreak_);
}

bool Form1::WriteDocument(const QString& path, qm::enc::FileFormat format, bool closingBreak) {
    // Lines that came in several encodings go out in one: the user's choice.
    if (format.mixedEncodings) {
        const std::optional<qm::enc::Encoding> e = ui::AskEncoding(
            this, QStringLiteral("混合编码的文件只能以一种编码保存"), format.encoding);
        if (!e) return false;
        format.encoding = *e;
        format.bom = *e == qm::enc::Encoding::Utf8Bom || *e == qm::enc::Encoding::Utf16Le ||
                     *e == qm::enc::Encoding::Utf16Be;
        format.mixedEncodings = false;
    }
    // Encoded straight into the temporary file; characters the encoding
    // lacks are asked about before it replaces the old file.
    ui::UnencodableAnswer answer = ui::UnencodableAnswer::Question;
    const auto ask = [&](const qm::enc::Encoded& e) {
        QApplication::restoreOverrideCursor();
        answer = ui::AskUnencodable(this, doc_.Text(), e, format.encoding);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return answer == ui::UnencodableAnswer::Question;
    };
    files::TextWriteResult w;
    {
        // The question about unencodable characters runs events: typing, auto
        // typing and other commands wait, so what is marked saved is what was
        // written.
        ui::CommandGate::Hold hold(gate_);
        ui::WaitCursor wait;
        w = files::WriteTextFile(path, doc_.Text(), format, closingBreak, ask);
        if (w.canceled && answer == ui::UnencodableAnswer::Utf8) {
            format.encoding = qm::enc::Encoding::Utf8;
            format.bom = false;
            w = files::WriteTextFile(path, doc_.Text(), format, closingBreak);
        }
    }
    if (w.canceled) return false;
    if (!w.ok) {
        ui::ShowWriteFailure(this, path, w.why);
        return false;
    }
    format.mixed = false;
    format_ = format;
    filePath_ = QFileInfo(path).absoluteFilePath();
    lastFolder_ = QFileInfo(filePath_).absolutePath();
    Panel[5]->setText(files::ShownPath(filePath_));
    history_.MarkSaved();
    UpdateTitle();
    ShowFormat();
    RememberRecent(filePath_);
    return true;
}

}  // namespace ui
