// Tool windows are created on first use, shown without being modal and
// without an owner, and brought forward when asked for again while open.
// A new one opens over the main window, inside the screen's available area;
// one already open stays where the user put it.
#pragma once

#include <QPointer>
#include <QWidget>

#include "ui/common/WindowPlacement.h"

namespace ui {

template <class W, class Make>
W* ShowToolWindow(QPointer<W>& slot, Make make, const QWidget* mainWindow = nullptr) {
    if (slot.isNull()) {
        slot = make();
        slot->setAttribute(Qt::WA_DeleteOnClose);  // closing unloads it
        PlaceToolWindow(slot.data(), mainWindow);
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot.data();
}

}  // namespace ui
