#pragma once

#include <QCoroTask>
#include <QString>

#include <optional>

class FriendsStore;

// The longest label a saving screen gives a slot, in characters.
constexpr qsizetype kQuickBarLabelLength = 12;

// A new quick-bar slot as the saving screens send it.
struct QuickBarSlotRequest {
    QString uid;
    QString label;
    qint64 channelNumber = 0;
    QString iconId;
    std::optional<QString> iconCustom;
    std::optional<QString> friendRadioId;
    std::optional<QString> friendUid;
};

// Saves the slot. On success reloads the friends store and answers true; on
// failure writes the failure's text into the store's lastError and answers
// false. Never throws; the store must outlive it.
QCoro::Task<bool> saveQuickBarSlot(FriendsStore* friends, QuickBarSlotRequest request);
