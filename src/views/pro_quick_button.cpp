#include "views/pro_quick_button.h"

#include "platform/tovrin_haptics.h"
#include "theme/continuous_rounded_rect.h"
#include "theme/drop_shadow.h"
#include "theme/quick_bar_icons.h"
#include "theme/system_colors.h"
#include "views/view_fonts.h"

#include <QLineF>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace {

constexpr qreal kIconSize = 30;
constexpr qreal kSpacing = 4;
constexpr qreal kTextSize = 8;
constexpr qreal kMinFrequencyScale = 0.6;
constexpr qreal kPressedScale = 0.94;
constexpr qreal kCornerRadius = 11;
constexpr int kPressAnimationMs = 120;

// The frequency line shrinks (down to 0.6 of its size) before it is cut. Its
// symbols (the SETUP gear asks for text presentation) come from a text
// symbol font before the colour emoji font.
QFont fittingFont(const QString& text, qreal width)
{
    QFont font = ViewFonts::font(kTextSize, QFont::Bold, ViewFonts::Design::monospaced);
    QStringList families = font.families();
    families.insert(qMax(0, int(families.size()) - 1), QStringLiteral("Noto Sans Symbols"));
    font.setFamilies(families);
    for (qreal scale = 1.0; scale >= kMinFrequencyScale - 1e-9; scale -= 0.05) {
        font.setPixelSize(qMax(1, qRound(kTextSize * scale)));
        if (QFontMetricsF(font).horizontalAdvance(text) <= width)
            break;
    }
    return font;
}

}  // namespace

ProQuickButton::ProQuickButton(Face face, std::function<void()> action, std::function<void()> onLongPress,
                               QWidget* parent)
    : QAbstractButton(parent), face_(std::move(face)), action_(std::move(action)),
      onLongPress_(std::move(onLongPress)), scaleAnimation_(new QVariantAnimation(this))
{
    setFixedSize(kWidth, kHeight);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(face_.label);
    longPressTimer_.setSingleShot(true);
    longPressTimer_.setInterval(kLongPressMs);
    connect(&longPressTimer_, &QTimer::timeout, this, &ProQuickButton::completeLongPress);
    connect(this, &QAbstractButton::clicked, this, &ProQuickButton::onTap);

    scaleAnimation_->setDuration(kPressAnimationMs);
    scaleAnimation_->setEasingCurve(QEasingCurve::OutQuad);
    connect(scaleAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        contentScale_ = value.toReal();
        update();
    });
}

void ProQuickButton::setFace(Face face)
{
    if (face == face_)
        return;
    face_ = std::move(face);
    setAccessibleName(face_.label);
    update();
}

// ---- Press handling ----

void ProQuickButton::mousePressEvent(QMouseEvent* event)
{
    QAbstractButton::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    // A new press: a long press whose release never came as a tap (it went
    // to the remove alert, or ended outside) has nothing left to swallow.
    suppressNextTap_ = false;
    pressPosition_ = event->position();
    longPressTimer_.start();
    setPressing(true);
}

void ProQuickButton::mouseMoveEvent(QMouseEvent* event)
{
    QAbstractButton::mouseMoveEvent(event);
    if (longPressTimer_.isActive() && QLineF(pressPosition_, event->position()).length() > kMaxLongPressMovement)
        cancelLongPress();
}

void ProQuickButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        cancelLongPress();
    QAbstractButton::mouseReleaseEvent(event);
    // The tap of the long press, if any, came with this release.
    if (event->button() == Qt::LeftButton)
        suppressNextTap_ = false;
}

void ProQuickButton::cancelLongPress()
{
    longPressTimer_.stop();
    setPressing(false);
}

void ProQuickButton::completeLongPress()
{
    setPressing(false);
    if (!onLongPress_ || !isEnabled())
        return;
    suppressNextTap_ = true;
    TovrinHaptics::rigid();
    onLongPress_();
}

void ProQuickButton::onTap()
{
    if (suppressNextTap_) {
        suppressNextTap_ = false;
        return;
    }
    TovrinHaptics::medium();
    if (action_)
        action_();
}

void ProQuickButton::setPressing(bool pressing)
{
    // Only a button that has a long-press action shows the pressed look.
    const bool value = pressing && bool(onLongPress_);
    if (value == isPressing_)
        return;
    isPressing_ = value;
    scaleAnimation_->stop();
    scaleAnimation_->setStartValue(contentScale_);
    scaleAnimation_->setEndValue(value ? kPressedScale : 1.0);
    scaleAnimation_->start();
}

// ---- Drawing ----

void ProQuickButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(0.8);
    const QRectF frame(0, 0, kWidth, kHeight);
    const QRectF tile = frame.adjusted(0.5, 0.5, -0.5, -2);  // room for the shadow below
    const QPainterPath shape = continuousRoundedRect(tile, kCornerRadius);

    const DropShadow shadow{QColor::fromRgbF(0, 0, 0, 0.12f), 2, QPointF(0, 1.5)};
    paintWithDropShadow(painter, tile, shadow, [&](QPainter& p) {
        QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
        fill.setColorAt(0, withOpacity(face_.tint, 0.92));
        fill.setColorAt(1, withOpacity(face_.tint, 0.58));
        p.fillPath(shape, fill);
        QLinearGradient rim(tile.topLeft(), tile.bottomLeft());
        rim.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.35f));
        rim.setColorAt(1, QColor::fromRgbF(1, 1, 1, 0.08f));
        p.setPen(QPen(QBrush(rim), 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(shape);
    });

    // Only the content shrinks while pressed; the tile keeps its size.
    painter.translate(tile.center());
    painter.scale(contentScale_, contentScale_);
    painter.translate(-tile.center());
    paintContent(painter, tile);
}

void ProQuickButton::paintContent(QPainter& painter, const QRectF& frame) const
{
    const QFont labelFont = ViewFonts::font(kTextSize, QFont::Black, ViewFonts::Design::rounded);
    const qreal textWidth = frame.width() - 4;
    const QFont frequencyFont = fittingFont(face_.frequency, textWidth);
    const qreal labelHeight = QFontMetricsF(labelFont).height();
    const qreal frequencyHeight = QFontMetricsF(frequencyFont).height();
    const qreal total = kIconSize + kSpacing + labelHeight + kSpacing + frequencyHeight;
    qreal y = frame.center().y() - total / 2;

    const QRectF iconRect(frame.center().x() - kIconSize / 2, y, kIconSize, kIconSize);
    QuickBarIcon::paint(painter, iconRect, face_.iconId, face_.iconCustom);
    y += kIconSize + kSpacing;

    painter.setPen(Qt::white);
    painter.setFont(labelFont);
    const QRectF labelRect(frame.left() + 2, y, textWidth, labelHeight);
    painter.drawText(labelRect, Qt::AlignCenter,
                     QFontMetricsF(labelFont).elidedText(face_.label, Qt::ElideRight, textWidth));
    y += labelHeight + kSpacing;

    painter.setFont(frequencyFont);
    const QRectF frequencyRect(frame.left() + 2, y, textWidth, frequencyHeight);
    painter.drawText(frequencyRect, Qt::AlignCenter,
                     QFontMetricsF(frequencyFont).elidedText(face_.frequency, Qt::ElideRight, textWidth));
}
