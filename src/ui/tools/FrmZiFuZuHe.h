// FrmZiFuZuHe ("字符串联组合"): every combination of the lines of two or three
// lists, joined by a separator, for the main window's text or the clipboard.
#pragma once

#include <QWidget>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace ui {
class TextHost;

class FrmZiFuZuHe : public QWidget {
    Q_OBJECT
  public:
    explicit FrmZiFuZuHe(ui::TextHost& host);

    void CmdZuHe_Click();   // build the combinations
    void CmdChaRu_Click();  // insert them at the main window's caret
    void CmdFuZhi_Click();  // copy them

  private:
    void ShowCount();

    ui::TextHost& host_;
    QPlainTextEdit* TxtList[3] = {};
    QLineEdit* TxtFenGe;
    QLabel* LblCount;
    QPlainTextEdit* TxtJieGuo;
    std::u16string result_;  // the last combinations, with CR LF
};

}  // namespace ui
