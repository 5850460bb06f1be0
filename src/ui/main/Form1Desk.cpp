// Form1's habits of a desktop editor: wrapping, line numbers, zoom, recent files.
#include <sys/stat.h>

#include <QAction>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <algorithm>
#include <vector>

#include "settings/UserSettings.h"
#include "ui/common/Dialogs.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

namespace ui {

void Form1::BuildViewItems(QMenu* format) {
    format->addSeparator();
    const settings::UserSettings kept = settings::LoadUserSettings();
    QAction* wrap = AddItem(format, "mnuWrap", QStringLiteral("自动换行"));
    wrap->setCheckable(true);
    wrap->setChecked(kept.wrap);
    RichTextBox1->SetWrap(kept.wrap);
    connect(wrap, &QAction::toggled, this, &Form1::mnuWrap_Click);
    QAction* numbers = AddItem(format, "mnuLineNumbers", QStringLiteral("显示行号"));
    numbers->setCheckable(true);
    numbers->setChecked(kept.lineNumbers);
    RichTextBox1->SetLineNumbers(kept.lineNumbers);
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

void Form1::mnuWrap_Click(bool on) {
    RichTextBox1->SetWrap(on);
    ChangeUserSettings([on](settings::UserSettings& s) { s.wrap = on; });
}

void Form1::mnuLineNumbers_Click(bool on) {
    RichTextBox1->SetLineNumbers(on);
    ChangeUserSettings([on](settings::UserSettings& s) { s.lineNumbers = on; });
}

namespace {

// Whether anything is at path (a link to nothing counts as gone), by the
// path's own bytes.
bool Exists(const QString& path) {
    struct stat st {};
    return ::stat(files::PathBytes(path).constData(), &st) == 0;
}

}  // namespace

void Form1::mnuRecent_Show() {
    mnuRecent->clear();
    const QStringList recent = settings::LoadUserSettings().recent;
    for (qsizetype i = 0; i < recent.size(); ++i) {
        const QString& path = recent[i];
        const QFileInfo info(path);
        QString caption = QStringLiteral("&%1 %2  —  %3")
                              .arg((i + 1) % 10)
                              .arg(files::ShownPath(info.fileName()).replace('&', "&&"),
                                   files::ShownPath(info.absolutePath()).replace('&', "&&"));
        if (!Exists(path)) caption += QStringLiteral("（已不存在）");
        QAction* a = mnuRecent->addAction(caption);
        a->setObjectName(QStringLiteral("mnuRecent%1").arg(i + 1));
        connect(a, &QAction::triggered, this, gate_.Guard([this, path] { OpenRecent(path); }));
    }
    if (recent.isEmpty()) mnuRecent->addAction(QStringLiteral("（无）"))->setEnabled(false);
    mnuRecent->addSeparator();
    QAction* clear = AddItem(mnuRecent, "mnuRecentClear", QStringLiteral("清除列表"));
    clear->setEnabled(!recent.isEmpty());
    connect(clear, &QAction::triggered, this,
            [this] { ChangeUserSettings([](settings::UserSettings& s) { s.recent.clear(); }); });
}

void Form1::OpenRecent(const QString& path) {
    if (!Exists(path)) {
        const int answer = AskAmong(
            QStringLiteral("文件“%1”已不存在。").arg(files::ShownPath(path)),
            {{QStringLiteral("从列表中删除"), "remove"}, {QStringLiteral("保留"), "keep"}});
        if (answer == 0) {
            ChangeUserSettings([&path](settings::UserSettings& s) { s.recent.removeAll(path); });
        }
        return;
    }
    if (!MaySetTextAside()) return;
    if (std::optional<OpenedFile> f = ReadTextFile(path)) LoadDocument(std::move(*f));
}

void Form1::RememberRecent(const QString& path) {
    ChangeUserSettings(
        [&path](settings::UserSettings& s) { s.recent = settings::WithRecent(s.recent, path); });
}

int Form1::AskAmong(const QString& text, std::initializer_list<Choice> choices) {
    QMessageBox box(QMessageBox::Question, ui::kTipTitle, text, QMessageBox::NoButton, this);
    std::vector<QPushButton*> buttons;
    for (const Choice& c : choices) {
        buttons.push_back(box.addButton(c.caption, QMessageBox::AcceptRole));
        buttons.back()->setObjectName(QString::fromLatin1(c.objectName));
    }
    box.setDefaultButton(buttons.front());
    box.setEscapeButton(buttons.back());
    box.exec();
    const auto it = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return it == buttons.end() ? static_cast<int>(buttons.size()) - 1
                               : static_cast<int>(it - buttons.begin());
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
