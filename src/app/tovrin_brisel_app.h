#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class MainTovrinView;
class ScenePhaseTracker;

// The window's root: the phone frame around the main view, fixed at
// 402 × 902, always in the light appearance.
class AppShellView : public QWidget {
    Q_OBJECT
public:
    explicit AppShellView(QWidget* parent = nullptr);

    MainTovrinView* mainView() const { return mainView_; }

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    MainTovrinView* mainView_;
};

// The application object: one window showing AppShellView. Before the window
// exists it fixes the light appearance and the fonts; the privacy gate records the
// consent when the window is shown, and feeds the window's phase to the main view.
class TovrinBriselApp : public QObject {
    Q_OBJECT
public:
    TovrinBriselApp();
    ~TovrinBriselApp() override;

    AppShellView* window() const { return window_.get(); }
    void show();

private:
    std::unique_ptr<AppShellView> window_;
    ScenePhaseTracker* phases_ = nullptr;
};
