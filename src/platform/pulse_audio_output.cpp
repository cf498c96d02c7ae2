#include "platform/pulse_audio_output.h"

#include "platform/pulse_connection.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace {

pa_sample_spec monoFloat(int sampleRate)
{
    return pa_sample_spec{PA_SAMPLE_FLOAT32NE, uint32_t(sampleRate), 1};
}

}  // namespace

PulseAudioOutput::PulseAudioOutput(int sampleRate, QByteArray mediaName)
    : AudioOutputDevice(sampleRate), mediaName_(std::move(mediaName)), bufferFrames_(sampleRate * kBufferMs / 1000)
{
}

PulseAudioOutput::~PulseAudioOutput() { close(); }

bool PulseAudioOutput::open()
{
    close();
    failed_.store(false);
    written_ = 0;
    heard_ = 0;
    PulseConnection::Lock lock;
    pa_context* context = lock.context();
    if (!context) {
        errorText_ = PulseConnection::noServerError;
        return false;
    }
    const pa_sample_spec format = monoFloat(sampleRate());
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_NAME, mediaName_.constData());
    stream_ = pa_stream_new_with_proplist(context, mediaName_.constData(), &format, nullptr, properties);
    pa_proplist_free(properties);
    if (!stream_) {
        errorText_ = QStringLiteral("audio output did not open (%1)").arg(pa_strerror(pa_context_errno(context)));
        return false;
    }
    pa_stream_set_state_callback(
        stream_, [](pa_stream* stream, void* self) { static_cast<PulseAudioOutput*>(self)->streamStateChanged(stream); },
        this);
    pa_buffer_attr buffer;
    buffer.maxlength = uint32_t(-1);
    buffer.tlength = uint32_t(pa_usec_to_bytes(pa_usec_t(kBufferMs) * 1000, &format));
    buffer.prebuf = uint32_t(-1);
    buffer.minreq = uint32_t(-1);
    buffer.fragsize = uint32_t(-1);
    // Corked until it is ready and the loop has something to play.
    const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
    corked_ = false;
    // No device name: the stream follows the desktop's default sink.
    if (pa_stream_connect_playback(stream_, nullptr, &buffer, flags, nullptr, nullptr) < 0) {
        errorText_ = QStringLiteral("audio output did not open (%1)").arg(pa_strerror(pa_context_errno(context)));
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_unref(std::exchange(stream_, nullptr));
        return false;
    }
    return true;
}

void PulseAudioOutput::close()
{
    ready_.store(false);
    if (!stream_)
        return;
    PulseConnection::Lock lock;
    if (timing_) {
        pa_operation_cancel(timing_);
        pa_operation_unref(std::exchange(timing_, nullptr));
    }
    PulseConnection::endStream(std::exchange(stream_, nullptr));
}

void PulseAudioOutput::streamStateChanged(pa_stream* stream)
{
    // The stream's own argument: close() may be clearing stream_ right now.
    switch (pa_stream_get_state(stream)) {
    case PA_STREAM_READY:
        if (const pa_buffer_attr* buffer = pa_stream_get_buffer_attr(stream))
            bufferFrames_.store(std::max(1, int(buffer->tlength / sizeof(float))));
        if (!corked_)
            if (pa_operation* op = pa_stream_cork(stream, 0, nullptr, nullptr))
                pa_operation_unref(op);
        ready_.store(true);
        emit ready();
        break;
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        ready_.store(false);
        if (!failed_.exchange(true))
            emit failed(QStringLiteral("audio output failed (%1)")
                            .arg(pa_strerror(pa_context_errno(pa_stream_get_context(stream)))));
        break;
    default:
        break;
    }
}

int PulseAudioOutput::writableFrames()
{
    if (!ready_.load())
        return 0;
    PulseConnection::Lock lock;
    const size_t bytes = pa_stream_writable_size(stream_);
    return bytes == size_t(-1) ? 0 : int(bytes / sizeof(float));
}

void PulseAudioOutput::write(const float* samples, int frames)
{
    if (!ready_.load() || frames <= 0)
        return;
    PulseConnection::Lock lock;
    if (pa_stream_write(stream_, samples, size_t(frames) * sizeof(float), nullptr, 0, PA_SEEK_RELATIVE) == 0)
        written_ += frames;
}

int64_t PulseAudioOutput::playedFrames()
{
    if (!ready_.load())
        return heard_;
    PulseConnection::Lock lock;
    // The server's last report: how far it had read the stream, and how much
    // of that the sink still held. Before the first one nothing counts as heard.
    const pa_timing_info* timing = pa_stream_get_timing_info(stream_);
    if (timing && !timing->read_index_corrupt) {
        const int64_t read = timing->read_index / int64_t(sizeof(float));
        const int64_t inSink = int64_t(timing->sink_usec) * sampleRate() / 1'000'000;
        heard_ = std::clamp(read - inSink, heard_, written_);
    }
    if (heard_ < written_)
        askForTiming();
    return heard_;
}

void PulseAudioOutput::askForTiming()
{
    // One report at a time, asked for as the loop looks: no timer of its own.
    if (timing_ && pa_operation_get_state(timing_) == PA_OPERATION_RUNNING)
        return;
    if (timing_)
        pa_operation_unref(timing_);
    timing_ = pa_stream_update_timing_info(stream_, nullptr, nullptr);
}

void PulseAudioOutput::suspend() { cork(true); }

void PulseAudioOutput::resume() { cork(false); }

void PulseAudioOutput::cork(bool corked)
{
    if (!stream_)
        return;
    PulseConnection::Lock lock;
    // Kept for a stream still opening: it is uncorked on ready only when wanted.
    corked_ = corked;
    if (!ready_.load())
        return;
    if (pa_operation* op = pa_stream_cork(stream_, corked ? 1 : 0, nullptr, nullptr))
        pa_operation_unref(op);
}
