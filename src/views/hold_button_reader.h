#pragma once

#include <QWidget>

#include <optional>

class QTouchEvent;

// A transparent overlay that turns raw pointer and touch events on its own area
// into exactly one down() and one up() per press, strictly alternating. A press
// ends when the pointer is released, leaves the area, is cancelled, the widget
// is hidden or its window stops being active, or when the owner changes the
// release token. One pointer at a time: a second touch is ignored. Main thread.
class HoldButtonReader : public QWidget {
    Q_OBJECT

public:
    explicit HoldButtonReader(QWidget* parent = nullptr);

    bool isHeld() const { return held_; }

    // Any change of the token drops a held press with one up(); while idle the
    // new token is only adopted.
    void setReleaseToken(int token);
    int releaseToken() const { return lastReleaseToken_; }

signals:
    void down();
    void up();

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void press();
    void release();
    bool handleTouch(QTouchEvent* event);

    bool held_ = false;
    int lastReleaseToken_ = 0;
    std::optional<int> touchId_;
};
