#pragma once

#include <QObject>

#include <optional>

// The audio session's notifications: an interruption (began or ended, with
// options) and a change of route. On the desktop the sound server going
// away is an interruption that begins, and its return one that ends with
// the should-resume option; a new default sink or source is a route change.
// It also publishes whether sound can be heard at all, for the screens.
// Thread contract: GUI thread; signals are emitted there.
class AudioSessionNotifications final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool soundServerAvailable READ soundServerAvailable NOTIFY soundServerAvailableChanged)
public:
    static constexpr unsigned kInterruptionEnded = 0;
    static constexpr unsigned kInterruptionBegan = 1;
    static constexpr unsigned kShouldResume = 1;  // option bit 0

    // A notification's user information; absent fields read as missing.
    struct Interruption {
        bool hasUserInfo = true;
        std::optional<unsigned> type;
        std::optional<unsigned> options;
    };

    static AudioSessionNotifications& instance();

    void postInterruption(const Interruption& info) { emit interruption(info); }
    void postRouteChange() { emit routeChanged(); }
    bool soundServerAvailable() const { return soundServerAvailable_; }

signals:
    void interruption(const AudioSessionNotifications::Interruption& interruption);
    void routeChanged();
    void soundServerAvailableChanged(bool available);

private:
    AudioSessionNotifications();
    void serverAvailabilityChanged(bool available);

    bool soundServerAvailable_ = false;
};
