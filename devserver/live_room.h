#pragma once

#include "dev_state.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QTcpSocket>
#include <QWebSocket>

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

// Frame headers of the live socket: 0xFF 'Q' 'F' and a kind byte.
namespace LiveFrame {
constexpr char pagerKind = 0x01;
constexpr char uploadKind = 0x02;
constexpr char playKind = 0x03;
constexpr qsizetype headerSize = 4;
constexpr qsizetype maxPlayPayload = 8192;

// The kind of a frame that starts with the header and carries at least one payload byte, else 0.
char kindOf(const QByteArray& frame);
QByteArray header(char kind);
}  // namespace LiveFrame

// Sockets are released with deleteLater: a socket may be dropped from inside one of its own signals.
struct DeleteLater {
    void operator()(QObject* object) const { object->deleteLater(); }
};

// One open socket in a room, with the pager and upload it has in progress.
struct LiveMember {
    using Clock = std::chrono::steady_clock;

    std::unique_ptr<QWebSocket, DeleteLater> socket;
    QString uid;
    int channel = 0;

    // Pager frames are relayed after their "pager" message. Until a pager is
    // accepted, frames that came first wait (a sender may put them ahead of the
    // message); after a refusal they are dropped.
    Clock::time_point pagerOpenUntil{};
    Clock::time_point pagerRefusedUntil{};
    QList<QByteArray> earlyPagerFrames;
    qsizetype earlyPagerBytes = 0;
    Clock::time_point earlyPagerSince{};

    // The utterance between "utterance_open" and "utterance_close".
    bool uploading = false;
    QByteArray upload;

    // A silenced member's socket is neither read nor written any more.
    bool silent = false;

    void sendJson(const QJsonObject& message);
    void sendBinary(const QByteArray& frame);
    // `connections`: the server's TCP connections, among them this member's.
    void silence(const QList<QTcpSocket*>& connections);
};

// The listeners of one channel, its chat history and its reactions.
class LiveRoom {
public:
    static constexpr int maxMembers = 256;
    static constexpr size_t maxHistory = 100;
    static constexpr int maxChatCharacters = 500;
    static constexpr qsizetype maxUploadBytes = 512000;

    std::vector<std::unique_ptr<LiveMember>>& members() { return members_; }
    bool full() const { return int(members_.size()) >= maxMembers; }

    LiveMember& add(std::unique_ptr<LiveMember> member);
    // Takes the member out; the caller closes and releases its socket.
    std::unique_ptr<LiveMember> remove(const LiveMember* member);
    LiveMember* findByUid(const QString& uid);

    // A user is in a room at most once: its reconnect replaces its old socket.
    int listenerCount() const { return int(members_.size()); }

    // {"type": type, "listeners": n, "roster": [...]}; "joined" adds the chat history.
    QJsonObject presence(const QString& type, DevState& state) const;

    void broadcast(const QJsonObject& message, const LiveMember* except = nullptr);
    void broadcastBinary(const QByteArray& frame, const LiveMember* except);

    // Builds a chat line from a "chat" message, keeps it and returns it; none for an empty text.
    std::optional<QJsonObject> postChat(const LiveMember& sender, const QJsonObject& message, DevState& state);
    // Toggles the sender's uid under the emoji; returns the line's new reactions, none when no line has the id.
    std::optional<QJsonObject> toggleReaction(const QString& messageId, const QString& emoji, const QString& uid);

    // Hands a finished upload to every other listener: announcement, playback frames, end.
    void relayUtterance(const LiveMember& sender, const QByteArray& bytes);

private:
    std::vector<std::unique_ptr<LiveMember>> members_;
    std::deque<QJsonObject> history_;
    qint64 nextMessageNumber_ = 1;
};
