// Windows open inside the screen's available area, tool windows over the main
// window: checked on stand-in screens, a small one among them.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QStatusBar>

#include "UiTestSupport.h"
#include "ui/common/WindowPlacement.h"
#include "ui/main/Form1.h"

using ui::FitInside;
using ui::ToolWindowFrame;

namespace {

// A stand-in screen for the length of a test.
struct Screen {
    explicit Screen(const QRect& area) { ui::SetAvailableAreaOverride(area); }
    ~Screen() { ui::SetAvailableAreaOverride(QRect()); }
};

// Every tool window the main window opens, from its buttons and menu items.
QList<QWidget*> OpenEveryToolWindow(Form1& w) {
    for (const ui::Form1::ToolButton& t : ui::Form1::ToolButtons()) {
        auto* button = w.findChild<QPushButton*>(QString::fromUtf8(t.button));
        EXPECT_NE(button, nullptr) << t.button;
        if (button) button->click();
    }
    for (const char* a : {"TiaoZhuan", "abount", "阿拉伯转换汉字"}) {
        auto* action = w.findChild<QAction*>(QString::fromUtf8(a));
        EXPECT_NE(action, nullptr) << a;
        if (action) action->trigger();
    }
    QCoreApplication::processEvents();
    QList<QWidget*> tools;
    for (QWidget* t : QApplication::topLevelWidgets()) {
        if (t != &w && t->isVisible() && !t->isModal()) tools << t;
    }
    return tools;
}

}  // namespace

TEST(WindowPlacement, FramesAreMovedAndShrunkIntoTheArea) {
    const QRect area(0, 0, 1024, 700);
    // An area that does not start at the origin: a second screen, a panel on the left.
    const QRect right(1600, 30, 1600, 970);
    const struct {
        const char* name;
        QRect frame, area, fitted;
    } rows[] = {
        {"InsideStaysWhereItIs", QRect(10, 20, 300, 200), area, QRect(10, 20, 300, 200)},
        {"PastTheBottomRightMovesIn", QRect(900, 650, 300, 200), area, QRect(724, 500, 300, 200)},
        {"PastTheTopLeftMovesIn", QRect(-50, -10, 300, 200), area, QRect(0, 0, 300, 200)},
        {"TallerThanTheAreaIsShrunk", QRect(0, 0, 988, 736), area, QRect(0, 0, 988, 700)},
        {"LargerThanTheAreaBecomesTheArea", QRect(5, 5, 2000, 2000), area, area},
        {"AnAreaAwayFromTheOrigin", QRect(0, 0, 400, 300), right, QRect(1600, 30, 400, 300)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(FitInside(r.frame, r.area), r.fitted);
    }
}

TEST(WindowPlacement, ToolWindowsGoOverTheMainWindow) {
    const QRect area(0, 0, 1600, 1000);
    // Centred on the main window.
    EXPECT_EQ(ToolWindowFrame(QSize(400, 300), QRect(100, 100, 1000, 700), area),
              QRect(400, 300, 400, 300));
    // A main window near the edge: the tool window stays on the screen, over it.
    const QRect nearEdge(1300, 800, 600, 400);
    const QRect t = ToolWindowFrame(QSize(500, 400), nearEdge, area);
    EXPECT_TRUE(area.contains(t));
    EXPECT_TRUE(t.intersects(nearEdge));
    // Without a main window: the middle of the area.
    EXPECT_EQ(ToolWindowFrame(QSize(400, 300), QRect(), area).center(), area.center());
}

TEST(WindowPlacement, TheMainWindowAndItsStatusBarFitASmallScreen) {
    const QRect area(0, 0, 1024, 700);
    Screen screen(area);
    auto w = uitest::StartForm();
    EXPECT_TRUE(area.contains(w->frameGeometry())) << w->frameGeometry().height();
    // The frame the window manager adds is allowed for even before there is one.
    EXPECT_LE(w->height(), 700 - 32 - 4);
    QStatusBar* bar = w->statusBar();
    ASSERT_TRUE(bar->isVisible());
    const QRect barOnScreen(bar->mapToGlobal(QPoint(0, 0)), bar->size());
    EXPECT_TRUE(area.contains(barOnScreen));
    EXPECT_GT(bar->height(), 0);
    for (QWidget* t : OpenEveryToolWindow(*w)) {
        EXPECT_TRUE(area.contains(t->frameGeometry()))
            << t->objectName().toStdString() << " " << t->frameGeometry().bottom();
    }
}

TEST(WindowPlacement, ToolWindowsOpenOverTheMainWindowOnALargeScreen) {
    // A large screen with a panel on the left: never the bottom-left corner.
    const QRect area(64, 0, 1536, 1000);
    Screen screen(area);
    auto w = uitest::StartForm();
    EXPECT_TRUE(area.contains(w->frameGeometry()));
    const QList<QWidget*> tools = OpenEveryToolWindow(*w);
    EXPECT_GE(tools.size(), 15);
    for (QWidget* t : tools) {
        const std::string name = t->objectName().toStdString();
        EXPECT_TRUE(area.contains(t->frameGeometry())) << name;
        EXPECT_TRUE(w->frameGeometry().contains(t->frameGeometry().center())) << name;
    }
    // A window already open stays where the user put it when asked for again.
    QWidget* first = tools.first();
    first->move(area.topLeft() + QPoint(10, 10));
    const QPoint moved = first->pos();
    OpenEveryToolWindow(*w);
    EXPECT_EQ(first->pos(), moved);
}
