#include "views/tovrin_action_button_strip.h"

#include "views/call_tone_button.h"
#include "views/chat_button.h"
#include "views/ptt_button.h"

TovrinActionButtonStrip::TovrinActionButtonStrip(QWidget* parent)
    : QWidget(parent)
    , chat_(new ChatButton(this))
    , callTone_(new CallToneButton(this))
    , ptt_(new PTTButton(this))
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(chat_, &ChatButton::clicked, this, &TovrinActionButtonStrip::chatTapped);
    connect(callTone_, &CallToneButton::played, this, &TovrinActionButtonStrip::callToneTapped);
    connect(callTone_, &CallToneButton::nextAlertSoundRequested, this, &TovrinActionButtonStrip::nextAlertSoundRequested);
    connect(ptt_, &PTTButton::down, this, &TovrinActionButtonStrip::pttDown);
    connect(ptt_, &PTTButton::up, this, &TovrinActionButtonStrip::pttUp);
}

TovrinActionButtonStrip::~TovrinActionButtonStrip()
{
    // The keys are deleted after this body, while the strip is no longer a
    // strip: the push-to-talk key releases itself on its way out, and nothing
    // it says then may reach the strip's signals.
    for (QObject* key : std::initializer_list<QObject*>{chat_, callTone_, ptt_})
        disconnect(key, nullptr, this, nullptr);
}

void TovrinActionButtonStrip::setChatUnread(int unread) { chat_->setUnreadHint(unread); }
void TovrinActionButtonStrip::setPTTActive(bool active) { ptt_->setActive(active); }
void TovrinActionButtonStrip::setPTTSecondsRemaining(std::optional<int> seconds) { ptt_->setSecondsRemaining(seconds); }
void TovrinActionButtonStrip::setPagerCooldownRemaining(std::optional<int> seconds) { callTone_->setCooldownRemaining(seconds); }
void TovrinActionButtonStrip::setAlertSound(const QString& emoji, const QString& label) { callTone_->setAlertSound(emoji, label); }

void TovrinActionButtonStrip::resizeEvent(QResizeEvent* event)
{
    // Three squares of a third of the width, centred in whatever height is given.
    const qreal s = width() / 3.0;
    const qreal top = (height() - s) / 2;
    QWidget* keys[] = {chat_, callTone_, ptt_};
    for (int i = 0; i < 3; ++i) {
        const int left = qRound(i * s);
        const int right = qRound((i + 1) * s);
        keys[i]->setGeometry(left, qRound(top), right - left, qRound(s));
    }
    QWidget::resizeEvent(event);
}
