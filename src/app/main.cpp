#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "ui/Form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The program speaks Chinese: Qt's own dialogs (file dialogs, colour and
    // font pickers) should too, whatever the system's language.
    QTranslator qtChinese;
    if (qtChinese.load(QStringLiteral("qtbase_zh_CN"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtChinese);
    }
    Form1 w;
    w.show();
    QCoreApplication::processEvents();
    return app.exec();
}
