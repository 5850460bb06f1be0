// Form1's find commands and the tool windows it opens.
#include <QAction>
#include <QInputDialog>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/search/Search.h"
#include "ui/common/Dialogs.h"
#include "ui/common/ToolWindow.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"
#include "ui/tools/ALABO.h"
#include "ui/tools/FenGe2.h"
#include "ui/tools/FrmAbout.h"
#include "ui/tools/FrmFenGe.h"
#include "ui/tools/FrmGaiMing.h"
#include "ui/tools/FrmHeBingFile.h"
#include "ui/tools/FrmPiLiangTiHuan.h"
#include "ui/tools/FrmTongJi.h"
#include "ui/tools/FrmYouHua.h"
#include "ui/tools/FrmZhengZe.h"
#include "ui/tools/FrmZiFuZuHe.h"
#include "ui/tools/GaoJiTiHuan.h"
#include "ui/tools/GoTo.h"
#include "ui/tools/TiHuanBiao.h"
#include "ui/tools/jiajiemi.h"

namespace ui {

void Form1::mnufind_Click() {
    QInputDialog ask(this);
    ask.setWindowTitle(QStringLiteral("查找"));
    ask.setLabelText(QStringLiteral("请输入要查找的内容"));
    ask.setTextValue(QString::fromStdU16String(searchText_));
    ask.setOkButtonText(QStringLiteral("确定"));
    ask.setCancelButtonText(QStringLiteral("取消"));
    const bool ok = ask.exec() == QDialog::Accepted;
    const QString typed = ask.textValue();
    if (!ok || typed.isEmpty()) {
        RichTextBox1->setFocus();
        return;
    }
    searchText_ = typed.toStdU16String();
    mnuNext->setEnabled(true);
    FindAndSelect(0);
}

void Form1::mnuNext_Click() {
    if (searchText_.empty()) return;
    RichTextBox1->Flush();
    FindAndSelect(qm::search::NextSearchStart(static_cast<std::size_t>(doc_.SelStart()),
                                              static_cast<std::size_t>(doc_.SelLength())));
}

void Form1::FindAndSelect(std::size_t from) {
    const std::optional<std::size_t> at = qm::search::FindFrom(doc_.Text(), searchText_, from);
    if (at) {
        SelectAndShow(*at, searchText_.size());
    } else {
        ui::ShowMessage(this, QStringLiteral("没找到匹配的字符串"), ui::kTipTitle,
                        QMessageBox::Warning);
    }
    RichTextBox1->setFocus();
}

void Form1::WireTools() {
    // Counting reads the text, so it waits for a running command.
    Wire(CmdTongJiGeShu, &QPushButton::clicked, &Form1::CmdTongJiGeShu_Click);
    Wire(CmdTiHuanBiao, &QPushButton::clicked, &Form1::CmdTiHuanBiao_Click);
    // The other windows only open here; their own commands pass the gate.
    connect(CmdPiLiangTiHuan, &QPushButton::clicked, this, &Form1::CmdPiLiangTiHuan_Click);
    connect(CmdFileFenGe2, &QPushButton::clicked, this, &Form1::CmdFileFenGe2_Click);
    connect(CmdFileFenGe, &QPushButton::clicked, this, &Form1::CmdFileFenGe_Click);
    connect(CmdFileHeBing, &QPushButton::clicked, this, &Form1::CmdFileHeBing_Click);
    connect(CmdZuHe, &QPushButton::clicked, this, &Form1::CmdZuHe_Click);
    connect(CmdReguLar, &QPushButton::clicked, this, &Form1::CmdReguLar_Click);
    connect(CmdGaoJiTiHuan, &QPushButton::clicked, this, &Form1::CmdGaoJiTiHuan_Click);
    connect(cmdCipher, &QPushButton::clicked, this, &Form1::cmdCipher_Click);
    connect(CmdFileGaiMing, &QPushButton::clicked, this, &Form1::CmdFileGaiMing_Click);
    connect(CmdYouHua, &QPushButton::clicked, this, &Form1::CmdYouHua_Click);
}

void Form1::TiaoZhuan_Click() { OpenTool<frmGoTo>(); }

void Form1::CmdTongJiGeShu_Click() {
    OpenTool<FrmTongJi>([this] { return new FrmTongJi(doc_.Text()); });
}

void Form1::CmdTiHuanBiao_Click() { OpenTool<替换表>(); }
void Form1::CmdPiLiangTiHuan_Click() { OpenTool<FrmPiLiangTiHuan>(); }
void Form1::CmdFileFenGe2_Click() { OpenTool<FenGe2>(); }
void Form1::CmdFileFenGe_Click() { OpenTool<FrmFenGe>(); }
void Form1::CmdFileHeBing_Click() { OpenTool<FrmHeBingFile>(); }
void Form1::CmdZuHe_Click() { OpenTool<FrmZiFuZuHe>(); }
void Form1::CmdReguLar_Click() { OpenTool<FrmZhengZe>(); }
void Form1::CmdGaoJiTiHuan_Click() { OpenTool<高级替换>(); }
void Form1::cmdCipher_Click() { OpenTool<jiajiemi>(); }
void Form1::CmdFileGaiMing_Click() { OpenTool<FrmGaiMing>(); }
void Form1::CmdYouHua_Click() { OpenTool<FrmYouHua>(); }
void Form1::阿拉伯转换汉字_Click() { OpenTool<ALABO>(); }
void Form1::abount_Click() { OpenTool<FrmAbout>(); }

}  // namespace ui
