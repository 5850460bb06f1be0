// FrmPiLiangTiHuan ("批量替换"): one text replaced by another in many text
// files at once, with a log of every file and its status.
#pragma once

#include <QWidget>
#include <cstdint>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QStatusBar;
class QTreeWidget;

namespace ui {

class FrmPiLiangTiHuan : public QWidget {
    Q_OBJECT
  public:
    FrmPiLiangTiHuan();

    void Cmd_Fnd_Click();
    void Cmd_Find_All_Click();
    void Lst_Fil_Click();
    void Cmd_Del_Click();
    void Cmd_Dell_All_Click();
    void Cmd_Rep_Click();
    void Cmd_Rep_All_Click();
    void Lst_Viw_ColumnClick(int column);

    // Files replaced since the program started (survives closing the window).
    static std::int64_t RunningTotal() { return total_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Run(const QStringList& files);
    void ShowCount();

    QLineEdit* Txt_Fnd;
    QLineEdit* Txt_Rep;
    QCheckBox* Chk_bak;
    QListWidget* Lst_Fil;
    QTreeWidget* Lst_Viw;
    QProgressBar* ProBar;
    QStatusBar* StBar;
    QLabel* Panel[4] = {};  // 1-based
    QWidget* buttons_;
    bool running_ = false;
    int sortColumn_ = 0;
    bool ascending_ = true;
    static std::int64_t total_;
};

}  // namespace ui
