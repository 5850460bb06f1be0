// Form1's find commands and the tool windows it opens.
#include <QAction>
#include <QInputDialog>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/Search.h"
#include "ui/common/Dialogs.h"
#include "ui/common/ToolWindow.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"
#include "ui/tools/FenGe2.h"
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
        doc_.SetSelStart(static_cast<std::int32_t>(*at));
        doc_.SetSelLength(static_cast<std::int32_t>(searchText_.size()));
        RichTextBox1->Flush();
        RichTextBox1->CenterCaret();
    } else {
        ui::ShowMessage(this, QStringLiteral("没找到匹配的字符串"), ui::kTipTitle,
                        QMessageBox::Warning);
    }
    RichTextBox1->setFocus();
}

void Form1::TiaoZhuan_Click() {
    OpenTool(goTo_, [this] { return new frmGoTo(*this); });
}

void Form1::CmdTongJiGeShu_Click() {
    OpenTool(tongJi_, [this] { return new FrmTongJi(doc_.Text()); });
}

void Form1::CmdTiHuanBiao_Click() {
    OpenTool(tiHuanBiao_, [this] { return new 替换表(*this); });
}

void Form1::CmdPiLiangTiHuan_Click() {
    OpenTool(piLiang_, [] { return new FrmPiLiangTiHuan; });
}

void Form1::CmdFileFenGe2_Click() {
    OpenTool(fenGe2_, [] { return new FenGe2; });
}

void Form1::CmdFileFenGe_Click() {
    OpenTool(fenGe_, [] { return new FrmFenGe; });
}

void Form1::CmdFileHeBing_Click() {
    OpenTool(heBing_, [] { return new FrmHeBingFile; });
}

void Form1::CmdZuHe_Click() {
    OpenTool(zuHe_, [this] { return new FrmZiFuZuHe(*this); });
}

void Form1::CmdReguLar_Click() {
    OpenTool(zhengZe_, [this] { return new FrmZhengZe(*this); });
}

void Form1::CmdGaoJiTiHuan_Click() {
    OpenTool(gaoJi_, [this] { return new 高级替换(*this); });
}

void Form1::cmdCipher_Click() {
    OpenTool(cipher_, [this] { return new jiajiemi(*this); });
}

void Form1::CmdFileGaiMing_Click() {
    OpenTool(gaiMing_, [] { return new FrmGaiMing; });
}

void Form1::CmdYouHua_Click() {
    OpenTool(youHua_, [this] { return new FrmYouHua(*this); });
}
