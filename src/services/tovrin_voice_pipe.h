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
// orders the messages: a talk's "utterance_open" waits until the previous
// talk's "utterance_close" has gone, so upload frames never interleave.
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

    // Starts recording one utterance and announces it; false when a talk is
    // already starting or under way, permission is refused or the recorder
    // does not start.
    QCoro::Task<bool> beginTalk();
    // Finishes the talk under way: stop, pause, check, upload, "utterance_close".
    // A release while the talk is still starting ends it once it has started.
    QCoro::Task<void> endTalk(QString displayName);
    // Abandons the talk under way without sending; removes its file.
    void cancelTalk();
    // Cancels any talk, stops the clip and forgets every incoming utterance.
    void reset();

    bool isTalking() const { return talking_ != nullptr; }
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

    QCoro::Task<void> finishTalk(std::shared_ptr<Talk> talk, QString displayName);
    QCoro::Task<bool> acquireLane();
    void releaseLane();
    // Sends the talk's "utterance_close" and frees the send lane it holds.
    QCoro::Task<void> closeAndRelease(std::shared_ptr<Talk> talk, QString name);
    void dropTalkFile(Talk& talk);
    // A file of that name in the cache folder, which is made if missing.
    static QString cacheFile(const QString& name);

    void forgetStaleIncoming();
    void finalizePlay(const QString& id, int attempt);
    void playClip(const QString& id, const QByteArray& data, const QString& format);
    void stopClip();
    void clipDone(quint64 generation);

    // Transmit.
    std::shared_ptr<Talk> starting_;
    std::shared_ptr<Talk> talking_;
    std::vector<std::shared_ptr<Talk>> finishing_;
    QString utteranceID_;
    quint64 talkGeneration_ = 0;
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
