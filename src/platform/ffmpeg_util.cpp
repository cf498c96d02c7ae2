#include "platform/ffmpeg_util.h"

#include <cstring>

namespace ff {

QString AvError::text() const
{
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buffer, sizeof buffer);
    return QString::fromUtf8(buffer);
}

MediaError::MediaError(const QString& step, AvError error)
    : std::runtime_error((step + QStringLiteral(": ") + error.text()).toStdString())
{
}

int check(int code, const char* step)
{
    if (code < 0)
        throw MediaError(QString::fromLatin1(step), AvError{code});
    return code;
}

void InputFormatDeleter::operator()(AVFormatContext* c) const { avformat_close_input(&c); }

void OutputFormatDeleter::operator()(AVFormatContext* c) const
{
    if (c->pb && !(c->oformat->flags & AVFMT_NOFILE))
        avio_closep(&c->pb);
    avformat_free_context(c);
}

void CodecContextDeleter::operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
void FrameDeleter::operator()(AVFrame* f) const { av_frame_free(&f); }
void PacketDeleter::operator()(AVPacket* p) const { av_packet_free(&p); }
void ResamplerDeleter::operator()(SwrContext* s) const { swr_free(&s); }

void IOContextDeleter::operator()(AVIOContext* io) const
{
    av_freep(&io->buffer);
    avio_context_free(&io);
}

Frame makeFrame()
{
    Frame frame(av_frame_alloc());
    if (!frame)
        throw MediaError(QStringLiteral("out of memory (frame)"));
    return frame;
}

Packet makePacket()
{
    Packet packet(av_packet_alloc());
    if (!packet)
        throw MediaError(QStringLiteral("out of memory (packet)"));
    return packet;
}

CodecContext makeCodecContext(const AVCodec* codec)
{
    // FFmpeg's own chatter (encoder statistics) is kept to errors.
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_ERROR);
        return true;
    }();
    (void)quiet;
    CodecContext context(avcodec_alloc_context3(codec));
    if (!context)
        throw MediaError(QStringLiteral("out of memory (codec)"));
    return context;
}

InputFormat allocInput()
{
    AVFormatContext* context = avformat_alloc_context();
    if (!context)
        throw MediaError(QStringLiteral("out of memory (demuxer)"));
    return InputFormat(context);
}

InputFormat openInput(AVFormatContext* prepared, const QString& url)
{
    // avformat_open_input frees the context itself when it fails.
    const QByteArray path = url.toUtf8();
    check(avformat_open_input(&prepared, url.isEmpty() ? nullptr : path.constData(), nullptr, nullptr),
          "open input");
    return InputFormat(prepared);
}

OutputFormat openOutputFile(const char* formatName, const QString& path)
{
    AVFormatContext* raw = nullptr;
    const QByteArray file = path.toUtf8();
    check(avformat_alloc_output_context2(&raw, nullptr, formatName, file.constData()), "output format");
    OutputFormat context(raw);
    check(avio_open(&context->pb, file.constData(), AVIO_FLAG_WRITE), "open output file");
    return context;
}

namespace {

int readMemory(void* opaque, uint8_t* buffer, int size)
{
    auto* reader = static_cast<MemoryReader*>(opaque);
    const int64_t left = reader->size - reader->position;
    if (left <= 0)
        return AVERROR_EOF;
    const int n = int(std::min<int64_t>(left, size));
    std::memcpy(buffer, reader->data + reader->position, size_t(n));
    reader->position += n;
    return n;
}

int64_t seekMemory(void* opaque, int64_t offset, int whence)
{
    auto* reader = static_cast<MemoryReader*>(opaque);
    if (whence == AVSEEK_SIZE)
        return reader->size;
    int64_t target = offset;
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET: break;
    case SEEK_CUR: target = reader->position + offset; break;
    case SEEK_END: target = reader->size + offset; break;
    default: return AVERROR(EINVAL);
    }
    if (target < 0 || target > reader->size)
        return AVERROR(EINVAL);
    reader->position = target;
    return target;
}

}  // namespace

IOContext makeMemoryReader(MemoryReader* reader)
{
    constexpr int kBufferSize = 16 * 1024;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferSize));
    if (!buffer)
        throw MediaError(QStringLiteral("out of memory (I/O buffer)"));
    AVIOContext* io = avio_alloc_context(buffer, kBufferSize, 0, reader, &readMemory, nullptr, &seekMemory);
    if (!io) {
        av_free(buffer);
        throw MediaError(QStringLiteral("out of memory (I/O)"));
    }
    return IOContext(io);
}

Resampler makeResampler(const AVChannelLayout& inLayout, AVSampleFormat inFormat, int inRate,
                        const AVChannelLayout& outLayout, AVSampleFormat outFormat, int outRate)
{
    SwrContext* raw = nullptr;
    // FFmpeg 5.1 takes the layouts as non-const pointers but only reads them.
    AVChannelLayout out = outLayout, in = inLayout;
    check(swr_alloc_set_opts2(&raw, &out, outFormat, outRate, &in, inFormat, inRate, 0, nullptr),
          "resampler options");
    Resampler resampler(raw);
    check(swr_init(resampler.get()), "resampler init");
    return resampler;
}

}  // namespace ff
