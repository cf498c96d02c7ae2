#pragma once

#include "theme/art_cache_widget.h"

// The radio shell's speaker grille: a dark plate with a grid of holes, every
// third one on a diagonal lit. It takes all the height and width it is given
// and keeps the grid centred. Ignores the theme.
class SpeakerGrille : public ArtCacheWidget {
    Q_OBJECT

public:
    SpeakerGrille(bool expanded, qreal layoutScale, QWidget* parent = nullptr);

    bool expanded() const { return expanded_; }
    qreal layoutScale() const { return layoutScale_; }
    void setLayoutScale(qreal layoutScale);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintArt(QPainter& painter, const QRectF& rect) override;

private:
    bool expanded_;
    qreal layoutScale_;
};
