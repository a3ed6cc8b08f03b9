#pragma once

#include <QObject>

#include "core/MainThread.h"

namespace mw {

// The main thread of the desktop program: calls of workers are run from the Qt event loop,
// and also whenever the main thread waits.
class QtMainThread final : public QObject, public HeadlessMainThread {
    Q_OBJECT
public:
    QtMainThread();

    // Runs the waiting calls and lets pending window events be processed once.
    void ProcessPending() override;

protected:
    void CallQueued() override;

private:
    // Posted by name, so that nothing the worker allocated is handed across.
    Q_INVOKABLE void RunQueuedCalls();
};

}  // namespace mw
