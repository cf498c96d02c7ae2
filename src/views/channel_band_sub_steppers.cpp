#include "views/channel_band_sub_steppers.h"

#include "models/channel_math.h"
#include "platform/symbol_image.h"
#include "platform/tovrin_haptics.h"
#include "theme/theme_store.h"
#include "views/bevel_button.h"
#include "views/face_label.h"
#include "views/view_fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintDevice>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// A large step key: bevelled dark plate, plus or minus in a white-to-faded
// gradient; one medium haptic, then clicked() handlers run.
class BigStepButton : public BevelButton {
public:
    BigStepButton(const QString& symbol, qreal layoutScale, QWidget* parent)
        : BevelButton(parent)
        , symbol_(symbol)
        , scale_(layoutScale)
    {
        setObjectName(symbol);
        setAccessibleName(symbol);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setMinimumHeight(plateSizeHint(QSize(0, qRound(40 * layoutScale))).height());
    }

    QSize sizeHint() const override { return plateSizeHint(QSize(80, qRound(40 * scale_))); }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        // The haptic comes before the step, which a clicked() handler takes.
        if (isDown() && hitButton(event->position().toPoint()))
            TovrinHaptics::medium();
        BevelButton::mouseReleaseEvent(event);
    }

    BevelStyle bevelStyle() const override
    {
        return {QColor::fromRgbF(0.38f, 0.38f, 0.42f), QColor::fromRgbF(0.14f, 0.14f, 0.16f), 12 * scale_, false};
    }

    void paintLabel(QPainter& painter, const QRectF& rect) const override
    {
        const qreal side = 20 * scale_;
        const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
        QPixmap glyph = SymbolImage::render(symbol_, side, Qt::white, ratio);
        {
            // White fading to 0.65 from top to bottom.
            QPainter fade(&glyph);
            fade.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            QLinearGradient alpha(0, 0, 0, side);
            alpha.setColorAt(0, QColor(0, 0, 0, 255));
            alpha.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.65f));
            fade.fillRect(QRectF(0, 0, side, side), alpha);
        }
        painter.drawPixmap(QPointF(rect.center().x() - side / 2, rect.center().y() - side / 2), glyph);
    }

private:
    QString symbol_;
    qreal scale_;
};

}  // namespace

ChannelBandSubSteppers::ChannelBandSubSteppers(ThemeStore* theme, qreal layoutScale, QWidget* parent)
    : QWidget(parent)
    , theme_(theme)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 0, 14, 0);
    row->setSpacing(12);

    auto column = [&](const QString& label, QLabel*& value, auto onDown, auto onUp) {
        auto* box = new QVBoxLayout;
        box->setSpacing(qRound(5 * layoutScale));
        auto* texts = new QVBoxLayout;
        texts->setSpacing(1);
        QLabel* caption = faceLabel(this, ViewFonts::font(11 * layoutScale, QFont::Black, ViewFonts::Design::rounded));
        caption->setText(label);
        value = faceLabel(this, ViewFonts::font(14 * layoutScale, QFont::Bold, ViewFonts::Design::monospaced));
        for (QLabel* text : {caption, value}) {
            texts->addWidget(text);
            texts_.append(text);
        }
        box->addLayout(texts);
        auto* plus = new BigStepButton(QStringLiteral("plus"), layoutScale, this);
        auto* minus = new BigStepButton(QStringLiteral("minus"), layoutScale, this);
        connect(plus, &QAbstractButton::clicked, this, onUp);
        connect(minus, &QAbstractButton::clicked, this, onDown);
        box->addWidget(plus);
        box->addWidget(minus);
        box->addStretch();
        return box;
    };
    row->addLayout(column(QStringLiteral("BAND"), bandValue_, &ChannelBandSubSteppers::bandDown, &ChannelBandSubSteppers::bandUp), 1);
    row->addSpacerItem(new QSpacerItem(8, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    row->setStretch(1, 1);
    row->addLayout(column(QStringLiteral("SUB"), subValue_, &ChannelBandSubSteppers::subDown, &ChannelBandSubSteppers::subUp), 1);

    connect(theme_, &ThemeStore::currentChanged, this, &ChannelBandSubSteppers::applyTheme);
    applyTheme();
    setChannelNumber(1);
}

// The two halves of the channel's "BBB.SSS" frequency.
QString ChannelBandSubSteppers::bandDisplay(qint64 channel)
{
    return ChannelMath::display(channel).left(3);
}

QString ChannelBandSubSteppers::subDisplay(qint64 channel)
{
    return ChannelMath::display(channel).mid(4);
}

QString ChannelBandSubSteppers::bandDisplay() const { return bandValue_->text(); }
QString ChannelBandSubSteppers::subDisplay() const { return subValue_->text(); }

void ChannelBandSubSteppers::setChannelNumber(qint64 channel)
{
    if (channel == channel_)
        return;
    channel_ = channel;
    bandValue_->setText(bandDisplay(channel));
    subValue_->setText(subDisplay(channel));
}

void ChannelBandSubSteppers::applyTheme()
{
    const QColor ink = theme_->current().onBody();
    for (QLabel* text : texts_)
        setTextColour(text, ink);
}
