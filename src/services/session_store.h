#pragma once

#include "models/workplace_membership.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <optional>

struct CheckinResponse;
struct UserProfile;

// The device identity and the user's own profile. The device user id lives in
// the keychain; the editable profile is kept locally under "tovrin.profile";
// the radio ID, owned channel and company come back with every check-in.
// GUI thread only; operations never throw and report through statusMessage.
class SessionStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString uid READ uid CONSTANT)
    Q_PROPERTY(QString email READ email WRITE setEmail NOTIFY emailChanged)
    Q_PROPERTY(QString firstName READ firstName WRITE setFirstName NOTIFY firstNameChanged)
    Q_PROPERTY(QString lastName READ lastName WRITE setLastName NOTIFY lastNameChanged)
    Q_PROPERTY(QString appleId READ appleId WRITE setAppleId NOTIFY appleIdChanged)
    Q_PROPERTY(QString radioId READ radioId NOTIFY radioIdChanged)
    Q_PROPERTY(QString displayName READ displayName WRITE setDisplayName NOTIFY displayNameChanged)
    Q_PROPERTY(std::optional<QString> ownedChannelDisplay READ ownedChannelDisplay NOTIFY ownedChannelDisplayChanged)
    Q_PROPERTY(std::optional<qint64> ownedChannelNumber READ ownedChannelNumber NOTIFY ownedChannelNumberChanged)
    Q_PROPERTY(std::optional<WorkplaceMembership> workplace READ workplace WRITE setWorkplace NOTIFY workplaceChanged)
    Q_PROPERTY(bool serverOnline READ serverOnline NOTIFY serverOnlineChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(bool bootstrapFinished READ bootstrapFinished NOTIFY bootstrapFinishedChanged)

public:
    static constexpr const char* uidKey = "tovrin.uid";
    static constexpr const char* profileKey = "tovrin.profile";

    // Establishes the device user id (read from the keychain, or made and kept
    // there on first start) and loads the local profile.
    explicit SessionStore(QObject* parent = nullptr);

    // Health check, then check-in.
    QCoro::Task<void> bootstrap();
    // Sends the editable profile to the server and keeps what it returns.
    QCoro::Task<void> saveProfile();

    // The name under which the user is shown in chat.
    QString chatDisplayName() const;

    // Empty for a run whose stored id could not be read.
    QString uid() const { return uid_; }
    QString email() const { return email_; }
    QString firstName() const { return firstName_; }
    QString lastName() const { return lastName_; }
    QString appleId() const { return appleId_; }
    QString radioId() const { return radioId_; }
    QString displayName() const { return displayName_; }
    std::optional<QString> ownedChannelDisplay() const { return ownedChannelDisplay_; }
    std::optional<qint64> ownedChannelNumber() const { return ownedChannelNumber_; }
    std::optional<WorkplaceMembership> workplace() const { return workplace_; }
    bool serverOnline() const { return serverOnline_; }
    QString statusMessage() const { return statusMessage_; }
    bool bootstrapFinished() const { return bootstrapFinished_; }

    void setEmail(const QString& value);
    void setFirstName(const QString& value);
    void setLastName(const QString& value);
    void setAppleId(const QString& value);
    void setDisplayName(const QString& value);
    void setWorkplace(const std::optional<WorkplaceMembership>& value);

signals:
    void emailChanged(const QString& email);
    void firstNameChanged(const QString& firstName);
    void lastNameChanged(const QString& lastName);
    void appleIdChanged(const QString& appleId);
    void radioIdChanged(const QString& radioId);
    void displayNameChanged(const QString& displayName);
    void ownedChannelDisplayChanged(const std::optional<QString>& ownedChannelDisplay);
    void ownedChannelNumberChanged(const std::optional<qint64>& ownedChannelNumber);
    void workplaceChanged(const std::optional<WorkplaceMembership>& workplace);
    void serverOnlineChanged(bool serverOnline);
    void statusMessageChanged(const QString& statusMessage);
    void bootstrapFinishedChanged(bool bootstrapFinished);

private:
    static QString establishDeviceUID();
    void loadLocalProfile();
    void saveLocalProfile();
    void applyCheckin(const CheckinResponse& reply);
    void applyProfile(const UserProfile& profile);

    void setRadioId(const QString& value);
    void setOwnedChannelDisplay(const std::optional<QString>& value);
    void setOwnedChannelNumber(const std::optional<qint64>& value);
    void setServerOnline(bool value);
    void setStatusMessage(const QString& value);
    void finishBootstrap();

    const QString uid_;
    QString email_;
    QString firstName_;
    QString lastName_;
    QString appleId_;
    QString radioId_;
    QString displayName_;
    std::optional<QString> ownedChannelDisplay_;
    std::optional<qint64> ownedChannelNumber_;
    std::optional<WorkplaceMembership> workplace_;
    bool serverOnline_ = false;
    QString statusMessage_;
    bool bootstrapFinished_ = false;
};
