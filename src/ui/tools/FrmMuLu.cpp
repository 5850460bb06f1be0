#include "ui/tools/FrmMuLu.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/document/Document.h"
#include "ui/common/CommandGate.h"
#include "ui/common/Named.h"
#include "ui/common/TextHost.h"

namespace ui {

namespace {

constexpr int kIndexRole = Qt::UserRole;
// Reading the headings of 10 MB takes a few hundredths of a second: a pause
// in typing is long enough.
constexpr int kRefreshDelayMs = 400;

QString LineCaption(std::size_t line) { return QStringLiteral("第%1行").arg(line + 1); }

}  // namespace

FrmMuLu::FrmMuLu(TextHost& host, QWidget* parent)
    : QDockWidget(QStringLiteral("章节目录"), parent), host_(host) {
    setObjectName(QStringLiteral("FrmMuLu"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* split = new QSplitter(Qt::Vertical, body);
    TreeMuLu = Named(new QTreeWidget(split), "TreeMuLu");
    TreeMuLu->setColumnCount(2);
    TreeMuLu->setHeaderLabels({QStringLiteral("标题"), QStringLiteral("行")});
    TreeMuLu->header()->setStretchLastSection(false);
    TreeMuLu->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    TreeMuLu->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    TreeMuLu->setUniformRowHeights(true);  // thousands of chapters stay quick
    auto* problems = new QWidget(split);
    auto* problemsLayout = new QVBoxLayout(problems);
    problemsLayout->setContentsMargins(0, 0, 0, 0);
    problemsLayout->addWidget(new QLabel(QStringLiteral("编号问题："), problems));
    LstWenTi = Named(new QListWidget(problems), "LstWenTi");
    problemsLayout->addWidget(LstWenTi);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    LblZhuangTai = Named(new QLabel(body), "LblZhuangTai");
    LblZhuangTai->setWordWrap(true);
    layout->addWidget(split);
    layout->addWidget(LblZhuangTai);
    setWidget(body);

    refresh_ = new QTimer(this);
    refresh_->setSingleShot(true);
    refresh_->setInterval(kRefreshDelayMs);
    connect(refresh_, &QTimer::timeout, this, [this] {
        // A long command is changing the text: read it once that is done.
        if (host_.Gate().Busy()) {
            refresh_->start();
        } else if (isVisible()) {
            Refresh();
        }
    });
    // The document cannot forget a listener: this one outlives the panel harmlessly.
    QPointer<FrmMuLu> self(this);
    host_.Doc().AddChangeListener([self](const qm::TextChange&) {
        if (self) self->refresh_->start();
    });
    connect(this, &QDockWidget::visibilityChanged, this, [this](bool shown) {
        if (shown && refresh_->isActive()) Refresh();
    });
    const auto onHeading = [this](QTreeWidgetItem* item) {
        host_.Gate().Run([this, item] { TreeMuLu_Click(item); });
    };
    const auto onProblem = [this](QListWidgetItem* item) {
        host_.Gate().Run([this, item] { LstWenTi_Click(item); });
    };
    connect(TreeMuLu, &QTreeWidget::itemClicked, this, onHeading);
    connect(TreeMuLu, &QTreeWidget::itemActivated, this, onHeading);  // Enter
    connect(LstWenTi, &QListWidget::itemClicked, this, onProblem);
    connect(LstWenTi, &QListWidget::itemActivated, this, onProblem);
    Refresh();
}

void FrmMuLu::Refresh() {
    refresh_->stop();
    headings_ = qm::chapters::Find(host_.Doc().Text());
    const std::vector<qm::chapters::Problem> problems =
        qm::chapters::Check(headings_, host_.Doc().Text());

    TreeMuLu->setUpdatesEnabled(false);
    TreeMuLu->clear();
    QTreeWidgetItem* volume = nullptr;
    QList<QTreeWidgetItem*> top;
    std::size_t chapters = 0;
    std::size_t volumes = 0;
    for (std::size_t i = 0; i < headings_.size(); ++i) {
        const qm::chapters::Heading& h = headings_[i];
        auto* item =
            new QTreeWidgetItem({QString::fromStdU16String(h.text), QString::number(h.line + 1)});
        item->setData(0, kIndexRole, static_cast<qulonglong>(i));
        if (h.level == qm::chapters::Level::Volume) {
            volume = item;
            top.append(item);
            ++volumes;
        } else if (volume != nullptr) {
            volume->addChild(item);
        } else {
            top.append(item);
        }
        if (h.level == qm::chapters::Level::Chapter) ++chapters;
    }
    TreeMuLu->addTopLevelItems(top);
    TreeMuLu->expandAll();
    TreeMuLu->setUpdatesEnabled(true);

    LstWenTi->clear();
    for (const qm::chapters::Problem& p : problems) {
        auto* item = new QListWidgetItem(LineCaption(p.line) + QStringLiteral("：") +
                                         QString::fromStdU16String(p.note));
        item->setData(kIndexRole, static_cast<qulonglong>(p.heading));
        LstWenTi->addItem(item);
    }
    if (headings_.empty()) {
        LblZhuangTai->setText(QStringLiteral("没有找到章节标题。"));
    } else {
        QString said = volumes > 0 ? QStringLiteral("共%1卷，%2章").arg(volumes).arg(chapters)
                                   : QStringLiteral("共%1章").arg(chapters);
        said += problems.empty() ? QStringLiteral("，编号没有问题。")
                                 : QStringLiteral("，编号问题%1处。").arg(problems.size());
        LblZhuangTai->setText(said);
    }
}

void FrmMuLu::TreeMuLu_Click(QTreeWidgetItem* item) {
    if (item != nullptr) Go(item->data(0, kIndexRole).toULongLong());
}

void FrmMuLu::LstWenTi_Click(QListWidgetItem* item) {
    if (item != nullptr) Go(item->data(kIndexRole).toULongLong());
}

void FrmMuLu::Go(std::size_t index) {
    if (index >= headings_.size()) return;
    const qm::chapters::Heading& h = headings_[index];
    const std::u16string& text = host_.Doc().Text();
    // The heading's own text starts after its indentation.
    const std::size_t at = text.find(h.text, h.offset);
    const bool still = at != std::u16string::npos && host_.LineOfPosition(h.offset) == h.line &&
                       host_.LineOfPosition(at) == h.line;
    if (!still) {
        Refresh();
        LblZhuangTai->setText(QStringLiteral("正文已改动，目录已重新读取，请再点一次。"));
        return;
    }
    host_.SelectAndShow(at, h.text.size());
}

}  // namespace ui
