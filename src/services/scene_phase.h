#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

// The window's phase as the radio cares about it: in front and focused
// (active), visible but not focused (inactive), or minimised/hidden (background).
enum class ScenePhase { active, inactive, background };

// Follows one window and reports each real change of its phase.
class ScenePhaseTracker : public QObject {
    Q_OBJECT
public:
    explicit ScenePhaseTracker(QWidget* window);

    ScenePhase phase() const { return phase_; }

Q_SIGNALS:
    void phaseChanged(ScenePhase phase);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reevaluate();

    QPointer<QWidget> window_;
    ScenePhase phase_ = ScenePhase::inactive;
};
