#pragma once

#include <QWidget>

#include <optional>

class CallToneButton;
class ChatButton;
class PTTButton;

// The row of three equal square keys at the bottom of the radio face: chat,
// call tone, push-to-talk, side by side without gaps, each one third of the
// width. It passes values in and actions out and decides nothing.
class TovrinActionButtonStrip : public QWidget {
    Q_OBJECT

public:
    explicit TovrinActionButtonStrip(QWidget* parent = nullptr);
    ~TovrinActionButtonStrip() override;

    void setChatUnread(int unread);
    void setPTTActive(bool active);
    void setPTTSecondsRemaining(std::optional<int> seconds);
    void setPagerCooldownRemaining(std::optional<int> seconds);
    void setAlertSound(const QString& emoji, const QString& label);

    ChatButton* chatButton() const { return chat_; }
    CallToneButton* callToneButton() const { return callTone_; }
    PTTButton* pttButton() const { return ptt_; }
    qreal keySide() const { return width() / 3.0; }

    QSize sizeHint() const override { return {300, 100}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return qRound(width / 3.0); }

signals:
    void chatTapped();
    void callToneTapped();
    void nextAlertSoundRequested();
    void pttDown();
    void pttUp();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    ChatButton* chat_;
    CallToneButton* callTone_;
    PTTButton* ptt_;
};
