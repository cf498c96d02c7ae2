// The channel's social state: chat lines, roster, blocked users, and the two
// outgoing chat messages.
#include "services/channel_audio_service.h"

#include "models/chat_message.h"
#include "platform/diagnostics.h"
#include "platform/text_characters.h"

#include <QDateTime>

namespace {

QString stringOr(const QJsonObject& object, const QString& key, const QString& fallback)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString() : fallback;
}

QString nameOr(const QJsonObject& object, const QString& key)
{
    return TextCharacters::prefix(stringOr(object, key, kDefaultDisplayName), ChannelAudioService::kMaxNameCharacters);
}

}  // namespace

std::optional<QMap<QString, QStringList>> ChannelAudioService::parseReactions(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    QMap<QString, QStringList> reactions;
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it->isArray())
            return std::nullopt;
        QStringList uids;
        for (const QJsonValue& uid : it->toArray()) {
            if (!uid.isString())
                return std::nullopt;
            if (uids.size() < kMaxRosterMembers)
                uids.append(uid.toString().left(kMaxIdLength));
        }
        // Kept whole or not at all: a cut emoji would be another emoji.
        if (reactions.size() < kMaxReactionEmoji && it.key().size() <= kMaxEmojiLength)
            reactions.insert(it.key(), uids);
    }
    return reactions;
}

qint32 ChannelAudioService::nextCount(qint32& counter)
{
    // Wraps like a 32-bit register instead of overflowing.
    counter = qint32(quint32(counter) + 1u);
    return counter;
}

std::optional<ChatMessage> ChannelAudioService::parseChatMessage(const QJsonObject& object)
{
    const QJsonValue id = object.value(QLatin1String("id"));
    const QJsonValue uid = object.value(QLatin1String("uid"));
    const QJsonValue text = object.value(QLatin1String("text"));
    if (!id.isString() || !uid.isString() || !text.isString())
        return std::nullopt;
    const QJsonValue ts = object.value(QLatin1String("ts"));

    ChatMessage line;
    line.id = id.toString().left(kMaxIdLength);
    line.uid = uid.toString().left(kMaxIdLength);
    line.text = TextCharacters::prefix(text.toString(), kMaxChatCharacters);
    line.radioId = stringOr(object, QStringLiteral("radio_id"), QString()).left(kMaxRadioIdLength);
    line.displayName = nameOr(object, QStringLiteral("display_name"));
    line.ts = ts.isDouble() ? ts.toDouble() : double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    line.reactions = parseReactions(object.value(QLatin1String("reactions"))).value_or(QMap<QString, QStringList>{});
    return line;
}

QList<ChannelRosterMember> ChannelAudioService::parseRoster(const QJsonArray& array)
{
    QList<ChannelRosterMember> members;
    for (const QJsonValue& element : array) {
        if (members.size() == kMaxRosterMembers)
            break;
        const QJsonObject object = element.toObject();
        const QJsonValue uid = object.value(QLatin1String("uid"));
        if (!uid.isString())
            continue;
        members.append(ChannelRosterMember{uid.toString().left(kMaxIdLength),
                                           stringOr(object, QStringLiteral("radio_id"), QString()).left(kMaxRadioIdLength),
                                           nameOr(object, QStringLiteral("display_name"))});
    }
    return members;
}

void ChannelAudioService::updateBlocked(QSet<QString> blocked)
{
    blockedUIDs_ = std::move(blocked);
    QList<ChatMessage> lines = chatMessages_;
    lines.removeIf([this](const ChatMessage& line) { return blockedUIDs_.contains(line.uid); });
    setChatMessages(std::move(lines));
    QList<ChannelRosterMember> members = channelRoster_;
    members.removeIf([this](const ChannelRosterMember& member) { return blockedUIDs_.contains(member.uid); });
    setChannelRoster(std::move(members));
}

void ChannelAudioService::updateChatIdentity(const QString& displayName, const QString& radioId)
{
    if (!displayName.isEmpty())
        chatDisplayName_ = displayName;
    if (!radioId.isEmpty())
        chatRadioId_ = radioId;
}

QString ChannelAudioService::outgoingDisplayName() const
{
    return chatDisplayName_.isEmpty() ? kDefaultDisplayName : chatDisplayName_;
}

void ChannelAudioService::sendChat(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (!isLive_ || trimmed.isEmpty()) {
        Diagnostics::printLine(QStringLiteral("[TovrinChat][mac] send skipped live=%1").arg(isLive_ ? "true" : "false"));
        return;
    }
    sendJSON(QJsonObject{
        {"type", "chat"},
        {"text", TextCharacters::prefix(trimmed, kMaxChatCharacters)},
        {"display_name", outgoingDisplayName()},
        {"radio_id", chatRadioId_},
    });
    const qint32 n = nextCount(chatPacketsSent_);
    Diagnostics::printLine(QStringLiteral("[TovrinChat][mac] TX n=%1 len=%2").arg(n).arg(TextCharacters::count(trimmed)));
}

void ChannelAudioService::sendReaction(const QString& messageId, const QString& emoji)
{
    if (!isLive_ || messageId.isEmpty() || emoji.isEmpty())
        return;
    sendJSON(QJsonObject{{"type", "reaction"}, {"message_id", messageId}, {"emoji", emoji}});
}
