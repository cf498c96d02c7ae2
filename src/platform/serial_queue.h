#pragma once

#include <QFuture>
#include <QString>

#include <functional>
#include <memory>

class QThread;
class QObject;

// A named serial queue: work posted to it runs in order on its own thread,
// which starts on the first post (a queue nothing posts to costs no thread).
// Thread contract: post() and isCurrent() from any thread; built and
// destroyed on one thread, and the destructor waits for posted work to end.
class SerialQueue {
public:
    explicit SerialQueue(QString label);
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    QString label() const { return label_; }
    void post(std::function<void()> work);
    // Posts work and answers a future that finishes once it has run.
    QFuture<void> run(std::function<void()> work);
    // True when the caller runs on this queue's thread.
    bool isCurrent() const;

private:
    QString label_;
    QThread* thread_ = nullptr;
    QObject* context_ = nullptr;
};
