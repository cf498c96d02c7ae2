#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <optional>

// Everything the devserver remembers, in memory only, for the life of the process.

// One quick-bar slot of a user.
struct DevSlot {
    qint64 id = 0;
    QString label;
    qint64 channelNumber = 0;
    std::optional<QString> friendRadioId;
    std::optional<QString> friendUid;
    std::optional<QString> iconId;
    std::optional<QString> iconCustom;
};

struct DevUser {
    QString uid;
    QString radioId;      // "Q-" and six upper-case letters or digits
    int ownedChannel = 0; // 101..64000, stable for the user
    QString email;
    QString firstName;
    QString lastName;
    QString appleId;
    QString displayName;
    QStringList blockedUids;  // in the order they were blocked
    QList<DevSlot> savedSlots;    // in the order they were added
    QString orgId;            // empty: no company
};

// The name shown for a user: its display name unless that is blank, else its first and last names.
inline QString shownName(const DevUser& user)
{
    if (!user.displayName.trimmed().isEmpty())
        return user.displayName;
    return (user.firstName + QLatin1Char(' ') + user.lastName).trimmed();
}

// The settings an owner keeps for a user channel (101..64000).
struct DevChannelSettings {
    QString name;
    qint64 maxTalkers = 100;
    QString joinPolicy = QStringLiteral("open");  // "open", "allowlist" or "passkey"
    bool isLocked = false;
    QString passkey;            // empty: none set
    bool listedPublic = false;
    QStringList allowlist;      // radio IDs, upper case
    std::optional<QString> iconId;
    std::optional<QString> iconCustom;
    QStringList bannedUids;     // in the order they were banned
};

// A company with its own channel and a code employees redeem.
struct DevOrg {
    QString orgId;
    QString name;
    qint64 channelNumber = 0;
    qint64 seatLimit = 0;
    QString companyCode;
    bool listedCommercial = true;
    std::optional<QString> iconId;
    std::optional<QString> iconCustom;
    QString adminUid;
    QStringList memberUids;  // the admin first
};

// Why a join is refused; empty when allowed.
struct JoinDecision {
    bool allowed = false;
    QString reason;
};

struct DevState {
    static constexpr qint64 firstChannel = 1;
    static constexpr qint64 lastChannel = 64000;
    static constexpr qint64 lastHomeChannel = 100;

    // Ordered maps: references stay valid while others are added, and lists
    // built from them come out in a stable order.
    std::map<QString, DevUser> usersByUid;
    std::map<qint64, DevChannelSettings> settingsByChannel;
    std::map<QString, DevOrg> orgsById;
    // How many users are on each channel's live sockets; the live side keeps
    // it, the REST side reports it as the channel's active talker count.
    std::map<qint64, int> listenersByChannel;
    // One per user, at most maxRememberedPasskeys.
    struct RememberedPasskey {
        qint64 channel = 0;
        QString passkey;
    };
    static constexpr size_t maxRememberedPasskeys = 4096;
    std::map<QString, RememberedPasskey> passkeysByUid;
    qint64 nextSlotId = 1;
    int nextOrgNumber = 1;

    // The user with this uid, created with a radio ID and an owned channel on first sight.
    DevUser& user(const QString& uid);
    const DevUser* findUser(const QString& uid) const;

    static bool isValidChannel(qint64 channel) { return channel >= firstChannel && channel <= lastChannel; }
    static bool isHomeChannel(qint64 channel) { return channel >= firstChannel && channel <= lastHomeChannel; }
    static QString displayFrequency(qint64 channel);

    // Who holds a channel: a user (its own channel) or a company; both null for
    // a home channel or one nobody holds yet.
    DevUser* ownerOf(qint64 channel);
    DevOrg* orgOfChannel(qint64 channel);
    DevOrg* orgOf(const DevUser& user);
    // A channel someone can be on: a home channel or one a user or company holds.
    bool isActive(qint64 channel);

    int listenerCount(qint64 channel) const;

    // The settings of a user channel, made with defaults on first use.
    DevChannelSettings& settings(qint64 channel);

    // Never creates a user record: a uid that never checked in has no radio ID.
    JoinDecision decideJoin(const QString& uid, qint64 channel, const QString& passkey);
    // The passkey of a user's last allowed join of a channel, for its live socket.
    void rememberPasskey(const QString& uid, qint64 channel, const QString& passkey);
    QString rememberedPasskey(const QString& uid, qint64 channel) const;

    // Users whose radio ID, e-mail or names match `query` (case-insensitive), the searcher left out.
    QList<const DevUser*> searchUsers(const QString& query, const QString& searcherUid, int limit) const;

    // Companies.
    DevOrg& createOrg(DevUser& admin, const QString& name, qint64 seatLimit);
    QString newCompanyCode() const;
    DevOrg* orgByCode(const QString& code);

private:
    qint64 freeChannelNear(qint64 start);
};
