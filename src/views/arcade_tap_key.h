#pragma once

#include "views/key_face_painter.h"

#include <QAbstractButton>

// A framework button drawn as a square arcade push face: a tap is a press and a
// release on the key. Subclasses give the face's colours and paint the label.
// Takes no keyboard focus: Return and Space belong to the radio screen.
class ArcadeTapKey : public QAbstractButton {
    Q_OBJECT

public:
    explicit ArcadeTapKey(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {100, 100}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width; }

    // The key's square and side inside the widget.
    QRectF keySquare() const;
    qreal side() const { return keySquare().width(); }

protected:
    virtual PushFaceStyle faceStyle(bool pressed) const = 0;
    virtual void paintLabel(QPainter& painter, const QRectF& key) const = 0;
    // Drawn over the key's frame after the face; does not travel with the cap.
    virtual void paintOverlay(QPainter& painter, const QRectF& key) const;

    void paintEvent(QPaintEvent* event) override;
};
