#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class AudioDecoder;
class AudioEngine;
class PlayerQueue;
class QThread;

// Plays one audio file or in-memory file (.m4a, .wav, .caf) once: a front on
// the GUI thread over a decoding worker on its own thread. Playing starts with
// the first decoded piece; the worker hands the rest over as it goes.
// Thread contract: create(), every method and the destructor on the GUI
// thread. The decoder is opened on the caller's thread (header only, for a
// synchronous answer), then read and destroyed only on the worker thread.
// Decoded pieces reach the GUI thread queued and are handed straight on to
// the engine, which renders on its own thread. The destructor stops the
// worker and waits for it.
class AudioPlayer final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool playing READ isPlaying NOTIFY playingChanged)
public:
    static constexpr int kOutputRate = 44100;

    // Null with error set when the file cannot be opened as audio.
    // `streamName` tells the desktop's mixer what the clip is.
    static std::unique_ptr<AudioPlayer> fromFile(const QString& path, const QString& streamName, QString* error);
    static std::unique_ptr<AudioPlayer> fromBytes(const QByteArray& bytes, const QString& streamName, QString* error);
    ~AudioPlayer() override;

    // The real length in seconds (the stored stream length).
    double duration() const { return duration_; }
    void setVolume(float volume);
    float volume() const;

    // Opens the output so that play() starts at once.
    bool prepareToPlay();
    // Starts (or resumes) playing from the current position. An output that
    // cannot open, or fails while playing, ends the clip: finished() follows.
    bool play();
    void stop();
    // Moves the play position back to the start (0 is the only position used).
    void rewind();
    bool isPlaying() const { return playing_; }

signals:
    void playingChanged(bool playing);
    // The device reported the clip's last sample heard (the sound server's
    // latency included), or the device failed and the clip is over.
    void finished();
    // Decoding failed part-way; what was decoded still plays.
    void decodeFailed(const QString& error);

private:
    AudioPlayer(std::unique_ptr<AudioDecoder> decoder, const QString& streamName);
    template <class Open>
    static std::unique_ptr<AudioPlayer> make(Open open, const QString& streamName, QString* error);
    void receive(std::vector<float> samples);
    void decodingEnded(const QString& error);
    void scheduleFrom(size_t position);
    void scheduleEndMarker();
    void reachedEnd();
    void outputFailed();
    void setPlaying(bool playing);

    std::unique_ptr<AudioEngine> engine_;
    PlayerQueue* queue_ = nullptr;
    QThread* thread_ = nullptr;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::vector<float> decoded_;
    double duration_ = 0;
    bool decodeDone_ = false;
    bool playing_ = false;
    bool endScheduled_ = false;
    uint64_t generation_ = 0;  // bumped by stop/rewind so stale end markers do nothing
};
