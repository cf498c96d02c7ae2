#pragma once

#include <QObject>

#include <optional>

// The audio session's notifications: an interruption (began or ended, with
// options) and a change of route (a device came or went). Route changes come
// from Qt Multimedia's device lists; the sound server has no interruptions to
// report, so only tests post them.
// Thread contract: GUI thread; signals are emitted there.
class AudioSessionNotifications final : public QObject {
    Q_OBJECT
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

signals:
    void interruption(const AudioSessionNotifications::Interruption& interruption);
    void routeChanged();

private:
    AudioSessionNotifications();
};
