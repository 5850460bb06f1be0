// frmGoTo ("转到"): moves the caret to a line, the start or the end.
#pragma once

#include <QWidget>

class QLineEdit;
class QRadioButton;

namespace ui {
class TextHost;

class frmGoTo : public QWidget {
    Q_OBJECT
  public:
    explicit frmGoTo(ui::TextHost& host);

    void cmdGo_Click();

  private:
    ui::TextHost& host_;
    QRadioButton* GotoLine;
    QRadioButton* GotoStart;
    QRadioButton* GoToEnd;
    QLineEdit* txtGo;
};

}  // namespace ui
