#include "services/voice_filter_store.h"

#include "platform/user_defaults.h"

VoiceFilterStore::VoiceFilterStore(QObject* parent)
    : QObject(parent)
{
    // Whatever an earlier version stored, effects are off: start at normal.
    setSelected(VoiceFilter::normal);
    UserDefaults().set(QLatin1String(kKey), rawValue(VoiceFilter::normal));
}

void VoiceFilterStore::setSelected(VoiceFilter filter)
{
    if (filter == selected_)
        return;
    selected_ = filter;
    emit selectedChanged(selected_);
}

void VoiceFilterStore::setEffectsEnabled(bool enabled)
{
    if (enabled == effectsEnabled_)
        return;
    effectsEnabled_ = enabled;
    emit effectsEnabledChanged(effectsEnabled_);
}
