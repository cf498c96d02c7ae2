#include "theme/speaker_grille.h"

#include "theme/speaker_grille_painter.h"

#include <cmath>

SpeakerGrille::SpeakerGrille(bool expanded, qreal layoutScale, QWidget* parent)
    : ArtCacheWidget(nullptr, parent)
    , expanded_(expanded)
    , layoutScale_(layoutScale)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SpeakerGrille::setLayoutScale(qreal layoutScale)
{
    if (qFuzzyCompare(layoutScale, layoutScale_))
        return;
    layoutScale_ = layoutScale;
    updateGeometry();
    invalidateArt();
}

QSize SpeakerGrille::sizeHint() const
{
    const QSizeF ideal = SpeakerGrilleLayout::idealSize(expanded_, layoutScale_);
    return {int(std::ceil(ideal.width())), int(std::ceil(ideal.height()))};
}

QSize SpeakerGrille::minimumSizeHint() const
{
    return sizeHint();
}

void SpeakerGrille::paintArt(QPainter& painter, const QRectF& rect)
{
    SpeakerGrillePainter::paint(painter, rect, expanded_, layoutScale_);
}
