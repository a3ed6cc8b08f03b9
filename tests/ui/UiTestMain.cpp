// The desktop tests run in one application with the program's main thread.
#include <gtest/gtest.h>

#include <QApplication>

#include "ui/QtMainThread.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    mw::QtMainThread mainThread;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
