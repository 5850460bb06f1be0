// FrmYouHua ("网站优化专用功能"): the main window's article re-mixed —
// paragraphs shuffled by a seed, keywords put in, synonyms swapped, a title
// on top — shown first, then put into the main window as one undo step.
#pragma once

#include <QWidget>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;

namespace ui {
class TextHost;

class FrmYouHua : public QWidget {
    Q_OBJECT
  public:
    explicit FrmYouHua(ui::TextHost& host);

    void CmdSuiJi_Click();       // a new random seed
    void CmdShengCheng_Click();  // build the result
    void CmdTiHuan_Click();      // the result replaces the main window's text
    void CmdChaRu_Click();       // the result inserted at the main window's caret
    void CmdFuZhi_Click();       // the result copied

    // The most of the result the window shows (all of it is used).
    static constexpr int kShown = 200'000;

  private:
    void Forget();
    bool HaveResult();

    ui::TextHost& host_;
    QLineEdit* TxtBiaoTi;
    QPlainTextEdit* TxtGuanJianCi;
    QSpinBox* SpnMeiGe;
    QRadioButton* OptDuanShou;
    QRadioButton* OptDuanWei;
    QCheckBox* ChkDaLuan;
    QCheckBox* ChkShouDuan;
    QLineEdit* TxtZhongZi;
    QPlainTextEdit* TxtTongYiCi;
    QPlainTextEdit* TxtJieGuo;
    QLabel* LblZhuangTai;
    std::u16string result_;
};

}  // namespace ui
