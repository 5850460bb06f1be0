// FrmHeBingFile ("合并文件"): a user-ordered list of text files joined into
// one, with an optional separator after each file.
#pragma once

#include <QWidget>
#include <optional>

#include "core/encoding/Encoding.h"

class QComboBox;
class QLineEdit;
class QListWidget;

namespace ui {

class FrmHeBingFile : public QWidget {
    Q_OBJECT
  public:
    FrmHeBingFile();

    void CmdAdd_Click();
    void CmdDel_Click();
    void CmdClear_Click();
    void CMDUP_Click();
    void CMDDOWN_Click();
    void Command1_Click();
    void Command2_Click();

  private:
    void Move(int by);
    // Inputs in other encodings than the first: true to convert them, false
    // to join the bytes as they are, nothing when cancelled.
    std::optional<bool> AskConvert(qm::enc::Encoding target);

    QListWidget* List1;
    QLineEdit* Text1;
    QComboBox* Combo1;
};

}  // namespace ui
