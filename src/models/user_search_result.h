#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

// One user found by the search. Identity is `uid`.
struct UserSearchResult {
    QString uid;
    std::optional<QString> radioId;
    std::optional<QString> displayName;
    std::optional<QString> firstName;
    std::optional<QString> lastName;
    std::optional<QString> email;
    std::optional<qint64> ownedChannelNumber;
    std::optional<QString> ownedChannelDisplay;

    const QString& id() const { return uid; }

    static UserSearchResult fromJson(const QJsonObject& object);
};

// The hits of the user search, in the server's order.
struct UserSearchResponse {
    std::vector<UserSearchResult> users;

    static UserSearchResponse fromJson(const QJsonObject& object);
};
