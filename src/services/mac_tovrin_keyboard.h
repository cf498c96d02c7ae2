#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <optional>

class QKeyEvent;

// Keeps the radio's keyboard shortcuts away from text entry: while any text
// input of any window has keyboard focus, Return and Space belong to it.
namespace MacTovrinKeyboardGate {

bool isTextInputFocused();

}  // namespace MacTovrinKeyboardGate

// Return as push-to-talk (latched: one down and one up per physical press,
// however long it is held or auto-repeats) and Space as the pager, for the
// widget it is attached to and everything inside that widget's window.
// It knows nothing of the radio; it only emits the three actions.
//
// X11 auto-repeat sends a release and a press with the same time stamp, and
// Qt does not flag every such pair as a repeat (it only sees the press when
// it is already queued). So a Return release is held back briefly: a press
// with the release's time stamp drops both; anything else lets it through.
// GUI thread only.
class MacTovrinKeyboardModifier : public QObject {
    Q_OBJECT
public:
    // Attaches to `content`; the content takes keyboard focus while enabled.
    explicit MacTovrinKeyboardModifier(QWidget* content);
    ~MacTovrinKeyboardModifier() override;

    // How long a Return release waits for the press of an auto-repeat pair.
    static constexpr std::chrono::milliseconds kRepeatWait{30};

    bool enabled() const { return enabled_; }
    bool enterHeld() const { return enterHeld_; }
    // A Return release is waiting to learn whether auto-repeat made it.
    bool releasePending() const { return pendingRelease_.has_value(); }

    // Switching the shortcuts off while Return is held ends the transmission.
    void setEnabled(bool enabled);

Q_SIGNALS:
    void pttDown();
    void pttUp();
    void pager();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleReturnDown();
    bool handleReturnUp();
    bool holdReturnUp(quint64 timestamp);
    bool handleReturnPress(quint64 timestamp);
    void letPendingReleaseThrough();
    bool handleSpaceDown();
    void releasePTTIfNeeded(const char* line);
    void requestFocusSoon();
    bool concernsContent(QObject* receiver) const;

    QPointer<QWidget> content_;
    bool enabled_ = true;
    bool enterHeld_ = false;
    std::optional<quint64> pendingRelease_;  // its time stamp
    QTimer repeatWait_;
};
