#include "platform/audio_session.h"

#include "platform/decimal_text.h"

AudioSession& AudioSession::shared()
{
    static AudioSession session;
    return session;
}

QString categoryName(AudioSession::Category category)
{
    switch (category) {
    case AudioSession::Category::ambient: return QStringLiteral("ambient");
    case AudioSession::Category::playback: return QStringLiteral("playback");
    case AudioSession::Category::playAndRecord: return QStringLiteral("playAndRecord");
    }
    return {};
}

void AudioSession::enter(Step step, const QString& call)
{
    // A small ring: a long-running process must not keep every call.
    if (calls_.size() == kRecentCalls)
        calls_.removeFirst();
    calls_.append(call);
    if (failuresLeft_ > 0 && failingStep_ == step) {
        --failuresLeft_;
        throw Error(failureText_);
    }
}

void AudioSession::setCategory(Category category, Mode, unsigned options)
{
    std::lock_guard lock(mutex_);
    enter(Step::setCategory, QStringLiteral("setCategory %1 %2").arg(categoryName(category)).arg(options));
    category_ = category;
    options_ = options;
}

void AudioSession::setPreferredSampleRate(double rate)
{
    std::lock_guard lock(mutex_);
    enter(Step::setPreferredSampleRate, QStringLiteral("setPreferredSampleRate ") + decimalText(rate));
    preferredRate_ = rate;
}

void AudioSession::setPreferredIOBufferDuration(double seconds)
{
    std::lock_guard lock(mutex_);
    enter(Step::setPreferredIOBufferDuration, QStringLiteral("setPreferredIOBufferDuration ") + decimalText(seconds));
    ioBuffer_ = seconds;
}

void AudioSession::setActive(bool active)
{
    std::lock_guard lock(mutex_);
    enter(Step::setActive, active ? QStringLiteral("setActive") : QStringLiteral("setInactive"));
    active_ = active;
}

AudioSession::Category AudioSession::category() const
{
    std::lock_guard lock(mutex_);
    return category_;
}

unsigned AudioSession::options() const
{
    std::lock_guard lock(mutex_);
    return options_;
}

bool AudioSession::isActive() const
{
    std::lock_guard lock(mutex_);
    return active_;
}

double AudioSession::sampleRate() const
{
    std::lock_guard lock(mutex_);
    return preferredRate_ > 0 ? preferredRate_ : 48000.0;
}

double AudioSession::ioBufferDuration() const
{
    std::lock_guard lock(mutex_);
    return ioBuffer_;
}

void AudioSession::failNextForTesting(Step step, const QString& text, int times)
{
    std::lock_guard lock(mutex_);
    failingStep_ = step;
    failureText_ = text;
    failuresLeft_ = times;
}

QStringList AudioSession::callsForTesting() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

void AudioSession::resetForTesting()
{
    std::lock_guard lock(mutex_);
    category_ = Category::ambient;
    options_ = 0;
    preferredRate_ = 0;
    ioBuffer_ = 0.02;
    active_ = false;
    failuresLeft_ = 0;
    calls_.clear();
}
