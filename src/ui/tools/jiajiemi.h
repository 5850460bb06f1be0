// jiajiemi ("加密解密"): the selection, or the whole text when nothing is
// selected, sealed with a password into printable text, and opened again.
#pragma once

#include <QWidget>

class Form1;
class QCheckBox;
class QLabel;
class QLineEdit;

class jiajiemi : public QWidget {
    Q_OBJECT
  public:
    explicit jiajiemi(Form1& main);

    void CmdJiaMi_Click();  // encrypt
    void CmdJieMi_Click();  // decrypt

  private:
    // The text worked on: the selection, else the whole text.
    std::u16string Target() const;
    void PutBack(const std::u16string& text);
    bool HavePassword();

    Form1& main_;
    QLineEdit* TxtMiMa;
    QLineEdit* TxtQueRen;
    QCheckBox* ChkXianShi;
    QLabel* LblZhuangTai;
};
