#include "ui/common/Dialogs.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QCollator>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QInputDialog>
#include <QMimeDatabase>
#include <QPushButton>
#include <QStringList>
#include <algorithm>

#include "files/TextFile.h"

namespace ui {

void ShowMessage(QWidget* parent, const QString& text, const QString& title,
                 QMessageBox::Icon icon) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

bool AskYesNo(QWidget* parent, const QString& text, const QString& title, bool yesByDefault) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否"));
    box.setDefaultButton(yesByDefault ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }

ProgressDialog::ProgressDialog(QWidget* parent, const QString& title, const QString& label,
                               int delayMs)
    : QProgressDialog(label, QStringLiteral("取消"), 0, 1000, parent) {
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    setMinimumDuration(delayMs);
}

bool ProgressDialog::Step(std::int64_t done, std::int64_t total) {
    setValue(static_cast<int>(done * 1000 / total));
    QCoreApplication::processEvents();
    return !wasCanceled();
}

bool ConfirmUnencodable(QWidget* parent, std::size_t unencodable) {
    return unencodable == 0 ||
           AskYesNo(parent, QStringLiteral("文本中有 %1 个字符无法用 GBK 编码保存，将被写成“?”。\n"
                                           "仍然保存吗？")
                                .arg(unencodable));
}

bool SaveGbkText(QWidget* parent, const QString& path, const qm::enc::Encoded& encoded,
                 const QString& title) {
    if (!ConfirmUnencodable(parent, encoded.unencodable)) return false;
    return WriteBytes(parent, path, encoded.bytes, title);
}

bool WriteBytes(QWidget* parent, const QString& path, const std::string& bytes,
                const QString& title) {
    const files::Outcome w = files::WriteFileAtomic(path, bytes);
    if (!w) ShowWriteFailure(parent, path, w.why, title);
    return w.ok;
}

void ShowWriteFailure(QWidget* parent, const QString& path, const QString& why,
                      const QString& title) {
    ShowMessage(parent,
                QStringLiteral("无法保存文件“%1”：%2。原文件未被改动。")
                    .arg(QDir::toNativeSeparators(path), why),
                title, QMessageBox::Warning);
}

std::optional<qm::enc::Encoding> AskEncoding(QWidget* parent, const QString& title,
                                             qm::enc::Encoding current) {
    QStringList names;
    int at = 0;
    for (qm::enc::Encoding e : qm::enc::All()) {
        if (e == current) at = static_cast<int>(names.size());
        names << QString::fromLatin1(qm::enc::Name(e));
    }
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(QStringLiteral("编码："));
    dialog.setComboBoxItems(names);
    dialog.setTextValue(names[at]);
    dialog.setComboBoxEditable(false);
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return qm::enc::FromName(dialog.textValue().toStdString());
}

UnencodableAnswer AskUnencodable(QWidget* parent, std::u16string_view text,
                                 const qm::enc::Encoded& encoded, qm::enc::Encoding encoding) {
    QStringList where;
    if (!encoded.first.empty()) {
        // Line numbers of the few shown, in one pass up to the last of them.
        std::size_t line = 1;
        std::size_t pos = 0;
        for (const qm::enc::Unencodable& u : encoded.first) {
            for (; pos < u.offset && pos < text.size(); ++pos) {
                if (text[pos] == u'\n') ++line;
            }
            const char32_t ch = u.ch;
            where << QStringLiteral("第%1行“%2”").arg(line).arg(QString::fromUcs4(&ch, 1));
        }
    }
    QString list = where.join(QStringLiteral("、"));
    if (encoded.unencodable > encoded.first.size()) list += QStringLiteral("……");
    switch (AskTwoWays(parent, QMessageBox::Warning,
                       QStringLiteral("文本中有 %1 个字符无法用 %2 保存：%3。\n"
                                      "可以改存为 UTF-8（能保存所有字符），或把这些字符写成“?”。")
                           .arg(encoded.unencodable)
                           .arg(QString::fromLatin1(qm::enc::Name(encoding)), list),
                       {QStringLiteral("存为 UTF-8"), "saveAsUtf8"},
                       {QStringLiteral("写成“?”"), "writeQuestionMarks"})) {
        case 1:
            return UnencodableAnswer::Utf8;
        case 2:
            return UnencodableAnswer::Question;
        default:
            return UnencodableAnswer::Cancel;
    }
}

int AskTwoWays(QWidget* parent, QMessageBox::Icon icon, const QString& text, const Answer& first,
               const Answer& second) {
    QMessageBox box(icon, kTipTitle, text, QMessageBox::NoButton, parent);
    QPushButton* one = box.addButton(first.caption, QMessageBox::AcceptRole);
    one->setObjectName(QString::fromLatin1(first.objectName));
    QPushButton* two = box.addButton(second.caption, QMessageBox::DestructiveRole);
    two->setObjectName(QString::fromLatin1(second.objectName));
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(one);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == one) return 1;
    if (box.clickedButton() == two) return 2;
    return 0;
}

QString ConvertFilter(const QString& pairs) {
    const QStringList parts = pairs.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

namespace {

QString AskFileName(QWidget* parent, const QString& title, const QString& filter,
                    const QString& folder, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, title, folder, ConvertFilter(filter));
    // Guessing types by name: Qt's own guess reads content and blocks on a pipe.
    dialog.setIconProvider(NameOnlyIconProvider());
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QString AskOpenFileName(QWidget* parent, const QString& title, const QString& filter,
                        const QString& folder) {
    return AskFileName(parent, title, filter, folder, QFileDialog::AcceptOpen);
}

QString AskSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                        const QString& folder) {
    return AskFileName(parent, title, filter, folder, QFileDialog::AcceptSave);
}

QStringList AskOpenFileNames(QWidget* parent, const QString& title, const QString& filter,
                             const QString& folder) {
    QFileDialog dialog(parent, title, folder, ConvertFilter(filter));
    dialog.setIconProvider(NameOnlyIconProvider());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted) return {};
    QStringList paths = dialog.selectedFiles();
    SortAsListed(paths);
    return paths;
}

void SortAsListed(QStringList& paths) {
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(paths.begin(), paths.end(), [&collator](const QString& a, const QString& b) {
        const int byName = collator.compare(QFileInfo(a).fileName(), QFileInfo(b).fileName());
        return byName != 0 ? byName < 0 : collator.compare(a, b) < 0;
    });
}

}  // namespace ui

namespace ui {

namespace {

class NameOnly : public QAbstractFileIconProvider {
  public:
    QIcon icon(const QFileInfo& info) const override {
        if (info.isDir()) return QAbstractFileIconProvider::icon(Folder);
        if (info.isFile()) {
            const QMimeType t = db_.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
            const QIcon themed = QIcon::fromTheme(t.iconName());
            if (!themed.isNull()) return themed;
        }
        return QAbstractFileIconProvider::icon(File);
    }
    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return QStringLiteral("文件夹");
        if (!info.isFile()) return QStringLiteral("特殊文件");
        return db_.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension).comment();
    }

  private:
    QMimeDatabase db_;
};

}  // namespace

QAbstractFileIconProvider* NameOnlyIconProvider() {
    static NameOnly provider;
    return &provider;
}

}  // namespace ui

namespace ModBrowseFolder {

QString BrowseForFolder(QWidget* owner, const QString& prompt) {
    QFileDialog dialog(owner, prompt);
    dialog.setIconProvider(ui::NameOnlyIconProvider());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace ModBrowseFolder
