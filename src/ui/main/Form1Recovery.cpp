// Form1's recovery copy: nothing typed is lost to a crash.
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <new>

#include "settings/Recovery.h"
#include "ui/common/Dialogs.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

namespace ui {

namespace {

constexpr int kRecoveryDelayMs = 10'000;
// A few milliseconds of copying on a slow machine.
constexpr std::size_t kCapturePiece = std::size_t{1} << 20;

QString ShownName(const QString& path) {
    return path.isEmpty() ? QStringLiteral("无标题") : files::ShownPath(QFileInfo(path).fileName());
}

// Removes a found copy at the user's word; a failure is told.
void DiscardCopy(QWidget* parent, settings::FoundCopy& copy) {
    if (const files::Outcome r = copy.Discard(); !r) {
        ui::ShowMessage(
            parent,
            QStringLiteral("无法删除恢复副本“%1”：%2。").arg(files::ShownPath(copy.Path()), r.why));
    }
}

}  // namespace

void Form1::StartRecovery() {
    recovery_ = std::make_unique<settings::RecoveryCopy>([this](const QString& why) {
        // From the worker: told on the window's own thread.
        QMetaObject::invokeMethod(
            this,
            [this, why] {
                StatusBar1->showMessage(QStringLiteral("无法写入恢复副本：%1").arg(why), 10000);
            },
            Qt::QueuedConnection);
    });
    recoveryTimer_ = new QTimer(this);
    recoveryTimer_->setSingleShot(true);
    recoveryTimer_->setInterval(kRecoveryDelayMs);
    connect(recoveryTimer_, &QTimer::timeout, this, &Form1::KeepRecoveryCopy);
    captureTimer_ = new QTimer(this);
    captureTimer_->setSingleShot(true);
    captureTimer_->setInterval(0);
    connect(captureTimer_, &QTimer::timeout, this, [this] { CaptureStep(); });
}

void Form1::KeepRecoveryCopy() {
    recoveryTimer_->stop();
    if (capturing_ || !recoveryStale_ || !history_.IsModified()) return;
    recoveryStale_ = false;
    capturing_ = true;
    captured_.clear();
    captureEnd_ = 0;
    captureEdits_.clear();
    captureTimer_->start();
}

void Form1::CaptureChange(const qm::TextChange& c) {
    if (!capturing_) {
        recoveryStale_ = true;
        if (!recoveryTimer_->isActive()) recoveryTimer_->start();
        return;
    }
    // What follows the copied part is copied as it is when its turn comes.
    if (c.pos >= captureEnd_) return;
    if ((c.pos == 0 && c.removed >= captureEnd_) || c.inserted > kCapturePiece) {
        // A new text, or a large paste: copied afresh rather than logged.
        captured_.clear();
        captureEnd_ = 0;
        captureEdits_.clear();
        return;
    }
    const std::size_t removed = std::min(c.removed, captureEnd_ - c.pos);
    settings::AddEdit(captureEdits_, {c.pos, removed, doc_.Text().substr(c.pos, c.inserted)});
    captureEnd_ = captureEnd_ - removed + c.inserted;
}

void Form1::StopCapture() {
    capturing_ = false;
    captureTimer_->stop();
    std::u16string().swap(captured_);
    captureEdits_.clear();
}

void Form1::CaptureStep(bool all) {
    if (!capturing_) return;
    if (!history_.IsModified()) {
        StopCapture();
        return;
    }
    const std::u16string& text = doc_.Text();
    try {
        if (captured_.capacity() < text.size()) captured_.reserve(text.size());
        do {
            const std::size_t n = std::min(kCapturePiece, text.size() - captureEnd_);
            captured_.append(text, captureEnd_, n);
            captureEnd_ += n;
        } while (all && captureEnd_ < text.size());
    } catch (const std::bad_alloc&) {
        StopCapture();
        StatusBar1->showMessage(QStringLiteral("内存不足，未能写入恢复副本。"), 10000);
        CaptureChange({});  // tried again later
        return;
    }
    if (captureEnd_ < text.size()) {
        captureTimer_->start();
        return;
    }
    capturing_ = false;
    recovery_->Write(std::move(captured_), std::move(captureEdits_),
                     {filePath_, format_, closingBreak_, QDateTime::currentMSecsSinceEpoch()});
    captured_ = std::u16string();
    captureEdits_.clear();
}

void Form1::SettleRecoveryCopy() {
    CaptureStep(true);
    recovery_->Settle();
}

void Form1::OfferRecoveryCopies() {
    std::vector<settings::FoundCopy> found = settings::FindRecoveryCopies();
    for (settings::FoundCopy& copy : found) {
        if (!copy.Damaged().isEmpty()) {
            // Kept unless the user says otherwise (not by a stray key): it may
            // yet be read by hand.
            if (ui::AskYesNo(this, QStringLiteral("恢复副本“%1”无法恢复：%2。是否删除它？")
                                       .arg(files::ShownPath(copy.Path()), copy.Damaged()))) {
                DiscardCopy(this, copy);
            }
            continue;
        }
        const QString when = QDateTime::fromMSecsSinceEpoch(copy.Info().madeAt)
                                 .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const int answer = AskAmong(QStringLiteral("发现未保存的内容：%1（%2）。是否恢复？")
                                        .arg(ShownName(copy.Info().path), when),
                                    {{QStringLiteral("恢复"), "recover"},
                                     {QStringLiteral("丢弃"), "discard"},
                                     {QStringLiteral("稍后"), "later"}});
        if (answer == 2) continue;  // offered again at the next start
        if (answer == 1) {
            DiscardCopy(this, copy);
            continue;
        }
        std::u16string text;
        settings::RecoveryInfo info;
        if (const files::Outcome r = copy.Read(text, info); !r) {
            ui::ShowMessage(this, QStringLiteral("无法读取恢复副本“%1”：%2。副本保留不动。")
                                      .arg(files::ShownPath(copy.Path()), r.why));
            continue;
        }
        Form1* target = this;
        if (!filePath_.isEmpty() || history_.IsModified() || doc_.Length() > 0) {
            target = new Form1;
            target->setAttribute(Qt::WA_DeleteOnClose);
            target->show();
        }
        target->Recover(copy, std::move(text), std::move(info));
    }
}

void Form1::Recover(settings::FoundCopy& found, std::u16string text, settings::RecoveryInfo info) {
    // Taken over first, so that the copy is never without an owner.
    if (const files::Outcome r = recovery_->Adopt(found); !r) {
        StatusBar1->showMessage(QStringLiteral("恢复副本未能接管：%1").arg(r.why), 10000);
    }
    filePath_ = info.path;
    format_ = info.format;
    closingBreak_ = info.closingBreak;
    if (!filePath_.isEmpty()) lastFolder_ = QFileInfo(filePath_).absolutePath();
    Panel[5]->setText(files::ShownPath(filePath_));
    // One change from the empty text: modified, and undone in one step.
    gate_.Run([&] { ReplaceText(std::move(text)); });
    UpdateTitle();
    ShowFormat();
}

}  // namespace ui
