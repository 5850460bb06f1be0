// Form1's menu bar, toolbars and the small commands behind their items.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDate>
#include <QFontDatabase>
#include <QFontDialog>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTime>
#include <QToolBar>

#include "core/text/Common.h"
#include "platform/Platform.h"
#include "ui/common/Dialogs.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

namespace ui {

namespace {

// An item whose command is not built yet: visible, but nothing pretends to work.
void NotYet(QAction* a) { a->setEnabled(false); }

// A CJK font whose Latin (toned pinyin included), Greek and Cyrillic glyphs
// are real: mixed lines then need no font fallback, which looks even and lays
// out long lines faster. Without it a Latin font comes before the CJK one:
// WenQuanYi Micro Hei claims ǎ ǐ ǒ ǔ ǚ but draws them blank, and a font that
// claims a character is never passed over for the next one.
QFont DefaultEditorFont() {
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans"),
                   QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Microsoft YaHei"),
                   f.family()});
    f.setPointSize(12);
    return f;
}

}  // namespace

QAction* Form1::AddItem(QMenu* menu, const char* name, const QString& caption,
                        const QKeySequence& shortcut) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromUtf8(name));
    if (!shortcut.isEmpty()) {
        a->setShortcut(shortcut);
        // The shortcut works from anywhere in the main window.
        a->setShortcutContext(Qt::WindowShortcut);
    }
    return a;
}

void Form1::BuildMenus() {
    QMenuBar* bar = menuBar();
    auto menu = [bar](const char* name, const QString& title) {
        QMenu* m = bar->addMenu(title);
        m->setObjectName(QString::fromUtf8(name));
        return m;
    };

    QMenu* file = menu("MnuFile", QStringLiteral("文件"));
    Wire(AddItem(file, "mnunew", QStringLiteral("新建"), QKeySequence("Ctrl+N")),
         &QAction::triggered, &Form1::mnunew_Click);
    Wire(AddItem(file, "mnuopen", QStringLiteral("打开"), QKeySequence("Ctrl+O")),
         &QAction::triggered, &Form1::mnuopen_Click);
    Wire(AddItem(file, "mnusave", QStringLiteral("保存(&S)"), QKeySequence("Ctrl+S")),
         &QAction::triggered, &Form1::mnusave_Click);
    Wire(AddItem(file, "MnuSaveNeiRong", QStringLiteral("另存为")), &QAction::triggered,
         &Form1::MnuSaveNeiRong_Click);
    mnuRecent = file->addMenu(QStringLiteral("最近打开的文件"));
    mnuRecent->setObjectName(QStringLiteral("mnuRecent"));
    connect(mnuRecent, &QMenu::aboutToShow, this, &Form1::mnuRecent_Show);
    file->addSeparator();
    Wire(AddItem(file, "mnuReopen", QStringLiteral("以其他编码重新打开")), &QAction::triggered,
         &Form1::mnuReopen_Click);
    Wire(AddItem(file, "mnuSaveEncoding", QStringLiteral("以其他编码保存")), &QAction::triggered,
         &Form1::mnuSaveEncoding_Click);
    Wire(AddItem(file, "mnuExportEpub", QStringLiteral("导出EPUB")), &QAction::triggered,
         &Form1::mnuExportEpub_Click);
    Wire(AddItem(file, "mnuGetSource", QStringLiteral("获取源码")), &QAction::triggered,
         &Form1::mnuGetSource_Click);

    QMenu* edit = menu("MnuEdit", QStringLiteral("编辑(&E)"));
    mnuUndo = AddItem(edit, "mnuUndo", QStringLiteral("撤销"), QKeySequence("Ctrl+Z"));
    Wire(mnuUndo, &QAction::triggered, &Form1::Undo);
    mnuRedo = AddItem(edit, "mnuRedo", QStringLiteral("重复"), QKeySequence("Ctrl+Y"));
    Wire(mnuRedo, &QAction::triggered, &Form1::Redo);
    mnuUndoCommand =
        AddItem(edit, "mnuUndoCommand", QStringLiteral("撤销整条命令"), QKeySequence("Ctrl+Alt+Z"));
    Wire(mnuUndoCommand, &QAction::triggered, &Form1::UndoCommand);
    mnuRedoCommand =
        AddItem(edit, "mnuRedoCommand", QStringLiteral("重做整条命令"), QKeySequence("Ctrl+Alt+Y"));
    Wire(mnuRedoCommand, &QAction::triggered, &Form1::RedoCommand);
    Wire(AddItem(edit, "mnucopy", QStringLiteral("复制(&C)"), QKeySequence("Ctrl+C")),
         &QAction::triggered, &Form1::mnucopy_Click);
    Wire(AddItem(edit, "mnucut", QStringLiteral("剪切(&T)"), QKeySequence("Ctrl+X")),
         &QAction::triggered, &Form1::mnucut_Click);
    // Ctrl+V: the box never sees Ctrl keys, so without it the keyboard could not paste.
    Wire(AddItem(edit, "mnupaste", QStringLiteral("粘贴"), QKeySequence("Ctrl+V")),
         &QAction::triggered, &Form1::mnupaste_Click);
    Wire(AddItem(edit, "mnudelete", QStringLiteral("删除(&L)"), QKeySequence(Qt::Key_Delete)),
         &QAction::triggered, &Form1::mnudelete_Click);
    edit->addSeparator();
    Wire(AddItem(edit, "mnuselectall", QStringLiteral("全选(&A)"), QKeySequence("Ctrl+A")),
         &QAction::triggered, &Form1::mnuselectall_Click);
    connect(
        RichTextBox1, &QWidget::customContextMenuRequested, edit,
        [this, edit](const QPoint& p) { edit->exec(RichTextBox1->viewport()->mapToGlobal(p)); });

    QMenu* format = menu("mnuformat", QStringLiteral("格式(&O)"));
    Wire(AddItem(format, "默认", QStringLiteral("默认")), &QAction::triggered, &Form1::默认_Click);
    Wire(AddItem(format, "mnufont", QStringLiteral("字体(&T)")), &QAction::triggered,
         &Form1::mnufont_Click);
    Wire(AddItem(format, "MnuBeiJing", QStringLiteral("背景颜色")), &QAction::triggered,
         &Form1::MnuBeiJing_Click);
    BuildViewItems(format);

    QMenu* find = menu("B", QStringLiteral("查找(&I)"));
    Wire(AddItem(find, "mnufind", QStringLiteral("查找(&F)"), QKeySequence("Ctrl+F")),
         &QAction::triggered, &Form1::mnufind_Click);
    mnuNext = AddItem(find, "mnuNext", QStringLiteral("查找下一个(&W)"), QKeySequence(Qt::Key_F3));
    mnuNext->setEnabled(false);  // until something was searched for
    Wire(mnuNext, &QAction::triggered, &Form1::mnuNext_Click);
    Wire(AddItem(find, "TiaoZhuan", QStringLiteral("跳转")), &QAction::triggered,
         &Form1::TiaoZhuan_Click);

    QMenu* quChu = menu("MnuQuChu", QStringLiteral("去除不符合条件"));
    NotYet(AddItem(quChu, "去除所有字母", QStringLiteral("去除所有字母")));
    NotYet(AddItem(quChu, "去除所有数字", QStringLiteral("去除所有数字")));

    QMenu* tools = menu("MnuGongjv", QStringLiteral("工具(&T)"));
    const std::pair<const char*, const char*> toolItems[] = {
        {"计算器", "calc"},
        {"CMD", "cmd"},
        {"系统整理", "cleanmgr"},
        {"DirectX信息", "dxdiag"},
        {"注册表", "regedit.exe"},
        {"组策略", "cmd /c start /min gpedit.msc"},
        {"任务管理器", "taskmgr"},
        {"系统配置", "Msconfig.exe"},
        {"用户管理", "cmd /c start /min lusrmgr.msc"},
        {"画图", "mspaint"},
        {"系统锁", "syskey"},
        {"服务", "cmd /c start /min compmgmt.msc"},
        {"系统放大镜", "magnify"},
    };
    for (const auto& [name, command] : toolItems) {
        const QString caption = QString::fromUtf8(name);
        const QString line = QString::fromUtf8(command);
        connect(AddItem(tools, name, caption), &QAction::triggered, this,
                [this, line, caption] { StartTool(line, caption); });
    }

    QMenu* convert = menu("转换", QStringLiteral("转换"));
    NotYet(AddItem(convert, "繁体转简体", QStringLiteral("乱码转正常")));
    NotYet(AddItem(convert, "汉字转拼音", QStringLiteral("汉字转拼音")));
    NotYet(AddItem(convert, "大写转小写", QStringLiteral("大写转小写")));
    NotYet(AddItem(convert, "小写转大写", QStringLiteral("小写转大写")));
    NotYet(AddItem(convert, "Strconv全转半", QStringLiteral("Strconv全转半")));
    NotYet(AddItem(convert, "Strconv半转全", QStringLiteral("Strconv半转全")));
    NotYet(AddItem(convert, "阿拉伯转换汉字", QStringLiteral("阿拉伯转换汉字")));
    NotYet(AddItem(convert, "TXT转HTML", QStringLiteral("TXT转HTML")));

    QMenu* insert = menu("插入", QStringLiteral("插入"));
    NotYet(AddItem(insert, "常用符号", QStringLiteral("常用符号")));
    Wire(AddItem(insert, "日期", QStringLiteral("日期")), &QAction::triggered, &Form1::日期_Click);
    Wire(AddItem(insert, "时间", QStringLiteral("时间")), &QAction::triggered, &Form1::时间_Click);

    BuildNovelMenu(menu("mnuXiaoShuo", QStringLiteral("小说")));

    QMenu* settings = menu("MnuCanDan", QStringLiteral("配置文件"));
    NotYet(AddItem(settings, "MnuOpenPEIzhi", QStringLiteral("打开配置文件")));
    NotYet(AddItem(settings, "MnuSaveINI", QStringLiteral("另存配置文件")));

    QMenu* help = menu("Help", QStringLiteral("帮助"));
    NotYet(AddItem(help, "abount", QStringLiteral("关于")));
}

void Form1::BuildToolbars() {
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName("Toolbar1");
    Toolbar1->setMovable(false);
    const std::pair<const char*, void (Form1::*)()> buttons[] = {
        {"新建", &Form1::mnunew_Click},  {"打开", &Form1::mnuopen_Click},
        {"保存", &Form1::mnusave_Click}, {"剪切", &Form1::mnucut_Click},
        {"复制", &Form1::mnucopy_Click}, {"粘贴", &Form1::mnupaste_Click},
        {"撤销", &Form1::Undo},          {"重复", &Form1::Redo},
        {"查找", &Form1::mnufind_Click},
    };
    for (const auto& [key, handler] : buttons) {
        Wire(Toolbar1->addAction(QString::fromUtf8(key)), &QAction::triggered, handler);
    }
    Toolbar2 = addToolBar(QStringLiteral("Toolbar2"));
    Toolbar2->setObjectName("Toolbar2");
    Toolbar2->setMovable(false);
    // Alignment is a view setting of the lines the selection touches.
    const std::pair<const char*, Qt::Alignment> aligns[] = {
        {"左对齐", Qt::AlignLeft}, {"居中", Qt::AlignHCenter}, {"右对齐", Qt::AlignRight}};
    for (const auto& [key, alignment] : aligns) {
        connect(Toolbar2->addAction(QString::fromUtf8(key)), &QAction::triggered, this,
                [this, alignment = alignment] { RichTextBox1->SetAlignment(alignment); });
    }
}

void Form1::StartTool(const QString& commandLine, const QString& caption) {
    if (!platform::StartSystemProgram(commandLine)) {
        ui::ShowMessage(this, QStringLiteral("本机没有安装可以代替“%1”的程序。").arg(caption));
    }
}

// ---- edit commands, all through the document ----

void Form1::mnucopy_Click() {
    if (doc_.SelLength() == 0) return;
    QString text = QString::fromStdU16String(doc_.SelText());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QApplication::clipboard()->setText(text);
}

void Form1::mnucut_Click() {
    if (doc_.SelLength() == 0) return;
    mnucopy_Click();
    doc_.SetSelText(u"");
}

void Form1::mnupaste_Click() {
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty()) return;
    // Whatever the source's line breaks, the document's are CR LF.
    doc_.SetSelText(常用模块::NormalizeLineBreaks(text.toStdU16String()));
}

void Form1::mnudelete_Click() {
    if (doc_.SelLength() == 0) {
        // As the Del key: the character after the caret.
        const std::size_t len =
            常用模块::CharLengthAt(doc_.Text(), static_cast<std::size_t>(doc_.SelStart()));
        if (len == 0) return;
        doc_.SetSelLength(static_cast<std::int32_t>(len));
    }
    doc_.SetSelText(u"");
}

void Form1::mnuselectall_Click() {
    doc_.SetSelStart(0);
    doc_.SetSelLength(static_cast<std::int32_t>(doc_.Length()));
}

// ---- format ----

void Form1::默认_Click() {
    RichTextBox1->setFont(DefaultEditorFont());
    RichTextBox1->setPalette(QApplication::palette(RichTextBox1));
}

void Form1::mnufont_Click() {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, RichTextBox1->font(), this, QStringLiteral("字体"));
    if (ok) RichTextBox1->setFont(f);
}

void Form1::MnuBeiJing_Click() {
    QPalette pal = RichTextBox1->palette();
    const QColor c =
        QColorDialog::getColor(pal.color(QPalette::Base), this, QStringLiteral("背景颜色"));
    if (!c.isValid()) return;
    pal.setColor(QPalette::Base, c);
    RichTextBox1->setPalette(pal);
}

// ---- insert ----

void Form1::日期_Click() {
    doc_.SetSelText(QDate::currentDate().toString(QStringLiteral("yyyy年M月d日")).toStdU16String());
}

void Form1::时间_Click() {
    doc_.SetSelText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdU16String());
}

}  // namespace ui
