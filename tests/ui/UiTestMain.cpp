// The desktop tests run in one application with the program's main thread.
#include <gtest/gtest.h>

#include <QApplication>

#include "ui/QtMainThread.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    mw::QtMainThread mainThread;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
