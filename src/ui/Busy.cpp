#include "Busy.h"

#include <QCursor>
#include <QGuiApplication>

namespace mw {

namespace {

int g_busyCount = 0;

}  // namespace

void BeginBusy() {
    if (g_busyCount++ == 0) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
}

void EndBusy() {
    if (g_busyCount > 0 && --g_busyCount == 0) {
        QGuiApplication::restoreOverrideCursor();
    }
}

}  // namespace mw
