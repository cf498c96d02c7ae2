#include "theme/speaker_grille_painter.h"

#include "theme/continuous_rounded_rect.h"
#include "theme/drop_shadow.h"
#include "theme/outline_pen.h"
#include "theme/system_colors.h"

#include <QPainter>
#include <QRadialGradient>

#include <algorithm>

namespace {

struct Variant {
    int rows;
    int holesPerRow;
    qreal rowSpacing;
    qreal holeSpacing;
    qreal paddingX;
    qreal paddingY;
};

constexpr Variant kExpanded{4, 18, 6, 5, 14, 10};
constexpr Variant kCompact{3, 12, 7, 7, 20, 6};
constexpr qreal kMinimumHole = 7;

qreal holeSizeFor(qreal scale)
{
    return std::max(kMinimumHole * scale, kMinimumHole);
}

QSizeF gridSize(const Variant& v, qreal scale)
{
    const qreal d = holeSizeFor(scale);
    return {v.holesPerRow * d + (v.holesPerRow - 1) * v.holeSpacing * scale,
            v.rows * d + (v.rows - 1) * v.rowSpacing * scale};
}

} // namespace

qreal SpeakerHole::rimWidth() const
{
    return std::max(0.07 * size, 0.5);
}

qreal SpeakerHole::shadowRadius() const
{
    return 0.07 * size;
}

qreal SpeakerHole::shadowDrop() const
{
    return 0.07 * size;
}

void SpeakerHole::paint(QPainter& painter, const QRectF& frame) const
{
    QRadialGradient depth(frame.topLeft() + QPointF(0.35 * frame.width(), 0.35 * frame.height()), 0.55 * size);
    depth.setColorAt(0, systemColor(SystemColor::Black, isLit ? 0.75 : 0.55));
    depth.setColorAt(1, systemColor(SystemColor::Black, 0.95));
    painter.setPen(Qt::NoPen);
    painter.setBrush(depth);
    painter.drawEllipse(frame);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(outlinePen(systemColor(SystemColor::White, 0.06), rimWidth()));
    painter.drawEllipse(frame);
}

SpeakerGrilleLayout SpeakerGrilleLayout::compute(const QRectF& frame, bool expanded, qreal scale)
{
    const Variant& v = expanded ? kExpanded : kCompact;
    SpeakerGrilleLayout layout;
    layout.rows = v.rows;
    layout.holesPerRow = v.holesPerRow;
    layout.rowSpacing = v.rowSpacing * scale;
    layout.holeSpacing = v.holeSpacing * scale;
    layout.paddingX = v.paddingX * scale;
    layout.paddingY = v.paddingY * scale;
    layout.holeSize = holeSizeFor(scale);
    layout.plate = frame;
    layout.plateRadius = 10 * scale;
    layout.plateBorder = std::max(1.0, scale);

    // The grid sits centred in the frame less its padding; each row spans the
    // full width with its holes centred.
    const QRectF inner = frame.adjusted(layout.paddingX, layout.paddingY, -layout.paddingX, -layout.paddingY);
    const QSizeF grid = gridSize(v, scale);
    const QPointF origin(inner.center().x() - grid.width() / 2, inner.center().y() - grid.height() / 2);
    const qreal d = layout.holeSize;
    layout.holes.reserve(std::size_t(v.rows * v.holesPerRow));
    for (int r = 0; r < v.rows; ++r) {
        for (int c = 0; c < v.holesPerRow; ++c) {
            const QPointF at = origin + QPointF(c * (d + layout.holeSpacing), r * (d + layout.rowSpacing));
            layout.holes.push_back({r, c, QRectF(at, QSizeF(d, d)), isLit(r, c)});
        }
    }
    return layout;
}

QSizeF SpeakerGrilleLayout::idealSize(bool expanded, qreal scale)
{
    const Variant& v = expanded ? kExpanded : kCompact;
    return gridSize(v, scale) + QSizeF(2 * v.paddingX * scale, 2 * v.paddingY * scale);
}

namespace SpeakerGrillePainter {

void paint(QPainter& painter, const QRectF& frame, bool expanded, qreal scale)
{
    const SpeakerGrilleLayout layout = SpeakerGrilleLayout::compute(frame, expanded, scale);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    const QPainterPath plate = continuousRoundedRect(layout.plate, layout.plateRadius);
    painter.fillPath(plate, systemColor(SystemColor::Black, 0.18));
    painter.strokePath(plate, outlinePen(systemColor(SystemColor::Black, 0.25), layout.plateBorder));

    // Every hole casts the same shadow and none overlap, so one layer carries them all.
    const SpeakerHole style{layout.holeSize, false};
    const DropShadow shadow{systemColor(SystemColor::Black, 0.4), style.shadowRadius(), QPointF(0, style.shadowDrop())};
    QRectF holesArea;
    for (const SpeakerGrilleLayout::Hole& hole : layout.holes)
        holesArea = holesArea.united(hole.frame);
    const qreal rim = style.rimWidth() / 2;
    paintWithDropShadow(painter, holesArea.adjusted(-rim, -rim, rim, rim), shadow, [&](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        for (const SpeakerGrilleLayout::Hole& hole : layout.holes)
            SpeakerHole{layout.holeSize, hole.lit}.paint(p, hole.frame);
    });
    painter.restore();
}

} // namespace SpeakerGrillePainter
