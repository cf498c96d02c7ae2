#pragma once

#include <QCoreApplication>
#include <QCoroTask>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <exception>
#include <optional>

// Runs a coroutine to completion on a nested event loop and hands back what it
// returned or threw, so a test can assert after it (GoogleTest's ASSERT_* does
// not compile inside a coroutine). Every operation under test carries its own
// time-outs; CTest's per-test limit bounds the rest.
template <class T>
struct Outcome {
    std::optional<T> value;
    std::exception_ptr error;

    bool ok() const { return value.has_value(); }

    // Rethrows the error as E and returns it, or nullopt when it was something else.
    template <class E>
    std::optional<E> errorAs() const
    {
        if (!error)
            return std::nullopt;
        try {
            std::rethrow_exception(error);
        } catch (const E& e) {
            return e;
        } catch (...) {
            return std::nullopt;
        }
    }
};

namespace detail {

// QCoro::waitFor never returns when the awaited task throws (the exception
// stays in an unawaited task): catch it inside a coroutine that always ends.
template <class T>
QCoro::Task<void> captureOutcome(QCoro::Task<T> task, Outcome<T>& outcome)
{
    try {
        outcome.value.emplace(co_await std::move(task));
    } catch (...) {
        outcome.error = std::current_exception();
    }
}

inline QCoro::Task<void> captureError(QCoro::Task<void> task, std::exception_ptr& error)
{
    try {
        co_await std::move(task);
    } catch (...) {
        error = std::current_exception();
    }
}

}  // namespace detail

template <class T>
Outcome<T> runTask(QCoro::Task<T>&& task)
{
    Outcome<T> outcome;
    QCoro::waitFor(detail::captureOutcome(std::move(task), outcome));
    return outcome;
}

inline std::exception_ptr runVoidTask(QCoro::Task<void>&& task)
{
    std::exception_ptr error;
    QCoro::waitFor(detail::captureError(std::move(task), error));
    return error;
}

// Runs the event loop until `condition` holds or `timeout` passes; false when
// it never held. Most fixtures wait 8 s for the loopback server; a fixture
// with another limit passes its own.
template <class Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(8))
{
    return QTest::qWaitFor(std::move(condition), int(timeout.count()));
}

// Delivers what is already queued (posted events, queued calls, timers that
// are due, deferred deletes) without waiting for anything new: after it, a
// local call has had every chance to set off what must not happen. It never
// waits on the clock.
inline void runQueued()
{
    for (int round = 0; round < 10; ++round) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Runs the event loop until a precise timer of twice `span` has fired: every
// timer of up to `span` that was already running has fired before it (a
// coarse one drifts by 5 % at most), and what it set off has run. For a test
// that has shortened a component's interval to `span` and checks what the
// component did, or did not do, when that interval ended.
inline bool waitPastTimers(std::chrono::milliseconds span)
{
    bool fired = false;
    QTimer::singleShot(2 * span, Qt::PreciseTimer, [&fired] { fired = true; });
    const bool passed = QTest::qWaitFor([&fired] { return fired; }, int(2 * span.count()) + 8000);
    runQueued();
    return passed;
}
