// FrmFenGe ("文件分割"): a text file of many records written as one file per
// record, named after its title, in the folder "生成目录".
#pragma once

#include <QWidget>

class QGroupBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace ui {

class FrmFenGe : public QWidget {
    Q_OBJECT
  public:
    FrmFenGe();

    void Command1_Click();

  private:
    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QPlainTextEdit* Text4;
    QListWidget* List1;
    QGroupBox* Frame1;
};

}  // namespace ui
