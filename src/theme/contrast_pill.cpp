#include "theme/contrast_pill.h"

#include "theme/continuous_rounded_rect.h"
#include "theme/theme_contrast.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

constexpr qreal kPaddingX = 8;
constexpr qreal kPaddingY = 4;
constexpr qreal kCaptionPixelSize = 11;  // the smallest caption text style

} // namespace

ContrastPill::ContrastPill(const QString& text, const QColor& tint, const QColor& surface, QWidget* parent)
    : QWidget(parent)
    , text_(text)
    , tint_(tint)
    , surface_(surface)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ContrastPill::setText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    updateGeometry();
    update();
}

void ContrastPill::setColours(const QColor& tint, const QColor& surface)
{
    if (tint == tint_ && surface == surface_)
        return;
    tint_ = tint;
    surface_ = surface;
    update();
}

QSize ContrastPill::sizeHint() const
{
    return sizeFor(text_).toSize();
}

QFont ContrastPill::font()
{
    QFont f;
    f.setPixelSize(int(kCaptionPixelSize));
    f.setBold(true);
    return f;
}

QColor ContrastPill::fillColour(const QColor& tint, const QColor& surface)
{
    return ThemeContrast::blend(tint, surface, 0.68);
}

QSizeF ContrastPill::sizeFor(const QString& text)
{
    const QFontMetricsF metrics(font());
    return {std::ceil(metrics.horizontalAdvance(text) + 2 * kPaddingX), std::ceil(metrics.height() + 2 * kPaddingY)};
}

void ContrastPill::paint(QPainter& painter, const QRectF& rect, const QString& text, const QColor& tint,
                         const QColor& surface)
{
    const QColor fill = fillColour(tint, surface);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawPath(continuousCapsule(rect));
    painter.setFont(font());
    painter.setPen(ThemeContrast::readable(fill, false));
    painter.drawText(rect, Qt::AlignCenter, text);
    painter.restore();
}

void ContrastPill::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), text_, tint_, surface_);
}
