// FrmZhengZe ("正则工具"): the matches of a regular expression in the main
// window's text, listed as it is typed, and replaced all at once.
#pragma once

#include <QWidget>
#include <optional>

#include "core/search/Regex.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace ui {
class TextHost;

class FrmZhengZe : public QWidget {
    Q_OBJECT
  public:
    explicit FrmZhengZe(ui::TextHost& host);

    // The most matches listed.
    static constexpr std::size_t kMaxListed = 10'000;

    void TmrPiPei_Timer();   // lists the matches
    void CmdTiHuan_Click();  // replaces them all
    void LstJieGuo_DblClick(QTreeWidgetItem* item);

  protected:
    void changeEvent(QEvent* event) override;

  private:
    // The pattern with the options ticked; nothing (and the error shown) when
    // invalid, with the caret put at the error when showWhere.
    std::optional<qm::regex::Pattern> Compile(bool showWhere);
    void Schedule();
    void Say(const QString& text, bool warning = false);

    ui::TextHost& host_;
    QLineEdit* TxtZhengZe;
    QLineEdit* TxtTiHuan;
    QCheckBox* ChkDaXiao;
    QCheckBox* ChkDuoHang;
    QCheckBox* ChkDianHao;
    QLabel* LblJieGuo;
    QTreeWidget* LstJieGuo;
    QTimer* TmrPiPei;
};

}  // namespace ui
