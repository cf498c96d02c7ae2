#include "services/session_store.h"

#include "models/channel.h"
#include "models/chat_message.h"
#include "models/user_profile.h"
#include "platform/assign_if_changed.h"
#include "platform/json.h"
#include "platform/tovrin_log.h"
#include "platform/user_defaults.h"
#include "services/keychain_helper.h"
#include "services/tovrin_api.h"

#include <QJsonDocument>
#include <QPointer>
#include <QUuid>

namespace {

const QString serverOffline = QStringLiteral("Server offline");
const QString checkinFailed = QStringLiteral("Check-in failed");
const QString profileSaveFailed = QStringLiteral("Profile save failed");

// The members of the local profile, in the order they are applied.
struct ProfileMember {
    const char* name;
    QString (SessionStore::*get)() const;
    void (SessionStore::*set)(const QString&);
};
const ProfileMember profileMembers[] = {
    {"email", &SessionStore::email, &SessionStore::setEmail},
    {"firstName", &SessionStore::firstName, &SessionStore::setFirstName},
    {"lastName", &SessionStore::lastName, &SessionStore::setLastName},
    {"appleId", &SessionStore::appleId, &SessionStore::setAppleId},
    {"displayName", &SessionStore::displayName, &SessionStore::setDisplayName},
};

std::optional<QString> nonEmpty(const QString& text)
{
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

}  // namespace

SessionStore::SessionStore(QObject* parent)
    : QObject(parent), uid_(establishDeviceUID())
{
    loadLocalProfile();
}

QString SessionStore::establishDeviceUID()
{
    const QString key = QLatin1String(uidKey);
    const KeychainHelper::Entry entry = KeychainHelper::load(key);
    if (entry.state == KeychainHelper::Entry::State::found)
        return entry.value;

    if (entry.state == KeychainHelper::Entry::State::unreadable) {
        // The stored id may still exist: a new one would check in as a
        // stranger and could later compete with it. This run has no id and
        // sends nothing under one; the stored id comes back once it is readable.
        TovrinLog::fault(QStringLiteral("device id unreadable; this run has no id and keeps the stored one"));
        return QString();
    }
    const QString fresh = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    KeychainHelper::save(key, fresh);
    return fresh;
}

void SessionStore::loadLocalProfile()
{
    const QByteArray data = UserDefaults().data(QLatin1String(profileKey));
    if (data.isEmpty())
        return;
    const QJsonDocument document = QJsonDocument::fromJson(data);
    if (!document.isObject())
        return;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isString())
            return;
    }
    for (const ProfileMember& member : profileMembers) {
        const QString name = QLatin1String(member.name);
        if (object.contains(name))
            (this->*member.set)(object.value(name).toString());
    }
}

void SessionStore::saveLocalProfile()
{
    QJsonObject object;
    for (const ProfileMember& member : profileMembers)
        object.insert(QLatin1String(member.name), (this->*member.get)());
    UserDefaults().set(QLatin1String(profileKey), Json::serialize(object));
}

QCoro::Task<void> SessionStore::bootstrap()
{
    QPointer<SessionStore> self(this);
    const bool online = co_await TovrinAPI::shared().healthOK();
    if (!self)
        co_return;
    setServerOnline(online);
    if (!online) {
        setStatusMessage(serverOffline);
        finishBootstrap();
        co_return;
    }

    std::optional<CheckinResponse> reply;
    try {
        // Without a readable device id there is nobody to check in.
        if (!uid_.isEmpty())
            reply = co_await TovrinAPI::shared().checkin(uid_, email_, firstName_, lastName_);
    } catch (...) {
    }
    if (!self)
        co_return;
    // A reply that says "ok": false carries nothing we can trust; keep what we know.
    if (reply && reply->ok) {
        applyCheckin(*reply);
        saveLocalProfile();
        setStatusMessage(QString());
    } else {
        setStatusMessage(checkinFailed);
    }
    finishBootstrap();
}

QCoro::Task<void> SessionStore::saveProfile()
{
    QPointer<SessionStore> self(this);
    std::optional<UserProfile> profile;
    try {
        // A named value: g++ 12 destroys a braced temporary coroutine argument twice.
        const TovrinAPI::ProfileUpdate fields{nonEmpty(email_), nonEmpty(firstName_), nonEmpty(lastName_),
                                              nonEmpty(appleId_), nonEmpty(displayName_)};
        profile = co_await TovrinAPI::shared().updateProfile(uid_, fields);
    } catch (...) {
    }
    if (!self)
        co_return;
    if (!profile) {
        setStatusMessage(profileSaveFailed);
        co_return;
    }
    applyProfile(*profile);
    saveLocalProfile();
    if (statusMessage_ == profileSaveFailed)
        setStatusMessage(QString());
}

void SessionStore::applyCheckin(const CheckinResponse& reply)
{
    setOwnedChannelNumber(reply.ownedChannelNumber);
    setOwnedChannelDisplay(reply.ownedChannelDisplay);
    setWorkplace(reply.workplace);
    if (reply.radioId)
        setRadioId(*reply.radioId);
    if (reply.email && !reply.email->isEmpty())
        setEmail(*reply.email);
    if (reply.firstName)
        setFirstName(*reply.firstName);
    if (reply.lastName)
        setLastName(*reply.lastName);
    if (reply.displayName)
        setDisplayName(*reply.displayName);
}

void SessionStore::applyProfile(const UserProfile& profile)
{
    if (profile.radioId)
        setRadioId(*profile.radioId);
    if (profile.email)
        setEmail(*profile.email);
    if (profile.firstName)
        setFirstName(*profile.firstName);
    if (profile.lastName)
        setLastName(*profile.lastName);
    if (profile.appleId)
        setAppleId(*profile.appleId);
    if (profile.displayName)
        setDisplayName(*profile.displayName);
    if (profile.ownedChannelNumber)
        setOwnedChannelNumber(profile.ownedChannelNumber);
    if (profile.ownedChannelDisplay)
        setOwnedChannelDisplay(profile.ownedChannelDisplay);
}

QString SessionStore::chatDisplayName() const
{
    if (!displayName_.isEmpty())
        return displayName_;
    QStringList names;
    for (const QString& name : {firstName_, lastName_}) {
        if (!name.isEmpty())
            names.append(name);
    }
    const QString joined = names.join(QLatin1Char(' '));
    return joined.isEmpty() ? kDefaultDisplayName : joined;
}

void SessionStore::setEmail(const QString& value)
{
    if (assignIfChanged(email_, value))
        emit emailChanged(email_);
}

void SessionStore::setFirstName(const QString& value)
{
    if (assignIfChanged(firstName_, value))
        emit firstNameChanged(firstName_);
}

void SessionStore::setLastName(const QString& value)
{
    if (assignIfChanged(lastName_, value))
        emit lastNameChanged(lastName_);
}

void SessionStore::setAppleId(const QString& value)
{
    if (assignIfChanged(appleId_, value))
        emit appleIdChanged(appleId_);
}

void SessionStore::setDisplayName(const QString& value)
{
    if (assignIfChanged(displayName_, value))
        emit displayNameChanged(displayName_);
}

void SessionStore::setWorkplace(const std::optional<WorkplaceMembership>& value)
{
    if (assignIfChanged(workplace_, value))
        emit workplaceChanged(workplace_);
}

void SessionStore::setRadioId(const QString& value)
{
    if (assignIfChanged(radioId_, value))
        emit radioIdChanged(radioId_);
}

void SessionStore::setOwnedChannelDisplay(const std::optional<QString>& value)
{
    if (assignIfChanged(ownedChannelDisplay_, value))
        emit ownedChannelDisplayChanged(ownedChannelDisplay_);
}

void SessionStore::setOwnedChannelNumber(const std::optional<qint64>& value)
{
    if (assignIfChanged(ownedChannelNumber_, value))
        emit ownedChannelNumberChanged(ownedChannelNumber_);
}

void SessionStore::setServerOnline(bool value)
{
    if (assignIfChanged(serverOnline_, value))
        emit serverOnlineChanged(serverOnline_);
}

void SessionStore::setStatusMessage(const QString& value)
{
    if (assignIfChanged(statusMessage_, value))
        emit statusMessageChanged(statusMessage_);
}

void SessionStore::finishBootstrap()
{
    if (assignIfChanged(bootstrapFinished_, true))
        emit bootstrapFinishedChanged(bootstrapFinished_);
}
