#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPointF>
#include <QTimer>

#include <functional>
#include <optional>

class QVariantAnimation;

// One tile of the quick bar: an icon, a short label and a frequency line. A
// tap runs `action`; where the caller gives `onLongPress`, holding for 0.55 s
// without moving more than 10 points runs it instead, and the tap that the
// release of that same press would give is swallowed; a later press taps. Only buttons with a long-press action show the pressed look.
// Takes no keyboard focus, so Return and Space stay with the radio. GUI thread.
class ProQuickButton : public QAbstractButton {
    Q_OBJECT
public:
    struct Face {
        QString label;
        QString frequency;
        std::optional<QString> iconId;
        std::optional<QString> iconCustom;
        QColor tint;

        bool operator==(const Face&) const = default;
    };

    static constexpr int kWidth = 56;
    static constexpr int kHeight = 70;
    static constexpr int kLongPressMs = 550;
    static constexpr qreal kMaxLongPressMovement = 10;

    ProQuickButton(Face face, std::function<void()> action, std::function<void()> onLongPress = {},
                   QWidget* parent = nullptr);

    void setFace(Face face);
    const Face& face() const { return face_; }
    bool hasLongPress() const { return bool(onLongPress_); }

    bool isPressing() const { return isPressing_; }
    // The long-press timer still runs: a hold may yet become a long press.
    bool longPressPending() const { return longPressTimer_.isActive(); }
    bool suppressNextTap() const { return suppressNextTap_; }
    // The content's scale, animated between 1 and 0.94.
    qreal contentScale() const { return contentScale_; }

    QSize sizeHint() const override { return {kWidth, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void onTap();
    void completeLongPress();
    void cancelLongPress();
    void setPressing(bool pressing);
    void paintContent(QPainter& painter, const QRectF& frame) const;

    Face face_;
    std::function<void()> action_;
    std::function<void()> onLongPress_;
    QTimer longPressTimer_;
    QPointF pressPosition_;
    bool suppressNextTap_ = false;
    bool isPressing_ = false;
    qreal contentScale_ = 1;
    QVariantAnimation* scaleAnimation_;
};
