// Form1's habits of a desktop editor: line numbers, zoom, recent files.
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QStatusBar>

#include "settings/UserSettings.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

namespace ui {

void Form1::BuildViewItems(QMenu* format) {
    format->addSeparator();
    QAction* numbers = AddItem(format, "mnuLineNumbers", QStringLiteral("显示行号"));
    numbers->setCheckable(true);
    numbers->setChecked(settings::LoadUserSettings().lineNumbers);
    RichTextBox1->SetLineNumbers(numbers->isChecked());
    connect(numbers, &QAction::toggled, this, &Form1::mnuLineNumbers_Click);
    // Zoom is for the moment: 字体 stays the lasting choice.
    const struct {
        const char* name;
        const char* caption;
        QList<QKeySequence> keys;
        int steps;
    } zooms[] = {
        {"mnuZoomIn", "放大", {QKeySequence("Ctrl+="), QKeySequence("Ctrl++")}, 1},
        {"mnuZoomOut", "缩小", {QKeySequence("Ctrl+-")}, -1},
        {"mnuZoomReset", "原始大小", {QKeySequence("Ctrl+0")}, 0},
    };
    for (const auto& z : zooms) {
        QAction* a = AddItem(format, z.name, QString::fromUtf8(z.caption), z.keys.front());
        a->setShortcuts(z.keys);
        connect(a, &QAction::triggered, this, [this, steps = z.steps] {
            if (steps == 0) {
                RichTextBox1->ResetZoom();
            } else {
                RichTextBox1->Zoom(steps);
            }
        });
    }
}

void Form1::mnuLineNumbers_Click(bool on) {
    RichTextBox1->SetLineNumbers(on);
    ChangeUserSettings([on](settings::UserSettings& s) { s.lineNumbers = on; });
}

void Form1::ChangeUserSettings(const std::function<void(settings::UserSettings&)>& change) {
    settings::UserSettings s = settings::LoadUserSettings();
    change(s);
    const files::Outcome w = settings::SaveUserSettings(s);
    if (!w) {
        StatusBar1->showMessage(QStringLiteral("无法保存设置“%1”：%2")
                                    .arg(files::ShownPath(settings::UserSettingsPath()), w.why),
                                10000);
    }
}

}  // namespace ui
