// Form1's controls: the editor, the rule panel frames, the command column
// and the status bar.
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/common/Named.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

namespace ui {

namespace {

using ui::Named;

QLineEdit* Field(const char* name, QWidget* parent) { return Named(new QLineEdit(parent), name); }

QPushButton* Button(const char* name, const QString& caption, QWidget* parent) {
    return ui::NamedButton(name, caption, parent);
}

QRadioButton* Option(const char* name, const QString& caption, QButtonGroup* group) {
    auto* r = Named(new QRadioButton(caption), name);
    group->addButton(r);
    return r;
}

QLabel* Label(const QString& text) { return new QLabel(text); }

QGridLayout* FrameGrid(QGroupBox* frame) {
    auto* g = new QGridLayout(frame);
    g->setContentsMargins(6, 4, 6, 4);
    g->setVerticalSpacing(3);
    return g;
}

}  // namespace

void Form1::BuildControls() {
    auto* central = new QWidget(this);
    central->setObjectName("FormClient");
    setCentralWidget(central);
    // A docked panel narrows the central area without resizing the window.
    central->installEventFilter(this);

    RichTextBox1 = Named(new ui::EditorView(doc_, central), "RichTextBox1");
    RichTextBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    RichTextBox1->installEventFilter(this);

    // Rule panel: delete lines, characters and spans.
    Frame1 = Named(new QGroupBox(QStringLiteral("删除不符合条件"), central), "Frame1");
    auto* g1 = FrameGrid(Frame1);
    TxtBaoHan = Field("TxtBaoHan", Frame1);
    TxtShanChu = Field("TxtShanChu", Frame1);
    TxtStart = Field("TxtStart", Frame1);
    TxtStop = Field("TxtStop", Frame1);
    TxtTiHuanWei = Field("TxtTiHuanWei", Frame1);
    g1->addWidget(Label(QStringLiteral("删除包含：")), 0, 0);
    g1->addWidget(TxtBaoHan, 0, 1, 1, 3);
    g1->addWidget(Label(QStringLiteral("的全部行")), 0, 4);
    g1->addWidget(Label(QStringLiteral("删除字符：")), 1, 0);
    g1->addWidget(TxtShanChu, 1, 1, 1, 3);
    g1->addWidget(Label(QStringLiteral("删除两者中间：")), 2, 0);
    g1->addWidget(TxtStart, 2, 1);
    g1->addWidget(Label(QStringLiteral("---")), 2, 2);
    g1->addWidget(TxtStop, 2, 3);
    g1->addWidget(Label(QStringLiteral("替换为：")), 3, 0);
    g1->addWidget(TxtTiHuanWei, 3, 1, 1, 3);
    Frame1->resize(330, 146);

    // Rule panel: replacement.
    Frame2 = Named(new QGroupBox(QStringLiteral("替换"), central), "Frame2");
    auto* g2 = FrameGrid(Frame2);
    TxtBeiTiHuan = Field("TxtBeiTiHuan", Frame2);
    TxtTiHuan = Named(new QComboBox(Frame2), "TxtTiHuan");
    TxtTiHuan->setEditable(true);
    TxtTiHuan->setInsertPolicy(QComboBox::NoInsert);
    g2->addWidget(Label(QStringLiteral("将字符")), 0, 0);
    g2->addWidget(TxtBeiTiHuan, 0, 1);
    g2->addWidget(Label(QStringLiteral("替换为")), 1, 0);
    g2->addWidget(TxtTiHuan, 1, 1);
    int row = 2;
    for (const ToolButton& t : ToolButtons()) {
        if (t.column == ToolColumn::ReplaceFrame) {
            g2->addWidget(AddToolButton(t, Frame2), row++, 0, 1, 2);
        }
    }
    Frame2->resize(200, 146);

    // Insert at every line start or end.
    Frame3 = Named(new QGroupBox(QStringLiteral("追加"), central), "Frame3");
    auto* g3 = FrameGrid(Frame3);
    TxtChaRu1 = Named(new QPlainTextEdit(Frame3), "TxtChaRu1");
    TxtChaRu2 = Named(new QPlainTextEdit(Frame3), "TxtChaRu2");
    for (QPlainTextEdit* t : {TxtChaRu1, TxtChaRu2}) {
        t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        t->setTabChangesFocus(true);
        t->setFixedHeight(44);
    }
    cmdcharu1 = Button("cmdcharu1", QStringLiteral("插入1"), Frame3);
    cmdcharu2 = Button("cmdcharu2", QStringLiteral("插入2"), Frame3);
    auto* where = new QButtonGroup(Frame3);
    Option1 = Option("Option1", QStringLiteral("在所有段首"), where);
    Option2 = Option("Option2", QStringLiteral("在所有断尾"), where);
    Option2->setChecked(true);
    g3->addWidget(TxtChaRu1, 0, 0);
    g3->addWidget(cmdcharu1, 0, 1);
    g3->addWidget(TxtChaRu2, 1, 0);
    g3->addWidget(cmdcharu2, 1, 1);
    g3->addWidget(Option1, 2, 0);
    g3->addWidget(Option2, 2, 1);
    Frame3->resize(280, 146);

    // The command column right of the editor.
    CommandColumn = Named(new QWidget(central), "CommandColumn");
    auto* col = new QVBoxLayout(CommandColumn);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(3);
    CmdKongYiHang = Button("CmdKongYiHang", QStringLiteral("段落间加空行"), CommandColumn);
    CmdHeBingHang = Button("CmdHeBingHang", QStringLiteral("合并行"), CommandColumn);
    TxtFenHang = Field("TxtFenHang", CommandColumn);
    TxtFenHang->setText(QStringLiteral("10"));
    TxtFenHang->setToolTip(QStringLiteral("每行的字数"));
    CmdChongXin = Button("CmdChongXin", QStringLiteral("重新分行"), CommandColumn);
    CmdDelKongGe = Button("CmdDelKongGe", QStringLiteral("删除所有空格"), CommandColumn);
    auto* spaces = new QButtonGroup(CommandColumn);
    Option3 = Option("Option3", QStringLiteral("段首"), spaces);
    Option4 = Option("Option4", QStringLiteral("段尾"), spaces);
    Option5 = Option("Option5", QStringLiteral("全部"), spaces);
    Option5->setChecked(true);
    CmdDelKongHang = Button("CmdDelKongHang", QStringLiteral("删除所有回车"), CommandColumn);
    CmdZhiXing = Button("CmdZhiXing", QStringLiteral("执行操作"), CommandColumn);
    CmdFanZhuan = Button("CmdFanZhuan", QStringLiteral("字符反转"), CommandColumn);
    CmdHanZi = Button("CmdHanZi", QStringLiteral("过滤不符合条件"), CommandColumn);
    CmdDaZi = Button("CmdDaZi", QStringLiteral("自动打字"), CommandColumn);
    CMstopDaZi = Button("CMstopDaZi", QStringLiteral("停止打字"), CommandColumn);

    auto* fenHang = new QHBoxLayout;
    fenHang->addWidget(TxtFenHang, 1);
    fenHang->addWidget(CmdChongXin, 2);
    auto* spaceOptions = new QHBoxLayout;
    spaceOptions->setSpacing(0);
    for (QRadioButton* r : {Option3, Option4, Option5}) spaceOptions->addWidget(r);
    col->addWidget(CmdKongYiHang);
    col->addWidget(CmdHeBingHang);
    col->addLayout(fenHang);
    col->addWidget(CmdDelKongGe);
    col->addLayout(spaceOptions);
    col->addWidget(CmdDelKongHang);
    col->addSpacing(6);
    col->addWidget(CmdZhiXing);
    col->addSpacing(6);
    col->addWidget(CmdFanZhuan);
    col->addWidget(CmdHanZi);
    col->addWidget(CmdDaZi);
    col->addWidget(CMstopDaZi);
    // The tool windows' buttons, a group to each column of the table.
    for (ToolColumn c : {ToolColumn::Count, ToolColumn::Files, ToolColumn::Texts}) {
        col->addSpacing(6);
        for (const ToolButton& t : ToolButtons()) {
            if (t.column == c) col->addWidget(AddToolButton(t, CommandColumn));
        }
    }
    col->addStretch(1);

    Timer1 = Named(new QTimer(this), "Timer1");
    Timer1->setInterval(100);

    StatusBar1 = Named(new QStatusBar(this), "StatusBar1");
    setStatusBar(StatusBar1);
    const int widths[] = {0, 120, 90, 70, 80, 0, 110, 120};
    for (int i = 1; i <= 7; ++i) {
        Panel[i] = new QLabel(StatusBar1);
        Panel[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
        Panel[i]->setMinimumWidth(widths[i]);
        StatusBar1->addWidget(Panel[i], i == 5 ? 1 : 0);
    }
    Panel[1]->setText(QStringLiteral("文本整理"));
    caretTimer_ = new QTimer(this);
    caretTimer_->setSingleShot(true);
    caretTimer_->setInterval(0);
    connect(caretTimer_, &QTimer::timeout, this, &Form1::ShowCaret);
}

}  // namespace ui
