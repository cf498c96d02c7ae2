#include "views/compact_join_channel_button.h"

#include "views/label_stack.h"
#include "views/view_fonts.h"

CompactJoinChannelButton::CompactJoinChannelButton(QWidget* parent)
    : BevelButton(parent)
{
    setFixedSize(sizeHint());
    setAccessibleName(QStringLiteral("Join channel"));
}

void CompactJoinChannelButton::setInChannel(bool inChannel)
{
    if (inChannel == inChannel_)
        return;
    inChannel_ = inChannel;
    setAccessibleName(inChannel ? QStringLiteral("Exit channel") : QStringLiteral("Join channel"));
    update();
}

QString CompactJoinChannelButton::caption() const
{
    return inChannel_ ? QStringLiteral("EXIT") : QStringLiteral("JOIN");
}

QString CompactJoinChannelButton::symbolName() const
{
    return inChannel_ ? QStringLiteral("rectangle.portrait.and.arrow.right") : QStringLiteral("arrow.right.to.line");
}

BevelStyle CompactJoinChannelButton::bevelStyle() const
{
    if (inChannel_)
        return {QColor::fromRgbF(0.55f, 0.18f, 0.22f), QColor::fromRgbF(0.35f, 0.08f, 0.12f), 12, false};
    return {QColor::fromRgbF(0.12f, 0.55f, 0.28f), QColor::fromRgbF(0.06f, 0.38f, 0.18f), 12, false};
}

void CompactJoinChannelButton::paintLabel(QPainter& painter, const QRectF& rect) const
{
    LabelLine symbol;
    symbol.symbol = symbolName();
    symbol.font = ViewFonts::caption(QFont::Bold);
    LabelLine word;
    word.text = caption();
    word.font = ViewFonts::font(10, QFont::Black, ViewFonts::Design::rounded);
    paintLabelStack(painter, rect, {symbol, word}, 2);
}
