#include "live_room.h"

#include "rest_records.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextBoundaryFinder>
#include <QUuid>

#include <algorithm>

namespace LiveFrame {

char kindOf(const QByteArray& frame)
{
    if (frame.size() <= headerSize || quint8(frame[0]) != 0xFF || frame[1] != 'Q' || frame[2] != 'F')
        return 0;
    return frame[3];
}

QByteArray header(char kind)
{
    QByteArray bytes("\xFFQF", 3);
    bytes.append(kind);
    return bytes;
}

}  // namespace LiveFrame

namespace {

// The first `limit` characters as a reader counts them (grapheme clusters).
QString firstCharacters(const QString& text, int limit)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (count < limit && finder.toNextBoundary() != -1)
        ++count;
    return count < limit ? text : text.left(finder.position());
}

}  // namespace

void LiveMember::sendJson(const QJsonObject& message)
{
    if (!silent)
        socket->sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
}

void LiveMember::sendBinary(const QByteArray& frame)
{
    if (!silent)
        socket->sendBinaryMessage(frame);
}

void LiveMember::silence(const QList<QTcpSocket*>& connections)
{
    silent = true;
    // Unread, the socket answers no ping either: its connection stops telling it that data came.
    for (QTcpSocket* connection : connections) {
        if (connection->peerPort() == socket->peerPort() && connection->peerAddress() == socket->peerAddress())
            connection->blockSignals(true);
    }
}

LiveMember& LiveRoom::add(std::unique_ptr<LiveMember> member)
{
    members_.push_back(std::move(member));
    return *members_.back();
}

std::unique_ptr<LiveMember> LiveRoom::remove(const LiveMember* member)
{
    auto it = std::find_if(members_.begin(), members_.end(), [member](const auto& m) { return m.get() == member; });
    if (it == members_.end())
        return nullptr;
    std::unique_ptr<LiveMember> taken = std::move(*it);
    members_.erase(it);
    return taken;
}

LiveMember* LiveRoom::findByUid(const QString& uid)
{
    for (auto& member : members_) {
        if (member->uid == uid)
            return member.get();
    }
    return nullptr;
}

QJsonObject LiveRoom::presence(const QString& type, DevState& state) const
{
    QJsonArray roster;
    for (const auto& member : members_)
        roster.append(RestRecords::person(state, member->uid));
    QJsonObject message{{"type", type}, {"listeners", listenerCount()}, {"roster", roster}};
    if (type == QLatin1String("joined")) {
        QJsonArray history;
        for (const QJsonObject& line : history_)
            history.append(line);
        message.insert("chat_history", history);
    }
    return message;
}

void LiveRoom::broadcast(const QJsonObject& message, const LiveMember* except)
{
    for (auto& member : members_) {
        if (member.get() != except)
            member->sendJson(message);
    }
}

void LiveRoom::broadcastBinary(const QByteArray& frame, const LiveMember* except)
{
    for (auto& member : members_) {
        if (member.get() != except)
            member->sendBinary(frame);
    }
}

std::optional<QJsonObject> LiveRoom::postChat(const LiveMember& sender, const QJsonObject& message, DevState& state)
{
    const QString text = firstCharacters(message.value("text").toString().trimmed(), maxChatCharacters);
    if (text.isEmpty())
        return std::nullopt;
    const DevUser* user = state.findUser(sender.uid);
    QString name = message.value("display_name").toString().trimmed().left(80);
    if (name.isEmpty() && user)
        name = shownName(*user);
    if (name.isEmpty())
        name = QStringLiteral("Radio User");

    const QJsonObject line{
        {"id", QUuid::createUuid().toString(QUuid::WithoutBraces)},
        {"uid", sender.uid},
        {"radio_id", user ? user->radioId : QString()},
        {"display_name", name},
        {"text", text},
        {"ts", double(QDateTime::currentMSecsSinceEpoch()) / 1000.0},
        {"reactions", QJsonObject{}},
    };
    history_.push_back(line);
    while (history_.size() > maxHistory)
        history_.pop_front();
    return line;
}

std::optional<QJsonObject> LiveRoom::toggleReaction(const QString& messageId, const QString& emoji, const QString& uid)
{
    constexpr int maxEmojiLength = 32;
    constexpr int maxEmojiPerLine = 32;
    if (emoji.isEmpty() || emoji.size() > maxEmojiLength)
        return std::nullopt;
    auto line = std::find_if(history_.begin(), history_.end(),
                             [&](const QJsonObject& l) { return l.value("id").toString() == messageId; });
    if (line == history_.end())
        return std::nullopt;

    QJsonObject reactions = line->value("reactions").toObject();
    QJsonArray givers = reactions.value(emoji).toArray();
    qsizetype at = 0;
    while (at < givers.size() && givers.at(at).toString() != uid)
        ++at;
    if (at < givers.size()) {
        givers.removeAt(at);
    } else {
        if (!reactions.contains(emoji) && reactions.size() >= maxEmojiPerLine)
            return std::nullopt;
        givers.append(uid);
    }
    if (givers.isEmpty())
        reactions.remove(emoji);
    else
        reactions.insert(emoji, givers);
    line->insert("reactions", reactions);
    return reactions;
}

void LiveRoom::relayUtterance(const LiveMember& sender, const QByteArray& bytes)
{
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QByteArray idBytes = id.toUtf8();
    QByteArray prefix = LiveFrame::header(LiveFrame::playKind);
    prefix.append(char(idBytes.size()));
    prefix.append(idBytes);

    broadcast(QJsonObject{{"type", "play_utterance"}, {"id", id}, {"uid", sender.uid},
                          {"bytes", bytes.size()}, {"format", "aac"}},
              &sender);
    for (qsizetype offset = 0; offset < bytes.size(); offset += LiveFrame::maxPlayPayload)
        broadcastBinary(prefix + bytes.mid(offset, LiveFrame::maxPlayPayload), &sender);
    broadcast(QJsonObject{{"type", "play_utterance_end"}, {"id", id}}, &sender);
}
