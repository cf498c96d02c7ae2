#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

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
// GUI thread only.
class MacTovrinKeyboardModifier : public QObject {
    Q_OBJECT
public:
    // Attaches to `content`; the content takes keyboard focus while enabled.
    explicit MacTovrinKeyboardModifier(QWidget* content);
    ~MacTovrinKeyboardModifier() override;

    bool enabled() const { return enabled_; }
    bool enterHeld() const { return enterHeld_; }

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
    bool handleSpaceDown();
    void releasePTTIfNeeded(const char* line);
    void requestFocusSoon();
    bool concernsContent(QObject* receiver) const;

    QPointer<QWidget> content_;
    bool enabled_ = true;
    bool enterHeld_ = false;
};
