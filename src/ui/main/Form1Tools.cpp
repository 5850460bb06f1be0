// Form1's find commands and the tool windows it opens: a new tool window
// is one row of ToolButtons() (and its include).
#include <QAction>
#include <QInputDialog>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/search/Search.h"
#include "ui/common/CommandGate.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"
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

std::span<const Form1::ToolButton> Form1::ToolButtons() {
    using C = ToolColumn;
    // Counting and the replacement table read the text, so they wait for a
    // running command; the other windows only open here and their own
    // commands pass the gate.
    static constexpr ToolButton kTools[] = {
        {"CmdGaoJiTiHuan", "高级替换", C::ReplaceFrame, [](Form1& f) { f.OpenTool<高级替换>(); }},
        {"CmdTiHuanBiao", "替换表", C::ReplaceFrame,
         [](Form1& f) { f.gate_.Run([&f] { f.OpenTool<替换表>(); }); }},
        {"CmdTongJiGeShu", "字数统计", C::Count,
         [](Form1& f) {
             f.gate_.Run(
                 [&f] { f.OpenTool<FrmTongJi>([&f] { return new FrmTongJi(f.doc_.Text()); }); });
         }},
        {"CmdPiLiangTiHuan", "文件批量替换", C::Files,
         [](Form1& f) { f.OpenTool<FrmPiLiangTiHuan>(); }},
        {"CmdFileFenGe2", "文件分割(按尺寸)", C::Files, [](Form1& f) { f.OpenTool<FenGe2>(); }},
        {"CmdFileFenGe", "文件分割(按段落)", C::Files, [](Form1& f) { f.OpenTool<FrmFenGe>(); }},
        {"CmdFileHeBing", "文本合并", C::Files, [](Form1& f) { f.OpenTool<FrmHeBingFile>(); }},
        {"CmdFileGaiMing", "文件批量改名", C::Files, [](Form1& f) { f.OpenTool<FrmGaiMing>(); }},
        {"CmdReguLar", "正则工具", C::Texts, [](Form1& f) { f.OpenTool<FrmZhengZe>(); }},
        {"cmdCipher", "加密解密", C::Texts, [](Form1& f) { f.OpenTool<jiajiemi>(); }},
        {"CmdZuHe", "字符串联组合", C::Texts, [](Form1& f) { f.OpenTool<FrmZiFuZuHe>(); }},
        {"CmdYouHua", "网站优化专用功能", C::Texts, [](Form1& f) { f.OpenTool<FrmYouHua>(); }},
    };
    return kTools;
}

QPushButton* Form1::AddToolButton(const ToolButton& tool, QWidget* parent) {
    auto* button = ui::NamedButton(tool.button, QString::fromUtf8(tool.caption), parent);
    connect(button, &QPushButton::clicked, this, [this, open = tool.open] { open(*this); });
    return button;
}

void Form1::TiaoZhuan_Click() { OpenTool<frmGoTo>(); }
void Form1::阿拉伯转换汉字_Click() { OpenTool<ALABO>(); }
void Form1::abount_Click() { OpenTool<FrmAbout>(); }

}  // namespace ui
