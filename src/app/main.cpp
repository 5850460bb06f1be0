#include <QLibraryInfo>
#include <QStringList>
#include <QTimer>
#include <QTranslator>
#include <csignal>

#include "files/TextFile.h"
#include "ui/main/Application.h"
#include "ui/main/Form1.h"

int main(int argc, char* argv[]) {
    ui::Application app(argc, argv);
    // A save past the file-size limit fails with EFBIG and is told, instead
    // of ending the program with the user's text unsaved.
    std::signal(SIGXFSZ, SIG_IGN);
    // Names the user's data folder (~/.local/share/quillmere) for an installed copy.
    QApplication::setApplicationName(QStringLiteral("quillmere"));
    QApplication::setDesktopFileName(QStringLiteral("example.quillmere.Quillmere"));
    // The program speaks Chinese: Qt's own dialogs (file dialogs, colour and
    // font pickers) should too, whatever the system's language.
    QTranslator qtChinese;
    if (qtChinese.load(QStringLiteral("qtbase_zh_CN"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtChinese);
    }
    ui::Form1 w;
    w.show();
    QCoreApplication::processEvents();
    // Files from the command line (a file manager's "open with"): the first
    // in this window, every other in a window of its own, as if opened there.
    // Taken as bytes from argv (which Qt has rid of its own options): Qt's
    // arguments() loses the bytes of a name that is not UTF-8.
    QStringList files;
    for (int i = 1; i < argc; ++i) files << files::PathFromBytes(argv[i]);
    for (qsizetype i = 0; i < files.size(); ++i) {
        ui::Form1* target = &w;
        if (i > 0) {
            target = new ui::Form1;
            target->setAttribute(Qt::WA_DeleteOnClose);
            target->show();
        }
        target->OpenPath(files[i]);
    }
    // What programs that are gone left unsaved.
    QTimer::singleShot(0, &w, &ui::Form1::OfferRecoveryCopies);
    return app.exec();
}
