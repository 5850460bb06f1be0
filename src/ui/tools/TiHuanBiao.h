// 替换表 ("替换表"): up to 50 find/replace pairs, edited a row at a time,
// imported from and saved to a table file, applied to the document in order.
#pragma once

#include <QString>
#include <QWidget>

#include "core/search/ReplaceTable.h"

class QLineEdit;
class QTableWidget;

namespace ui {
class TextHost;

// No Q_OBJECT: moc cannot read a class name outside ASCII, and the window
// needs no signals of its own (its connections use member pointers).
class 替换表 : public QWidget {
  public:
    explicit 替换表(ui::TextHost& host);

    // Imports a table file into the rows, without clearing the table first.
    void loadfile(const QString& fileName);

    void MSFlexGrid1_SelChange();
    void CmdEdit_Click();
    void CmdDaoRu_Click();
    void CmdSave_Click();
    void Command1_Click();

    // The pairs as the grid holds them.
    qm::table::Table Pairs() const;

  private:
    void Form_Load();
    void SetCell(int row, int column, const QString& text);
    QString Cell(int row, int column) const;

    ui::TextHost& host_;
    QTableWidget* MSFlexGrid1;
    QLineEdit* Text1;
    QLineEdit* Text2;
};

}  // namespace ui
