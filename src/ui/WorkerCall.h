#pragma once

#include <QEventLoop>
#include <QMetaObject>
#include <optional>
#include <thread>
#include <type_traits>

namespace mw {

// Runs a call on a worker thread while the main thread keeps handling events, and returns
// its result. For calls that wait on another process (the DVD reader), which must never
// freeze the windows; the call itself must not touch widgets.
// flags say which events the waiting main thread handles meanwhile.
template <typename Call>
auto RunOnWorker(Call call, QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents)
    -> std::invoke_result_t<Call> {
    using Result = std::invoke_result_t<Call>;
    QEventLoop loop;
    std::optional<Result> result;
    std::thread worker([&] {
        result.emplace(call());
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(flags);
    worker.join();
    return std::move(*result);
}

}  // namespace mw
