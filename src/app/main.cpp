#include <QApplication>

#include "ui/Form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Form1 w;
    w.show();
    QCoreApplication::processEvents();
    return app.exec();
}
