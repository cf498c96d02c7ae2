#pragma once

#include "views/app_stores.h"
#include "services/scene_phase.h"

#include <QCoroTask>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class RootView;

// The main view: creates the nine long-lived stores once, in their fixed
// order, owns them for the life of the window and hands them to the tab
// container. It runs the start-up sequence when first shown, takes the
// resume snapshot and moves the engine in and out of background radio mode
// as the window's phase changes, and mirrors the channel and the face plate
// to the watch link. GUI thread only.
class MainTovrinView : public QWidget {
    Q_OBJECT
public:
    // What the start-up read of the resume state found.
    struct ResumeState {
        qint64 lastChannel = 0;  // an absent key reads as 0
        bool wasLive = false;
    };

    explicit MainTovrinView(QWidget* parent = nullptr);
    ~MainTovrinView() override;

    const AppStores& stores() const { return stores_; }
    bool startUpFinished() const { return startUpFinished_; }

    // Reacts to a change of the window's phase (only the main view does this).
    void applyScenePhase(ScenePhase phase);

    // The pause between loading the account data and restoring the radio;
    // tests shorten it.
    void setRestorePause(std::chrono::milliseconds pause) { restorePause_ = pause; }

    static ResumeState readResumeState();

Q_SIGNALS:
    void startUpFinishedChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct OwnedStores;
    // Runs startUp and marks the start-up finished, whether it restored the
    // radio or stopped early.
    static QCoro::Task<void> runStartUp(QPointer<MainTovrinView> view);
    static QCoro::Task<void> startUp(QPointer<MainTovrinView> view, ResumeState resume);
    static QCoro::Task<void> prefetchEffects(QPointer<MainTovrinView> view);
    static QCoro::Task<void> restoreRadioSession(QPointer<MainTovrinView> view, ResumeState resume);
    static bool mustStop(const QPointer<MainTovrinView>& view);
    void syncWatchFacePlate();

    std::unique_ptr<OwnedStores> owned_;
    AppStores stores_;
    RootView* rootView_ = nullptr;
    bool startUpBegun_ = false;
    bool startUpFinished_ = false;
    std::chrono::milliseconds restorePause_{400};
};
