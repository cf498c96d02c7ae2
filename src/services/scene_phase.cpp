#include "services/scene_phase.h"

#include <QEvent>

ScenePhaseTracker::ScenePhaseTracker(QWidget* window) : QObject(window), window_(window)
{
    window->installEventFilter(this);
}

bool ScenePhaseTracker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_) {
        switch (event->type()) {
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
        case QEvent::WindowStateChange:
        case QEvent::Show:
        case QEvent::Hide:
            reevaluate();
            break;
        default:
            break;
        }
    }
    return false;
}

void ScenePhaseTracker::reevaluate()
{
    if (!window_)
        return;
    ScenePhase next = ScenePhase::inactive;
    if (!window_->isVisible() || window_->isMinimized())
        next = ScenePhase::background;
    else if (window_->isActiveWindow())
        next = ScenePhase::active;
    if (next == phase_)
        return;
    phase_ = next;
    Q_EMIT phaseChanged(next);
}
