#pragma once

#include "platform/audio_input.h"

#include <QByteArray>

#include <cstdint>

struct pa_stream;

// A record stream on the sound server. With no source name it records from
// the server's default source at the moment it starts, as a desktop
// application should; a test or a benchmark may name a source. Captured
// samples are copied on the sound server's thread and handed to the GUI
// thread queued, so a stalled GUI thread delays them but loses none.
// A stream that fails, or a server that goes away, is reported by failed().
// Thread contract: as AudioInputDevice's. The read and state callbacks run on
// the sound server's thread with its loop locked; start() and stop() take
// that lock for a few calls, and after stop() no sample or failure of the
// old stream arrives.
class PulseAudioInput final : public AudioInputDevice {
    Q_OBJECT
public:
    static constexpr int kFragmentMs = 20;

    explicit PulseAudioInput(int sampleRate, QByteArray source = {});
    ~PulseAudioInput() override;
    bool start(Sink sink) override;
    void stop() override;

private:
    void streamReadable(pa_stream* stream);
    void streamStateChanged(pa_stream* stream);
    // Runs f on the GUI thread unless the stream it came from was stopped by then.
    template <class F>
    void postForThisStream(F f);

    QByteArray source_;
    pa_stream* stream_ = nullptr;
    Sink sink_;
    uint64_t generation_ = 0;  // written under the loop's lock; samples of older streams are dropped
};
