// ALABO ("阿拉伯转换汉字"): a number as lower-case or financial Chinese numerals,
// inserted at the main window's caret on request.
#pragma once

#include <QString>
#include <QWidget>
#include <optional>

class QLabel;
class QLineEdit;
class QRadioButton;

namespace ui {
class TextHost;

class ALABO : public QWidget {
    Q_OBJECT
  public:
    explicit ALABO(ui::TextHost& host);

    void Command1_Click();  // convert
    void Command2_Click();  // insert the result at the caret

  private:
    std::optional<QString> Convert();

    ui::TextHost& host_;
    QLineEdit* Text1;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QLineEdit* Text2;
};

}  // namespace ui
