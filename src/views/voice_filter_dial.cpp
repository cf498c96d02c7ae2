#include "views/voice_filter_dial.h"

#include "theme/continuous_rounded_rect.h"
#include "theme/theme_store.h"
#include "views/view_fonts.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

const QString VoiceFilterDial::kSymbol = QString::fromUtf8("\U0001F6AB");
const QString VoiceFilterDial::kCaption = QStringLiteral("FX OFF");

VoiceFilterDialStyle::VoiceFilterDialStyle(qreal s)
    : side(s)
    , height(1.12 * s)
    , spacing(0.08 * s)
    , symbolSize(0.42 * s)
    , captionSize(std::max(0.16 * s, 8.0))
    , cornerRadius(0.2 * s)
    , strokeWidth(std::max(0.018 * s, 1.0))
{
}

VoiceFilterDial::VoiceFilterDial(ThemeStore* theme, qreal side, QWidget* parent)
    : QWidget(parent)
    , theme_(theme)
    , style_(side)
{
    setAccessibleName(QStringLiteral("Voice effects off"));
    setAccessibleDescription(QStringLiteral("Effects are disabled while audio is being fixed"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(sizeHint());
    if (theme_)
        connect(theme_, &ThemeStore::currentChanged, this, qOverload<>(&QWidget::update));
}

QSize VoiceFilterDial::sizeHint() const
{
    return {qCeil(style_.side), qCeil(style_.height)};
}

void VoiceFilterDial::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(VoiceFilterDialStyle::opacity);

    const QRectF frame(0, 0, style_.side, style_.height);
    const QPainterPath plate = continuousRoundedRect(frame, style_.cornerRadius);
    painter.fillPath(plate, QColor::fromRgbF(0, 0, 0, VoiceFilterDialStyle::fillOpacity));
    QPen stroke(QColor::fromRgbF(0, 0, 0, VoiceFilterDialStyle::strokeOpacity), style_.strokeWidth);
    stroke.setMiterLimit(10);
    painter.strokePath(plate, stroke);

    const QFont symbolFont = ViewFonts::font(style_.symbolSize, QFont::Normal);
    const QFont captionFont = ViewFonts::font(style_.captionSize, QFont::Black);
    const QFontMetricsF symbolMetrics(symbolFont);
    const QFontMetricsF captionMetrics(captionFont);
    const qreal stackHeight = symbolMetrics.height() + style_.spacing + captionMetrics.height();
    const qreal top = (frame.height() - stackHeight) / 2;

    painter.setFont(symbolFont);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(0, top, frame.width(), symbolMetrics.height()), Qt::AlignCenter, kSymbol);

    painter.setFont(captionFont);
    painter.setPen(theme_ ? theme_->current().onBodyMuted() : palette().color(QPalette::WindowText));
    painter.drawText(QRectF(0, top + symbolMetrics.height() + style_.spacing, frame.width(), captionMetrics.height()),
                     Qt::AlignCenter, kCaption);
}
