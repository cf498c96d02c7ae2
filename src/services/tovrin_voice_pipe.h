#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QPromise>
#include <QString>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AudioPlayer;
class AudioRecorder;

// The push-to-talk voice pipe: records one AAC utterance per press and
// uploads it through the engine's hooks after the release, and collects the
// utterances the server relays from others to play them one at a time.
//
// Threads: built, called and destroyed on the GUI thread; the hooks are
// called there too. Recording and decoding run on the recorder's and the
// player's own workers.
//
// Each talk owns its id, file and recorder from beginTalk on, so a new press
// during the previous talk's upload never touches that talk. One send lane
// orders the messages: a talk holds it from its "utterance_open" to its
// "utterance_close", and the next talk's open waits for it, so upload frames
// never interleave. A release stops the recorder at once, whatever the talk
// is still waiting for; what was recorded up to then is what is sent.
class TovrinVoicePipe : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxUploadBytes = 512000;
    static constexpr qsizetype kMaxFramePayload = 8192;
    static constexpr qsizetype kMaxIncomingBytes = 512000;
    static constexpr int kMaxPendingUtterances = 16;
    static constexpr std::chrono::seconds kPendingMaxAge{60};

    // Hooks the engine sets on connect (sendJSON and sendBinary are cleared on
    // disconnect). Each returns true when the socket took the frame.
    std::function<QCoro::Task<bool>(QJsonObject)> sendJSON;
    std::function<QCoro::Task<bool>(QByteArray)> sendBinary;
    std::function<void()> stopEngines;

    struct PlayPacket {
        QString id;
        QByteArray payload;
    };

    explicit TovrinVoicePipe(QObject* parent = nullptr);
    ~TovrinVoicePipe() override;

    // Starts recording one utterance, to be announced once the send lane is
    // free; false when a press is already held, permission is refused or the
    // recorder does not start, and when the press was let go before recording.
    QCoro::Task<bool> beginTalk();
    // Ends the held press: stops the recorder at once, then (after the talk's
    // "utterance_open") pauses, checks, uploads and sends "utterance_close".
    // Returns when the talk has gone out or been abandoned.
    QCoro::Task<void> endTalk(QString displayName);
    // Abandons the talk under way without sending; removes its file.
    void cancelTalk();
    // Cancels any talk, stops the clip and forgets every incoming utterance.
    void reset();

    // A press is held and its recorder runs.
    bool isTalking() const;
    // Why the last beginTalk() could not record: the recorder's error text;
    // empty when it recorded or permission refused it.
    QString startError() const { return startError_; }
    QString utteranceID() const { return utteranceID_; }

    // Sets the shared audio session up for play-and-record output.
    static void armLoudspeaker(const QString& reason);

    static bool looksLikeM4A(const QByteArray& bytes);
    static QByteArray wavFromPCM16(const QByteArray& pcm, int sampleRate);
    // The upload frames of a file: its first 512,000 bytes in pieces of at most
    // 8,192 bytes, each after FF 51 46 02.
    static std::vector<QByteArray> uploadFrames(const QByteArray& file);

    // Splits a playback frame (FF 51 46 03, id length, UTF-8 id, payload) into
    // id and payload; none when the header, length or id is wrong.
    static std::optional<PlayPacket> parsePlayPacket(const QByteArray& frame);

    void appendPlayChunk(const QString& id, const QByteArray& payload);
    void notePlayAnnounce(const QString& id, qint64 bytes, const QString& format, const QString& fromUID);
    void notePlayEnd(const QString& id);

    // The bytes collected so far for an announced utterance id.
    QByteArray collectedBytes(const QString& id) const;
    bool isPlayingClip() const { return player_ != nullptr; }

    // Tests shorten the 30 s auto-end and the straggler wait.
    void setTimingForTesting(std::chrono::milliseconds autoEnd, std::chrono::milliseconds stragglerStep);
    // The clock that ages unfinished incoming utterances; tests move it instead of waiting.
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    void setClockForTesting(Clock now) { clock_ = std::move(now); }

signals:
    // The held talk's recorder delivered its first samples.
    void recordingStarted();
    // The held talk's microphone failed: nothing more is recorded. Ending
    // the talk sends what was recorded until then.
    void microphoneFailed(const QString& error);
    // A clip started playing (its local file) and ended (played out or cut off).
    void clipStarted(const QString& file);
    void clipEnded(const QString& file);

private:
    struct Talk;
    struct Incoming {
        QByteArray bytes;
        qint64 expected = 0;
        QString format;
        std::chrono::steady_clock::time_point announcedAt;
    };

    // One talk from its start to its end on the wire: the lane, the open,
    // the wait for the release, the upload and the close.
    QCoro::Task<void> runTalk(std::shared_ptr<Talk> talk);
    QCoro::Task<void> upload(std::shared_ptr<Talk> talk);
    QCoro::Task<bool> acquireLane();
    void releaseLane();
    void stopRecording(Talk& talk);
    void firstSample(quint64 generation);

    void forgetStaleIncoming();
    void finalizePlay(const QString& id, int attempt);
    void playClip(const QString& id, const QByteArray& data, const QString& format);
    void stopClip();
    void clipDone(quint64 generation);

    // Transmit.
    std::shared_ptr<Talk> held_;  // the press being held, from its start
    std::vector<std::shared_ptr<Talk>> inFlight_;  // every talk not yet gone out
    QString utteranceID_;
    quint64 talkGeneration_ = 0;
    QString startError_;
    QTimer deadline_;
    std::chrono::milliseconds autoEnd_{30000};
    bool laneBusy_ = false;
    // Talks waiting for the lane, first come first served; the lane passes
    // straight to the next one.
    std::deque<std::shared_ptr<QPromise<void>>> laneWaiters_;

    // Receive.
    QHash<QString, Incoming> incoming_;
    std::unique_ptr<AudioPlayer> player_;
    QString playerFile_;
    quint64 playGeneration_ = 0;
    quint64 clipCounter_ = 0;
    QTimer clipSafety_;
    std::chrono::milliseconds stragglerStep_{50};
    Clock clock_ = [] { return std::chrono::steady_clock::now(); };
};
