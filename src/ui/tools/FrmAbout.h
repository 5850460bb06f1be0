// FrmAbout ("关于"): the program, its version, its address and the libraries it uses.
#pragma once

#include <QWidget>

namespace ui {

class FrmAbout : public QWidget {
    Q_OBJECT
  public:
    FrmAbout();
};

}  // namespace ui
