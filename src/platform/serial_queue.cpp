#include "platform/serial_queue.h"

#include <QMutex>
#include <QPromise>
#include <QThread>

namespace {
QMutex startMutex;
}

SerialQueue::SerialQueue(QString label) : label_(std::move(label)) {}

SerialQueue::~SerialQueue()
{
    if (!thread_)
        return;
    // Work already posted runs before the loop sees the quit.
    QMetaObject::invokeMethod(context_, [thread = thread_] { thread->quit(); }, Qt::QueuedConnection);
    thread_->wait();
    delete context_;
    delete thread_;
}

void SerialQueue::post(std::function<void()> work)
{
    {
        QMutexLocker lock(&startMutex);
        if (!thread_) {
            thread_ = new QThread;
            thread_->setObjectName(label_);
            context_ = new QObject;
            context_->moveToThread(thread_);
            thread_->start();
        }
    }
    QMetaObject::invokeMethod(context_, std::move(work), Qt::QueuedConnection);
}

QFuture<void> SerialQueue::run(std::function<void()> work)
{
    auto promise = std::make_shared<QPromise<void>>();
    QFuture<void> done = promise->future();
    promise->start();
    post([promise, work = std::move(work)] {
        work();
        promise->finish();
    });
    return done;
}

bool SerialQueue::isCurrent() const
{
    return thread_ && QThread::currentThread() == thread_;
}
