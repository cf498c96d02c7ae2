#pragma once

#include "models/saved_channel_slot.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <optional>
#include <vector>

// The user's saved channels (quick-bar slots, friends' channels among them) in
// the server's order. Fetched again at every start; nothing is kept on disk.
// GUI thread only; operations never throw and report through lastError.
class FriendsStore : public QObject {
    Q_OBJECT
    // The slots ("slots" is a Qt keyword).
    Q_PROPERTY(std::vector<SavedChannelSlot> savedSlots READ savedSlots NOTIFY savedSlotsChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(std::optional<QString> lastError READ lastError NOTIFY lastErrorChanged)

public:
    explicit FriendsStore(QObject* parent = nullptr);

    // Overlapping loads all run, but only the newest one's reply is applied:
    // an older reply that lands last never replaces a newer list or error.
    // isLoading stays true until every load has ended.
    QCoro::Task<void> load(QString uid);

    const std::vector<SavedChannelSlot>& savedSlots() const { return savedSlots_; }
    bool isLoading() const { return isLoading_; }
    std::optional<QString> lastError() const { return lastError_; }
    // Screens that save a slot themselves report their failure here.
    void setLastError(const std::optional<QString>& value);

signals:
    void savedSlotsChanged();
    void isLoadingChanged(bool isLoading);
    void lastErrorChanged(const std::optional<QString>& lastError);

private:
    void setLoading(bool value);

    std::vector<SavedChannelSlot> savedSlots_;
    bool isLoading_ = false;
    int loadsRunning_ = 0;
    int loadGeneration_ = 0;
    std::optional<QString> lastError_;
};
