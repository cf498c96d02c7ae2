#include "models/chat_message.h"

#include "models/record_decoding.h"

QString chatNickname(const QString& displayName, const QString& radioId)
{
    const QString name = displayName.trimmed();
    if (name.isEmpty())
        return kDefaultDisplayName;
    if (radioId.isEmpty())
        return name;
    if (radioId.compare(name, Qt::CaseInsensitive) == 0)
        return kDefaultDisplayName;
    return name;
}

ChatMessage ChatMessage::fromJson(const QJsonObject& o)
{
    ChatMessage message{
        .id = Json::requireString(o, QStringLiteral("id")),
        .uid = Json::requireString(o, QStringLiteral("uid")),
        .radioId = Json::requireString(o, QStringLiteral("radio_id")),
        .displayName = Json::requireString(o, QStringLiteral("display_name")),
        .text = Json::requireString(o, QStringLiteral("text")),
        .ts = Json::requireDouble(o, QStringLiteral("ts")),
        .reactions = {},
    };
    const QJsonObject reactions = Json::requireObject(o, QStringLiteral("reactions"));
    for (auto it = reactions.begin(); it != reactions.end(); ++it) {
        message.reactions.insert(it.key(), Records::within(QStringLiteral("reactions"), [&] {
            return Json::requireStringArray(reactions, it.key());
        }));
    }
    return message;
}

namespace {

// Roster members and ban entries share their fields and their rules.
template <class Person>
Person personFromJson(const QJsonObject& o)
{
    return Person{
        .uid = Json::requireString(o, QStringLiteral("uid")),
        .radioId = Json::requireString(o, QStringLiteral("radio_id")),
        .displayName = Json::requireString(o, QStringLiteral("display_name")),
    };
}

template <class Person>
size_t hashPerson(const Person& p, size_t seed)
{
    return Records::Hasher(seed).add(p.uid).add(p.radioId).add(p.displayName).result();
}

}  // namespace

ChannelRosterMember ChannelRosterMember::fromJson(const QJsonObject& o)
{
    return personFromJson<ChannelRosterMember>(o);
}

size_t qHash(const ChannelRosterMember& member, size_t seed)
{
    return hashPerson(member, seed);
}

ChannelBanEntry ChannelBanEntry::fromJson(const QJsonObject& o)
{
    return personFromJson<ChannelBanEntry>(o);
}

size_t qHash(const ChannelBanEntry& entry, size_t seed)
{
    return hashPerson(entry, seed);
}

ChannelBansResponse ChannelBansResponse::fromJson(const QJsonObject& o)
{
    return ChannelBansResponse{
        .ok = Json::optionalBool(o, QStringLiteral("ok")),
        .error = Json::optionalString(o, QStringLiteral("error")),
        .bans = Records::requireRecordList<ChannelBanEntry>(o, QStringLiteral("bans")),
    };
}
