#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QString>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

// The push-to-talk voice pipe: records one utterance per press and uploads it
// through the engine's hooks, and collects announced utterances to play them.
//
// Threads: built, called and destroyed on the GUI thread; the hooks are
// called there too.
class TovrinVoicePipe : public QObject {
    Q_OBJECT
public:
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

    // Starts recording one utterance and announces it; false when it could not.
    QCoro::Task<bool> beginTalk();
    // Finishes the utterance under way: upload, then "utterance_close" with the name.
    QCoro::Task<void> endTalk(QString displayName);
    // Cancels a talk and forgets every incoming utterance. Never fails.
    void reset();

    // Sets the shared audio session up for play-and-record output.
    static void armLoudspeaker(const QString& reason);

    // Splits a playback frame (FF 51 46 03, id length, UTF-8 id, payload) into
    // id and payload; none when the header, length or id is wrong.
    static std::optional<PlayPacket> parsePlayPacket(const QByteArray& frame);

    void appendPlayChunk(const QString& id, const QByteArray& payload);
    void notePlayAnnounce(const QString& id, qint64 bytes, const QString& format, const QString& fromUID);
    void notePlayEnd(const QString& id);

    // The bytes collected so far for an utterance id.
    QByteArray collectedBytes(const QString& id) const { return incoming_.value(id); }

private:
    QHash<QString, QByteArray> incoming_;
    QHash<QString, qint64> expectedBytes_;
    QHash<QString, QString> formats_;
};
