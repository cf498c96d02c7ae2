#pragma once

#include "models/alert_sound.h"
#include "platform/user_defaults.h"

#include <QObject>

// The pager sound the user has chosen, kept across launches under
// "tovrin.alert_sound". One per application, owned by the main view. GUI thread.
class AlertSoundStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(AlertSound current READ current WRITE setCurrent NOTIFY currentChanged)

public:
    static constexpr const char* kKey = "tovrin.alert_sound";

    // Reads the stored choice; a missing entry or an unknown name means pager.
    // Writes nothing.
    explicit AlertSoundStore(QObject* parent = nullptr);

    AlertSound current() const { return current_; }
    // Every assignment is persisted, also one that keeps the same sound.
    void setCurrent(AlertSound sound);

    // The next sound in order (after the last comes the first), with a rigid tap.
    void cycleNext();

signals:
    void currentChanged(AlertSound current);

private:
    UserDefaults defaults_;
    AlertSound current_ = AlertSound::pager;
};
