// FrmTongJi ("统计"): counts of the whole document, taken once when opened.
#pragma once

#include <QWidget>
#include <string_view>

namespace ui {

class FrmTongJi : public QWidget {
    Q_OBJECT
  public:
    explicit FrmTongJi(std::u16string_view text);
};

}  // namespace ui
