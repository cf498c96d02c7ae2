#pragma once

#include "platform/ffmpeg_util.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

// Decodes the first audio stream of a file or of bytes in memory (.m4a, .wav,
// .caf, anything the demuxers know) into mono float PCM at a chosen rate.
// Mono float already at that rate skips the resampler: one copy per frame.
// Thread contract: synchronous; the thread that opens it may hand it to
// another (the player's worker), which then alone reads and destroys it.
// open* throw ff::MediaError; read returns false at the end.
class AudioDecoder {
public:
    static std::unique_ptr<AudioDecoder> openFile(const QString& path, int outputRate);
    static std::unique_ptr<AudioDecoder> openBytes(const QByteArray& bytes, int outputRate);
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    // The stream's stored duration in seconds (the real length: AAC's padded
    // end is cut at it), or the container's estimate when none is stored.
    double duration() const { return duration_; }
    int outputRate() const { return outputRate_; }

    // Appends the next decoded piece to out; false once everything was read.
    bool read(std::vector<float>& out);

    // Decodes everything that is left (tests and small clips).
    std::vector<float> readAll();

private:
    AudioDecoder(int outputRate, QByteArray bytes);
    void open(const QString& url);
    void convert(const AVFrame* frame, std::vector<float>& out);
    void append(const float* samples, int count, std::vector<float>& out);

    QByteArray bytes_;
    ff::MemoryReader memory_;
    ff::IOContext io_;
    ff::InputFormat demuxer_;
    ff::CodecContext codec_;
    ff::Resampler resampler_;
    ff::Frame frame_;
    ff::Packet packet_;
    std::vector<float> scratch_;
    int streamIndex_ = -1;
    int outputRate_;
    double duration_ = 0;
    int64_t framesLeft_ = -1;  // output frames still allowed; -1 = no stored length
    bool direct_ = false;      // no resampling needed
    bool inputDone_ = false;
    bool done_ = false;
};
