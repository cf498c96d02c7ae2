#include "services/alert_sound_store.h"

#include "platform/tovrin_haptics.h"

#include <algorithm>

AlertSoundStore::AlertSoundStore(QObject* parent)
    : QObject(parent)
{
    const QVariant stored = defaults_.value(QLatin1String(kKey));
    if (stored.typeId() == QMetaType::QString)
        current_ = fromRawValue<AlertSound>(stored.toString()).value_or(AlertSound::pager);
}

void AlertSoundStore::setCurrent(AlertSound sound)
{
    const bool changed = sound != current_;
    current_ = sound;
    defaults_.set(QLatin1String(kKey), rawValue(sound));
    if (changed)
        emit currentChanged(current_);
}

void AlertSoundStore::cycleNext()
{
    constexpr auto cases = allCases<AlertSound>();
    const auto it = std::find(cases.begin(), cases.end(), current_);
    const AlertSound next = it == cases.end() ? AlertSound::pager : cases[std::size_t(it - cases.begin() + 1) % cases.size()];
    setCurrent(next);
    TovrinHaptics::rigid();
}
