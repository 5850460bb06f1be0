// 高级替换 ("高级替换"): mobile and fixed-line numbers, QQ numbers and web
// addresses found in the main window's text: listed, copied, saved, or
// removed from or replaced in the text.
#pragma once

#include <QWidget>
#include <vector>

#include "core/search/Extract.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace ui {
class TextHost;

// No Q_OBJECT: moc cannot read a class name outside ASCII.
class 高级替换 : public QWidget {
  public:
    explicit 高级替换(ui::TextHost& host);

    void CmdTiQu_Click();     // list what the text holds of the chosen kind
    void CmdFuZhi_Click();    // copy the list
    void CmdBaoCun_Click();   // save the list as a GBK text file
    void CmdShanChu_Click();  // remove every occurrence from the text
    void CmdTiHuan_Click();   // replace every occurrence by TxtTiHuanWei

  private:
    qm::extract::Kind Chosen() const;
    QString KindName() const;
    void ReplaceInText(const std::u16string& with);

    ui::TextHost& host_;
    QRadioButton* OptShouJi;
    QRadioButton* OptGuHua;
    QRadioButton* OptQQ;
    QRadioButton* OptWangZhi;
    QListWidget* LstJieGuo;
    QLabel* LblShuLiang;
    QLineEdit* TxtTiHuanWei;
    std::vector<std::u16string> listed_;
};

}  // namespace ui
