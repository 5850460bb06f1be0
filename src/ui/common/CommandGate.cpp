#include "ui/common/CommandGate.h"

#include <QApplication>

namespace ui {

bool CommandGate::Run(const std::function<void()>& command) {
    if (Busy()) {
        QApplication::beep();
        emit refused();
        return false;
    }
    if (onCommand) onCommand();
    command();
    if (onCommandDone) onCommandDone();
    return true;
}

CommandGate::Hold::Hold(CommandGate& gate) : gate_(gate) {
    if (gate_.holders_++ == 0) emit gate_.busyChanged(true);
}

CommandGate::Hold::~Hold() {
    if (--gate_.holders_ == 0) emit gate_.busyChanged(false);
}

}  // namespace ui
