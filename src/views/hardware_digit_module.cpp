#include "views/hardware_digit_module.h"

#include "platform/symbol_image.h"
#include "platform/tovrin_haptics.h"
#include "theme/continuous_rounded_rect.h"
#include "theme/system_colors.h"
#include "views/seven_segment.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

// Inside the 46 x 72 module: the glyph's frame and the arrows' touch rows.
const QRectF glyphFrame(6, 10, 34, 52);
constexpr qreal arrowRow = 18;
constexpr qreal arrowSide = 10;

}  // namespace

int digitDragUnits(QPointF translation, qreal threshold)
{
    // Choose the axis on the raw movement, then count whole steps toward zero:
    // a slanted swipe up never counts down, and a small wobble counts nothing.
    const bool horizontal = std::abs(translation.x()) > std::abs(translation.y());
    const qreal distance = horizontal ? -translation.x() : -translation.y();
    return int(std::trunc(distance / threshold));
}

HardwareDigitModule::HardwareDigitModule(QChar character, QWidget* parent)
    : QWidget(parent)
    , character_(character)
{
    tapRelease_.setSingleShot(true);
    tapRelease_.setInterval(80);
    connect(&tapRelease_, &QTimer::timeout, this, [this] {
        if (!dragging_) {
            pressed_ = false;
            update();
        }
    });
    settle_.setDuration(120);
    settle_.setEasingCurve(QEasingCurve::OutCubic);
    connect(&settle_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) { setShownOffset(v.toReal()); });
}

void HardwareDigitModule::setCharacter(QChar character)
{
    if (character == character_)
        return;
    character_ = character;
    update();
}

void HardwareDigitModule::setInk(const QColor& ink)
{
    if (ink == ink_)
        return;
    ink_ = ink;
    update();
}

qreal HardwareDigitModule::scale() const
{
    return qMax(0.01, width() / moduleWidth);
}

QPointF HardwareDigitModule::toModule(QPointF widgetPos) const
{
    return widgetPos / scale();
}

HardwareDigitModule::Zone HardwareDigitModule::zoneAt(QPointF p)
{
    if (p.x() < 0 || p.x() > moduleWidth)
        return Zone::none;
    if (p.y() >= 0 && p.y() < arrowRow)
        return Zone::up;
    if (p.y() > moduleHeight - arrowRow && p.y() <= moduleHeight)
        return Zone::down;
    return Zone::none;
}

void HardwareDigitModule::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    tracking_ = true;
    dragging_ = false;
    pressPos_ = toModule(event->position());
    pressZone_ = zoneAt(pressPos_);
}

void HardwareDigitModule::mouseMoveEvent(QMouseEvent* event)
{
    if (!tracking_)
        return;
    const QPointF translation = toModule(event->position()) - pressPos_;
    if (!dragging_ && std::hypot(translation.x(), translation.y()) < dragMinimum)
        return;
    dragTo(translation);
}

void HardwareDigitModule::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !tracking_)
        return;
    tracking_ = false;
    if (dragging_) {
        endDrag();
        return;
    }
    const Zone zone = zoneAt(toModule(event->position()));
    if (zone != Zone::none && zone == pressZone_)
        tapArrow(zone == Zone::up ? 1 : -1);
}

void HardwareDigitModule::tapArrow(int delta)
{
    pressed_ = true;
    update();
    emit nudged(delta);
    TovrinHaptics::mediumGen().prepare();
    TovrinHaptics::lightGen().impactOccurred();
    tapRelease_.start();
}

void HardwareDigitModule::dragTo(QPointF translation)
{
    if (!dragging_) {
        dragging_ = true;
        tapRelease_.stop();
        settle_.stop();
        pressed_ = true;
        steppedUnits_ = 0;
        TovrinHaptics::medium();
    }
    dragOffset_ = translation.y();
    setShownOffset(dragOffset_);
    const int units = digitDragUnits(translation, stepThreshold);
    const int delta = units - steppedUnits_;
    if (delta == 0)
        return;
    steppedUnits_ = units;
    emit nudged(delta);
    TovrinHaptics::mediumGen().prepare();
    TovrinHaptics::lightGen().impactOccurred();
}

void HardwareDigitModule::endDrag()
{
    dragging_ = false;
    pressed_ = false;
    steppedUnits_ = 0;
    dragOffset_ = 0;
    settle_.stop();
    settle_.setStartValue(shownOffset_);
    settle_.setEndValue(0.0);
    settle_.start();
    update();
}

void HardwareDigitModule::setShownOffset(qreal offset)
{
    shownOffset_ = offset;
    update();
}

void HardwareDigitModule::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale(), scale());
    const QRectF key(0, 0, moduleWidth, moduleHeight);
    const QPainterPath plate = continuousRoundedRect(key.adjusted(0.5, 0.5, -0.5, -0.5), 6);
    painter.fillPath(plate, QColor::fromRgbF(0, 0, 0, 0.35f));
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, pressed_ ? 0.2f : 0.08f), 1));
    painter.drawPath(plate);

    const QColor arrow = withOpacity(ink_, 0.55);
    const qreal ratio = devicePixelRatioF() * scale();
    const qreal x = (moduleWidth - arrowSide) / 2;
    painter.drawPixmap(QPointF(x, 0), SymbolImage::render(QStringLiteral("chevron.up"), arrowSide, arrow, ratio));
    painter.drawPixmap(QPointF(x, moduleHeight - arrowSide),
                       SymbolImage::render(QStringLiteral("chevron.down"), arrowSide, arrow, ratio));

    paintSevenSegmentDigit(painter, glyphFrame.translated(0, glyphShift()), character_,
                           {ink_, withOpacity(ink_, 0.08), 5});
}

HardwareDecimalModule::HardwareDecimalModule(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void HardwareDecimalModule::setInk(const QColor& ink)
{
    if (ink == ink_)
        return;
    ink_ = ink;
    update();
}

void HardwareDecimalModule::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const qreal s = width() / moduleWidth;
    painter.scale(s, s);
    paintSevenSegmentDecimal(painter, QRectF(0, 0, moduleWidth, HardwareDigitModule::moduleHeight), ink_);
}
