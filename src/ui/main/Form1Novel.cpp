// Form1's menu "小说": re-flowing a hard-wrapped novel, its chapter list,
// the two layouts readers want, purging ads, finding repeats; and the
// export of the text as an EPUB book.
#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>

#include "core/novel/NovelBook.h"
#include "core/novel/Reflow.h"
#include "files/EpubWriter.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"
#include "ui/main/Form1.h"
#include "ui/tools/FrmJingHua.h"
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
    novel->addSeparator();
    // These windows run their own commands through the gate.
    connect(AddItem(novel, "mnuPurge", QStringLiteral("净化广告")), &QAction::triggered, this,
            &Form1::mnuPurge_Click);
    connect(AddItem(novel, "mnuDuplicates", QStringLiteral("查找重复")), &QAction::triggered, this,
            &Form1::mnuDuplicates_Click);
}

void Form1::mnuPurge_Click() { OpenTool<FrmJingHua>(); }
void Form1::mnuDuplicates_Click() { OpenTool<FrmChongFu>(); }

namespace {

// Asks for the book's title and author; false when cancelled.
bool AskTitleAndAuthor(QWidget* parent, QString& title, QString& author) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("FrmEpub"));
    dialog.setWindowTitle(QStringLiteral("导出EPUB"));
    auto* form = new QFormLayout(&dialog);
    auto* titleEdit = Named(new QLineEdit(title, &dialog), "TxtShuMing");
    auto* authorEdit = Named(new QLineEdit(author, &dialog), "TxtZuoZhe");
    form->addRow(QStringLiteral("书名："), titleEdit);
    form->addRow(QStringLiteral("作者："), authorEdit);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    box->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    form->addRow(box);
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return false;
    title = titleEdit->text().trimmed();
    author = authorEdit->text().trimmed();
    return true;
}

}  // namespace

void Form1::mnuExportEpub_Click() {
    // The book is named after its file; a new text has none.
    QString title =
        filePath_.isEmpty() ? QStringLiteral("未命名") : QFileInfo(filePath_).completeBaseName();
    QString author;
    if (!AskTitleAndAuthor(this, title, author)) return;
    const QString folder = QFileInfo(SaveFolder()).absolutePath();
    // The title offered as the file's name: a "/" in it would name a folder.
    QString name = title.isEmpty() ? QStringLiteral("未命名") : title;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString path =
        ui::AskSaveFileName(this, QStringLiteral("导出EPUB"), QStringLiteral("EPUB 电子书|*.epub"),
                            folder + QStringLiteral("/") + name + QStringLiteral(".epub"));
    if (path.isEmpty()) return;
    ui::WaitCursor wait;
    const files::Outcome w = files::WriteEpub(
        path,
        qm::novel::BookFromText(title.toStdU16String(), author.toStdU16String(), doc_.Text()));
    if (!w) {
        ui::ShowMessage(
            this, QStringLiteral("无法导出“%1”：%2。").arg(QDir::toNativeSeparators(path), w.why));
        return;
    }
    StatusBar1->showMessage(QStringLiteral("已导出 %1").arg(QDir::toNativeSeparators(path)), 5000);
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
