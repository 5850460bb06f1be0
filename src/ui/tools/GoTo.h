// frmGoTo ("转到"): moves the caret to a line, the start or the end.
#pragma once

#include <QWidget>

class Form1;
class QLineEdit;
class QRadioButton;

class frmGoTo : public QWidget {
    Q_OBJECT
  public:
    explicit frmGoTo(Form1& main);

    void cmdGo_Click();

  private:
    Form1& main_;
    QRadioButton* GotoLine;
    QRadioButton* GotoStart;
    QRadioButton* GoToEnd;
    QLineEdit* txtGo;
};
