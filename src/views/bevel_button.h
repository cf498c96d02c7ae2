#pragma once

#include "views/key_face_painter.h"

#include <QAbstractButton>
#include <QVariantAnimation>

// A framework button drawn as a bevelled plate whose content sinks by `depth`
// and shrinks slightly while pressed (the tuner's step keys and the join key).
// Subclasses give the plate colours and paint the label.
class BevelButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit BevelButton(QWidget* parent = nullptr);

    // The plate inside the widget; the margins around it hold its shadow and press.
    QRectF plateRect() const;

protected:
    static QSize plateSizeHint(QSize plate) { return plate + QSize(4, 6); }

    virtual BevelStyle bevelStyle() const = 0;
    virtual void paintLabel(QPainter& painter, const QRectF& rect) const = 0;

    void paintEvent(QPaintEvent* event) override;

    static constexpr qreal depth = 3;

private:
    void animatePress(qreal to);

    QVariantAnimation press_;
    qreal pressProgress_ = 0;
};
