#include "theme/emoji_text.h"

#include "theme/drop_shadow.h"

#include <QFontMetricsF>
#include <QPainter>

namespace EmojiText {

QFont font(qreal size)
{
    QFont f;
    f.setFamilies({QStringLiteral("Noto Color Emoji"), QStringLiteral("Noto Sans")});
    f.setPixelSize(qMax(1, qRound(size)));
    return f;
}

QSizeF boxSize(const QString& text, const QFont& font)
{
    const QFontMetricsF metrics(font);
    return {metrics.horizontalAdvance(text), metrics.height()};
}

void drawCentred(QPainter& painter, const QString& text, const QFont& font, QPointF centre, qreal opacity,
                 const DropShadow* shadow)
{
    const QSizeF size = boxSize(text, font);
    const QRectF box(centre - QPointF(size.width() / 2, size.height() / 2), size);
    const auto draw = [&](QPainter& p) {
        p.setFont(font);
        p.drawText(box, Qt::AlignCenter | Qt::TextDontClip, text);
    };
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    if (shadow)
        paintWithDropShadow(painter, box, *shadow, draw);
    else
        draw(painter);
    painter.restore();
}

} // namespace EmojiText
