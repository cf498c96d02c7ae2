#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class AlertSoundStore;
class RadioSession;
class ChannelBandSubSteppers;
class CompactJoinChannelButton;
class QLabel;
class QPushButton;
class ThemeStore;
class TovrinActionButtonStrip;
class TunerLCDPanel;

// What the radio face shows: the radio session's and the live engine's
// published values, and the few the radio screen hands in.
struct RadioFaceState {
    qint64 channelNumber = 1;
    QString displayFrequency = QStringLiteral("001.001");
    QString lcdStatus = QStringLiteral("STANDBY");
    bool connected = false;  // the session's connection state is "connected"
    bool isLive = false;     // the engine's live socket is open
    bool isTransmitting = false;
    std::optional<int> pttSecondsRemaining;
    std::optional<int> pagerCooldownRemaining;
    qint64 listenersOnTunedChannel = 0;
    int chatUnread = 0;
    std::optional<QString> errorText;
    std::optional<QString> micError;
    bool micNeedsSettings = false;
    bool soundOff = false;  // in a channel while the sound server is away

    // In a channel: accepted by the server and the live socket open.
    bool isInChannel() const { return connected && isLive; }

    friend bool operator==(const RadioFaceState&, const RadioFaceState&) = default;
};

// The face state as the session and its engine publish it; the unread chat
// count is the radio screen's own and is left at 0. Refresh on the session's
// change signals, engineStateChanged included.
RadioFaceState radioFaceState(const RadioSession& radio);

// The face of the hand-held radio: header (lamp, status word, listener badge,
// JOIN/EXIT), tuner LCD, BAND and SUB steppers, error line, microphone banner,
// speaker grille with the effects dial, and the action keys, on the themed
// shell. It lays out and shows; every control's action leaves as a signal for
// the radio screen to carry out. Main thread.
class TovrinShellView : public QWidget {
    Q_OBJECT

public:
    TovrinShellView(ThemeStore* theme, AlertSoundStore* alerts, QWidget* parent = nullptr);

    void setState(const RadioFaceState& state);
    const RadioFaceState& state() const { return state_; }

    // What the header shows.
    QString statusWord() const;
    bool lampLit() const { return state_.isTransmitting || state_.isInChannel(); }
    bool lampGlows() const { return state_.isInChannel(); }
    QString listenerBadgeText() const;
    QColor statusWordColour() const;

    bool errorLineShown() const;
    QString errorLineText() const;
    bool micBannerShown() const;
    bool micSettingsButtonShown() const;

    CompactJoinChannelButton* joinButton() const { return join_; }
    TunerLCDPanel* lcd() const { return lcd_; }
    ChannelBandSubSteppers* steppers() const { return steppers_; }
    TovrinActionButtonStrip* actionStrip() const { return strip_; }
    QPushButton* micSettingsButton() const { return micSettings_; }

signals:
    void bandDown();
    void bandUp();
    void subDown();
    void subUp();
    void digitNudged(int index, int delta);
    void callToneTapped();
    void joinTapped();
    void pttDown();
    void pttUp();
    void chatTapped();
    void openMicSettingsTapped();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void build();
    void applyState();
    void applyTheme();
    void applyAlertSound();

    ThemeStore* theme_;
    AlertSoundStore* alerts_;
    RadioFaceState state_;

    QWidget* background_ = nullptr;
    QWidget* lamp_ = nullptr;
    QLabel* statusWord_ = nullptr;
    QWidget* badge_ = nullptr;
    CompactJoinChannelButton* join_ = nullptr;
    TunerLCDPanel* lcd_ = nullptr;
    ChannelBandSubSteppers* steppers_ = nullptr;
    QLabel* errorLine_ = nullptr;
    QWidget* micBanner_ = nullptr;
    QLabel* micText_ = nullptr;
    QPushButton* micSettings_ = nullptr;
    TovrinActionButtonStrip* strip_ = nullptr;
};
