#pragma once

#include <QPointer>
#include <QWebSocket>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <coroutine>
#include <memory>

// Waits until a WebSocket has left its opening states (host lookup,
// connecting), is destroyed, or the time-out passes; true when it is open.
// The wait resumes exactly once, from the event loop, never from inside one
// of the socket's own signals. (QCoro 0.8's signal awaiter resumes from a
// queued call per emission and touches freed memory when a signal fires twice.)
QCoro::Task<bool> waitUntilOpen(QPointer<QWebSocket> socket, std::chrono::milliseconds timeout);

class WebSocketOpenAwaiter {
public:
    WebSocketOpenAwaiter(QWebSocket* socket, std::chrono::milliseconds timeout);
    WebSocketOpenAwaiter(WebSocketOpenAwaiter&&) noexcept;
    ~WebSocketOpenAwaiter();

    bool await_ready() const;
    void await_suspend(std::coroutine_handle<> awaiting);
    void await_resume() const {}

private:
    struct Wait;
    std::unique_ptr<Wait> wait_;
};
