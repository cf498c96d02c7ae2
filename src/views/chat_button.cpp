#include "views/chat_button.h"

#include "views/label_stack.h"
#include "views/view_fonts.h"

#include <QFontMetricsF>
#include <QPainter>

ChatButton::ChatButton(QWidget* parent)
    : ArcadeTapKey(parent)
{
    setAccessibleName(QStringLiteral("Channel chat"));
}

void ChatButton::setUnreadHint(int unread)
{
    if (unread == unread_)
        return;
    unread_ = unread;
    update();
}

QString ChatButton::badgeText() const
{
    return hasUnread() ? QString::number(qMin(unread_, 99)) : QString();
}

PushFaceStyle ChatButton::faceStyle(bool pressed) const
{
    PushFaceStyle style;
    style.face = pressed
        ? std::vector<QColor>{QColor::fromRgbF(0.12f, 0.55f, 0.28f), QColor::fromRgbF(0.06f, 0.42f, 0.18f), QColor::fromRgbF(0.04f, 0.32f, 0.14f)}
        : std::vector<QColor>{QColor::fromRgbF(0.28f, 0.82f, 0.42f), QColor::fromRgbF(0.14f, 0.65f, 0.28f), QColor::fromRgbF(0.08f, 0.48f, 0.20f)};
    style.chassisTint = QColor::fromRgbF(0.08f, 0.28f, 0.14f);
    style.ledOn = hasUnread();
    style.slot = ArcadeButtonSlot::leading;
    style.pressed = pressed;
    return style;
}

void ChatButton::paintLabel(QPainter& painter, const QRectF& key) const
{
    const qreal s = key.width();
    LabelLine symbol;
    symbol.symbol = QStringLiteral("bubble.left.and.bubble.right.fill");
    symbol.font = ViewFonts::font(s * 0.22, QFont::Bold);
    LabelLine word;
    word.text = QStringLiteral("CHAT");
    word.font = ViewFonts::font(qMax(s * 0.11, 9.0), QFont::Black, ViewFonts::Design::rounded);
    paintLabelStack(painter, key, {symbol, word}, 3, HardShadow{QColor::fromRgbF(0, 0, 0, 0.45f), {0, 1}});
}

void ChatButton::paintOverlay(QPainter& painter, const QRectF& key) const
{
    const QString text = badgeText();
    if (text.isEmpty())
        return;
    const QFont font = ViewFonts::caption2(QFont::Black);
    const QFontMetricsF metrics(font);
    QRectF badge(0, 0, metrics.horizontalAdvance(text) + 10, metrics.height() + 10);
    badge.moveTopRight(key.topRight() + QPointF(-4, 4));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::red);
    painter.drawRoundedRect(badge, 4, 4);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter, text);
    painter.restore();
}
