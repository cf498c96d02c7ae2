#pragma once

#include "models/voice_filter.h"

#include <QObject>

// The selected voice preset. Starts at normal at every launch and records
// "normal" under "tovrin_voice_filter"; later selections are not persisted.
// One per application, owned by the main view. GUI thread.
class VoiceFilterStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(VoiceFilter selected READ selected WRITE setSelected NOTIFY selectedChanged)
    Q_PROPERTY(bool effectsEnabled READ effectsEnabled WRITE setEffectsEnabled NOTIFY effectsEnabledChanged)

public:
    static constexpr const char* kKey = "tovrin_voice_filter";

    explicit VoiceFilterStore(QObject* parent = nullptr);

    VoiceFilter selected() const { return selected_; }
    void setSelected(VoiceFilter filter);

    bool effectsEnabled() const { return effectsEnabled_; }
    void setEffectsEnabled(bool enabled);

signals:
    void selectedChanged(VoiceFilter selected);
    void effectsEnabledChanged(bool enabled);

private:
    VoiceFilter selected_ = VoiceFilter::normal;
    bool effectsEnabled_ = false;
};
