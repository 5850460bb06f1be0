// FrmJingHua ("净化广告") and FrmChongFu ("查找重复"): one window, two lists.
// Every hit of the purge (or every repeated passage) is listed with its line,
// its text and why (the rule's name), checked, except a suspect the purge
// found only by repetition; "执行" removes the checked ones from the main
// window's text as one undo step. The purge's own rules can be added to from
// a plain list in the user's data folder ("编辑规则").
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

#include "core/novel/Repeats.h"
#include "core/novel/purge/Purge.h"
#include "core/tools/Convert.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace ui {

class TextHost;

class FrmJingHua : public QWidget {
    Q_OBJECT
  public:
    enum class Mode { Purge, Repeats, Repair };
    explicit FrmJingHua(TextHost& host, Mode mode = Mode::Purge);

    // Where the user's purge rules are kept: one a line, a phrase or
    // "正则:" and a regular expression.
    static QString UserRulesPath();

    void Find();              // lists what the text holds now
    void CmdZhiXing_Click();  // removes the checked hits
    void CmdBianJi_Click();   // edits the user's rules

  private:
    void Show(QTreeWidgetItem* item);
    void Say(const QString& text);

    TextHost& host_;
    Mode mode_;
    QTreeWidget* list_;
    QLabel* LblTongJi;
    std::vector<qm::purge::Hit> hits_;
    std::vector<qm::repeats::Repeat> repeats_;
    std::vector<qm::convert::GarbledSpan> garbled_;
};

// The garbled passages, each with its repair (乱码转正常 on a whole text).
class FrmLuanMa : public FrmJingHua {
    Q_OBJECT
  public:
    explicit FrmLuanMa(TextHost& host) : FrmJingHua(host, Mode::Repair) {}
};

// The repeated-passages list, a window of its own kind.
class FrmChongFu : public FrmJingHua {
    Q_OBJECT
  public:
    explicit FrmChongFu(TextHost& host) : FrmJingHua(host, Mode::Repeats) {}
};

}  // namespace ui
