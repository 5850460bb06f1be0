// jiajiemi ("加密解密"): the selection, or the whole text when nothing is
// selected, sealed with a password into printable text, and opened again.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace ui {
class TextHost;

class jiajiemi : public QWidget {
    Q_OBJECT
  public:
    explicit jiajiemi(ui::TextHost& host);

    void CmdJiaMi_Click();  // encrypt
    void CmdJieMi_Click();  // decrypt

  private:
    bool HavePassword();

    ui::TextHost& host_;
    QLineEdit* TxtMiMa;
    QLineEdit* TxtQueRen;
    QCheckBox* ChkXianShi;
    QLabel* LblZhuangTai;
};

}  // namespace ui
