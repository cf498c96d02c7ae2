#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

// One slot of the quick bar: a saved channel or a friend's channel.
// Identity is `id`; lists of slots are keyed by it.
struct SavedChannelSlot {
    qint64 id = 0;
    QString label;
    qint64 channelNumber = 0;
    std::optional<QString> displayFrequency;
    std::optional<QString> friendRadioId;
    std::optional<QString> friendUid;
    std::optional<QString> iconId;      // an icon catalog id, "friend", or "custom"
    std::optional<QString> iconCustom;  // the uploaded picture as base64 text

    static SavedChannelSlot fromJson(const QJsonObject& object);
};

// The user's slots in the server's order.
struct SavedChannelsResponse {
    std::vector<SavedChannelSlot> savedSlots;  // wire key "slots" ("slots" is a Qt keyword)

    static SavedChannelsResponse fromJson(const QJsonObject& object);
};

// The reply to a change of a slot's icon.
struct SavedChannelUpdateResponse {
    bool ok = false;
    std::optional<QString> error;
    std::optional<SavedChannelSlot> slot;

    static SavedChannelUpdateResponse fromJson(const QJsonObject& object);
};
