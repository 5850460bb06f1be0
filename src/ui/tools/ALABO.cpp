#include "ui/tools/ALABO.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "core/document/Document.h"
#include "core/tools/Convert.h"
#include "ui/common/CommandGate.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"
#include "ui/common/TextHost.h"

namespace ui {

using ui::Named;

ALABO::ALABO(ui::TextHost& host) : QWidget(nullptr, Qt::Window), host_(host) {
    setObjectName("ALABO");
    setWindowTitle(QStringLiteral("阿拉伯数字转换汉字"));
    Text1 = Named(new QLineEdit(this), "Text1");
    Option1 = Named(new QRadioButton(QStringLiteral("小写（一千二百三十四）"), this), "Option1");
    Option2 =
        Named(new QRadioButton(QStringLiteral("大写金额（壹仟贰佰叁拾肆元整）"), this), "Option2");
    Option1->setChecked(true);
    Text2 = Named(new QLineEdit(this), "Text2");
    Text2->setReadOnly(true);
    auto* convert = ui::NamedButton("Command1", QStringLiteral("转换"), this);
    auto* insert = ui::NamedButton("Command2", QStringLiteral("插入到光标处"), this);
    auto* g = new QGridLayout(this);
    g->addWidget(new QLabel(QStringLiteral("阿拉伯数字："), this), 0, 0);
    g->addWidget(Text1, 0, 1);
    g->addWidget(Option1, 1, 0, 1, 2);
    g->addWidget(Option2, 2, 0, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("汉字："), this), 3, 0);
    g->addWidget(Text2, 3, 1);
    g->addWidget(convert, 4, 0);
    g->addWidget(insert, 4, 1);
    connect(convert, &QPushButton::clicked, this, &ALABO::Command1_Click);
    connect(Text1, &QLineEdit::returnPressed, this, &ALABO::Command1_Click);
    // A result belongs to the number and style it came from.
    connect(Text1, &QLineEdit::textChanged, Text2, &QLineEdit::clear);
    connect(Option2, &QRadioButton::toggled, Text2, &QLineEdit::clear);
    connect(insert, &QPushButton::clicked, this, host_.Gate().Guard([this] { Command2_Click(); }));
    // A number selected in the text is taken as the starting point.
    const QString selected = QString::fromStdU16String(host_.Doc().SelText()).trimmed();
    if (!selected.isEmpty() && selected.size() < 40) Text1->setText(selected);
}

// The number as it stands now, converted; a message and nothing for an
// invalid one.
std::optional<QString> ALABO::Convert() {
    const auto result = qm::convert::ChineseNumerals(
        Text1->text().toStdU16String(), Option2->isChecked() ? qm::convert::NumeralStyle::Financial
                                                             : qm::convert::NumeralStyle::Lower);
    if (!result) {
        ui::ShowMessage(
            this, QStringLiteral("请输入不超过 10 的 16 次方的数字，小数最多两位，例如 1234.56。"));
        Text1->setFocus();
        Text1->selectAll();
        return std::nullopt;
    }
    return QString::fromStdU16String(*result);
}

void ALABO::Command1_Click() {
    if (const auto result = Convert()) Text2->setText(*result);
}

// Converted again every time: a result shown for an earlier number or style
// is never what goes in.
void ALABO::Command2_Click() {
    const auto result = Convert();
    if (!result) return;
    Text2->setText(*result);
    host_.InsertAtCaret(result->toStdU16String());
}

}  // namespace ui
