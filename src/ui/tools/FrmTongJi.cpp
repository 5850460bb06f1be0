#include "ui/tools/FrmTongJi.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/tools/Statistics.h"

namespace ui {

namespace {
QLabel* Named(QLabel* l, const char* name) {
    l->setObjectName(name);
    return l;
}
}  // namespace

FrmTongJi::FrmTongJi(std::u16string_view text) : QWidget(nullptr, Qt::Window) {
    setObjectName("FrmTongJi");
    setWindowTitle(QStringLiteral("统计"));
    setMinimumWidth(280);
    const qm::stats::Counts c = qm::stats::Count(text);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Named(new QLabel(QStringLiteral("本文共有："), this), "Cap"));
    layout->addWidget(Named(
        new QLabel(QStringLiteral("汉字字数: %1 个 (含全角标点)").arg(c.chinese), this), "Label1"));
    layout->addWidget(
        Named(new QLabel(QStringLiteral("英文字串: %1 个 (不含半角标点)").arg(c.english), this),
              "Label2"));
    layout->addWidget(
        Named(new QLabel(QStringLiteral("数字串: %1 个").arg(c.digits), this), "Label3"));
    layout->addWidget(Named(
        new QLabel(QStringLiteral("全部字节: %1 字节(汉字二字节)").arg(c.bytes), this), "Label4"));
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    close->setObjectName("Command1");
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(close, 0, Qt::AlignRight);
}

}  // namespace ui
