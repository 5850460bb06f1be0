#include "platform/BrowseFolder.h"

#include <QAbstractFileIconProvider>
#include <QFileDialog>
#include <QIcon>
#include <QMimeDatabase>

namespace platform {

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

}  // namespace platform

namespace ModBrowseFolder {

QString BrowseForFolder(QWidget* owner, const QString& prompt) {
    QFileDialog dialog(owner, prompt);
    dialog.setIconProvider(platform::NameOnlyIconProvider());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace ModBrowseFolder
