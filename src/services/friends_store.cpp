#include "services/friends_store.h"

#include "platform/assign_if_changed.h"
#include "services/tovrin_api.h"

#include <QPointer>

#include <algorithm>
#include <tuple>

namespace {

// Slots have no equality of their own; the list changes when any field does.
bool sameSlots(const std::vector<SavedChannelSlot>& a, const std::vector<SavedChannelSlot>& b)
{
    const auto fields = [](const SavedChannelSlot& s) {
        return std::tie(s.id, s.label, s.channelNumber, s.displayFrequency, s.friendRadioId, s.friendUid, s.iconId,
                        s.iconCustom);
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](const SavedChannelSlot& x, const SavedChannelSlot& y) { return fields(x) == fields(y); });
}

}  // namespace

FriendsStore::FriendsStore(QObject* parent)
    : QObject(parent)
{
}

QCoro::Task<void> FriendsStore::load(QString uid)
{
    QPointer<FriendsStore> self(this);
    const int generation = ++loadGeneration_;
    ++loadsRunning_;
    setLoading(true);
    std::optional<std::vector<SavedChannelSlot>> fetched;
    try {
        fetched = co_await TovrinAPI::shared().fetchSavedChannels(uid);
    } catch (...) {
    }
    if (!self)
        co_return;
    if (generation == loadGeneration_) {
        if (!fetched) {
            setLastError(QStringLiteral("Could not load friend channels"));
        } else {
            if (!sameSlots(savedSlots_, *fetched)) {
                savedSlots_ = std::move(*fetched);
                emit savedSlotsChanged();
            }
            setLastError(std::nullopt);
        }
    }
    setLoading(--loadsRunning_ > 0);
}

void FriendsStore::setLoading(bool value)
{
    if (assignIfChanged(isLoading_, value))
        emit isLoadingChanged(isLoading_);
}

void FriendsStore::setLastError(const std::optional<QString>& value)
{
    if (assignIfChanged(lastError_, value))
        emit lastErrorChanged(lastError_);
}
