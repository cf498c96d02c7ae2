#pragma once

#include <QVariantAnimation>
#include <QRectF>
#include <QWidget>

#include <optional>

class HoldButtonReader;
class QPainter;

// The square push-to-talk key, trailing in the action strip. A finger or
// pointer held on it gives exactly one down() and one up(); it shows the
// transmit countdown and releases itself when its window stops being active,
// when it is hidden or destroyed, and when the transmission ends under the
// finger. It knows nothing of channels or audio. Main thread.
class PTTButton : public QWidget {
    Q_OBJECT

public:
    explicit PTTButton(QWidget* parent = nullptr);
    ~PTTButton() override;

    // A transmission is running (also one started from the keyboard).
    void setActive(bool active);
    bool isActive() const { return active_; }
    void setSecondsRemaining(std::optional<int> seconds);
    std::optional<int> secondsRemaining() const { return seconds_; }

    bool isPressed() const { return pressed_; }
    int releaseToken() const { return releaseToken_; }
    bool isCounting() const { return (active_ || pressed_) && seconds_.has_value(); }
    bool ledOn() const { return active_ && !pressed_; }
    QStringList labelTexts() const;
    // The accessible value: the countdown as "12 seconds remaining", else empty.
    QString accessibilityValue() const;
    // The countdown's change from one number to the next (ease in and out, 0.12 s).
    const QVariantAnimation& secondsTransition() const { return secondsFade_; }

    // Ends a press or a transmission without the finger: one up() when either runs.
    void forceRelease();

    QSize sizeHint() const override { return {100, 100}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width; }

signals:
    void down();
    void up();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void handleDown();
    void handleUp();
    void setPressed(bool pressed);
    void paintLabel(QPainter& painter, const QRectF& square, qreal side);

    HoldButtonReader* reader_;
    bool active_ = false;
    std::optional<int> seconds_;
    bool pressed_ = false;
    int releaseToken_ = 0;
    qreal capOffset_;
    QVariantAnimation capSpring_;
    QString previousSeconds_;  // the number fading out
    QVariantAnimation secondsFade_;
};
