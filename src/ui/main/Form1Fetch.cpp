// "获取源码": a web page's source as the document.
#include <QInputDialog>
#include <QLabel>
#include <QStatusBar>
#include <algorithm>

#include "files/FetchSource.h"
#include "ui/common/Dialogs.h"
#include "ui/main/Form1.h"

namespace ui {

void Form1::mnuGetSource_Click() {
    bool ok = false;
    const QString typed =
        QInputDialog::getText(this, QStringLiteral("获取源码"), QStringLiteral("请输入网址："),
                              QLineEdit::Normal, QString(), &ok);
    if (!ok || typed.trimmed().isEmpty()) return;
    const files::WebAddress address = files::ParseWebAddress(typed);
    if (!address.why.isEmpty()) {
        ui::ShowMessage(this, address.why);
        return;
    }
    if (!MaySetTextAside()) return;

    files::FetchResult r;
    {
        // Other commands wait while the page comes; the user may stop it.
        ui::CommandGate::Hold hold(gate_);
        files::FetchSource fetch;
        ui::ProgressDialog progress(
            this, QStringLiteral("获取源码"),
            QStringLiteral("正在获取“%1”……").arg(address.url.toDisplayString()), 500);
        progress.setMaximum(0);  // a busy bar until the size is known
        // The half second counts from the value reaching the minimum: set
        // it now, for a silent server gives no size to show for a while.
        progress.setValue(0);
        progress.setAutoReset(false);
        progress.setAutoClose(false);
        connect(&progress, &QProgressDialog::canceled, &fetch, &files::FetchSource::Cancel);
        // Queued: the dialog lets events run when its value changes, which
        // must not happen inside the reply's own signal.
        connect(
            &fetch, &files::FetchSource::progress, &progress,
            [&progress](qint64 got, qint64 total) {
                if (total <= 0) return;  // the busy bar stays until the size is known
                progress.setMaximum(1000);
                progress.setValue(static_cast<int>(std::min<qint64>(got, total) * 1000 / total));
            },
            Qt::QueuedConnection);
        r = files::FetchAndWait(fetch, address.url);
    }

    if (r.canceled) {
        StatusBar1->showMessage(QStringLiteral("已取消获取源码。"), 3000);
        return;
    }
    if (!r.ok) {
        ui::ShowMessage(this, r.why);
        return;
    }
    {
        ui::WaitCursor wait;
        ReplaceText(std::move(r.text));
    }
    // A new text that no file holds yet: saved as any new text is.
    filePath_.clear();
    format_ = qm::enc::FileFormat{};
    format_.keptFrom = r.encoding;  // the page's undecodable bytes are no GBK
    closingBreak_ = true;
    UpdateTitle();
    ShowFormat();
    Panel[5]->setText(r.url.toDisplayString());
    if (r.invalid > 0) {
        ui::ShowMessage(this, QStringLiteral("网页中有 %1 个字节不能按 %2 解码，已显示为“\uFFFD”。")
                                  .arg(r.invalid)
                                  .arg(QString::fromUtf8(qm::enc::Name(r.encoding))));
    }
}

}  // namespace ui
