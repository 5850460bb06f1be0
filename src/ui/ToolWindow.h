// Tool windows are created on first use, shown without being modal and
// without an owner, and brought forward when asked for again while open.
#pragma once

#include <QPointer>
#include <QWidget>

namespace ui {

template <class W, class Make>
W* ShowToolWindow(QPointer<W>& slot, Make make) {
    if (slot.isNull()) {
        slot = make();
        slot->setAttribute(Qt::WA_DeleteOnClose);  // closing unloads it
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot.data();
}

}  // namespace ui
