// Form1's habits of a desktop editor: line numbers, zoom, recent files.
#include <QAction>
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
