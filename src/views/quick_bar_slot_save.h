#pragma once

#include <QCoroTask>
#include <QString>

#include <optional>

class FriendsStore;

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

// Saves the slot. On success reloads the friends store and gives the medium
// haptic, and answers true; on failure writes the failure's text into the
// store's lastError and answers false. Never throws; the store must outlive it.
QCoro::Task<bool> saveQuickBarSlot(FriendsStore* friends, QuickBarSlotRequest request);

// Trims spaces, other space separators and tabs at both ends; line breaks stay.
QString trimmedBlanks(const QString& text);
