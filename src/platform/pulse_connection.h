#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

// The process's one connection to the sound server (PulseAudio, or
// PipeWire's PulseAudio server), on libpulse's threaded main loop. While the
// server is away it makes a new context on a timer, with back-off up to one
// second, so sound comes back on its own when the server does. It follows
// the server's default sink and source and reports changes of either.
// Thread contract: instance() may be called from any thread; the object
// lives on the thread of the application object, where its signals are
// received. Callbacks run on the loop's own thread with the loop locked;
// every other thread takes Lock before touching the loop, a context or a
// stream, and holds it only for a few calls (never while waiting for the
// server). The loop and its thread end with the application object.
class PulseConnection final : public QObject {
    Q_OBJECT
public:
    // Holds the loop's lock; context() is null unless the server is ready.
    class Lock {
    public:
        Lock();
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
        pa_context* context() const;
    };

    // Why a stream does not open while the server is away.
    static inline const QString noServerError = QStringLiteral("no sound server");

    static PulseConnection& instance();
    // Silences a stream's callbacks, disconnects it and drops our reference
    // (takes the lock). A stream the server is still creating cannot be
    // disconnected yet: it is disconnected and released once created or failed.
    static void endStream(pa_stream* stream);

    // The server answers and streams can be opened (any thread, no lock).
    bool isReady() const { return ready_.load(); }
    // Whether the ready server has a default source to record from (any thread).
    bool hasDefaultSource() const { return hasSource_.load(); }
    // Counts the server's comings and goings and changes of its default
    // devices (any thread): an answer read from the server is stale once it moved.
    quint64 changes() const { return changes_.load(); }
    // Waits, at most `limit`, for the first connection attempt to end either
    // way; the answer is isReady(). For tests and benchmarks that ask whether
    // this machine has a sound server; the app itself never waits for it.
    bool waitForFirstAnswer(std::chrono::milliseconds limit);

    // Test seam: drops the current context and connects to `server` (a
    // libpulse server string) from now on, or to the default when empty.
    void useServerForTesting(const QByteArray& server);

signals:
    // The server came (true) or went (false).
    void availabilityChanged(bool ready);
    // The server's default sink or source changed while it was ready.
    void defaultDevicesChanged();

private:
    PulseConnection();
    ~PulseConnection() override;
    static void end();

    void connectContext();
    void contextStateChanged(pa_context* context);
    void dropContext();
    void scheduleRetry();
    void readServerInfo();
    void setReady(bool ready);
    void answerFirstLook();

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;  // the loop's; null while the server is away
    QByteArray server_;
    const QByteArray displayName_;  // read once on the thread that made us, not on the loop's
    const QByteArray appName_;
    std::chrono::milliseconds retryDelay_;
    bool retryPending_ = false;
    bool ending_ = false;  // the loop is about to stop: no new context
    QString defaultSink_;
    QString defaultSource_;
    std::atomic<bool> ready_{false};
    std::atomic<bool> hasSource_{false};
    std::atomic<quint64> changes_{0};
    std::mutex firstMutex_;
    std::condition_variable firstAnswered_;
    bool answered_ = false;
};
