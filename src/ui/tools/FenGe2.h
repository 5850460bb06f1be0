// FenGe2 ("按大小分割文件", "Parcelo"): any file cut byte for byte into
// numbered parts of a size or a count, with scripts that join them again.
#pragma once

#include <QWidget>

#include "core/filetools/FileTools.h"

class QLabel;
class QLineEdit;
class QProgressBar;

namespace ui {

class FenGe2 : public QWidget {
    Q_OBJECT
  public:
    FenGe2();

    void cmdopen_Click();
    void CmdSave_Click();
    void cmddoit_Click();
    void cmdhelp_Click();
    void cmdabout_Click();
    void splsize_Click();
    void splnum_Click();
    void splsize_DblClick();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    enum class Paint { Locked, Open, Failed };
    void SetPaint(QLineEdit* box, Paint p);
    // The clicked box becomes the editable one; the other is emptied and locked.
    void Unlock(QLineEdit* open, QLineEdit* locked, const QString& tip);
    QLineEdit* BoxOf(qm::filetools::Box b) const;
    bool SizeMode() const;
    void ResetAfterSplit();

    QLineEdit* openfile;
    QLineEdit* savefile;
    QLineEdit* splsize;
    QLineEdit* splnum;
    QProgressBar* progress;
    QLabel* current;
    QLabel* Label8;
    bool running_ = false;
};

}  // namespace ui
