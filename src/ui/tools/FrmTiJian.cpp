#include "ui/tools/FrmTiJian.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/document/Document.h"
#include "ui/common/CommandGate.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"
#include "ui/common/TextHost.h"

namespace ui {

namespace {

constexpr int kIndexRole = Qt::UserRole;

QString KindText(qm::audit::Kind k) {
    switch (k) {
        case qm::audit::Kind::Placeholder:
            return QStringLiteral("占位章节");
        case qm::audit::Kind::Antitheft:
            return QStringLiteral("防盗章节");
        case qm::audit::Kind::SameAsPrevious:
            return QStringLiteral("与上一章相同");
        case qm::audit::Kind::RepeatedTail:
            return QStringLiteral("结尾重复");
        case qm::audit::Kind::Truncated:
            return QStringLiteral("截断");
        case qm::audit::Kind::Duplicate:
            return QStringLiteral("整章重复");
    }
    return {};
}

}  // namespace

LengthChart::LengthChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PicChangDu"));
    setMinimumHeight(80);
}

void LengthChart::SetReport(const qm::audit::Report& report) {
    lengths_.clear();
    suspect_.assign(report.chapters.size(), false);
    for (const auto& c : report.chapters) lengths_.push_back(c.length);
    // A finding about the whole book marks no hole.
    for (const auto& f : report.findings) suspect_[f.chapter] = f.across.empty();
    update();
}

void LengthChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    if (lengths_.empty()) return;
    const double most = static_cast<double>(*std::max_element(lengths_.begin(), lengths_.end()));
    const double w = static_cast<double>(width()) / static_cast<double>(lengths_.size());
    for (std::size_t i = 0; i < lengths_.size(); ++i) {
        const double h = most > 0 ? (height() - 2) * static_cast<double>(lengths_[i]) / most : 0;
        // A suspect chapter stands out even when its bar is a sliver: its
        // whole column is tinted, so a hole is seen at a glance.
        if (suspect_[i])
            p.fillRect(QRectF(w * static_cast<double>(i), 0, std::max(w - 1, 1.0), height()),
                       QColor(210, 40, 40, 60));
        const QColor colour = suspect_[i] ? QColor(210, 40, 40) : palette().highlight().color();
        p.fillRect(
            QRectF(w * static_cast<double>(i), height() - std::max(h, suspect_[i] ? 3.0 : 0.0),
                   std::max(w - 1, 1.0), std::max(h, suspect_[i] ? 3.0 : 0.0)),
            colour);
    }
}

FrmTiJian::FrmTiJian(TextHost& host) : QWidget(nullptr, Qt::Window), host_(host) {
    setObjectName(QStringLiteral("FrmTiJian"));
    setWindowTitle(QStringLiteral("体检"));
    auto* layout = new QVBoxLayout(this);
    list_ = Named(new QTreeWidget(this), "LstTiJian");
    list_->setHeaderLabels({QStringLiteral("标题"), QStringLiteral("行"), QStringLiteral("类型"),
                            QStringLiteral("说明"), QStringLiteral("长度/中位")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    chart_ = new LengthChart(this);
    LblTongJi = Named(new QLabel(this), "LblTongJi");
    LblTongJi->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    QPushButton* remove = NamedButton("CmdShanChu", QStringLiteral("删除所选章节"), this);
    QPushButton* again = NamedButton("CmdShuaXin", QStringLiteral("重新检查"), this);
    buttons->addWidget(remove);
    buttons->addWidget(again);
    buttons->addStretch();
    layout->addWidget(list_, 1);
    layout->addWidget(chart_);
    layout->addWidget(LblTongJi);
    layout->addLayout(buttons);
    connect(remove, &QPushButton::clicked, this,
            host_.Gate().Guard([this] { CmdShanChu_Click(); }));
    connect(again, &QPushButton::clicked, this, host_.Gate().Guard([this] { Find(); }));
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { host_.Gate().Run([this, item] { Show(item); }); });
    resize(760, 520);
    Find();
}

void FrmTiJian::Find() {
    report_ = qm::audit::Audit(host_.Doc().Text());
    list_->clear();
    QList<QTreeWidgetItem*> items;
    std::size_t suspects = 0;
    for (std::size_t i = 0; i < report_.findings.size(); ++i) {
        const qm::audit::Finding& f = report_.findings[i];
        const qm::audit::Chapter& c = report_.chapters[f.chapter];
        const bool book = !f.across.empty();
        const QString none = QStringLiteral("—");
        auto* item = new QTreeWidgetItem(
            {book ? QStringLiteral("全书") : QString::fromStdU16String(c.heading),
             book ? none : QString::number(f.line + 1), KindText(f.kind),
             QString::fromStdU16String(f.reason),
             book ? none : QStringLiteral("%1 / %2").arg(c.length).arg(report_.median)});
        item->setData(0, kIndexRole, static_cast<qulonglong>(i));
        // The book as a whole is no chapter to delete: no check box.
        if (!book) {
            item->setCheckState(0, Qt::Unchecked);
            ++suspects;
        }
        items.append(item);
    }
    list_->addTopLevelItems(items);
    for (int col = 0; col < list_->columnCount(); ++col) list_->resizeColumnToContents(col);
    chart_->SetReport(report_);
    const bool whole = suspects < report_.findings.size();
    QString said = whole ? QStringLiteral("全书大部分章节有同一问题，见第一行。") : QString();
    said += suspects == 0 ? QStringLiteral("%1章，没有%2可疑章节。")
                                .arg(report_.chapters.size())
                                .arg(whole ? QStringLiteral("别的") : QString())
                          : QStringLiteral("%1章，可疑%2章；勾选后可删除。")
                                .arg(report_.chapters.size())
                                .arg(suspects);
    LblTongJi->setText(said);
}

void FrmTiJian::CmdShanChu_Click() {
    std::vector<std::size_t> chosen;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list_->topLevelItem(i);
        if (item->checkState(0) != Qt::Checked) continue;
        const auto index = static_cast<std::size_t>(item->data(0, kIndexRole).toULongLong());
        chosen.push_back(report_.findings[index].chapter);
    }
    if (chosen.empty()) {
        ui::ShowMessage(this, QStringLiteral("没有勾选要删除的章节。"));
        return;
    }
    qm::audit::Removed r = qm::audit::RemoveChapters(host_.Doc().Text(), report_, chosen);
    if (r.removed > 0) host_.ReplaceText(std::move(r.text));
    Find();
    QString said = QStringLiteral("已删除%1章（可撤销）。").arg(r.removed);
    if (r.stale > 0)
        said += QStringLiteral("因正文已改动而没有删除%1章，请重新检查。").arg(r.stale);
    LblTongJi->setText(said + QStringLiteral("\n") + LblTongJi->text());
}

void FrmTiJian::Show(QTreeWidgetItem* item) {
    const auto index = static_cast<std::size_t>(item->data(0, kIndexRole).toULongLong());
    if (index >= report_.findings.size()) return;
    const qm::audit::Chapter& c = report_.chapters[report_.findings[index].chapter];
    if (c.end > host_.Doc().Length()) return;  // the text changed since
    host_.SelectAndShow(c.start, c.heading.size());
}

}  // namespace ui
