#include "platform/pulse_connection.h"

#include "platform/alternate_signal_stack.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <pulse/pulseaudio.h>

#include <algorithm>

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds kFirstRetry = 200ms;
// Well inside the two seconds in which sound must be back after the server is.
constexpr std::chrono::milliseconds kLongestRetry = 1000ms;

PulseConnection*& shared()
{
    static PulseConnection* connection = nullptr;
    return connection;
}

std::mutex& sharedMutex()
{
    static std::mutex mutex;
    return mutex;
}

}  // namespace

PulseConnection::Lock::Lock() { pa_threaded_mainloop_lock(instance().loop_); }

PulseConnection::Lock::~Lock() { pa_threaded_mainloop_unlock(instance().loop_); }

pa_context* PulseConnection::Lock::context() const
{
    PulseConnection& connection = instance();
    return connection.isReady() ? connection.context_ : nullptr;
}

PulseConnection& PulseConnection::instance()
{
    std::lock_guard lock(sharedMutex());
    if (!shared()) {
        shared() = new PulseConnection;
        qAddPostRoutine(&PulseConnection::end);
    }
    return *shared();
}

void PulseConnection::endStream(pa_stream* stream)
{
    Lock lock;
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    if (pa_stream_get_state(stream) == PA_STREAM_CREATING) {
        // The server refuses to disconnect a stream it has not answered for
        // yet, and one only unreferenced would live on there (a recording
        // one with the desktop's microphone indicator on).
        pa_stream_set_state_callback(
            stream,
            [](pa_stream* created, void*) {
                switch (pa_stream_get_state(created)) {
                case PA_STREAM_READY:
                    if (pa_stream_disconnect(created) == 0)
                        break;  // TERMINATED follows
                    [[fallthrough]];
                case PA_STREAM_FAILED:
                case PA_STREAM_TERMINATED:
                    pa_stream_set_state_callback(created, nullptr, nullptr);
                    pa_stream_unref(created);
                    break;
                default:
                    break;
                }
            },
            nullptr);
        return;
    }
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);  // refused, harmlessly, for a stream that already failed
    pa_stream_unref(stream);
}

void PulseConnection::end()
{
    std::lock_guard lock(sharedMutex());
    delete std::exchange(shared(), nullptr);
}

PulseConnection::PulseConnection()
    : server_(qgetenv("PULSE_SERVER")),
      displayName_(QGuiApplication::applicationDisplayName().toUtf8()),
      appName_(QCoreApplication::applicationName().toUtf8()),
      retryDelay_(kFirstRetry)
{
    if (QCoreApplication* app = QCoreApplication::instance(); app && thread() != app->thread())
        moveToThread(app->thread());
    loop_ = pa_threaded_mainloop_new();
    pa_threaded_mainloop_set_name(loop_, "sound server");
    pa_threaded_mainloop_lock(loop_);
    // The loop's first deed on its thread: a stack overflow there is logged too.
    pa_mainloop_api_once(
        pa_threaded_mainloop_get_api(loop_),
        [](pa_mainloop_api*, void*) { AlternateSignalStack::installForThisThread(); }, nullptr);
    connectContext();
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_start(loop_);
}

PulseConnection::~PulseConnection()
{
    pa_threaded_mainloop_lock(loop_);
    // A retry that fires after the unlock would make a context nobody frees.
    ending_ = true;
    dropContext();
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

bool PulseConnection::waitForFirstAnswer(std::chrono::milliseconds limit)
{
    std::unique_lock lock(firstMutex_);
    firstAnswered_.wait_for(lock, limit, [this] { return answered_; });
    return isReady();
}

void PulseConnection::useServerForTesting(const QByteArray& server)
{
    Lock lock;
    server_ = server;
    dropContext();
    setReady(false);
    {
        std::lock_guard first(firstMutex_);
        answered_ = false;
    }
    retryDelay_ = kFirstRetry;
    if (!retryPending_)
        connectContext();
}

void PulseConnection::connectContext()
{
    pa_proplist* properties = pa_proplist_new();
    // How the desktop's mixer names and pictures our streams.
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, displayName_.constData());
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, appName_.constData());
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, appName_.constData());
    context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), displayName_.constData(), properties);
    pa_proplist_free(properties);
    pa_context_set_state_callback(
        context_, [](pa_context* context, void* self) { static_cast<PulseConnection*>(self)->contextStateChanged(context); },
        this);
    pa_context_set_subscribe_callback(
        context_,
        [](pa_context* context, pa_subscription_event_type_t event, uint32_t, void* self) {
            auto* connection = static_cast<PulseConnection*>(self);
            if (context == connection->context_ &&
                (event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SERVER)
                connection->readServerInfo();
        },
        this);
    // No autospawn: a desktop starts its own server, and tests must never get one by accident.
    const char* server = server_.isEmpty() ? nullptr : server_.constData();
    if (pa_context_connect(context_, server, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        dropContext();
        answerFirstLook();
        scheduleRetry();
    }
}

void PulseConnection::contextStateChanged(pa_context* context)
{
    if (context != context_)
        return;
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        retryDelay_ = kFirstRetry;
        if (pa_operation* op = pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr))
            pa_operation_unref(op);
        // Ready once the defaults are known, so a first look sees the source.
        readServerInfo();
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        // The context holds a reference of its own while it reports a state.
        dropContext();
        setReady(false);
        answerFirstLook();
        scheduleRetry();
        break;
    default:
        break;
    }
}

void PulseConnection::dropContext()
{
    if (!context_)
        return;
    pa_context* context = std::exchange(context_, nullptr);
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
}

void PulseConnection::scheduleRetry()
{
    if (retryPending_)
        return;
    retryPending_ = true;
    const std::chrono::milliseconds delay = retryDelay_;
    retryDelay_ = std::min(retryDelay_ * 2, kLongestRetry);
    timeval when;
    pa_gettimeofday(&when);
    pa_timeval_add(&when, pa_usec_t(std::chrono::microseconds(delay).count()));
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    api->time_new(
        api, &when,
        [](pa_mainloop_api* api, pa_time_event* event, const timeval*, void* self) {
            api->time_free(event);
            auto* connection = static_cast<PulseConnection*>(self);
            connection->retryPending_ = false;
            if (!connection->context_ && !connection->ending_)
                connection->connectContext();
        },
        this);
}

void PulseConnection::readServerInfo()
{
    pa_operation* op = pa_context_get_server_info(
        context_,
        [](pa_context* context, const pa_server_info* info, void* self) {
            auto* connection = static_cast<PulseConnection*>(self);
            if (context != connection->context_ || !info)
                return;
            const QString sink = QString::fromUtf8(info->default_sink_name ? info->default_sink_name : "");
            const QString source = QString::fromUtf8(info->default_source_name ? info->default_source_name : "");
            const bool changed = sink != connection->defaultSink_ || source != connection->defaultSource_;
            connection->defaultSink_ = sink;
            connection->defaultSource_ = source;
            connection->hasSource_.store(!source.isEmpty());
            if (!connection->isReady()) {
                connection->setReady(true);
                connection->answerFirstLook();
            } else if (changed) {
                ++connection->changes_;
                emit connection->defaultDevicesChanged();
            }
        },
        this);
    if (op)
        pa_operation_unref(op);
}

void PulseConnection::setReady(bool ready)
{
    if (ready_.exchange(ready) == ready)
        return;
    ++changes_;
    emit availabilityChanged(ready);
}

void PulseConnection::answerFirstLook()
{
    {
        std::lock_guard lock(firstMutex_);
        answered_ = true;
    }
    firstAnswered_.notify_all();
}
