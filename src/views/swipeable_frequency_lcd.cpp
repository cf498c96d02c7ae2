#include "views/swipeable_frequency_lcd.h"

#include "views/hardware_digit_module.h"

namespace {

bool isPoint(QChar c)
{
    return c == QLatin1Char('.');
}

bool sameShape(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (isPoint(a[i]) != isPoint(b[i]))
            return false;
    return true;
}

}  // namespace

SwipeableFrequencyLCD::SwipeableFrequencyLCD(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(int(rowHeight));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleDescription(QStringLiteral("Tap the arrows or swipe a digit up or down to change it"));
    setAccessibleName(QStringLiteral("Channel "));
}

qreal SwipeableFrequencyLCD::contentWidth(const QString& frequency)
{
    qreal width = 0;
    for (qsizetype i = 0; i < frequency.size(); ++i)
        width += (isPoint(frequency[i]) ? HardwareDecimalModule::moduleWidth : HardwareDigitModule::moduleWidth)
            + (i > 0 ? spacing : 0);
    return width;
}

qreal SwipeableFrequencyLCD::rowScale() const
{
    return qMin(1.0, width() / qMax(contentWidth(frequency_), 1.0));
}

void SwipeableFrequencyLCD::setFrequency(const QString& frequency)
{
    if (frequency == frequency_ && !modules_.empty())
        return;
    const bool keep = sameShape(frequency, frequency_) && qsizetype(modules_.size()) == frequency.size();
    frequency_ = frequency;
    setAccessibleName(QStringLiteral("Channel ") + frequency);
    if (!keep) {
        rebuild();
        return;
    }
    for (qsizetype i = 0; i < frequency.size(); ++i)
        if (auto* digit = qobject_cast<HardwareDigitModule*>(modules_[size_t(i)]))
            digit->setCharacter(frequency[i]);
}

void SwipeableFrequencyLCD::setInk(const QColor& ink)
{
    ink_ = ink;
    for (QWidget* module : modules_) {
        if (auto* digit = qobject_cast<HardwareDigitModule*>(module))
            digit->setInk(ink);
        else if (auto* point = qobject_cast<HardwareDecimalModule*>(module))
            point->setInk(ink);
    }
}

void SwipeableFrequencyLCD::rebuild()
{
    // Later: the module whose step caused this may still be in its event handler.
    for (QWidget* module : modules_) {
        module->hide();
        module->deleteLater();
    }
    modules_.clear();
    for (qsizetype i = 0; i < frequency_.size(); ++i) {
        if (isPoint(frequency_[i])) {
            auto* point = new HardwareDecimalModule(this);
            point->setInk(ink_);
            modules_.push_back(point);
            continue;
        }
        auto* digit = new HardwareDigitModule(frequency_[i], this);
        digit->setInk(ink_);
        const int index = int(i);
        connect(digit, &HardwareDigitModule::nudged, this, [this, index](int delta) { emit digitNudged(index, delta); });
        modules_.push_back(digit);
    }
    layoutModules();
    for (QWidget* module : modules_)
        module->show();
    updateGeometry();
}

void SwipeableFrequencyLCD::layoutModules()
{
    const qreal s = rowScale();
    const qreal rowWidth = contentWidth(frequency_) * s;
    const qreal height = rowHeight * s;
    qreal x = (width() - rowWidth) / 2;
    const qreal y = (rowHeight - height) / 2;
    for (qsizetype i = 0; i < frequency_.size(); ++i) {
        const qreal w = (isPoint(frequency_[i]) ? HardwareDecimalModule::moduleWidth : HardwareDigitModule::moduleWidth) * s;
        modules_[size_t(i)]->setGeometry(QRectF(x, y, w, height).toRect());
        x += w + spacing * s;
    }
}

void SwipeableFrequencyLCD::resizeEvent(QResizeEvent* event)
{
    layoutModules();
    QWidget::resizeEvent(event);
}
