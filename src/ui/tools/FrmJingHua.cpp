#include "ui/tools/FrmJingHua.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <map>

#include "core/document/Document.h"
#include "core/encoding/Encoding.h"
#include "core/novel/NovelBook.h"
#include "files/EncodedFile.h"
#include "files/TextFile.h"
#include "ui/common/CommandGate.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"
#include "ui/common/TextHost.h"

namespace ui {

namespace {

constexpr int kIndexRole = Qt::UserRole;
// A line of the list shows this much of a long passage.
constexpr qsizetype kShown = 80;

QString Shown(const std::u16string& s) {
    QString t = QString::fromStdU16String(s).simplified();
    return t.size() > kShown ? t.left(kShown) + QStringLiteral("……") : t;
}

QString RepeatKind(qm::repeats::Kind k) {
    switch (k) {
        case qm::repeats::Kind::Paragraph:
            return QStringLiteral("重复段落");
        case qm::repeats::Kind::Title:
            return QStringLiteral("标题重复为正文首行");
        case qm::repeats::Kind::Chapter:
            return QStringLiteral("重复章节");
    }
    return {};
}

// The user's rules as read now; problems with the list go to *problems.
qm::purge::UserRules ReadUserRules(QString* problems) {
    const QString path = FrmJingHua::UserRulesPath();
    if (!QFileInfo::exists(path)) return {};
    const files::TextReadResult r = files::ReadTextFile(path);
    if (!r.ok) {
        *problems = QStringLiteral("无法读取规则文件：%1。").arg(r.why);
        return {};
    }
    qm::purge::UserRules rules = qm::purge::UserRules::Parse(r.loaded.text);
    for (const qm::purge::RuleError& e : rules.Errors()) {
        *problems += QStringLiteral("规则第%1行：%2。")
                         .arg(e.line + 1)
                         .arg(QString::fromStdU16String(e.reason));
    }
    return rules;
}

}  // namespace

QString FrmJingHua::UserRulesPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/净化规则.txt");
}

FrmJingHua::FrmJingHua(TextHost& host, Mode mode)
    : QWidget(nullptr, Qt::Window), host_(host), mode_(mode) {
    const bool purge = mode == Mode::Purge;
    const bool repair = mode == Mode::Repair;
    setObjectName(purge    ? QStringLiteral("FrmJingHua")
                  : repair ? QStringLiteral("FrmLuanMa")
                           : QStringLiteral("FrmChongFu"));
    setWindowTitle(purge    ? QStringLiteral("净化广告")
                   : repair ? QStringLiteral("乱码转正常")
                            : QStringLiteral("查找重复"));
    auto* layout = new QVBoxLayout(this);
    list_ = Named(new QTreeWidget(this), purge    ? "LstJingHua"
                                         : repair ? "LstLuanMa"
                                                  : "LstChongFu");
    list_->setColumnCount(3);
    list_->setHeaderLabels({QStringLiteral("行"),
                            repair ? QStringLiteral("原文 → 修复后") : QStringLiteral("内容"),
                            purge    ? QStringLiteral("规则")
                            : repair ? QStringLiteral("说明")
                                     : QStringLiteral("首次出现")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    list_->header()->setStretchLastSection(false);
    LblTongJi = Named(new QLabel(this), "LblTongJi");
    LblTongJi->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    QPushButton* run = NamedButton("CmdZhiXing", QStringLiteral("执行"), this);
    QPushButton* again = NamedButton("CmdShuaXin", QStringLiteral("重新查找"), this);
    buttons->addWidget(run);
    buttons->addWidget(again);
    if (purge) {
        QPushButton* edit = NamedButton("CmdBianJi", QStringLiteral("编辑规则"), this);
        buttons->addWidget(edit);
        connect(edit, &QPushButton::clicked, this, [this] { CmdBianJi_Click(); });
    }
    buttons->addStretch();
    layout->addWidget(list_);
    layout->addWidget(LblTongJi);
    layout->addLayout(buttons);
    connect(run, &QPushButton::clicked, this, host_.Gate().Guard([this] { CmdZhiXing_Click(); }));
    connect(again, &QPushButton::clicked, this, host_.Gate().Guard([this] { Find(); }));
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { host_.Gate().Run([this, item] { Show(item); }); });
    resize(720, 480);
    Find();
}

void FrmJingHua::Say(const QString& text) { LblTongJi->setText(text); }

void FrmJingHua::Find() {
    const std::u16string& text = host_.Doc().Text();
    list_->clear();
    hits_.clear();
    repeats_.clear();
    garbled_.clear();
    QList<QTreeWidgetItem*> items;
    const auto add = [&](std::size_t index, std::size_t line, const std::u16string& what,
                         const QString& why, bool checked = true) {
        auto* item = new QTreeWidgetItem({QString::number(line + 1), Shown(what), why});
        item->setData(0, kIndexRole, static_cast<qulonglong>(index));
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
        items.append(item);
    };
    if (mode_ == Mode::Purge) {
        QString problems;
        qm::purge::Found found = qm::novel::FindMarks(text, ReadUserRules(&problems));
        hits_ = std::move(found.hits);
        std::map<QString, int> perRule;
        std::map<QString, bool> ruleChecked;
        for (std::size_t i = 0; i < hits_.size(); ++i) {
            const QString rule = QString::fromStdU16String(hits_[i].rule);
            const bool checked = qm::purge::CheckedByDefault(hits_[i]);
            add(i, hits_[i].line, hits_[i].text, rule, checked);
            ++perRule[rule];
            ruleChecked[rule] = checked;
        }
        QString said = hits_.empty() ? QStringLiteral("没有找到广告或水印。")
                                     : QStringLiteral("共%1处：").arg(hits_.size());
        QStringList counts;
        for (const auto& [rule, n] : perRule)
            counts << QStringLiteral("%1 %2处%3")
                          .arg(rule)
                          .arg(n)
                          .arg(ruleChecked[rule] ? QString()
                                                 : QStringLiteral("（只是重复出现，未勾选）"));
        said += counts.join(QStringLiteral("；"));
        for (const std::u16string& w : found.warnings) said += QString::fromStdU16String(w);
        Say(problems.isEmpty() ? said : said + QStringLiteral("\n") + problems);
    } else if (mode_ == Mode::Repair) {
        garbled_ = qm::convert::FindGarbled(text);
        std::size_t lost = 0;
        for (std::size_t i = 0; i < garbled_.size(); ++i) {
            const auto& g = garbled_[i];
            const bool repaired = g.kind == qm::convert::GarbledSpan::Kind::Repaired;
            add(i, g.line, repaired ? g.before + u" → " + g.after : g.before,
                QString::fromStdU16String(g.how), repaired);
            // Lost text cannot be chosen: it is listed to be seen.
            if (!repaired) items.back()->setFlags(items.back()->flags() & ~Qt::ItemIsUserCheckable);
            lost += repaired ? 0 : 1;
        }
        Say(garbled_.empty() ? QStringLiteral("没有发现乱码。")
                             : QStringLiteral("共%1处乱码可以修复，%2处文字已丢失、无法修复。")
                                   .arg(garbled_.size() - lost)
                                   .arg(lost));
    } else {
        repeats_ = qm::novel::FindRepeats(text);
        for (std::size_t i = 0; i < repeats_.size(); ++i) {
            const qm::repeats::Repeat& r = repeats_[i];
            add(i, r.line, r.text,
                QStringLiteral("第%1行（%2）").arg(r.firstLine + 1).arg(RepeatKind(r.kind)));
        }
        Say(repeats_.empty() ? QStringLiteral("没有找到重复的段落或章节。")
                             : QStringLiteral("共%1处重复。").arg(repeats_.size()));
    }
    list_->addTopLevelItems(items);
    list_->resizeColumnToContents(0);
    list_->resizeColumnToContents(2);  // the rule or the first line, never cut
}

void FrmJingHua::CmdZhiXing_Click() {
    std::vector<qm::purge::Hit> hits;
    std::vector<qm::repeats::Repeat> repeats;
    std::vector<qm::convert::GarbledSpan> spans;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list_->topLevelItem(i);
        if (item->checkState(0) != Qt::Checked) continue;
        const auto index = static_cast<std::size_t>(item->data(0, kIndexRole).toULongLong());
        if (mode_ == Mode::Purge) {
            hits.push_back(hits_[index]);
        } else if (mode_ == Mode::Repair) {
            spans.push_back(garbled_[index]);
        } else {
            repeats.push_back(repeats_[index]);
        }
    }
    if (hits.empty() && repeats.empty() && spans.empty()) {
        ui::ShowMessage(this, mode_ == Mode::Repair ? QStringLiteral("没有勾选要修复的乱码。")
                                                    : QStringLiteral("没有勾选要删除的内容。"));
        return;
    }
    const std::u16string& text = host_.Doc().Text();
    std::size_t removed = 0;
    std::size_t stale = 0;
    if (mode_ == Mode::Purge) {
        qm::purge::Applied a = qm::purge::Apply(text, hits);
        removed = a.removed;
        stale = a.stale;
        if (removed > 0) host_.ReplaceText(std::move(a.text));
    } else if (mode_ == Mode::Repair) {
        qm::convert::RepairsApplied a = qm::convert::ApplyRepairs(text, spans);
        removed = a.repaired;
        stale = a.stale;
        if (removed > 0) host_.ReplaceText(std::move(a.text));
    } else {
        qm::repeats::Removed r = qm::repeats::Remove(text, repeats);
        removed = r.removed;
        stale = r.stale;
        if (removed > 0) host_.ReplaceText(std::move(r.text));
    }
    Find();
    const QString done = mode_ == Mode::Repair ? QStringLiteral("修复") : QStringLiteral("删除");
    QString said = QStringLiteral("已%1%2处（可撤销）。").arg(done).arg(removed);
    if (stale > 0)
        said += QStringLiteral("因正文已改动而没有%1%2处，请重新查找。").arg(done).arg(stale);
    Say(said + QStringLiteral("\n") + LblTongJi->text());
}

void FrmJingHua::Show(QTreeWidgetItem* item) {
    const auto index = static_cast<std::size_t>(item->data(0, kIndexRole).toULongLong());
    std::size_t start = 0;
    std::size_t length = 0;
    if (mode_ == Mode::Purge && index < hits_.size()) {
        start = hits_[index].start;
        length = hits_[index].length;
    } else if (mode_ == Mode::Repeats && index < repeats_.size()) {
        start = repeats_[index].start;
        length = repeats_[index].length;
    } else if (mode_ == Mode::Repair && index < garbled_.size()) {
        start = garbled_[index].start;
        length = garbled_[index].length;
    }
    if (start + length > host_.Doc().Length()) return;  // the text changed since
    host_.SelectAndShow(start, length);
}

void FrmJingHua::CmdBianJi_Click() {
    const QString path = UserRulesPath();
    QString current;
    if (QFileInfo::exists(path)) {
        const files::TextReadResult r = files::ReadTextFile(path);
        if (!r.ok) {
            ui::ShowMessage(this, QStringLiteral("无法读取规则文件“%1”：%2。")
                                      .arg(QDir::toNativeSeparators(path), r.why));
            return;
        }
        current = QString::fromStdU16String(r.loaded.text);
    }
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("FrmGuiZe"));
    dialog.setWindowTitle(QStringLiteral("编辑净化规则"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(
        new QLabel(QStringLiteral("每行一条规则：一个词语（全角半角、大小写、中间的空格都能认出），"
                                  "或“正则:”后面跟一个正则表达式。以 # 开头的行是注释。"),
                   &dialog));
    auto* edit = Named(new QPlainTextEdit(current, &dialog), "TxtGuiZe");
    layout->addWidget(edit);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, &dialog);
    box->button(QDialogButtonBox::Save)->setText(QStringLiteral("保存"));
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    layout->addWidget(box);
    connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(box, &QDialogButtonBox::accepted, &dialog, [&] {
        const std::u16string list = edit->toPlainText().toStdU16String();
        const qm::purge::UserRules rules = qm::purge::UserRules::Parse(list);
        if (!rules.Errors().empty()) {
            const qm::purge::RuleError& e = rules.Errors().front();
            ui::ShowMessage(&dialog, QStringLiteral("第%1行的规则有误：%2。请改正后再保存。")
                                         .arg(e.line + 1)
                                         .arg(QString::fromStdU16String(e.reason)));
            return;
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
        // The list is the user's own file: UTF-8, as Linux editors write it.
        qm::enc::FileFormat utf8;
        utf8.encoding = qm::enc::Encoding::Utf8;
        utf8.breaks = qm::enc::LineBreak::Lf;
        const files::TextWriteResult w =
            files::WriteTextFile(path, list, utf8, false, [](const auto&) { return false; });
        if (w.canceled) {
            ui::ShowMessage(&dialog, QStringLiteral("规则中有 %1 个字符无法保存，请改正后再保存。")
                                         .arg(w.encoded.unencodable));
            return;
        }
        if (!w.ok) {
            ui::ShowMessage(&dialog, QStringLiteral("无法保存规则文件“%1”：%2。")
                                         .arg(QDir::toNativeSeparators(path), w.why));
            return;
        }
        dialog.accept();
    });
    if (dialog.exec() == QDialog::Accepted) host_.Gate().Run([this] { Find(); });
}

}  // namespace ui
