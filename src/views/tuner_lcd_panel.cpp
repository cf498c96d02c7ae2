#include "views/tuner_lcd_panel.h"

#include "models/channel_math.h"
#include "theme/system_colors.h"
#include "theme/theme_contrast.h"
#include "theme/theme_store.h"
#include "views/face_label.h"
#include "views/glass_lcd_panel.h"
#include "views/swipeable_frequency_lcd.h"
#include "views/view_fonts.h"

#include <QLabel>
#include <QVBoxLayout>

const QString TunerLCDPanel::validHint = QStringLiteral("tap \u25B2\u25BC or swipe digit \u00B7 then JOIN");
const QString TunerLCDPanel::outOfRangeHint = QStringLiteral("out of range \u2014 JOIN snaps to nearest valid");

TunerLCDPanel::TunerLCDPanel(ThemeStore* theme, QWidget* parent)
    : QWidget(parent)
    , theme_(theme)
    , glass_(new GlassLCDPanel(theme, this))
{
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    status_ = faceLabel(column, ViewFonts::font(13, QFont::Bold, ViewFonts::Design::monospaced));
    row_ = new SwipeableFrequencyLCD(column);
    hint_ = faceLabel(column, ViewFonts::font(10, QFont::DemiBold, ViewFonts::Design::monospaced));
    layout->addWidget(status_);
    layout->addWidget(row_);
    layout->addWidget(hint_);
    glass_->setContent(column);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(glass_);

    connect(row_, &SwipeableFrequencyLCD::digitNudged, this, &TunerLCDPanel::digitNudged);
    connect(theme_, &ThemeStore::currentChanged, this, &TunerLCDPanel::applyTheme);
    row_->setFrequency(QString());
    applyTheme();
}

void TunerLCDPanel::setStatus(const QString& status)
{
    status_->setText(status);
}

void TunerLCDPanel::setFrequency(const QString& frequency)
{
    row_->setFrequency(frequency);
    applyHint();
}

QString TunerLCDPanel::statusText() const { return status_->text(); }
QString TunerLCDPanel::hintText() const { return hint_->text(); }
QColor TunerLCDPanel::statusColour() const { return status_->palette().color(QPalette::WindowText); }
QColor TunerLCDPanel::hintColour() const { return hint_->palette().color(QPalette::WindowText); }

void TunerLCDPanel::applyTheme()
{
    const QColor ink = ThemeContrast::readable(theme_->current().lcdBg, false);
    row_->setInk(ink);
    setTextColour(status_, withOpacity(ink, 0.85));
    applyHint();
}

void TunerLCDPanel::applyHint()
{
    const bool valid = ChannelMath::number(row_->frequency()).has_value();
    hint_->setText(valid ? validHint : outOfRangeHint);
    const QColor ink = ThemeContrast::readable(theme_->current().lcdBg, false);
    setTextColour(hint_, valid ? withOpacity(ink, 0.4) : systemColor(SystemColor::Orange, 0.85));
}
