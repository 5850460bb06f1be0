#include "ui/Form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTimer>

#include "core/Codec.h"
#include "files/TextFile.h"
#include "platform/Platform.h"
#include "ui/Dialogs.h"
#include "ui/EditorView.h"
#include "ui/WindowPlacement.h"

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
    BuildControls();
    BuildMenus();
    BuildToolbars();
    WireCommands();
    BuildPalette();
    WireConversions();
    默认_Click();
    connect(RichTextBox1, &ui::EditorView::fileDropped, this, &Form1::OpenPath);
    history_.onHideSelection = [this](bool hide) { RichTextBox1->SetSelectionHidden(hide); };
    history_.onMenus = [this](bool u, bool r) { UpdateUndoMenus(u, r); };
    history_.onFocus = [this] { RichTextBox1->setFocus(); };
    connect(&gate_, &ui::CommandGate::busyChanged, this, &Form1::OnBusyChanged);
    connect(&gate_, &ui::CommandGate::refused, this,
            [this] { StatusBar1->showMessage(QStringLiteral("正在执行命令，请稍候……"), 2000); });
    ui::PlaceMainWindow(this, QSize(980, 700));  // smaller on a small screen
    Form_Load();
}

Form1::~Form1() {
    // Tool windows hold a reference to this window: they must not outlive it.
    for (const QPointer<QWidget>& w : toolWindows_) delete w.data();
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
    for (const QPointer<QWidget>& w : toolWindows_) {
        if (w) w->close();
    }
    event->accept();
}

void Form1::Form_Load() {
    setWindowTitle(QStringLiteral("QuillmereV4.0") + QString(66, ' ') +
                   QStringLiteral("https://quillmere.example/ "));
    const QString skin = platform::ProgramFolder() + QStringLiteral("/1.she");
    if (QFileInfo::exists(skin)) platform::AttachSkin(skin, QString());
    Panel[3]->setText(QString::fromUtf8(kWeekdays[QDate::currentDate().dayOfWeek() % 7]));
    TxtTiHuan->addItem(QStringLiteral("回车"));
    TxtTiHuan->setCurrentIndex(-1);  // the item is offered, not chosen: the field starts empty
    doc_.SetText(u"");
    history_.RecordingEnabled = true;
    RichTextBox1_Change();
}

void Form1::RichTextBox1_Change() {
    // Typing and commands are recorded by the history as the document changes;
    // start-up calls this once to record the empty document as the base.
    if (history_.RecordingEnabled) history_.Record();
}

void Form1::UpdateUndoMenus(bool undoEnabled, bool redoEnabled) {
    mnuUndo->setEnabled(undoEnabled);
    mnuRedo->setEnabled(redoEnabled);
}

void Form1::Undo() {
    history_.Undo();
    RichTextBox1->Flush();
}

void Form1::Redo() {
    history_.Redo();
    RichTextBox1->Flush();
}

void Form1::RefreshLineCount() {
    // Lines are never wrapped: the view's lines are the text's lines.
    Panel[2]->setText(QStringLiteral("共%1行").arg(
        static_cast<qulonglong>(RichTextBox1->Lines().LineCount() - 1)));
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
    const int boxW = std::max(0, PxToTwips(width(), dpiX) - 2200);
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
    doc_.SetText(u"");
    RefreshLineCount();
}

std::optional<Form1::OpenedFile> Form1::OpenTextFile() {
    const QString path = ui::AskOpenFileName(this, QString(), kTextFilter,
                                             platform::ProgramFolder() + QStringLiteral("/"));
    if (path.isEmpty()) return std::nullopt;
    return ReadTextFile(path);
}

std::optional<Form1::OpenedFile> Form1::ReadTextFile(const QString& path) {
    files::ReadResult r;
    if (QFileInfo(path).size() < (8 << 20)) {
        ui::WaitCursor wait;
        r = files::ReadGbkFile(path);
    } else {
        // A large file: show how far it has come, let the user stop, and
        // keep every other command waiting meanwhile.
        ui::CommandGate::Hold hold(gate_);
        QProgressDialog progress(QStringLiteral("正在打开“%1”……").arg(QFileInfo(path).fileName()),
                                 QStringLiteral("取消"), 0, 1000, this);
        progress.setWindowTitle(QStringLiteral("打开"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(300);
        r = files::ReadGbkFile(path, [&progress](std::int64_t done, std::int64_t total) {
            progress.setValue(static_cast<int>(done * 1000 / total));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    }
    if (r.canceled) return std::nullopt;
    if (!r.ok) {
        ui::ShowMessage(
            this,
            QStringLiteral("无法读取文件“%1”：%2。").arg(QDir::toNativeSeparators(path), r.why));
        return std::nullopt;
    }
    Panel[5]->setText(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    DoEvents();
    return OpenedFile{path, std::move(r.text), r.invalid};
}

void Form1::OpenPath(const QString& path) {
    gate_.Run([&] {
        if (std::optional<OpenedFile> f = ReadTextFile(path)) LoadDocument(std::move(*f));
    });
}

void Form1::mnuopen_Click() {
    if (std::optional<OpenedFile> f = OpenTextFile()) LoadDocument(std::move(*f));
}

void Form1::LoadDocument(OpenedFile f) {
    {
        ui::WaitCursor wait;
        doc_.SetText(std::move(f.text));
        RefreshLineCount();
    }
    if (f.invalid > 0) {
        ui::ShowMessage(this,
                        QStringLiteral("文件“%1”中有 %2 处不是 GBK 编码的字节，已显示为“\uFFFD”。"
                                       "保存时这些字节会被改写。")
                            .arg(QFileInfo(f.path).fileName())
                            .arg(f.invalid));
    }
}

void Form1::mnusave_Click() { SaveWithDialog(QStringLiteral("保存文件")); }

void Form1::MnuSaveNeiRong_Click() { SaveWithDialog(QString()); }

void Form1::SaveWithDialog(const QString& title) {
    const QString path = ui::AskSaveFileName(this, title, kTextFilter,
                                             platform::ProgramFolder() + QStringLiteral("/"));
    if (path.isEmpty()) return;
    // The text and one closing CR LF, without copying the whole text first.
    qm::cp936::EncodeResult e = qm::cp936::Encode(doc_.Text());
    e.bytes += "\r\n";
    ui::SaveGbkText(this, path, e);
}
