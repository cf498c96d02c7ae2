#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// The user's company as the server describes it.
struct WorkplaceMembership {
    QString orgId;
    QString name;
    qint64 channelNumber = 0;
    QString displayFrequency;
    std::optional<QString> channelName;
    qint64 seatLimit = 0;
    std::optional<qint64> seatsUsed;
    std::optional<bool> listedCommercial;
    std::optional<QString> role;
    std::optional<QString> companyCode;
    std::optional<QString> iconId;
    std::optional<QString> iconCustom;

    static WorkplaceMembership fromJson(const QJsonObject& object);

    // "<used>/<limit> users", used counting 0 when the server gave none.
    QString seatsLabel() const;
    // Only the exact role "admin" marks the administrator.
    bool isAdmin() const { return role == QStringLiteral("admin"); }

    friend bool operator==(const WorkplaceMembership&, const WorkplaceMembership&) = default;
};

size_t qHash(const WorkplaceMembership& membership, size_t seed = 0);

// The reply of "/v1/workplace/mine": no membership when the user has none.
struct WorkplaceMineResponse {
    std::optional<WorkplaceMembership> workplace;

    static WorkplaceMineResponse fromJson(const QJsonObject& object);
};

// The reply of the redeem, create and rotate-code requests.
struct WorkplaceActionResponse {
    bool ok = false;
    std::optional<QString> error;
    std::optional<WorkplaceMembership> workplace;
    std::optional<QString> companyCode;

    static WorkplaceActionResponse fromJson(const QJsonObject& object);
};
