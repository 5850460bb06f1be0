#include "ui/tools/FrmZhengZe.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>

#include "core/document/Document.h"
#include "ui/common/CommandGate.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"
#include "ui/common/TextHost.h"

namespace ui {

using ui::Named;
using namespace std::chrono_literals;

namespace {

// A scan of the whole text may take this long before it is stopped.
constexpr auto kListBudget = 2s;
constexpr auto kReplaceBudget = 10s;

QString StopText(qm::regex::Stop stop) {
    if (stop == qm::regex::Stop::TooLarge)
        return QStringLiteral("替换后的文字太长（超过 %1 个字符），没有替换。")
            .arg(qm::regex::kMaxResult);
    if (stop == qm::regex::Stop::Runaway)
        return QStringLiteral(
            "表达式回溯过多（常见于嵌套的重复，如 (a+)+），匹配已停止。请修改表达式。");
    return QStringLiteral("匹配用时过长，已停止。请修改表达式。");
}

// What a list row shows of a match: one line, not too long.
QString Shown(std::u16string_view m) {
    if (m.empty()) return QStringLiteral("（空）");
    QString s = QString::fromStdU16String(std::u16string(m.substr(0, 200)));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("↵"));
    if (m.size() > 200) s += QStringLiteral("……");
    return s;
}

}  // namespace

FrmZhengZe::FrmZhengZe(ui::TextHost& host) : QWidget(nullptr, Qt::Window), host_(host) {
    setObjectName("FrmZhengZe");
    setWindowTitle(QStringLiteral("正则工具"));
    auto* g = new QGridLayout(this);
    TxtZhengZe = Named(new QLineEdit(this), "TxtZhengZe");
    TxtZhengZe->setPlaceholderText(QStringLiteral("例如：[\\u4e00-\\u9fa5]+ 或 (\\d{4})-(\\d{2})"));
    TxtTiHuan = Named(new QLineEdit(this), "TxtTiHuan");
    TxtTiHuan->setPlaceholderText(
        QStringLiteral("可用 \\1 或 $1 引用分组，$& 为整个匹配，\\n 为换行"));
    g->addWidget(new QLabel(QStringLiteral("正则表达式："), this), 0, 0);
    g->addWidget(TxtZhengZe, 0, 1, 1, 3);
    g->addWidget(new QLabel(QStringLiteral("替换为："), this), 1, 0);
    g->addWidget(TxtTiHuan, 1, 1, 1, 3);
    ChkDaXiao = Named(new QCheckBox(QStringLiteral("区分大小写"), this), "ChkDaXiao");
    ChkDaXiao->setChecked(true);
    ChkDuoHang =
        Named(new QCheckBox(QStringLiteral("多行模式（^ $ 匹配每行）"), this), "ChkDuoHang");
    ChkDuoHang->setChecked(true);
    ChkDianHao = Named(new QCheckBox(QStringLiteral("点号匹配换行"), this), "ChkDianHao");
    g->addWidget(ChkDaXiao, 2, 1);
    g->addWidget(ChkDuoHang, 2, 2);
    g->addWidget(ChkDianHao, 2, 3);
    LblJieGuo = Named(new QLabel(this), "LblJieGuo");
    LblJieGuo->setWordWrap(true);
    g->addWidget(LblJieGuo, 3, 0, 1, 4);
    LstJieGuo = Named(new QTreeWidget(this), "LstJieGuo");
    LstJieGuo->setHeaderLabels({QStringLiteral("行号"), QStringLiteral("匹配内容")});
    LstJieGuo->setRootIsDecorated(false);
    LstJieGuo->setUniformRowHeights(true);  // ten thousand rows stay quick
    LstJieGuo->header()->resizeSection(0, 70);
    g->addWidget(LstJieGuo, 4, 0, 1, 4);
    auto* replace = ui::NamedButton("CmdTiHuan", QStringLiteral("替换全部"), this);
    g->addWidget(replace, 5, 3);
    TmrPiPei = Named(new QTimer(this), "TmrPiPei");
    TmrPiPei->setSingleShot(true);
    TmrPiPei->setInterval(300);

    connect(TmrPiPei, &QTimer::timeout, this, &FrmZhengZe::TmrPiPei_Timer);
    connect(TxtZhengZe, &QLineEdit::textChanged, this, &FrmZhengZe::Schedule);
    // Enter lists at once, without waiting for the pause.
    connect(TxtZhengZe, &QLineEdit::returnPressed, this, &FrmZhengZe::TmrPiPei_Timer);
    for (QCheckBox* c : {ChkDaXiao, ChkDuoHang, ChkDianHao})
        connect(c, &QCheckBox::toggled, this, &FrmZhengZe::Schedule);
    connect(replace, &QPushButton::clicked, this,
            host_.Gate().Guard([this] { CmdTiHuan_Click(); }));
    connect(TxtTiHuan, &QLineEdit::returnPressed, replace, &QPushButton::click);
    connect(LstJieGuo, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        host_.Gate().Run([this, item] { LstJieGuo_DblClick(item); });
    });
    Say(QStringLiteral("输入正则表达式，匹配结果会列在下面。"));
    resize(620, 480);
}

void FrmZhengZe::changeEvent(QEvent* event) {
    // The text may have changed while another window was in front.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() &&
        !TxtZhengZe->text().isEmpty())
        Schedule();
    QWidget::changeEvent(event);
}

void FrmZhengZe::Schedule() { TmrPiPei->start(); }

void FrmZhengZe::Say(const QString& text, bool warning) {
    LblJieGuo->setText(text);
    LblJieGuo->setStyleSheet(warning ? QStringLiteral("color: #c00000;") : QString());
}

std::optional<qm::regex::Pattern> FrmZhengZe::Compile(bool showWhere) {
    qm::regex::Options o;
    o.ignoreCase = !ChkDaXiao->isChecked();
    o.multiLine = ChkDuoHang->isChecked();
    o.dotAll = ChkDianHao->isChecked();
    auto r = qm::regex::Pattern::Compile(TxtZhengZe->text().toStdU16String(), o);
    if (auto* e = std::get_if<qm::regex::CompileError>(&r)) {
        const QString where = e->offset >= static_cast<std::size_t>(TxtZhengZe->text().size())
                                  ? QStringLiteral("末尾")
                                  : QStringLiteral("第 %1 个字符处").arg(e->offset + 1);
        Say(QStringLiteral("表达式有误（%1）：%2")
                .arg(where, QString::fromStdU16String(e->message)),
            true);
        // Not while typing: the caret would jump away under the user's fingers.
        if (showWhere) {
            TxtZhengZe->setFocus();
            TxtZhengZe->setCursorPosition(static_cast<int>(e->offset));
        }
        return std::nullopt;
    }
    return std::move(std::get<qm::regex::Pattern>(r));
}

void FrmZhengZe::TmrPiPei_Timer() {
    // A long command is rewriting the text: look again when it is done.
    if (host_.Gate().Busy()) {
        Schedule();
        return;
    }
    LstJieGuo->clear();
    if (TxtZhengZe->text().isEmpty()) {
        Say(QStringLiteral("输入正则表达式，匹配结果会列在下面。"));
        return;
    }
    const auto pattern = Compile(false);
    if (!pattern) return;
    const std::u16string& text = host_.Doc().Text();
    const qm::regex::Found f = pattern->FindAll(text, kMaxListed, kListBudget);
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<int>(f.matches.size()));
    std::size_t line = 1, counted = 0;
    for (const qm::regex::Span& m : f.matches) {
        for (; counted < m.start; ++counted)
            if (text[counted] == u'\n' && counted > 0 && text[counted - 1] == u'\r') ++line;
        auto* row = new QTreeWidgetItem(
            {QString::number(line), Shown(std::u16string_view(text).substr(m.start, m.length))});
        row->setData(0, Qt::UserRole, QVariant::fromValue<qulonglong>(m.start));
        row->setData(1, Qt::UserRole, QVariant::fromValue<qulonglong>(m.length));
        rows.append(row);
    }
    LstJieGuo->addTopLevelItems(rows);
    switch (f.stop) {
        case qm::regex::Stop::End:
            Say(f.matches.empty() ? QStringLiteral("没有匹配的内容。")
                                  : QStringLiteral("共 %1 处匹配。").arg(f.matches.size()));
            break;
        case qm::regex::Stop::Limit:
            Say(QStringLiteral("匹配超过 %1 处，只列出前 %1 处。").arg(kMaxListed));
            break;
        default:
            Say(QStringLiteral("已列出 %1 处。").arg(f.matches.size()) + StopText(f.stop), true);
    }
}

void FrmZhengZe::CmdTiHuan_Click() {
    if (TxtZhengZe->text().isEmpty()) {
        ui::ShowMessage(this, QStringLiteral("请输入正则表达式。"));
        return;
    }
    const auto pattern = Compile(true);
    if (!pattern) return;
    const std::u16string replacement = TxtTiHuan->text().toStdU16String();
    if (const std::size_t n = qm::regex::MissingGroup(replacement, pattern->CaptureCount())) {
        ui::ShowMessage(this, QStringLiteral("替换内容引用了第 %1 组，但表达式只有 %2 个分组。")
                                  .arg(n)
                                  .arg(pattern->CaptureCount()));
        return;
    }
    qm::regex::Replaced r;
    {
        // A slow pattern: the windows keep drawing, the user may stop it, and
        // every other command waits meanwhile (the text must not change).
        ui::CommandGate::Hold hold(host_.Gate());
        ui::WaitCursor wait;
        ui::ProgressDialog progress(this, windowTitle(), QStringLiteral("正在替换……"), 500);
        r = pattern->ReplaceAll(host_.Doc().Text(), replacement, kReplaceBudget,
                                qm::regex::kMaxResult, [&](std::size_t done, std::size_t total) {
                                    return progress.Step(static_cast<std::int64_t>(done),
                                                         static_cast<std::int64_t>(total));
                                });
    }
    if (r.stop == qm::regex::Stop::Canceled) {
        Say(QStringLiteral("已取消替换，正文没有改动。"));
        return;
    }
    if (r.stop != qm::regex::Stop::End) {
        ui::ShowMessage(this, StopText(r.stop) + QStringLiteral("正文没有改动。"), ui::kTipTitle,
                        QMessageBox::Warning);
        return;
    }
    if (r.count == 0) {
        Say(QStringLiteral("没有匹配的内容，正文没有改动。"));
        return;
    }
    host_.ReplaceText(std::move(r.text));
    TmrPiPei_Timer();
    Say(QStringLiteral("已替换 %1 处。").arg(r.count));
}

void FrmZhengZe::LstJieGuo_DblClick(QTreeWidgetItem* item) {
    const auto start = item->data(0, Qt::UserRole).toULongLong();
    const auto length = item->data(1, Qt::UserRole).toULongLong();
    if (start + length > host_.Doc().Length()) return;  // the text changed since
    host_.SelectAndShow(start, length);
}

}  // namespace ui
