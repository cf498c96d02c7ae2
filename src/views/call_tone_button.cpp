#include "views/call_tone_button.h"

#include "legal/app_legal.h"
#include "platform/diagnostics.h"
#include "platform/media_clock.h"
#include "views/label_stack.h"
#include "views/view_fonts.h"

#include <QContextMenuEvent>
#include <QMenu>

CallToneButton::CallToneButton(QWidget* parent)
    : ArcadeTapKey(parent)
    , menu_(new QMenu(this))
{
    menu_->addAction(QStringLiteral("Next alert sound"), this, &CallToneButton::nextAlertSoundRequested);
    connect(this, &QAbstractButton::clicked, this, &CallToneButton::tap);
    setAccessibleDescription(QStringLiteral("Tap to play. Long-press menu to change sound."));
    updateAccessibility();
}

void CallToneButton::setAlertSound(const QString& emoji, const QString& label)
{
    if (emoji == emoji_ && label == label_)
        return;
    emoji_ = emoji;
    label_ = label;
    updateAccessibility();
    update();
}

void CallToneButton::setCooldownRemaining(std::optional<int> seconds)
{
    if (seconds == cooldown_)
        return;
    cooldown_ = seconds;
    if (isCooling())
        setDown(false);
    updateAccessibility();
    update();
}

QStringList CallToneButton::labelTexts() const
{
    if (isCooling())
        return {QString::number(*cooldown_), QStringLiteral("WAIT")};
    return {emoji_, label_};
}

void CallToneButton::updateAccessibility()
{
    setAccessibleName(isCooling() ? QStringLiteral("Pager cooldown %1 seconds").arg(*cooldown_)
                                  : QStringLiteral("Alert sound ") + label_);
}

void CallToneButton::tap()
{
    if (isCooling())
        return;
    Diagnostics::printLine(QStringLiteral("[UIJANK] pager tap t=") + MediaClock::secondsText()
                           + QStringLiteral(" build=") + AppLegal::buildNumber());
    emit played();
}

bool CallToneButton::hitButton(const QPoint& pos) const
{
    // Disabled for taps only: the context menu stays reachable while cooling.
    return acceptsTaps() && ArcadeTapKey::hitButton(pos);
}

void CallToneButton::contextMenuEvent(QContextMenuEvent* event)
{
    menu_->popup(event->globalPos());
    event->accept();
}

PushFaceStyle CallToneButton::faceStyle(bool pressed) const
{
    PushFaceStyle style;
    if (isCooling())
        style.face = {grey(0.45), grey(0.32), grey(0.22)};
    else if (pressed)
        style.face = {QColor::fromRgbF(0.92f, 0.72f, 0.08f), QColor::fromRgbF(0.78f, 0.55f, 0.02f), QColor::fromRgbF(0.58f, 0.38f, 0.02f)};
    else
        style.face = {QColor::fromRgbF(1.00f, 0.88f, 0.18f), QColor::fromRgbF(0.92f, 0.68f, 0.05f), QColor::fromRgbF(0.72f, 0.48f, 0.02f)};
    style.chassisTint = QColor::fromRgbF(0.35f, 0.26f, 0.05f);
    style.ledOn = false;
    style.slot = ArcadeButtonSlot::middle;
    style.pressed = pressed;
    return style;
}

void CallToneButton::paintLabel(QPainter& painter, const QRectF& key) const
{
    const qreal s = key.width();
    const QColor ink = QColor::fromRgbF(0, 0, 0, 0.82f);
    const QStringList texts = labelTexts();
    LabelLine top;
    LabelLine bottom;
    top.text = texts.value(0);
    bottom.text = texts.value(1);
    top.colour = bottom.colour = ink;
    if (isCooling()) {
        top.font = ViewFonts::font(s * 0.30, QFont::Black, ViewFonts::Design::rounded);
        bottom.font = ViewFonts::font(qMax(s * 0.08, 8.0), QFont::Black, ViewFonts::Design::rounded);
    } else {
        top.font = ViewFonts::font(s * 0.30);
        bottom.font = ViewFonts::font(qMax(s * 0.09, 8.0), QFont::Black, ViewFonts::Design::rounded);
        bottom.minimumScale = 0.6;
    }
    // The cap is inset by a tenth of the side; keep the label on it.
    paintLabelStack(painter, key.adjusted(0.12 * s, 0, -0.12 * s, 0), {top, bottom}, 3);
}
