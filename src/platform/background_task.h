#pragma once

#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <qcoro/qcorofuture.h>
#include <qcoro/qcorotask.h>

#include <exception>
#include <memory>
#include <type_traits>

// Runs `work` on the global thread pool and resumes the awaiting coroutine on
// its own thread when the result is ready. An exception thrown by `work` is
// rethrown to the awaiter. `work` must own everything it touches.
template <class Work>
auto runInBackground(Work work) -> QCoro::Task<std::invoke_result_t<Work>>
{
    using Result = std::invoke_result_t<Work>;
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> future = promise->future();
    QThreadPool::globalInstance()->start([promise, work = std::move(work)]() mutable {
        promise->start();
        try {
            promise->addResult(work());
        } catch (...) {
            promise->setException(std::current_exception());
        }
        promise->finish();
    });
    co_return co_await future;
}
