#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "ui/main/Application.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // Qt's own dialogs, so that tests can answer them.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    // The file dialogs remember folders in the user's settings, shared by
    // every Qt program: the tests keep theirs apart.
    QTemporaryDir config;
    if (config.isValid()) qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    // So are the files the program keeps in the user's data folder (the
    // purge's rule list).
    QTemporaryDir data;
    if (data.isValid()) qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    // The program's own, so that its guard at the event loop is tested too.
    ui::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
