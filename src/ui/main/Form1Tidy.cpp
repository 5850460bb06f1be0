// Form1's tidy commands, rule pass, character tools, auto typing and the
// settings-file menu commands. The algorithms live in core/ and settings/;
// these handlers read the controls, call them and write the document.
#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTime>
#include <QTimer>
#include <new>
#include <optional>

#include "core/encoding/Encoding.h"
#include "core/text/Common.h"
#include "core/tools/Tidy.h"
#include "platform/Platform.h"
#include "settings/ModSetting.h"
#include "settings/PeiZhi.h"
#include "ui/common/Dialogs.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

namespace ui {

namespace {

std::u16string U16(const QString& s) { return s.toStdU16String(); }

// Lets the window repaint and take input at the first line and then at most
// every 30 ms, so a long command stays responsive without paying for an
// event loop pass per line.
class Yielder {
  public:
    explicit Yielder(Form1& w) : w_(w) {}
    void Maybe() {
        if (clock_.isValid() && clock_.elapsed() < 30) return;
        w_.DoEvents();
        clock_.start();
    }

  private:
    Form1& w_;
    QElapsedTimer clock_;
};

const QString kSettingsFilter = QStringLiteral("配置文件|*.ini");

}  // namespace

// A command that yields holds the gate for as long as it runs, so nothing
// else reaches the half-built text; the box is read-only meanwhile (see the
// gate's busyChanged in Form1.cpp). A direct second call is refused too.
class Form1::BusyGuard {
  public:
    explicit BusyGuard(Form1& w) : ok_(!w.gate_.Busy()) {
        if (ok_) hold_.emplace(w.gate_);
    }
    explicit operator bool() const { return ok_; }

  private:
    bool ok_;
    std::optional<ui::CommandGate::Hold> hold_;
    ui::WaitCursor wait_;
};

void Form1::WireCommands() {
    Wire(cmdcharu1, &QPushButton::clicked, &Form1::cmdcharu1_Click);
    Wire(cmdcharu2, &QPushButton::clicked, &Form1::cmdcharu2_Click);
    Wire(CmdKongYiHang, &QPushButton::clicked, &Form1::CmdKongYiHang_Click);
    Wire(CmdHeBingHang, &QPushButton::clicked, &Form1::CmdHeBingHang_Click);
    Wire(CmdChongXin, &QPushButton::clicked, &Form1::CmdChongXin_Click);
    Wire(CmdDelKongGe, &QPushButton::clicked, &Form1::CmdDelKongGe_Click);
    Wire(CmdDelKongHang, &QPushButton::clicked, &Form1::CmdDelKongHang_Click);
    Wire(CmdZhiXing, &QPushButton::clicked, &Form1::CmdZhiXing_Click);
    Wire(CmdFanZhuan, &QPushButton::clicked, &Form1::CmdFanZhuan_Click);
    Wire(CmdHanZi, &QPushButton::clicked, &Form1::CmdHanZi_Click);
    Wire(CmdDaZi, &QPushButton::clicked, &Form1::CmdDaZi_Click);
    // Stopping the auto typing touches no text: never refused.
    connect(CMstopDaZi, &QPushButton::clicked, this, &Form1::CMstopDaZi_Click);
    // A tick that comes while a long command runs waits for the next one.
    connect(Timer1, &QTimer::timeout, this, [this] {
        if (!gate_.Busy()) Timer1_Timer();
    });
    const std::pair<const char*, void (Form1::*)()> items[] = {
        {"去除所有字母", &Form1::去除所有字母_Click},
        {"去除所有数字", &Form1::去除所有数字_Click},
        {"MnuOpenPEIzhi", &Form1::MnuOpenPEIzhi_Click},
        {"MnuSaveINI", &Form1::MnuSaveINI_Click},
    };
    for (const auto& [name, handler] : items) {
        QAction* a = findChild<QAction*>(QString::fromUtf8(name));
        a->setEnabled(true);
        Wire(a, &QAction::triggered, handler);
    }
}

void Form1::RebuildByLines(
    const std::function<void(std::u16string_view, const qm::tidy::Sink&)>& produce, bool yield) {
    std::u16string text = doc_.Text();
    doc_.SetText(u"");
    Yielder yielder(*this);
    try {
        produce(text, [&](std::u16string_view chunk) {
            if (yield) yielder.Maybe();
            doc_.AppendText(chunk);
        });
    } catch (const std::bad_alloc&) {
        // Out of memory halfway: the document gets its whole text back (the
        // half-built one is freed by that) before the failure is told.
        doc_.SetText(std::move(text));
        RichTextBox1->Flush();
        throw;
    }
    RichTextBox1->Flush();
}

// ---- line and space commands ----

void Form1::cmdcharu1_Click() { InsertAtLines(TxtChaRu1); }
void Form1::cmdcharu2_Click() { InsertAtLines(TxtChaRu2); }

void Form1::InsertAtLines(QPlainTextEdit* source) {
    BusyGuard busy(*this);
    if (!busy) return;
    // The box is multi-line: its line breaks are inserted as CR LF.
    const std::u16string ins =
        常用模块::NormalizeLineBreaks(source->toPlainText().toStdU16String());
    const bool atStart = Option1->isChecked();
    RebuildByLines(
        [&](std::u16string_view text, const qm::tidy::Sink& sink) {
            qm::tidy::InsertAtEveryLine(text, ins, atStart, sink);
        },
        false);
}

void Form1::CmdKongYiHang_Click() {
    BusyGuard busy(*this);
    if (!busy) return;
    RebuildByLines(qm::tidy::EmptyLineAfterEveryLine, true);
}

void Form1::CmdHeBingHang_Click() {
    BusyGuard busy(*this);
    if (!busy) return;
    RebuildByLines(qm::tidy::MergeLines, false);
    CmdChongXin->setEnabled(true);
}

void Form1::CmdChongXin_Click() {
    BusyGuard busy(*this);
    if (!busy) return;
    // Read the length before touching the text: a bad value must not cost the document.
    const std::optional<std::size_t> n = qm::tidy::ParsePieceLength(U16(TxtFenHang->text()));
    if (!n) {
        ui::ShowMessage(this, QStringLiteral("每行字数必须是大于 0 的整数，请重新输入。"));
        TxtFenHang->setFocus();
        TxtFenHang->selectAll();
        return;
    }
    RebuildByLines([n](std::u16string_view text,
                       const qm::tidy::Sink& sink) { qm::tidy::Rebreak(text, *n, sink); },
                   false);
    CmdChongXin->setEnabled(false);
}

void Form1::CmdDelKongGe_Click() {
    BusyGuard busy(*this);
    if (!busy) return;
    const qm::tidy::SpaceMode mode = Option3->isChecked()   ? qm::tidy::SpaceMode::LineStart
                                     : Option4->isChecked() ? qm::tidy::SpaceMode::LineEnd
                                                            : qm::tidy::SpaceMode::All;
    // Let the window repaint first, then build from the text as it is now.
    DoEvents();
    std::u16string result = qm::tidy::RemoveSpaces(doc_.Text(), mode);
    if (result != doc_.Text()) ReplaceText(std::move(result));
}

void Form1::CmdDelKongHang_Click() {
    BusyGuard busy(*this);
    if (!busy) return;
    qm::tidy::RemoveEmptyLines(doc_.Text(), [this](const std::u16string& step) {
        DoEvents();
        doc_.SetText(step);
    });
}

// ---- rule panel ----

void Form1::CmdZhiXing_Click() {
    配置::RuleTexts t = RuleTexts();
    qm::tidy::RuleFields f;
    f.find = std::move(t.find);
    f.replaceWith = std::move(t.replaceWith);
    f.deleteLines = std::move(t.deleteLines);
    f.deleteText = std::move(t.deleteText);
    f.spanStart = std::move(t.spanStart);
    f.spanStop = std::move(t.spanStop);
    f.spanReplace = U16(TxtTiHuanWei->text());
    ReplaceText(qm::tidy::RulePass(doc_.Text(), f));
}

// ---- character tools ----

void Form1::CmdFanZhuan_Click() {
    if (doc_.SelLength() == 0) {
        ui::ShowMessage(this, QStringLiteral("请选择反转的字符"));
        return;
    }
    // Only the selection is reversed; the rest of the document stays.
    ReplaceSelectionOrText(qm::tidy::ReverseString(doc_.SelText()));
}

void Form1::CmdHanZi_Click() { findChild<QMenu*>("MnuQuChu")->popup(QCursor::pos()); }

void Form1::去除所有字母_Click() { doc_.SetText(qm::tidy::删除字母和符号(doc_.Text())); }

void Form1::去除所有数字_Click() { doc_.SetText(qm::tidy::RemoveDigits(doc_.Text())); }

// ---- auto typing ----

void Form1::CmdDaZi_Click() {
    if (!MaySetTextAside()) return;
    std::optional<OpenedFile> f = OpenTextFile();
    if (!f) return;
    lpString = std::move(f->loaded.text);
    lpLenth = static_cast<std::int64_t>(lpString.size());
    // Every run types the file it has just read from its first character.
    TypedCount = 0;
    Timer1->start();
}

void Form1::Timer1_Timer() {
    Panel[4]->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
    ++TypedCount;
    if (TypedCount > lpLenth) {
        TypedCount = 0;
        Timer1->stop();
        return;
    }
    doc_.SetText(lpString.substr(0, static_cast<std::size_t>(TypedCount)));
}

void Form1::CMstopDaZi_Click() { Timer1->stop(); }

// ---- settings file ----

配置::RuleTexts Form1::RuleTexts() const {
    配置::RuleTexts t;
    t.deleteText = U16(TxtShanChu->text());
    t.deleteLines = U16(TxtBaoHan->text());
    t.spanStart = U16(TxtStart->text());
    t.spanStop = U16(TxtStop->text());
    t.find = U16(TxtBeiTiHuan->text());
    t.replaceWith = U16(TxtTiHuan->currentText());
    return t;
}

void Form1::ShowRuleTexts(const 配置::RuleTexts& t) {
    const auto q = [](const std::u16string& s) { return QString::fromStdU16String(s); };
    TxtShanChu->setText(q(t.deleteText));
    TxtBaoHan->setText(q(t.deleteLines));
    TxtStart->setText(q(t.spanStart));
    TxtStop->setText(q(t.spanStop));
    TxtBeiTiHuan->setText(q(t.find));
    TxtTiHuan->setEditText(q(t.replaceWith));
}

void Form1::MnuOpenPEIzhi_Click() {
    const QString path = ui::AskOpenFileName(this, QString(), kSettingsFilter,
                                             platform::ProgramFolder() + QStringLiteral("/"));
    if (path.isEmpty()) return;  // cancelled: nothing changes
    // Only the name is taken; "\" is an ordinary character of a name here.
    const QString name = QFileInfo(path).fileName();
    const QString settings = ModSetting::SettingsPath(U16(name));
    SetCaption(name);
    配置::RuleTexts texts;
    const files::Outcome r = 配置::LoadRuleTexts(settings, texts);
    if (!r) {
        ui::ShowMessage(this, QStringLiteral("无法读取配置文件“%1”：%2。")
                                  .arg(QDir::toNativeSeparators(settings), r.why));
        return;
    }
    ShowRuleTexts(texts);
}

void Form1::MnuSaveINI_Click() {
    const QString path = ui::AskSaveFileName(this, QString(), kSettingsFilter,
                                             platform::ProgramFolder() + QStringLiteral("/"));
    if (path.isEmpty()) return;
    const 配置::RuleTexts texts = RuleTexts();
    std::size_t unencodable = 0;
    for (const 配置::KeyText& kt : 配置::kSaveOrder) {
        unencodable += qm::enc::Encode(texts.*kt.text, qm::enc::Encoding::Gbk).unencodable;
    }
    if (!ui::ConfirmUnencodable(this, unencodable)) return;
    const QString saved = ModSetting::SettingsPath(U16(QFileInfo(path).fileName()));
    const files::Outcome w = 配置::SaveRuleTexts(saved, texts);
    if (!w) {
        ui::ShowMessage(this, QStringLiteral("无法保存配置文件“%1”：%2。")
                                  .arg(QDir::toNativeSeparators(saved), w.why));
        return;
    }
    // Settings files live in the program's folder, whatever folder the dialog
    // was in: say where this one went.
    const QFileInfo asked(path);
    const bool same =
        asked.absoluteFilePath() == QFileInfo(saved).absoluteFilePath() ||
        (asked.exists() && asked.canonicalFilePath() == QFileInfo(saved).canonicalFilePath());
    if (!same) {
        ui::ShowMessage(this,
                        QStringLiteral("配置文件已保存为“%1”。\n配置文件总是保存在程序的文件夹中，"
                                       "“打开配置文件”也从那里读取。")
                            .arg(QDir::toNativeSeparators(saved)));
    }
}

}  // namespace ui
