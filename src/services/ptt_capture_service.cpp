#include "services/ptt_capture_service.h"

#include "services/wire_pcm.h"

#include <QCoroFuture>

#include <cmath>
#include <limits>

extern "C" {
#include <libavutil/opt.h>
}

PTTCaptureService::PTTCaptureService()
    : sessionQueue_(QStringLiteral("rez.odezedu.dizazizizori.mic.session")),
      sampleQueue_(QStringLiteral("rez.odezedu.dizazizizori.mic.sample"))
{
}

void PTTCaptureService::stopAsync()
{
    if (sessionQueue_.isCurrent()) {
        stopOnQueue();
        return;
    }
    sessionQueue_.post([this] { stopOnQueue(); });
}

QCoro::Task<void> PTTCaptureService::stop()
{
    if (sessionQueue_.isCurrent()) {
        stopOnQueue();
        co_return;
    }
    co_await sessionQueue_.run([this] { stopOnQueue(); });
}

void PTTCaptureService::stopOnQueue()
{
    sessionRunning_ = false;
    sessionInputs_ = 0;
    sessionOutputs_ = 0;
    converter_.reset();
    onPCM_ = nullptr;
    targetFormat_.reset();
    srcSampleRate_ = 0;
    srcChannels_ = 0;
}

void PTTCaptureService::setTarget(std::optional<PcmFormat> targetFormat, PCMCallback onPCM)
{
    targetFormat_ = std::move(targetFormat);
    onPCM_ = std::move(onPCM);
}

namespace {

AVSampleFormat planarFormat(PcmFormat::Sample sample)
{
    return sample == PcmFormat::Sample::int16 ? AV_SAMPLE_FMT_S16P : AV_SAMPLE_FMT_FLTP;
}

// The highest-quality converter between two formats, or null.
ff::Resampler makeConverter(const PcmFormat& from, const PcmFormat& to)
{
    try {
        AVChannelLayout in, out;
        av_channel_layout_default(&in, from.channels);
        av_channel_layout_default(&out, to.channels);
        return ff::makeResampler(in, planarFormat(from.sample), int(from.sampleRate), out, planarFormat(to.sample),
                                 int(to.sampleRate));
    } catch (const ff::MediaError&) {
        return nullptr;
    }
}

std::vector<uint8_t*> planes(PcmBuffer& buffer)
{
    std::vector<uint8_t*> result;
    for (auto& channel : buffer.floatChannels)
        result.push_back(reinterpret_cast<uint8_t*>(channel.data()));
    for (auto& channel : buffer.int16Channels)
        result.push_back(reinterpret_cast<uint8_t*>(channel.data()));
    return result;
}

}  // namespace

void PTTCaptureService::captureOutput(const PcmBuffer& buffer)
{
    if (!targetFormat_ || !onPCM_)
        return;
    const PcmFormat& source = buffer.format;
    if (buffer.frameLength <= 0 || source.sampleRate <= 0 || source.channels < 1)
        return;
    if (!converter_ || source.sampleRate != srcSampleRate_ || uint32_t(source.channels) != srcChannels_) {
        srcSampleRate_ = source.sampleRate;
        srcChannels_ = uint32_t(source.channels);
        converter_ = makeConverter(source, *targetFormat_);
        if (!converter_)
            return;
    }
    const double ratio = targetFormat_->sampleRate / source.sampleRate;
    const int capacity = int(std::ceil(buffer.frameLength * ratio)) + 64;
    PcmBuffer output = PcmBuffer::make(*targetFormat_, capacity);
    PcmBuffer input = buffer;
    std::vector<uint8_t*> in = planes(input), out = planes(output);
    const int produced = swr_convert(converter_.get(), out.data(), capacity,
                                     const_cast<const uint8_t**>(in.data()), buffer.frameLength);
    if (produced < 0)
        return;
    output.frameLength = produced;
    if (produced < 1)
        return;
    if (std::optional<QByteArray> bytes = WirePcm::packWireInt16PCM(output))
        onPCM_(*bytes);
}
