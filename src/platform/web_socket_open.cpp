#include "platform/web_socket_open.h"

#include <QTimer>

namespace {

bool isOpening(QAbstractSocket::SocketState state)
{
    return state == QAbstractSocket::HostLookupState || state == QAbstractSocket::ConnectingState;
}

}  // namespace

struct WebSocketOpenAwaiter::Wait {
    QPointer<QWebSocket> socket;
    std::chrono::milliseconds timeout;
    QTimer deadline;
    QTimer resumer;
    QMetaObject::Connection stateConnection;
    QMetaObject::Connection destroyedConnection;
    std::coroutine_handle<> awaiting;

    // Cuts every source first so nothing fires twice; resumes from the event loop.
    void settle()
    {
        QObject::disconnect(stateConnection);
        QObject::disconnect(destroyedConnection);
        deadline.stop();
        if (!resumer.isActive())
            resumer.start(0);
    }

    ~Wait()
    {
        QObject::disconnect(stateConnection);
        QObject::disconnect(destroyedConnection);
    }
};

WebSocketOpenAwaiter::WebSocketOpenAwaiter(QWebSocket* socket, std::chrono::milliseconds timeout)
    : wait_(std::make_unique<Wait>())
{
    wait_->socket = socket;
    wait_->timeout = timeout;
    wait_->deadline.setSingleShot(true);
    wait_->resumer.setSingleShot(true);
}

WebSocketOpenAwaiter::WebSocketOpenAwaiter(WebSocketOpenAwaiter&&) noexcept = default;
WebSocketOpenAwaiter::~WebSocketOpenAwaiter() = default;

bool WebSocketOpenAwaiter::await_ready() const
{
    return !wait_->socket || !isOpening(wait_->socket->state());
}

void WebSocketOpenAwaiter::await_suspend(std::coroutine_handle<> awaiting)
{
    Wait* wait = wait_.get();
    wait->awaiting = awaiting;
    QObject::connect(&wait->resumer, &QTimer::timeout, [wait] { std::exchange(wait->awaiting, {}).resume(); });
    QObject::connect(&wait->deadline, &QTimer::timeout, [wait] { wait->settle(); });
    wait->stateConnection = QObject::connect(wait->socket.data(), &QWebSocket::stateChanged,
                                             [wait](QAbstractSocket::SocketState state) {
                                                 if (!isOpening(state))
                                                     wait->settle();
                                             });
    wait->destroyedConnection = QObject::connect(wait->socket.data(), &QObject::destroyed, [wait] { wait->settle(); });
    wait->deadline.start(wait->timeout);
}

QCoro::Task<bool> waitUntilOpen(QPointer<QWebSocket> socket, std::chrono::milliseconds timeout)
{
    co_await WebSocketOpenAwaiter(socket.data(), timeout);
    co_return socket && socket->state() == QAbstractSocket::ConnectedState;
}
