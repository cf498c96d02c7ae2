#include "dev_state.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <algorithm>

namespace {

// Radio IDs and owned channels derive from the uid so a user keeps them across
// devserver restarts within a test run.
QByteArray digestOf(const QString& uid)
{
    return QCryptographicHash::hash(uid.toUtf8(), QCryptographicHash::Sha256);
}

// No 0/O or 1/I: codes and IDs are read aloud and typed.
constexpr char kAlphabet[] = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789";

bool containsFolded(const QString& haystack, const QString& needle)
{
    return !haystack.isEmpty() && haystack.contains(needle, Qt::CaseInsensitive);
}

}  // namespace

DevUser& DevState::user(const QString& uid)
{
    auto it = usersByUid.find(uid);
    if (it != usersByUid.end())
        return it->second;

    const QByteArray digest = digestOf(uid);
    QString radioId = QStringLiteral("Q-");
    for (int i = 0; i < 6; ++i)
        radioId.append(QLatin1Char(kAlphabet[static_cast<unsigned char>(digest[i]) % 32]));
    const quint32 spread = (quint32(quint8(digest[6])) << 16) | (quint32(quint8(digest[7])) << 8) | quint8(digest[8]);

    DevUser created;
    created.uid = uid;
    created.radioId = radioId;
    created.ownedChannel = int(freeChannelNear(lastHomeChannel + 1 + spread % (lastChannel - lastHomeChannel)));
    return usersByUid.emplace(uid, created).first->second;
}

const DevUser* DevState::findUser(const QString& uid) const
{
    auto it = usersByUid.find(uid);
    return it == usersByUid.end() ? nullptr : &it->second;
}

QString DevState::displayFrequency(qint64 channel)
{
    const qint64 band = (channel - 1) / 320 + 1;
    const qint64 sub = (channel - 1) % 320 + 1;
    return QStringLiteral("%1.%2").arg(band, 3, 10, QLatin1Char('0')).arg(sub, 3, 10, QLatin1Char('0'));
}

DevUser* DevState::ownerOf(qint64 channel)
{
    for (auto& [uid, candidate] : usersByUid) {
        if (candidate.ownedChannel == channel)
            return &candidate;
    }
    return nullptr;
}

DevOrg* DevState::orgOfChannel(qint64 channel)
{
    for (auto& [id, org] : orgsById) {
        if (org.channelNumber == channel)
            return &org;
    }
    return nullptr;
}

DevOrg* DevState::orgOf(const DevUser& member)
{
    auto it = orgsById.find(member.orgId);
    return it == orgsById.end() ? nullptr : &it->second;
}

bool DevState::isActive(qint64 channel)
{
    return isHomeChannel(channel) || ownerOf(channel) || orgOfChannel(channel);
}

int DevState::listenerCount(qint64 channel) const
{
    auto it = listenersByChannel.find(channel);
    return it == listenersByChannel.end() ? 0 : it->second;
}

DevChannelSettings& DevState::settings(qint64 channel)
{
    return settingsByChannel[channel];
}

JoinDecision DevState::decideJoin(const QString& uid, qint64 channel, const QString& passkey)
{
    if (!isValidChannel(channel))
        return {false, QStringLiteral("not_found")};
    if (isHomeChannel(channel))
        return {true, {}};

    if (const DevOrg* org = orgOfChannel(channel)) {
        if (!org->memberUids.contains(uid))
            return {false, QStringLiteral("workplace_required")};
        return {true, {}};
    }

    const DevUser* owner = ownerOf(channel);
    if (!owner)
        return {false, QStringLiteral("not_active")};
    if (owner->uid == uid)
        return {true, {}};

    const DevChannelSettings& rules = settings(channel);
    if (rules.bannedUids.contains(uid))
        return {false, QStringLiteral("banned")};
    if (rules.isLocked)
        return {false, QStringLiteral("not_allowed")};
    const DevUser* joiner = findUser(uid);
    if (rules.joinPolicy == QLatin1String("allowlist") && (!joiner || !rules.allowlist.contains(joiner->radioId)))
        return {false, QStringLiteral("not_allowed")};
    if (rules.joinPolicy == QLatin1String("passkey") && (rules.passkey.isEmpty() || passkey != rules.passkey))
        return {false, QStringLiteral("passkey_required")};
    return {true, {}};
}

void DevState::rememberPasskey(const QString& uid, qint64 channel, const QString& passkey)
{
    if (passkeysByUid.size() >= maxRememberedPasskeys && !passkeysByUid.contains(uid))
        passkeysByUid.erase(passkeysByUid.begin());
    passkeysByUid[uid] = {channel, passkey};
}

QString DevState::rememberedPasskey(const QString& uid, qint64 channel) const
{
    const auto it = passkeysByUid.find(uid);
    return it != passkeysByUid.end() && it->second.channel == channel ? it->second.passkey : QString();
}

QList<const DevUser*> DevState::searchUsers(const QString& query, const QString& searcherUid, int limit) const
{
    const QString needle = query.trimmed();
    QList<const DevUser*> hits;
    if (needle.size() < 2)
        return hits;
    for (const auto& [uid, candidate] : usersByUid) {
        if (candidate.uid == searcherUid)
            continue;
        const QString fullName = (candidate.firstName + QLatin1Char(' ') + candidate.lastName).trimmed();
        const bool match = containsFolded(candidate.radioId, needle) || containsFolded(candidate.email, needle)
                           || containsFolded(candidate.firstName, needle) || containsFolded(candidate.lastName, needle)
                           || containsFolded(fullName, needle) || containsFolded(candidate.displayName, needle);
        if (match)
            hits.append(&candidate);
    }
    // Hash order is arbitrary: answer in a stable order.
    std::sort(hits.begin(), hits.end(), [](const DevUser* a, const DevUser* b) { return a->radioId < b->radioId; });
    if (hits.size() > limit)
        hits.resize(limit);
    return hits;
}

DevOrg& DevState::createOrg(DevUser& admin, const QString& name, qint64 seatLimit)
{
    DevOrg org;
    org.orgId = QStringLiteral("org_%1").arg(nextOrgNumber++);
    org.name = name;
    org.seatLimit = seatLimit;
    org.companyCode = newCompanyCode();
    org.adminUid = admin.uid;
    org.memberUids = {admin.uid};
    const QByteArray digest = digestOf(org.orgId);
    const quint32 spread = (quint32(quint8(digest[0])) << 8) | quint8(digest[1]);
    org.channelNumber = freeChannelNear(lastHomeChannel + 1 + spread % (lastChannel - lastHomeChannel));
    admin.orgId = org.orgId;
    return orgsById.emplace(org.orgId, org).first->second;
}

QString DevState::newCompanyCode() const
{
    for (;;) {
        QString code;
        for (int i = 0; i < 8; ++i)
            code.append(QLatin1Char(kAlphabet[QRandomGenerator::global()->bounded(32)]));
        bool taken = false;
        for (const auto& [id, org] : orgsById)
            taken = taken || org.companyCode == code;
        if (!taken)
            return code;
    }
}

DevOrg* DevState::orgByCode(const QString& code)
{
    for (auto& [id, org] : orgsById) {
        if (org.companyCode == code)
            return &org;
    }
    return nullptr;
}

// The first free user channel at or after `start`, wrapping past the top.
qint64 DevState::freeChannelNear(qint64 start)
{
    const qint64 span = lastChannel - lastHomeChannel;
    for (qint64 step = 0; step < span; ++step) {
        const qint64 candidate = lastHomeChannel + 1 + (start - lastHomeChannel - 1 + step) % span;
        if (!ownerOf(candidate) && !orgOfChannel(candidate))
            return candidate;
    }
    return start;
}
