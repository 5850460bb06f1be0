// Form1's menu "小说": re-flowing a hard-wrapped novel, its chapter list,
// and the two layouts readers want.
#include <QAction>
#include <QMenu>

#include "core/Reflow.h"
#include "ui/common/Dialogs.h"
#include "ui/main/Form1.h"
#include "ui/tools/FrmMuLu.h"

namespace ui {

namespace {

const QString kReflowTitle = QStringLiteral("智能分段");

}  // namespace

void Form1::BuildNovelMenu(QMenu* novel) {
    Wire(AddItem(novel, "mnuReflow", QStringLiteral("智能分段")), &QAction::triggered,
         &Form1::mnuReflow_Click);
    Wire(AddItem(novel, "mnuChapters", QStringLiteral("章节目录")), &QAction::triggered,
         &Form1::mnuChapters_Click);
    novel->addSeparator();
    Wire(AddItem(novel, "mnuIndent", QStringLiteral("段首缩进")), &QAction::triggered,
         &Form1::mnuIndent_Click);
    Wire(AddItem(novel, "mnuBlankLines", QStringLiteral("段间空行")), &QAction::triggered,
         &Form1::mnuBlankLines_Click);
}

void Form1::mnuReflow_Click() {
    const qm::reflow::Plan plan = qm::reflow::Decide(doc_.Text());
    if (plan.joins == 0) {
        ui::ShowMessage(this, QStringLiteral("没有需要合并的折行：每一行已经是一个段落。"),
                        kReflowTitle);
        return;
    }
    const QString question =
        QStringLiteral("将合并 %1 处折行，保留 %2 处分段。\n是否继续？（可以撤销）")
            .arg(plan.joins)
            .arg(plan.keeps);
    if (!ui::AskYesNo(this, question, kReflowTitle, true)) return;
    ReplaceText(qm::reflow::Apply(doc_.Text(), plan));
}

void Form1::mnuChapters_Click() {
    if (muLu_ == nullptr) {
        muLu_ = new FrmMuLu(*this, this);
        addDockWidget(Qt::RightDockWidgetArea, muLu_);
    } else {
        muLu_->Refresh();
    }
    muLu_->show();
    muLu_->raise();
}

void Form1::mnuIndent_Click() {
    std::u16string out = qm::reflow::Indent(doc_.Text());
    if (out != doc_.Text()) ReplaceText(std::move(out));
}

void Form1::mnuBlankLines_Click() {
    std::u16string out = qm::reflow::BlankLines(doc_.Text());
    if (out != doc_.Text()) ReplaceText(std::move(out));
}

}  // namespace ui
