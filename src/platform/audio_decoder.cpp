#include "platform/audio_decoder.h"

#include <cmath>

std::unique_ptr<AudioDecoder> AudioDecoder::openFile(const QString& path, int outputRate)
{
    std::unique_ptr<AudioDecoder> decoder(new AudioDecoder(outputRate, {}));
    decoder->open(path);
    return decoder;
}

std::unique_ptr<AudioDecoder> AudioDecoder::openBytes(const QByteArray& bytes, int outputRate)
{
    std::unique_ptr<AudioDecoder> decoder(new AudioDecoder(outputRate, bytes));
    decoder->open({});
    return decoder;
}

AudioDecoder::AudioDecoder(int outputRate, QByteArray bytes)
    : bytes_(std::move(bytes)), outputRate_(outputRate)
{
    if (outputRate <= 0)
        throw ff::MediaError(QStringLiteral("bad output sample rate"));
}

AudioDecoder::~AudioDecoder()
{
    // The demuxer refers to the I/O context: close it first.
    codec_.reset();
    demuxer_.reset();
    io_.reset();
}

void AudioDecoder::open(const QString& url)
{
    ff::InputFormat context = ff::allocInput();
    if (url.isEmpty()) {
        if (bytes_.isEmpty())
            throw ff::MediaError(QStringLiteral("no audio data"));
        memory_ = ff::MemoryReader{reinterpret_cast<const uint8_t*>(bytes_.constData()), bytes_.size(), 0};
        io_ = ff::makeMemoryReader(&memory_);
        context->pb = io_.get();
        context->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    demuxer_ = ff::openInput(context.release(), url);
    ff::check(avformat_find_stream_info(demuxer_.get(), nullptr), "stream info");

    const AVCodec* codec = nullptr;
    streamIndex_ = ff::check(av_find_best_stream(demuxer_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0),
                             "find audio stream");
    const AVStream* stream = demuxer_->streams[streamIndex_];
    codec_ = ff::makeCodecContext(codec);
    ff::check(avcodec_parameters_to_context(codec_.get(), stream->codecpar), "codec parameters");
    ff::check(avcodec_open2(codec_.get(), codec, nullptr), "open decoder");

    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
        duration_ = double(stream->duration) * av_q2d(stream->time_base);
        framesLeft_ = std::llround(duration_ * outputRate_);
    } else if (demuxer_->duration != AV_NOPTS_VALUE && demuxer_->duration > 0) {
        duration_ = double(demuxer_->duration) / AV_TIME_BASE;
    }

    // Mono float at the output rate (the AAC we record) is copied as it is.
    direct_ = codec_->sample_rate == outputRate_ && codec_->ch_layout.nb_channels == 1 &&
              (codec_->sample_fmt == AV_SAMPLE_FMT_FLT || codec_->sample_fmt == AV_SAMPLE_FMT_FLTP);
    if (!direct_) {
        AVChannelLayout mono;
        av_channel_layout_default(&mono, 1);
        AVChannelLayout inLayout = codec_->ch_layout;
        if (inLayout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&inLayout, inLayout.nb_channels);
        resampler_ = ff::makeResampler(inLayout, codec_->sample_fmt, codec_->sample_rate, mono, AV_SAMPLE_FMT_FLT,
                                       outputRate_);
    }
    frame_ = ff::makeFrame();
    packet_ = ff::makePacket();
}

bool AudioDecoder::read(std::vector<float>& out)
{
    while (!done_) {
        const int got = avcodec_receive_frame(codec_.get(), frame_.get());
        if (got == 0) {
            convert(frame_.get(), out);
            av_frame_unref(frame_.get());
            return true;
        }
        if (got == AVERROR_EOF) {
            convert(nullptr, out);  // the resampler's tail
            done_ = true;
            return true;
        }
        if (got != AVERROR(EAGAIN))
            ff::check(got, "decode");
        if (inputDone_) {
            done_ = true;
            break;
        }
        const int readResult = av_read_frame(demuxer_.get(), packet_.get());
        if (readResult == AVERROR_EOF) {
            inputDone_ = true;
            ff::check(avcodec_send_packet(codec_.get(), nullptr), "flush decoder");
            continue;
        }
        ff::check(readResult, "read packet");
        if (packet_->stream_index == streamIndex_) {
            const int sent = avcodec_send_packet(codec_.get(), packet_.get());
            // A damaged packet is skipped; the rest of the clip still plays.
            if (sent < 0 && sent != AVERROR_INVALIDDATA)
                ff::check(sent, "send packet");
        }
        av_packet_unref(packet_.get());
    }
    return false;
}

std::vector<float> AudioDecoder::readAll()
{
    std::vector<float> all;
    if (framesLeft_ > 0)
        all.reserve(size_t(framesLeft_));
    while (read(all)) {
    }
    return all;
}

void AudioDecoder::convert(const AVFrame* frame, std::vector<float>& out)
{
    if (direct_) {
        if (frame)
            append(reinterpret_cast<const float*>(frame->extended_data[0]), frame->nb_samples, out);
        return;
    }
    const int inFrames = frame ? frame->nb_samples : 0;
    const int capacity = swr_get_out_samples(resampler_.get(), inFrames);
    if (capacity <= 0)
        return;
    scratch_.resize(size_t(capacity));
    auto* target = reinterpret_cast<uint8_t*>(scratch_.data());
    const int produced = ff::check(
        swr_convert(resampler_.get(), &target, capacity,
                    frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, inFrames),
        "resample");
    append(scratch_.data(), produced, out);
}

void AudioDecoder::append(const float* samples, int count, std::vector<float>& out)
{
    // The encoder pads the end to a whole frame: keep only the stored length.
    if (framesLeft_ >= 0)
        count = int(std::min<int64_t>(count, framesLeft_));
    if (count <= 0)
        return;
    out.insert(out.end(), samples, samples + count);
    if (framesLeft_ >= 0)
        framesLeft_ -= count;
}
