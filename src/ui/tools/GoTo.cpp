#include "ui/tools/GoTo.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/document/Document.h"
#include "core/search/Search.h"
#include "ui/common/CommandGate.h"
#include "ui/common/Dialogs.h"
#include "ui/common/TextHost.h"

namespace ui {

namespace {
const QString kGoToTitle = QStringLiteral("Penmoor - Go To");
}

frmGoTo::frmGoTo(ui::TextHost& host) : QWidget(nullptr, Qt::Window), host_(host) {
    setObjectName("frmGoTo");
    setWindowTitle(QStringLiteral("转到"));
    auto* frame = new QGroupBox(QStringLiteral("转到内容:"), this);
    frame->setObjectName("Frame1");
    GotoLine = new QRadioButton(QStringLiteral("行(&L)"), frame);
    GotoLine->setObjectName("GotoLine");
    GotoLine->setChecked(true);
    GotoStart = new QRadioButton(QStringLiteral("开始(&S)"), frame);
    GotoStart->setObjectName("GotoStart");
    GoToEnd = new QRadioButton(QStringLiteral("尾部"), frame);
    GoToEnd->setObjectName("GoToEnd");
    auto* options = new QHBoxLayout(frame);
    options->addWidget(GotoLine);
    options->addWidget(GotoStart);
    options->addWidget(GoToEnd);

    auto* label = new QLabel(QStringLiteral("输入你想转到的行数"), this);
    label->setObjectName("Label1");
    txtGo = new QLineEdit(this);
    txtGo->setObjectName("txtGo");
    auto* cmdGo = new QPushButton(QStringLiteral("转到(&G)"), this);
    cmdGo->setObjectName("cmdGo");
    cmdGo->setDefault(true);
    auto* cmdClose = new QPushButton(QStringLiteral("关闭(&C)"), this);
    cmdClose->setObjectName("cmdClose");
    const auto go = host_.Gate().Guard([this] { cmdGo_Click(); });
    connect(cmdGo, &QPushButton::clicked, this, go);
    connect(txtGo, &QLineEdit::returnPressed, this, go);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    // Typing a number means going to a line.
    connect(txtGo, &QLineEdit::textEdited, GotoLine, [this] { GotoLine->setChecked(true); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdGo);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(label);
    layout->addWidget(txtGo);
    layout->addLayout(buttons);
    txtGo->setFocus();
}

void frmGoTo::cmdGo_Click() {
    qm::Document& doc = host_.Doc();
    if (GotoLine->isChecked()) {
        const std::optional<long long> n =
            qm::search::ParseLineNumber(txtGo->text().toStdU16String());
        if (!n) {
            ui::ShowMessage(this, QStringLiteral("You can only type numbers!!!"), kGoToTitle);
            return;
        }
        const std::optional<std::size_t> at = qm::search::LineStartOffset(doc.Text(), *n - 1);
        if (!at) {
            ui::ShowMessage(this, QStringLiteral("Invalid line number!"), kGoToTitle);
            return;
        }
        host_.SelectAndShow(*at, 0);
    } else if (GotoStart->isChecked()) {
        host_.SelectAndShow(0, 0);
    } else {
        host_.SelectAndShow(doc.Length(), 0);
    }
    close();
}

}  // namespace ui
