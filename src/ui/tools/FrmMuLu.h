// FrmMuLu ("章节目录"): a panel docked beside the text with the book's
// volumes and chapters, and the problems of their numbering. Clicking a
// heading or a problem selects that heading in the text. The list follows
// the text as it changes.
#pragma once

#include <QDockWidget>
#include <cstddef>
#include <vector>

#include "core/novel/Chapters.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace ui {

class TextHost;

class FrmMuLu : public QDockWidget {
    Q_OBJECT
  public:
    FrmMuLu(TextHost& host, QWidget* parent);

    // Reads the headings and their problems from the text again.
    void Refresh();

    void TreeMuLu_Click(QTreeWidgetItem* item);
    void LstWenTi_Click(QListWidgetItem* item);

  private:
    // Selects heading `index` of the last reading, when the text still holds
    // it there; otherwise reads the text again and says so.
    void Go(std::size_t index);

    TextHost& host_;
    QTreeWidget* TreeMuLu;
    QListWidget* LstWenTi;
    QLabel* LblZhuangTai;
    QTimer* refresh_;  // the list follows the text once typing pauses
    std::vector<qm::chapters::Heading> headings_;
};

}  // namespace ui
