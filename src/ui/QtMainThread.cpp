#include "QtMainThread.h"

#include <QCoreApplication>

namespace mw {

QtMainThread::QtMainThread() = default;

void QtMainThread::ProcessPending() {
    HeadlessMainThread::ProcessPending();
    QCoreApplication::processEvents();
}

void QtMainThread::CallQueued() {
    QMetaObject::invokeMethod(this, "RunQueuedCalls", Qt::QueuedConnection);
}

void QtMainThread::RunQueuedCalls() {
    HeadlessMainThread::ProcessPending();
}

}  // namespace mw
