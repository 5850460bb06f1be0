// FrmGaiMing ("文件批量改名"): the files of a folder renamed by rules, with a
// preview of every new name before anything is renamed, and the last batch
// undone on request.
#pragma once

#include <QWidget>
#include <optional>

#include "core/filetools/Rename.h"
#include "files/RenameFiles.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class QTreeWidget;

namespace ui {

class FrmGaiMing : public QWidget {
    Q_OBJECT
  public:
    FrmGaiMing();

    void CmdLiuLan_Click();   // choose the folder through a file in it
    void TxtFolder_Enter();   // list the folder typed
    void CmdYuLan_Click();    // preview the new names
    void CmdGaiMing_Click();  // rename
    void CmdCheXiao_Click();  // undo the last batch

  private:
    qm::rename::Rules Rules() const;
    // Lists the folder and shows the preview; false (and told) when unreadable.
    bool LoadFolder(const QString& folder);
    // The folder's names; nothing (and told) when it cannot be read.
    std::optional<files::FolderListing> List(const QString& folder, const QString& filter);
    // Carries the moves out; a failure is told: failed (%1 the reason), then
    // allBack, or someLeft (%1 the names) when not all could be put back.
    bool Carry(const QString& folder, const std::vector<qm::rename::Move>& moves,
               const QString& failed, const QString& allBack, const QString& someLeft);
    void ShowPlan();

    QLineEdit* TxtFolder;
    QLineEdit* TxtFilter;
    QLineEdit* TxtQianZhui;
    QLineEdit* TxtHouZhui;
    QLineEdit* TxtChaZhao;
    QLineEdit* TxtTiHuanWei;
    QCheckBox* ChkBianHao;
    QComboBox* CboWeiZhi;
    QSpinBox* SpnQiShi;
    QSpinBox* SpnBuChang;
    QSpinBox* SpnWeiShu;
    QCheckBox* ChkKuoZhanMing;
    QLineEdit* TxtKuoZhanMing;
    QTreeWidget* LstYuLan;
    QLabel* LblZhuangTai;
    QPushButton* CmdCheXiao;
    QTimer* TmrYuLan;

    QString folder_;
    std::vector<std::u16string> files_, everything_;
    qm::rename::Plan plan_;
    std::optional<qm::rename::Plan> lastBatch_;  // what the last rename did, for undo
    QString lastFolder_;
};

}  // namespace ui
