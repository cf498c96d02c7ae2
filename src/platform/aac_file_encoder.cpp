#include "platform/aac_file_encoder.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>

AacFileEncoder::AacFileEncoder(const QString& path, int inputRate)
{
    if (inputRate <= 0)
        throw ff::MediaError(QStringLiteral("bad input sample rate"));
    const AVCodec* aac = avcodec_find_encoder_by_name("aac");
    if (!aac)
        throw ff::MediaError(QStringLiteral("no aac encoder"));

    muxer_ = ff::openOutputFile("ipod", path);
    codec_ = ff::makeCodecContext(aac);
    codec_->sample_fmt = AV_SAMPLE_FMT_FLTP;
    codec_->sample_rate = kSampleRate;
    codec_->bit_rate = kBitRate;
    codec_->profile = FF_PROFILE_AAC_LOW;
    codec_->time_base = AVRational{1, kSampleRate};
    av_channel_layout_default(&codec_->ch_layout, 1);
    if (muxer_->oformat->flags & AVFMT_GLOBALHEADER)
        codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    ff::check(avcodec_open2(codec_.get(), aac, nullptr), "open aac encoder");

    stream_ = avformat_new_stream(muxer_.get(), nullptr);
    if (!stream_)
        throw ff::MediaError(QStringLiteral("out of memory (stream)"));
    stream_->time_base = AVRational{1, kSampleRate};
    ff::check(avcodec_parameters_from_context(stream_->codecpar, codec_.get()), "stream parameters");

    // A time scale equal to the sample rate keeps the stored duration exact.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movie_timescale", "44100", 0);
    const int header = avformat_write_header(muxer_.get(), &options);
    av_dict_free(&options);
    ff::check(header, "write header");

    AVChannelLayout mono;
    av_channel_layout_default(&mono, 1);
    resampler_ = ff::makeResampler(mono, AV_SAMPLE_FMT_FLT, inputRate, mono, AV_SAMPLE_FMT_FLT, kSampleRate);
    frame_ = ff::makeFrame();
    packet_ = ff::makePacket();
}

AacFileEncoder::~AacFileEncoder() = default;

void AacFileEncoder::write(const float* samples, int frames)
{
    if (finished_ || frames <= 0)
        return;
    resample(samples, frames);
    encodePending(false);
}

void AacFileEncoder::finish()
{
    if (finished_)
        return;
    finished_ = true;
    resample(nullptr, 0);
    encodePending(true);
    ff::check(avcodec_send_frame(codec_.get(), nullptr), "flush encoder");
    drainPackets();
    ff::check(av_write_trailer(muxer_.get()), "write trailer");
}

void AacFileEncoder::resample(const float* samples, int frames)
{
    const int capacity = swr_get_out_samples(resampler_.get(), frames);
    if (capacity <= 0)
        return;
    scratch_.resize(size_t(capacity));
    auto* out = reinterpret_cast<uint8_t*>(scratch_.data());
    const auto* in = reinterpret_cast<const uint8_t*>(samples);
    const int produced = ff::check(swr_convert(resampler_.get(), &out, capacity, samples ? &in : nullptr, frames),
                                   "resample");
    pending_.insert(pending_.end(), scratch_.begin(), scratch_.begin() + produced);
}

void AacFileEncoder::encodePending(bool final)
{
    const int frameSize = codec_->frame_size;
    size_t offset = 0;
    while (pending_.size() - offset >= size_t(frameSize)) {
        encodeFrame(pending_.data() + offset, frameSize);
        offset += size_t(frameSize);
    }
    // The encoder takes a short last frame.
    if (final && pending_.size() > offset) {
        encodeFrame(pending_.data() + offset, int(pending_.size() - offset));
        offset = pending_.size();
    }
    pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(offset));
}

void AacFileEncoder::encodeFrame(const float* samples, int frames)
{
    av_frame_unref(frame_.get());
    frame_->format = AV_SAMPLE_FMT_FLTP;
    frame_->sample_rate = kSampleRate;
    frame_->nb_samples = frames;
    ff::check(av_channel_layout_copy(&frame_->ch_layout, &codec_->ch_layout), "frame layout");
    ff::check(av_frame_get_buffer(frame_.get(), 0), "frame buffer");
    std::copy(samples, samples + frames, reinterpret_cast<float*>(frame_->data[0]));
    frame_->pts = nextPts_;
    nextPts_ += frames;
    ff::check(avcodec_send_frame(codec_.get(), frame_.get()), "encode");
    drainPackets();
}

void AacFileEncoder::drainPackets()
{
    for (;;) {
        const int got = avcodec_receive_packet(codec_.get(), packet_.get());
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
            return;
        ff::check(got, "receive packet");
        av_packet_rescale_ts(packet_.get(), codec_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        ff::check(av_interleaved_write_frame(muxer_.get(), packet_.get()), "write packet");
    }
}
