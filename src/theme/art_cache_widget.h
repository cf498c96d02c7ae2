#pragma once

#include <QImage>
#include <QWidget>

class ThemeStore;

// A widget whose drawing is static art: painted once into an image at the
// screen's pixel ratio and blitted on every paint, redrawn only when its size,
// the pixel ratio or (given a store) the theme changes. Translucent where the
// art is. GUI thread only.
class ArtCacheWidget : public QWidget {
    Q_OBJECT

public:
    // `store` may be null for art that ignores the theme; otherwise it must
    // outlive the widget.
    explicit ArtCacheWidget(ThemeStore* store, QWidget* parent = nullptr);

protected:
    // Draws the art into `rect` (the whole widget, logical units).
    virtual void paintArt(QPainter& painter, const QRectF& rect) = 0;
    // Drops the cached art; the next paint draws it again.
    void invalidateArt();
    ThemeStore* store() const { return store_; }

    void paintEvent(QPaintEvent* event) override;

private:
    ThemeStore* store_;
    QImage cache_;
};
