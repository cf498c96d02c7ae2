#pragma once

#include "platform/ffmpeg_util.h"
#include "platform/pcm_buffer.h"
#include "platform/serial_queue.h"

#include <QByteArray>
#include <QCoroTask>

#include <functional>
#include <optional>

// Microphone capture converted to the wire's 16-bit PCM. The engine owns
// one and stops it, but nothing gives it a target format and a callback, so
// it never produces audio.
// Thread contract: built and destroyed on the GUI thread; capture state
// changes only on sessionQueue; captureOutput runs on the thread that
// delivers samples (sampleQueue when a capture is wired up).
class PTTCaptureService {
public:
    using PCMCallback = std::function<void(const QByteArray&)>;

    PTTCaptureService();

    // Stops on sessionQueue: at once when already there, else posted.
    void stopAsync();
    // Resumes the caller once the stop has run on sessionQueue.
    QCoro::Task<void> stop();

    // One delivered block of captured samples.
    void captureOutput(const PcmBuffer& buffer);

    // Set up by a capture that starts this service (none does yet).
    void setTarget(std::optional<PcmFormat> targetFormat, PCMCallback onPCM);

    bool isSessionRunning() const { return sessionRunning_; }
    const SerialQueue& sessionQueue() const { return sessionQueue_; }

private:
    void stopOnQueue();

    // The capture session: running flag and its attached inputs and outputs.
    bool sessionRunning_ = false;
    int sessionInputs_ = 0;
    int sessionOutputs_ = 0;
    SerialQueue sessionQueue_;
    SerialQueue sampleQueue_;
    std::optional<PcmFormat> targetFormat_;
    ff::Resampler converter_;
    PCMCallback onPCM_;
    double srcSampleRate_ = 0;
    uint32_t srcChannels_ = 0;
};
