// FrmTiJian ("体检"): the book audit of the main window's text. Every suspect
// chapter is listed with its heading, line, kind, reason and length against
// the book's median, each with a check box; a double-click shows the chapter;
// "删除所选章节" removes the checked chapters as one undo step. A bar per
// chapter shows its length, the suspect ones in another colour, so that a
// hole is seen at a glance.
#pragma once

#include <QWidget>

#include "core/novel/Audit.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace ui {

class TextHost;

// The chapter lengths as bars.
class LengthChart : public QWidget {
    Q_OBJECT
  public:
    explicit LengthChart(QWidget* parent);
    void SetReport(const qm::audit::Report& report);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<std::size_t> lengths_;
    std::vector<bool> suspect_;
};

class FrmTiJian : public QWidget {
    Q_OBJECT
  public:
    explicit FrmTiJian(TextHost& host);

    void Find();              // audits the text as it is now
    void CmdShanChu_Click();  // removes the checked chapters

  private:
    void Show(QTreeWidgetItem* item);

    TextHost& host_;
    QTreeWidget* list_;
    LengthChart* chart_;
    QLabel* LblTongJi;
    qm::audit::Report report_;
};

}  // namespace ui
