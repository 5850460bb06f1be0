#include "ui/tools/jiajiemi.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "core/document/Document.h"
#include "core/tools/Cipher.h"
#include "ui/common/CommandGate.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"
#include "ui/common/TextHost.h"

namespace ui {

using ui::Named;

namespace {
// The password as bytes for the key derivation, wiped when done with.
class PasswordBytes {
  public:
    explicit PasswordBytes(const QString& password) : bytes_(password.toUtf8()) {}
    ~PasswordBytes() { bytes_.fill('\0'); }
    std::string_view View() const {
        return {bytes_.constData(), static_cast<std::size_t>(bytes_.size())};
    }

  private:
    QByteArray bytes_;
};
}  // namespace

jiajiemi::jiajiemi(ui::TextHost& host) : QWidget(nullptr, Qt::Window), host_(host) {
    setObjectName("jiajiemi");
    setWindowTitle(QStringLiteral("加密解密"));
    auto* g = new QGridLayout(this);
    TxtMiMa = Named(new QLineEdit(this), "TxtMiMa");
    TxtQueRen = Named(new QLineEdit(this), "TxtQueRen");
    for (QLineEdit* e : {TxtMiMa, TxtQueRen}) e->setEchoMode(QLineEdit::Password);
    TxtQueRen->setPlaceholderText(QStringLiteral("加密时再输入一次"));
    ChkXianShi = Named(new QCheckBox(QStringLiteral("显示密码"), this), "ChkXianShi");
    g->addWidget(new QLabel(QStringLiteral("密码："), this), 0, 0);
    g->addWidget(TxtMiMa, 0, 1, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("确认密码："), this), 1, 0);
    g->addWidget(TxtQueRen, 1, 1, 1, 2);
    g->addWidget(ChkXianShi, 2, 1);
    auto* encrypt = ui::NamedButton("CmdJiaMi", QStringLiteral("加密"), this);
    auto* decrypt = ui::NamedButton("CmdJieMi", QStringLiteral("解密"), this);
    g->addWidget(encrypt, 3, 1);
    g->addWidget(decrypt, 3, 2);
    LblZhuangTai = Named(new QLabel(this), "LblZhuangTai");
    LblZhuangTai->setWordWrap(true);
    LblZhuangTai->setText(
        QStringLiteral("加密或解密主窗口中选中的文字；没有选中时，处理全部正文。\n"
                       "忘记密码将无法解密，请牢记密码。"));
    g->addWidget(LblZhuangTai, 4, 0, 1, 3);
    connect(ChkXianShi, &QCheckBox::toggled, this, [this](bool shown) {
        for (QLineEdit* e : {TxtMiMa, TxtQueRen})
            e->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    connect(encrypt, &QPushButton::clicked, this, host_.Gate().Guard([this] { CmdJiaMi_Click(); }));
    connect(decrypt, &QPushButton::clicked, this, host_.Gate().Guard([this] { CmdJieMi_Click(); }));
    resize(400, 220);
}

bool jiajiemi::HavePassword() {
    if (!TxtMiMa->text().isEmpty()) return true;
    ui::ShowMessage(this, QStringLiteral("请输入密码。"));
    TxtMiMa->setFocus();
    return false;
}

void jiajiemi::CmdJiaMi_Click() {
    if (!HavePassword()) return;
    if (TxtQueRen->text() != TxtMiMa->text()) {
        ui::ShowMessage(this, QStringLiteral("两次输入的密码不一致，请重新输入。"));
        TxtQueRen->setFocus();
        return;
    }
    const std::u16string target = host_.SelectionOrText();
    if (target.empty()) {
        ui::ShowMessage(this, QStringLiteral("没有要加密的文字。"));
        return;
    }
    if (qm::cipher::LooksSealed(target) &&
        !ui::AskYesNo(this, QStringLiteral("这段文字已经是加密后的文字，确定要再加密一次吗？"))) {
        return;
    }
    std::u16string sealed;
    {
        ui::WaitCursor wait;
        sealed = qm::cipher::Seal(target, PasswordBytes(TxtMiMa->text()).View());
    }
    if (sealed.empty()) {
        ui::ShowMessage(this, QStringLiteral("加密失败：内存不足。正文没有改动。"));
        return;
    }
    host_.ReplaceSelectionOrText(sealed);
    LblZhuangTai->setText(
        QStringLiteral("已加密 %1 个字符。解密时请使用同一密码。").arg(target.size()));
}

void jiajiemi::CmdJieMi_Click() {
    if (!HavePassword()) return;
    const std::u16string target = host_.SelectionOrText();
    qm::cipher::Opened opened;
    {
        ui::WaitCursor wait;
        opened = qm::cipher::Open(target, PasswordBytes(TxtMiMa->text()).View());
    }
    switch (opened.error) {
        case qm::cipher::OpenError::None:
            host_.ReplaceSelectionOrText(opened.text);
            LblZhuangTai->setText(
                QStringLiteral("已解密，得到 %1 个字符。").arg(opened.text.size()));
            return;
        case qm::cipher::OpenError::NotSealed:
            ui::ShowMessage(
                this, QStringLiteral("这不是本程序加密的文字（加密文字以“%1”开头），或者它不完整。")
                          .arg(QString::fromStdU16String(std::u16string(qm::cipher::kPrefix))));
            return;
        case qm::cipher::OpenError::WrongPassword:
            ui::ShowMessage(
                this, QStringLiteral("密码错误，或者加密文字已被改动，无法解密。正文没有改动。"),
                ui::kTipTitle, QMessageBox::Warning);
            return;
        case qm::cipher::OpenError::NoMemory:
            ui::ShowMessage(this, QStringLiteral("解密失败：内存不足。正文没有改动。"));
            return;
    }
}

}  // namespace ui
