#include "views/tovrin_shell_view.h"

#include "platform/audio_session_notifications.h"
#include "platform/symbol_image.h"
#include "services/alert_sound_store.h"
#include "services/channel_audio_service.h"
#include "services/radio_session.h"
#include "theme/continuous_rounded_rect.h"
#include "theme/speaker_grille.h"
#include "theme/system_colors.h"
#include "theme/theme_store.h"
#include "theme/themed_background_views.h"
#include "views/channel_band_sub_steppers.h"
#include "views/compact_join_channel_button.h"
#include "views/face_label.h"
#include "views/key_face_painter.h"
#include "views/tovrin_action_button_strip.h"
#include "views/tuner_lcd_panel.h"
#include "views/view_fonts.h"
#include "views/voice_filter_dial.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintDevice>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace {

constexpr qreal dialSide = 56;
constexpr qreal grilleHeight = 62.72;  // 1.12 x the dial
constexpr int bottomInset = 54;

// The status lamp: green when lit, grey otherwise; a green glow in channel.
class StatusLamp : public QWidget {
public:
    explicit StatusLamp(QWidget* parent)
        : QWidget(parent)
    {
        setFixedSize(18, 18);  // 10 x 10 with room for the glow
    }

    void set(bool lit, bool glows)
    {
        if (lit == lit_ && glows == glows_)
            return;
        lit_ = lit;
        glows_ = glows;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF lamp(4, 4, 10, 10);
        if (glows_) {
            QPainterPath circle;
            circle.addEllipse(lamp);
            paintShadow(painter, circle, systemColor(SystemColor::Green, 0.6), 4, {0, 0});
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(lit_ ? systemColor(SystemColor::Green) : systemColor(SystemColor::Gray, 0.45));
        painter.drawEllipse(lamp);
    }

private:
    bool lit_ = false;
    bool glows_ = false;
};

// The listener badge: two-person symbol, count, "on freq", on a faint capsule.
class ListenerBadge : public QWidget {
public:
    explicit ListenerBadge(QWidget* parent)
        : QWidget(parent)
    {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    void set(qint64 count, const QColor& ink)
    {
        if (count == count_ && ink == ink_)
            return;
        count_ = count;
        ink_ = ink;
        updateGeometry();
        update();
    }

    QString text() const { return QString::number(count_) + QStringLiteral(" on freq"); }

    QSize sizeHint() const override
    {
        const QFontMetricsF number(numberFont());
        const QFontMetricsF words(wordsFont());
        const qreal width = 10 + 4 + number.horizontalAdvance(QString::number(count_)) + 4
            + words.horizontalAdvance(QStringLiteral("on freq"));
        return QSize(qCeil(width + 16), qCeil(number.height() + 8));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(continuousCapsule(QRectF(rect())), QColor::fromRgbF(0, 0, 0, 0.12f));
        const QString number = QString::number(count_);
        const QFontMetricsF numberMetrics(numberFont());
        qreal x = (width() - (sizeHint().width() - 16)) / 2.0;
        const qreal mid = height() / 2.0;
        painter.drawPixmap(QPointF(x, mid - 5),
                           SymbolImage::render(QStringLiteral("person.2.fill"), 10, ink_, devicePixelRatioF()));
        x += 14;
        painter.setPen(ink_);
        painter.setFont(numberFont());
        painter.drawText(QRectF(x, 0, numberMetrics.horizontalAdvance(number), height()), Qt::AlignVCenter, number);
        x += numberMetrics.horizontalAdvance(number) + 4;
        painter.setFont(wordsFont());
        painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignVCenter, QStringLiteral("on freq"));
    }

private:
    static QFont numberFont() { return ViewFonts::font(13, QFont::Black, ViewFonts::Design::monospaced); }
    static QFont wordsFont() { return ViewFonts::font(9, QFont::DemiBold, ViewFonts::Design::monospaced); }

    qint64 count_ = 0;
    QColor ink_ = Qt::black;
};

bool present(const std::optional<QString>& text)
{
    return text && !text->isEmpty();
}

}  // namespace

RadioFaceState radioFaceState(const RadioSession& radio)
{
    const ChannelAudioService& live = *radio.live();
    const auto seconds = [](std::optional<qint64> value) -> std::optional<int> {
        return value ? std::optional<int>(int(std::clamp<qint64>(*value, INT_MIN, INT_MAX))) : std::nullopt;
    };
    RadioFaceState state;
    state.channelNumber = radio.channelNumber();
    state.displayFrequency = radio.displayFrequency();
    state.lcdStatus = radio.lcdStatus();
    state.connected = radio.connectionState() == RadioSession::ConnectionState::connected;
    state.isLive = live.isLive();
    state.isTransmitting = live.isTransmitting();
    state.pttSecondsRemaining = seconds(live.pttSecondsRemaining());
    state.pagerCooldownRemaining = seconds(live.pagerCooldownRemaining());
    state.listenersOnTunedChannel = radio.listenersOnTunedChannel();
    state.errorText = radio.lastError();
    state.micError = live.transmitError();
    state.micNeedsSettings = live.micDeniedNeedsSettings();
    state.soundOff = live.isLive() && !AudioSessionNotifications::instance().soundServerAvailable();
    return state;
}

TovrinShellView::TovrinShellView(ThemeStore* theme, AlertSoundStore* alerts, QWidget* parent)
    : QWidget(parent)
    , theme_(theme)
    , alerts_(alerts)
{
    build();
    connect(theme_, &ThemeStore::currentChanged, this, &TovrinShellView::applyTheme);
    connect(alerts_, &AlertSoundStore::currentChanged, this, &TovrinShellView::applyAlertSound);
    applyAlertSound();
    applyState();
}

void TovrinShellView::build()
{
    background_ = new TovrinShellBackground(theme_, this);
    background_->lower();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, bottomInset);
    column->setSpacing(8);

    // Header.
    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 6, 16, 0);
    header->setSpacing(8);
    auto* status = new QHBoxLayout;
    status->setSpacing(6 - 4);  // the lamp widget carries 4 points of glow room
    lamp_ = new StatusLamp(this);
    statusWord_ = faceLabel(this, ViewFonts::font(11, QFont::Black, ViewFonts::Design::monospaced));
    status->addWidget(lamp_);
    status->addWidget(statusWord_);
    header->addLayout(status);
    header->addSpacerItem(new QSpacerItem(4, 0, QSizePolicy::Expanding));
    badge_ = new ListenerBadge(this);
    header->addWidget(badge_);
    header->addSpacerItem(new QSpacerItem(4, 0, QSizePolicy::Expanding));
    join_ = new CompactJoinChannelButton(this);
    header->addWidget(join_);
    column->addLayout(header);

    // Tuner.
    lcd_ = new TunerLCDPanel(theme_, this);
    auto* lcdRow = new QHBoxLayout;
    lcdRow->setContentsMargins(12, 0, 12, 0);
    lcdRow->addWidget(lcd_);
    column->addLayout(lcdRow);
    steppers_ = new ChannelBandSubSteppers(theme_, 1, this);
    column->addWidget(steppers_);

    // Error line and microphone banner.
    errorLine_ = faceLabel(this, ViewFonts::caption2(), true);
    setTextColour(errorLine_, systemColor(SystemColor::Red));
    errorLine_->setContentsMargins(12, 0, 12, 0);
    column->addWidget(errorLine_);

    micBanner_ = new QWidget(this);
    auto* banner = new QVBoxLayout(micBanner_);
    banner->setContentsMargins(12, 0, 12, 0);
    banner->setSpacing(4);
    micText_ = faceLabel(micBanner_, ViewFonts::caption2(), true);
    setTextColour(micText_, systemColor(SystemColor::Orange));
    micSettings_ = new QPushButton(QStringLiteral("Open Microphone Settings"), micBanner_);
    micSettings_->setFlat(true);
    micSettings_->setFocusPolicy(Qt::NoFocus);
    micSettings_->setFont(ViewFonts::caption2(QFont::Bold));
    micSettings_->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; color: %1; }")
                                    .arg(systemColor(SystemColor::Orange).name()));
    banner->addWidget(micText_);
    banner->addWidget(micSettings_, 0, Qt::AlignHCenter);
    column->addWidget(micBanner_);

    column->addStretch(1);

    // Grille and effects dial.
    auto* grilleRow = new QHBoxLayout;
    grilleRow->setContentsMargins(12, 0, 12, 0);
    grilleRow->setSpacing(8);
    auto* grille = new SpeakerGrille(true, 1, this);
    grille->setFixedHeight(qRound(grilleHeight));
    grille->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    grilleRow->addWidget(grille, 1);
    grilleRow->addWidget(new VoiceFilterDial(theme_, dialSide, this));
    column->addLayout(grilleRow);

    // Action keys.
    strip_ = new TovrinActionButtonStrip(this);
    auto* stripRow = new QHBoxLayout;
    stripRow->setContentsMargins(4, 0, 4, 0);
    stripRow->addWidget(strip_);
    column->addLayout(stripRow);

    connect(steppers_, &ChannelBandSubSteppers::bandDown, this, &TovrinShellView::bandDown);
    connect(steppers_, &ChannelBandSubSteppers::bandUp, this, &TovrinShellView::bandUp);
    connect(steppers_, &ChannelBandSubSteppers::subDown, this, &TovrinShellView::subDown);
    connect(steppers_, &ChannelBandSubSteppers::subUp, this, &TovrinShellView::subUp);
    connect(lcd_, &TunerLCDPanel::digitNudged, this, &TovrinShellView::digitNudged);
    connect(join_, &CompactJoinChannelButton::clicked, this, &TovrinShellView::joinTapped);
    connect(strip_, &TovrinActionButtonStrip::chatTapped, this, &TovrinShellView::chatTapped);
    connect(strip_, &TovrinActionButtonStrip::callToneTapped, this, &TovrinShellView::callToneTapped);
    connect(strip_, &TovrinActionButtonStrip::pttDown, this, &TovrinShellView::pttDown);
    connect(strip_, &TovrinActionButtonStrip::pttUp, this, &TovrinShellView::pttUp);
    connect(strip_, &TovrinActionButtonStrip::nextAlertSoundRequested, alerts_, &AlertSoundStore::cycleNext);
    connect(micSettings_, &QPushButton::clicked, this, &TovrinShellView::openMicSettingsTapped);
}

void TovrinShellView::setState(const RadioFaceState& state)
{
    if (state == state_)
        return;
    state_ = state;
    applyState();
}

QString TovrinShellView::statusWord() const
{
    return statusWord_->text();
}

QString TovrinShellView::listenerBadgeText() const
{
    return static_cast<ListenerBadge*>(badge_)->text();
}

QColor TovrinShellView::statusWordColour() const
{
    return statusWord_->palette().color(QPalette::WindowText);
}

bool TovrinShellView::errorLineShown() const { return !errorLine_->isHidden(); }
QString TovrinShellView::errorLineText() const { return errorLine_->text(); }
bool TovrinShellView::micBannerShown() const { return !micBanner_->isHidden(); }
bool TovrinShellView::micSettingsButtonShown() const { return micBannerShown() && !micSettings_->isHidden(); }

void TovrinShellView::applyState()
{
    const bool inChannel = state_.isInChannel();
    static_cast<StatusLamp*>(lamp_)->set(lampLit(), lampGlows());
    statusWord_->setText(inChannel ? QStringLiteral("ON CHANNEL") : QStringLiteral("OFF"));
    join_->setInChannel(inChannel);

    lcd_->setStatus(state_.lcdStatus);
    lcd_->setFrequency(state_.displayFrequency);
    steppers_->setChannelNumber(state_.channelNumber);

    // A failed operation says so first; otherwise a channel without sound does.
    const std::optional<QString> errorLine =
        present(state_.errorText) ? state_.errorText
                                  : (state_.soundOff ? std::optional(ChannelAudioService::soundOffText) : std::nullopt);
    errorLine_->setText(errorLine.value_or(QString()));
    errorLine_->setHidden(!errorLine);
    micText_->setText(state_.micError.value_or(QString()));
    micBanner_->setHidden(!present(state_.micError));
    micSettings_->setHidden(!state_.micNeedsSettings);

    strip_->setChatUnread(state_.chatUnread);
    strip_->setPTTActive(state_.isTransmitting);
    strip_->setPTTSecondsRemaining(state_.pttSecondsRemaining);
    strip_->setPagerCooldownRemaining(state_.pagerCooldownRemaining);
    applyTheme();
}

void TovrinShellView::applyTheme()
{
    const FacePlateTheme& theme = theme_->current();
    setTextColour(statusWord_, state_.isInChannel() ? systemColor(SystemColor::Green) : theme.onBodyMuted());
    static_cast<ListenerBadge*>(badge_)->set(state_.listenersOnTunedChannel, theme.onBody());
}

void TovrinShellView::applyAlertSound()
{
    const AlertSound sound = alerts_->current();
    strip_->setAlertSound(alertSoundEmoji(sound), alertSoundLabel(sound));
}

void TovrinShellView::resizeEvent(QResizeEvent* event)
{
    background_->setGeometry(rect());
    QWidget::resizeEvent(event);
}
