#include "ui/tools/GaoJiTiHuan.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include "core/document/Document.h"
#include "core/encoding/Encoding.h"
#include "files/TextFile.h"
#include "platform/Platform.h"
#include "ui/common/CommandGate.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"
#include "ui/common/TextHost.h"

namespace ui {

using ui::Named;

高级替换::高级替换(ui::TextHost& host) : QWidget(nullptr, Qt::Window), host_(host) {
    setObjectName(QStringLiteral("高级替换"));
    setWindowTitle(QStringLiteral("高级替换"));
    auto* g = new QGridLayout(this);
    auto* kinds = new QButtonGroup(this);
    OptShouJi = Named(new QRadioButton(QStringLiteral("手机号码"), this), "OptShouJi");
    OptGuHua = Named(new QRadioButton(QStringLiteral("固定电话"), this), "OptGuHua");
    OptQQ = Named(new QRadioButton(QStringLiteral("QQ号码"), this), "OptQQ");
    OptWangZhi = Named(new QRadioButton(QStringLiteral("网址"), this), "OptWangZhi");
    int column = 0;
    for (QRadioButton* r : {OptShouJi, OptGuHua, OptQQ, OptWangZhi}) {
        kinds->addButton(r);
        g->addWidget(r, 0, column++);
    }
    OptShouJi->setChecked(true);
    auto* extract = ui::NamedButton("CmdTiQu", QStringLiteral("提取"), this);
    g->addWidget(extract, 0, 4);
    LblShuLiang = Named(new QLabel(this), "LblShuLiang");
    g->addWidget(LblShuLiang, 1, 0, 1, 5);
    LstJieGuo = Named(new QListWidget(this), "LstJieGuo");
    LstJieGuo->setUniformItemSizes(true);
    g->addWidget(LstJieGuo, 2, 0, 1, 5);
    auto* copy = ui::NamedButton("CmdFuZhi", QStringLiteral("复制列表"), this);
    auto* save = ui::NamedButton("CmdBaoCun", QStringLiteral("保存列表..."), this);
    auto* remove = ui::NamedButton("CmdShanChu", QStringLiteral("从正文中删除"), this);
    g->addWidget(copy, 3, 0);
    g->addWidget(save, 3, 1);
    g->addWidget(remove, 3, 4);
    TxtTiHuanWei = Named(new QLineEdit(this), "TxtTiHuanWei");
    auto* replace = ui::NamedButton("CmdTiHuan", QStringLiteral("在正文中替换为"), this);
    g->addWidget(replace, 4, 0, 1, 2);
    g->addWidget(TxtTiHuanWei, 4, 2, 1, 3);

    connect(extract, &QPushButton::clicked, this, host_.Gate().Guard([this] { CmdTiQu_Click(); }));
    connect(copy, &QPushButton::clicked, this, [this] { CmdFuZhi_Click(); });
    connect(save, &QPushButton::clicked, this, [this] { CmdBaoCun_Click(); });
    connect(remove, &QPushButton::clicked, this,
            host_.Gate().Guard([this] { CmdShanChu_Click(); }));
    connect(replace, &QPushButton::clicked, this,
            host_.Gate().Guard([this] { CmdTiHuan_Click(); }));
    // Another kind: the list no longer shows what is chosen.
    connect(kinds, &QButtonGroup::buttonClicked, this, [this] {
        LstJieGuo->clear();
        listed_.clear();
        LblShuLiang->setText(QStringLiteral("点“提取”列出正文中的%1。").arg(KindName()));
    });
    LblShuLiang->setText(QStringLiteral("点“提取”列出正文中的%1。").arg(KindName()));
    resize(480, 420);
}

qm::extract::Kind 高级替换::Chosen() const {
    if (OptGuHua->isChecked()) return qm::extract::Kind::FixedLine;
    if (OptQQ->isChecked()) return qm::extract::Kind::QQ;
    if (OptWangZhi->isChecked()) return qm::extract::Kind::Url;
    return qm::extract::Kind::Mobile;
}

QString 高级替换::KindName() const {
    if (OptGuHua->isChecked()) return OptGuHua->text();
    if (OptQQ->isChecked()) return OptQQ->text();
    if (OptWangZhi->isChecked()) return OptWangZhi->text();
    return OptShouJi->text();
}

void 高级替换::CmdTiQu_Click() {
    const std::u16string& text = host_.Doc().Text();
    const auto spans = qm::extract::Find(Chosen(), text);
    listed_ = qm::extract::Unique(text, spans);
    LstJieGuo->clear();
    QStringList items;
    items.reserve(static_cast<int>(listed_.size()));
    for (const std::u16string& s : listed_) items << QString::fromStdU16String(s);
    LstJieGuo->addItems(items);
    LblShuLiang->setText(spans.empty() ? QStringLiteral("正文中没有%1。").arg(KindName())
                                       : QStringLiteral("共 %1 个%2（在正文中出现 %3 次）。")
                                             .arg(listed_.size())
                                             .arg(KindName())
                                             .arg(spans.size()));
}

void 高级替换::CmdFuZhi_Click() {
    if (listed_.empty()) {
        ui::ShowMessage(this, QStringLiteral("列表是空的，请先提取。"));
        return;
    }
    QStringList lines;
    for (const std::u16string& s : listed_) lines << QString::fromStdU16String(s);
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
    LblShuLiang->setText(QStringLiteral("已复制 %1 个%2。").arg(listed_.size()).arg(KindName()));
}

void 高级替换::CmdBaoCun_Click() {
    if (listed_.empty()) {
        ui::ShowMessage(this, QStringLiteral("列表是空的，请先提取。"));
        return;
    }
    const QString path = ui::AskSaveFileName(
        this, QStringLiteral("保存列表"), QStringLiteral("文本文件|*.txt|所有文件|*.*"),
        platform::ProgramFolder() + QStringLiteral("/") + KindName() + QStringLiteral(".txt"));
    if (path.isEmpty()) return;
    std::u16string text;
    for (const std::u16string& s : listed_) text += s + u"\r\n";
    if (!ui::SaveGbkText(this, path, qm::enc::Encode(text, qm::enc::Encoding::Gbk))) return;
    LblShuLiang->setText(QStringLiteral("已保存 %1 个%2。").arg(listed_.size()).arg(KindName()));
}

void 高级替换::ReplaceInText(const std::u16string& with) {
    const std::u16string& text = host_.Doc().Text();
    const auto spans = qm::extract::Find(Chosen(), text);
    if (spans.empty()) {
        ui::ShowMessage(this, QStringLiteral("正文中没有%1。").arg(KindName()));
        return;
    }
    host_.ReplaceText(qm::extract::ReplaceSpans(text, spans, with));
    LstJieGuo->clear();
    listed_.clear();
    LblShuLiang->setText((with.empty() ? QStringLiteral("已从正文中删除 %1 处%2。")
                                       : QStringLiteral("已在正文中替换 %1 处%2。"))
                             .arg(spans.size())
                             .arg(KindName()));
}

void 高级替换::CmdShanChu_Click() { ReplaceInText({}); }

void 高级替换::CmdTiHuan_Click() { ReplaceInText(TxtTiHuanWei->text().toStdU16String()); }

}  // namespace ui
