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
#include <algorithm>

#include "core/novel/Merge.h"
#include "core/novel/NovelBook.h"
#include "core/novel/Reflow.h"
#include "core/tools/Scrub.h"
#include "files/EncodedFile.h"
#include "files/EpubWriter.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"
#include "ui/main/Form1.h"
#include "ui/tools/FrmJingHua.h"
#include "ui/tools/FrmMuLu.h"
#include "ui/tools/FrmTiJian.h"

namespace ui {

namespace {

const QString kReflowTitle = QStringLiteral("智能分段");
const QString kScrubTitle = QStringLiteral("清除隐形字符");
const QString kPuaTitle = QStringLiteral("替换私用区字符");
const QString kMergeTitle = QStringLiteral("合并两个版本");

QString Q(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

// "零宽字符 U+200B：120 个" a line, the most frequent first, at most 20 lines.
QString TallyText(std::vector<qm::scrub::Tally> tallies) {
    std::stable_sort(tallies.begin(), tallies.end(),
                     [](const auto& a, const auto& b) { return a.count > b.count; });
    QString out;
    for (std::size_t i = 0; i < tallies.size() && i < 20; ++i)
        out += QStringLiteral("%1 %2：%3 个\n")
                   .arg(Q(qm::scrub::KindName(tallies[i].kind)), Q(tallies[i].what))
                   .arg(tallies[i].count);
    if (tallies.size() > 20) out += QStringLiteral("……另有 %1 种\n").arg(tallies.size() - 20);
    return out;
}

// Each private-use character with its count and first place, at most 20.
QString PrivateUseText(const std::vector<qm::scrub::PrivateUse>& found) {
    QString out;
    for (std::size_t i = 0; i < found.size() && i < 20; ++i) {
        const auto& p = found[i];
        out +=
            QStringLiteral("%1：%2 个，第%3行“%4”%5\n")
                .arg(Q(qm::scrub::CodeName(p.code)))
                .arg(p.count)
                .arg(p.firstLine + 1)
                .arg(Q(p.sample),
                     p.fromGbk ? QStringLiteral("（GBK 解码所得，一般不是网站替换）") : QString());
    }
    if (found.size() > 20) out += QStringLiteral("……另有 %1 种\n").arg(found.size() - 20);
    return out;
}

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
    connect(AddItem(novel, "mnuAudit", QStringLiteral("体检")), &QAction::triggered, this,
            &Form1::mnuAudit_Click);
    Wire(AddItem(novel, "mnuMergeCopies", kMergeTitle + QStringLiteral("…")), &QAction::triggered,
         &Form1::mnuMergeCopies_Click);
    novel->addSeparator();
    Wire(AddItem(novel, "mnuScrub", kScrubTitle), &QAction::triggered, &Form1::mnuScrub_Click);
    Wire(AddItem(novel, "mnuPrivateUse", kPuaTitle + QStringLiteral("…")), &QAction::triggered,
         &Form1::mnuPrivateUse_Click);
}

void Form1::mnuScrub_Click() {
    qm::scrub::Result r = qm::scrub::Scrub(doc_.Text());
    if (r.tallies.empty()) {
        ui::ShowMessage(this, QStringLiteral("没有需要清除的隐形字符、HTML 实体或标签。"),
                        kScrubTitle);
        return;
    }
    const QString question = QStringLiteral("将清除或还原 %1 处：\n%2\n是否继续？（可以撤销）")
                                 .arg(r.Total())
                                 .arg(TallyText(r.tallies));
    if (ui::AskYesNo(this, question, kScrubTitle, true)) ReplaceText(std::move(r.text));
}

void Form1::mnuPrivateUse_Click() {
    const auto found = qm::scrub::FindPrivateUse(doc_.Text());
    if (found.empty()) {
        ui::ShowMessage(this, QStringLiteral("文中没有私用区字符（U+E000–U+F8FF）。"), kPuaTitle);
        return;
    }
    const QString question = QStringLiteral(
                                 "文中有 %1 种私用区字符，多半是网站用字体替换的常用字：\n%2\n"
                                 "是否选择对照表（每行“U+E3F2<TAB>的”）替换？")
                                 .arg(found.size())
                                 .arg(PrivateUseText(found));
    if (!ui::AskYesNo(this, question, kPuaTitle, true)) return;
    const QString path = ui::AskOpenFileName(
        this, kPuaTitle, ui::ConvertFilter(QStringLiteral("对照表|*.txt;*.csv|所有文件|*.*")), {});
    if (path.isEmpty()) return;
    const files::TextReadResult list = files::ReadTextFile(path);
    if (!list.ok) {
        ui::ShowMessage(this, QStringLiteral("无法读取对照表：%1").arg(list.why), kPuaTitle);
        return;
    }
    const qm::scrub::PuaMap map = qm::scrub::ParsePuaMap(list.loaded.text);
    if (!map.badLines.empty() || map.replace.empty()) {
        ui::ShowMessage(
            this,
            map.replace.empty()
                ? QStringLiteral("对照表里没有可用的对照，没有替换。")
                : QStringLiteral("对照表第%1行不是“U+E3F2<TAB>的”这样的对照，没有替换。")
                      .arg(map.badLines.front() + 1),
            kPuaTitle);
        return;
    }
    std::size_t replaced = 0;
    std::u16string out = qm::scrub::ReplacePrivateUse(doc_.Text(), map, &replaced);
    if (replaced > 0) ReplaceText(std::move(out));
    StatusBar1->showMessage(QStringLiteral("已替换 %1 个私用区字符。").arg(replaced), 5000);
}

void Form1::mnuMergeCopies_Click() {
    const QString path = ui::AskOpenFileName(
        this, kMergeTitle, ui::ConvertFilter(QStringLiteral("文本文件|*.txt|所有文件|*.*")), {});
    if (path.isEmpty()) return;
    const files::TextReadResult other = files::ReadTextFile(path);
    if (!other.ok) {
        ui::ShowMessage(this, QStringLiteral("无法读取另一个版本：%1").arg(other.why), kMergeTitle);
        return;
    }
    ui::WaitCursor wait;
    qm::audit::Merged m = qm::audit::Merge(doc_.Text(), other.loaded.text);
    std::size_t fromB = 0;
    std::size_t onlyB = 0;
    for (const auto& c : m.chapters) {
        fromB += c.source == qm::audit::Source::B && c.lineA ? 1 : 0;
        onlyB += c.lineA ? 0 : 1;
    }
    if (m.text != doc_.Text()) ReplaceText(std::move(m.text));
    QString said =
        QStringLiteral("共%1章：%2章换用了另一个版本的正文，补入另一个版本独有的%3章（可撤销）。")
            .arg(m.chapters.size())
            .arg(fromB)
            .arg(onlyB);
    for (std::size_t i = 0; i < m.missing.size() && i < 20; ++i)
        said += QStringLiteral("\n") + Q(m.missing[i]);
    if (m.missing.size() > 20) said += QStringLiteral("\n……另有 %1 章").arg(m.missing.size() - 20);
    ui::ShowMessage(this, said, kMergeTitle);
}

void Form1::mnuPurge_Click() { OpenTool<FrmJingHua>(); }
void Form1::mnuDuplicates_Click() { OpenTool<FrmChongFu>(); }
void Form1::mnuAudit_Click() { OpenTool<FrmTiJian>(); }

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
