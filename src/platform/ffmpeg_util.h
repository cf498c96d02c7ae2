#pragma once

// FFmpeg handles owned once: every handle lives in a unique_ptr whose deleter
// is the only place that frees it, and every handle is made here. Error codes
// become a small value with a readable text.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <QString>

#include <memory>
#include <stdexcept>

namespace ff {

// An FFmpeg return code (negative AVERROR) with its text.
struct AvError {
    int code = 0;
    QString text() const;
};

// Thrown inside the codec core only; the fronts catch it and publish its text.
class MediaError : public std::runtime_error {
public:
    explicit MediaError(const QString& what) : std::runtime_error(what.toStdString()) {}
    MediaError(const QString& step, AvError error);
    QString text() const { return QString::fromStdString(what()); }
};

// Throws MediaError naming the step when code is negative; returns code otherwise.
int check(int code, const char* step);

struct InputFormatDeleter { void operator()(AVFormatContext* c) const; };
struct OutputFormatDeleter { void operator()(AVFormatContext* c) const; };
struct CodecContextDeleter { void operator()(AVCodecContext* c) const; };
struct FrameDeleter { void operator()(AVFrame* f) const; };
struct PacketDeleter { void operator()(AVPacket* p) const; };
struct ResamplerDeleter { void operator()(SwrContext* s) const; };
struct IOContextDeleter { void operator()(AVIOContext* io) const; };

using InputFormat = std::unique_ptr<AVFormatContext, InputFormatDeleter>;
using OutputFormat = std::unique_ptr<AVFormatContext, OutputFormatDeleter>;
using CodecContext = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;
using Packet = std::unique_ptr<AVPacket, PacketDeleter>;
using Resampler = std::unique_ptr<SwrContext, ResamplerDeleter>;
using IOContext = std::unique_ptr<AVIOContext, IOContextDeleter>;

Frame makeFrame();
Packet makePacket();
CodecContext makeCodecContext(const AVCodec* codec);

// Opens a demuxer over an already made context (its pb may be custom I/O).
// The context is freed on failure; url may be empty for custom I/O.
InputFormat openInput(AVFormatContext* prepared, const QString& url);
InputFormat allocInput();

// A muxer of the named format writing to a file at path (opened for writing).
OutputFormat openOutputFile(const char* formatName, const QString& path);

// A read-only, seekable I/O context over caller-owned bytes; opaque must stay
// alive as long as the context.
struct MemoryReader {
    const uint8_t* data = nullptr;
    int64_t size = 0;
    int64_t position = 0;
};
IOContext makeMemoryReader(MemoryReader* reader);

// A resampler between two sample formats, rates and channel layouts.
Resampler makeResampler(const AVChannelLayout& inLayout, AVSampleFormat inFormat, int inRate,
                        const AVChannelLayout& outLayout, AVSampleFormat outFormat, int outRate);

}  // namespace ff
