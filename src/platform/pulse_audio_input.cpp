#include "platform/pulse_audio_input.h"

#include "platform/pulse_connection.h"

#include <pulse/pulseaudio.h>

#include <cstring>
#include <vector>

PulseAudioInput::PulseAudioInput(int sampleRate, QByteArray source)
    : AudioInputDevice(sampleRate), source_(std::move(source))
{
}

PulseAudioInput::~PulseAudioInput() { stop(); }

bool PulseAudioInput::start(Sink sink)
{
    stop();
    PulseConnection::Lock lock;
    pa_context* context = lock.context();
    if (!context) {
        errorText_ = PulseConnection::noServerError;
        return false;
    }
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, uint32_t(sampleRate()), 1};
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_NAME, "Push-to-talk");
    stream_ = pa_stream_new_with_proplist(context, "Push-to-talk", &format, nullptr, properties);
    pa_proplist_free(properties);
    if (!stream_) {
        errorText_ = QStringLiteral("audio input did not open (%1)").arg(pa_strerror(pa_context_errno(context)));
        return false;
    }
    pa_stream_set_read_callback(
        stream_, [](pa_stream* stream, size_t, void* self) { static_cast<PulseAudioInput*>(self)->streamReadable(stream); },
        this);
    pa_stream_set_state_callback(
        stream_, [](pa_stream* stream, void* self) { static_cast<PulseAudioInput*>(self)->streamStateChanged(stream); },
        this);
    pa_buffer_attr buffer;
    buffer.maxlength = uint32_t(-1);
    buffer.fragsize = uint32_t(pa_usec_to_bytes(pa_usec_t(kFragmentMs) * 1000, &format));
    buffer.tlength = buffer.prebuf = buffer.minreq = uint32_t(-1);
    const char* source = source_.isEmpty() ? nullptr : source_.constData();
    if (pa_stream_connect_record(stream_, source, &buffer, PA_STREAM_ADJUST_LATENCY) < 0) {
        errorText_ = QStringLiteral("audio input did not open (%1)").arg(pa_strerror(pa_context_errno(context)));
        pa_stream_set_read_callback(stream_, nullptr, nullptr);
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_unref(std::exchange(stream_, nullptr));
        return false;
    }
    ++generation_;
    sink_ = std::move(sink);
    return true;
}

void PulseAudioInput::stop()
{
    sink_ = nullptr;
    if (!stream_)
        return;
    PulseConnection::Lock lock;  // held across, so no read of the old stream sees the new generation
    PulseConnection::endStream(std::exchange(stream_, nullptr));
    ++generation_;
}

template <class F>
void PulseAudioInput::postForThisStream(F f)
{
    QMetaObject::invokeMethod(
        this,
        [this, generation = generation_, f = std::move(f)]() mutable {
            if (generation == generation_ && sink_)
                f();
        },
        Qt::QueuedConnection);
}

void PulseAudioInput::streamStateChanged(pa_stream* stream)
{
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state != PA_STREAM_FAILED && state != PA_STREAM_TERMINATED)
        return;
    // A record stream says it ended only here: its read callback just stops.
    const QString error =
        QStringLiteral("audio input failed (%1)").arg(pa_strerror(pa_context_errno(pa_stream_get_context(stream))));
    postForThisStream([this, error] {
        sink_ = nullptr;
        emit failed(error);
    });
}

void PulseAudioInput::streamReadable(pa_stream* stream)
{
    std::vector<float> samples;
    const void* data = nullptr;
    size_t bytes = 0;
    // Bounded: the server hands over at most what it buffered for us.
    while (pa_stream_peek(stream, &data, &bytes) == 0 && bytes > 0) {
        const size_t frames = bytes / sizeof(float);
        const size_t at = samples.size();
        samples.resize(at + frames);
        if (data)
            std::memcpy(samples.data() + at, data, frames * sizeof(float));
        else
            std::fill(samples.begin() + std::ptrdiff_t(at), samples.end(), 0.0f);  // a hole: silence
        pa_stream_drop(stream);
    }
    if (samples.empty())
        return;
    postForThisStream([this, samples = std::move(samples)] { sink_(samples.data(), int(samples.size())); });
}
