#include "ui/main/Application.h"

#include <new>

#include "ui/common/Dialogs.h"

namespace ui {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

QString Application::OutOfMemoryText() {
    return QStringLiteral(
        "内存不足，刚才的操作没有完成。\n文件保持原样；文本若已改动，标题带“*"
        "”。请处理小一些的文本，"
        "或关闭其他程序后再试。");
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        // The memory the failed command held is free again by now. One
        // message at a time: events delivered while it shows may fail too.
        static bool telling = false;
        if (!telling) {
            telling = true;
            try {
                ShowMessage(activeWindow(), OutOfMemoryText(), kTipTitle, QMessageBox::Warning);
            } catch (const std::bad_alloc&) {
                // Not even the message fits: the program goes on without it.
            }
            telling = false;
        }
        return false;
    }
}

}  // namespace ui
