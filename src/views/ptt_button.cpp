#include "views/ptt_button.h"

#include "platform/tovrin_haptics.h"
#include "theme/system_colors.h"
#include "views/hold_button_reader.h"
#include "views/key_face_painter.h"
#include "views/label_stack.h"
#include "views/view_fonts.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEasingCurve>
#include <QEvent>
#include <QPainter>

#include <cmath>

namespace {

// The cap's spring: response 0.18 s, damping fraction 0.62, settled well
// within the animation's 0.45 s.
constexpr int springMs = 450;

qreal springCurve(qreal progress)
{
    if (progress >= 1)
        return 1;
    constexpr qreal omega = 2 * M_PI / 0.18;
    constexpr qreal zeta = 0.62;
    const qreal damped = omega * std::sqrt(1 - zeta * zeta);
    const qreal t = progress * springMs / 1000.0;
    return 1 - std::exp(-zeta * omega * t) * (std::cos(damped * t) + zeta / std::sqrt(1 - zeta * zeta) * std::sin(damped * t));
}

// What assistive technology reads from the key: a button, selected while
// held, whose value is the countdown.
class PTTButtonAccessible final : public QAccessibleWidget {
public:
    explicit PTTButtonAccessible(PTTButton* key) : QAccessibleWidget(key, QAccessible::Button) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = key()->isPressed();
        return state;
    }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? key()->accessibilityValue() : QAccessibleWidget::text(t);
    }

private:
    PTTButton* key() const { return static_cast<PTTButton*>(widget()); }
};

QAccessibleInterface* accessibleKey(const QString& className, QObject* object)
{
    if (className == QLatin1String("PTTButton") && object && object->isWidgetType())
        return new PTTButtonAccessible(static_cast<PTTButton*>(object));
    return nullptr;
}

}  // namespace

PTTButton::PTTButton(QWidget* parent)
    : QWidget(parent)
    , reader_(new HoldButtonReader(this))
    , capOffset_(pushFaceCapOffset(false))
{
    // Before anything asks for the key's accessible interface, which is then kept.
    static const bool accessibleKeyInstalled = (QAccessible::installFactory(accessibleKey), true);
    Q_UNUSED(accessibleKeyInstalled);
    QEasingCurve spring;
    spring.setCustomType(springCurve);
    capSpring_.setEasingCurve(spring);
    capSpring_.setDuration(springMs);
    connect(&capSpring_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        capOffset_ = value.toReal();
        update();
    });
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAccessibleName(QStringLiteral("Push to talk"));
    secondsFade_.setDuration(120);
    secondsFade_.setEasingCurve(QEasingCurve::InOutQuad);
    secondsFade_.setStartValue(0.0);
    secondsFade_.setEndValue(1.0);
    connect(&secondsFade_, &QVariantAnimation::valueChanged, this, [this] { update(); });
    connect(reader_, &HoldButtonReader::down, this, &PTTButton::handleDown);
    connect(reader_, &HoldButtonReader::up, this, &PTTButton::handleUp);
}

PTTButton::~PTTButton()
{
    forceRelease();
}

void PTTButton::setActive(bool active)
{
    if (active == active_)
        return;
    active_ = active;
    if (!active && pressed_)
        forceRelease();
    update();
}

void PTTButton::setSecondsRemaining(std::optional<int> seconds)
{
    if (seconds == seconds_)
        return;
    const bool wasCounting = isCounting();
    const QString before = wasCounting ? QString::number(*seconds_) : QString();
    seconds_ = seconds;
    if (wasCounting && isCounting()) {
        previousSeconds_ = before;
        secondsFade_.stop();
        secondsFade_.start();
    }
    QAccessibleValueChangeEvent change(this, accessibilityValue());
    QAccessible::updateAccessibility(&change);
    update();
}

QStringList PTTButton::labelTexts() const
{
    if (isCounting())
        return {QString::number(*seconds_), QStringLiteral("SEC")};
    return {QStringLiteral("PTT"), QStringLiteral("hold \u21B5")};
}

QString PTTButton::accessibilityValue() const
{
    return isCounting() ? QString::number(*seconds_) + QStringLiteral(" seconds remaining") : QString();
}

void PTTButton::setPressed(bool pressed)
{
    pressed_ = pressed;
    capSpring_.stop();
    capSpring_.setStartValue(capOffset_);
    capSpring_.setEndValue(pushFaceCapOffset(pressed));
    capSpring_.start();
    QAccessible::State selected;
    selected.selected = true;
    QAccessibleStateChangeEvent change(this, selected);
    QAccessible::updateAccessibility(&change);
    update();
}

void PTTButton::handleDown()
{
    if (pressed_)
        return;
    setPressed(true);
    TovrinHaptics::rigidGen().prepare();
    TovrinHaptics::rigidGen().impactOccurred(1.0);
    emit down();
}

void PTTButton::handleUp()
{
    if (!pressed_)
        return;
    setPressed(false);
    reader_->setReleaseToken(++releaseToken_);
    TovrinHaptics::lightGen().prepare();
    TovrinHaptics::lightGen().impactOccurred(0.72);
    emit up();
}

void PTTButton::forceRelease()
{
    if (!pressed_ && !active_)
        return;
    const bool wasPressed = pressed_;
    setPressed(false);
    // The reader drops the held touch; its up() finds the key released.
    reader_->setReleaseToken(++releaseToken_);
    if (wasPressed) {
        TovrinHaptics::lightGen().prepare();
        TovrinHaptics::lightGen().impactOccurred(0.72);
    }
    emit up();
}

bool PTTButton::event(QEvent* event)
{
    // Before the reader sees its window go inactive: the key decides, once.
    // Only its own press: a transmission held with Return is ended by the
    // keyboard shortcut itself, and must not end twice.
    if (event->type() == QEvent::WindowDeactivate && pressed_)
        forceRelease();
    return QWidget::event(event);
}

void PTTButton::hideEvent(QHideEvent* event)
{
    forceRelease();
    QWidget::hideEvent(event);
}

void PTTButton::resizeEvent(QResizeEvent* event)
{
    reader_->setGeometry(rect());
    QWidget::resizeEvent(event);
}

void PTTButton::paintEvent(QPaintEvent*)
{
    const qreal s = qMin(width(), height());
    QRectF key(0, 0, s, s);
    key.moveCenter(QRectF(rect()).center());

    PushFaceStyle style;
    style.face = pressed_
        ? std::vector<QColor>{QColor::fromRgbF(0.78f, 0.08f, 0.08f), QColor::fromRgbF(0.55f, 0.02f, 0.02f), QColor::fromRgbF(0.42f, 0.01f, 0.01f)}
        : std::vector<QColor>{QColor::fromRgbF(1.00f, 0.28f, 0.22f), QColor::fromRgbF(0.88f, 0.10f, 0.10f), QColor::fromRgbF(0.62f, 0.04f, 0.04f)};
    style.chassisTint = grey(0.16);
    style.ledOn = ledOn();
    style.slot = ArcadeButtonSlot::trailing;
    style.pressed = pressed_;
    style.capOffset = capOffset_;

    QPainter painter(this);
    paintSquarePushFace(painter, key, style,
                        [&](QPainter& p, const QRectF& square) { paintLabel(p, square.translated(0, pressed_ ? 1 : 0), s); });
}

void PTTButton::paintLabel(QPainter& painter, const QRectF& square, qreal s)
{
    const QStringList texts = labelTexts();
    LabelLine top;
    LabelLine bottom;
    top.text = texts.value(0);
    bottom.text = texts.value(1);
    if (isCounting()) {
        top.font = ViewFonts::font(s * 0.34, QFont::Black, ViewFonts::Design::rounded);
        top.monospacedDigits = true;
        bottom.font = ViewFonts::font(s * 0.08, QFont::Bold, ViewFonts::Design::rounded);
        bottom.colour = withOpacity(Qt::white, 0.9);
    } else {
        top.font = ViewFonts::font(s * 0.22, QFont::Black, ViewFonts::Design::rounded);
        bottom.font = ViewFonts::font(s * 0.07, QFont::Bold, ViewFonts::Design::rounded);
        bottom.colour = withOpacity(Qt::white, 0.85);
    }
    const HardShadow shadow{QColor::fromRgbF(0, 0, 0, 0.55f), {0, 2}};
    const bool fading = isCounting() && secondsFade_.state() == QAbstractAnimation::Running;
    if (!fading) {
        paintLabelStack(painter, square, {top, bottom}, 2, shadow);
        return;
    }
    // The old number fades out as the new one fades in; "SEC" stays. Blank
    // lines keep the stack's layout.
    const qreal shown = secondsFade_.currentValue().toReal();
    LabelLine old = top;
    old.text = previousSeconds_;
    LabelLine blankTop = top;
    blankTop.text = QStringLiteral(" ");
    LabelLine blankBottom = bottom;
    blankBottom.text = QStringLiteral(" ");
    painter.save();
    painter.setOpacity(1 - shown);
    paintLabelStack(painter, square, {old, blankBottom}, 2, shadow);
    painter.setOpacity(shown);
    paintLabelStack(painter, square, {top, blankBottom}, 2, shadow);
    painter.restore();
    paintLabelStack(painter, square, {blankTop, bottom}, 2, shadow);
}

