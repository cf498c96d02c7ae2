#pragma once

#include <QString>
#include <QStringList>

#include <mutex>
#include <stdexcept>

// The process's one audio session: records the category, mode, options and
// preferences that the engine asks for, and on activation checks the output
// backend. Linux has no session policy to negotiate, so every step succeeds
// unless a test makes it fail (failNextForTesting).
// Thread contract: any thread; each call takes a short lock (never on an
// audio hot path).
class AudioSession {
public:
    enum class Category { ambient, playback, playAndRecord };
    enum class Mode { standard };
    enum Option : unsigned { mixWithOthers = 1, defaultToSpeaker = 8 };
    enum class Step { setCategory, setPreferredSampleRate, setPreferredIOBufferDuration, setActive };

    // A step the session refused, with its readable description.
    class Error : public std::runtime_error {
    public:
        explicit Error(const QString& text) : std::runtime_error(text.toStdString()) {}
        QString text() const { return QString::fromStdString(what()); }
    };

    static AudioSession& shared();

    void setCategory(Category category, Mode mode, unsigned options);
    void setPreferredSampleRate(double rate);
    void setPreferredIOBufferDuration(double seconds);
    void setActive(bool active);

    Category category() const;
    unsigned options() const;
    bool isActive() const;
    // The rate the output runs at: the preferred one (our streams are
    // resampled by the sound server), 48,000 Hz before any preference.
    double sampleRate() const;
    double ioBufferDuration() const;

    // Test seam: the next `times` calls of step throw Error(text).
    void failNextForTesting(Step step, const QString& text, int times = 1);
    // The latest calls (at most kRecentCalls), oldest first, as
    // "setCategory playAndRecord 9", "setActive"…
    static constexpr qsizetype kRecentCalls = 64;
    QStringList callsForTesting() const;
    void resetForTesting();

private:
    AudioSession() = default;
    void enter(Step step, const QString& call);

    mutable std::mutex mutex_;
    Category category_ = Category::ambient;
    unsigned options_ = 0;
    double preferredRate_ = 0;
    double ioBuffer_ = 0.02;
    bool active_ = false;
    Step failingStep_ = Step::setCategory;
    QString failureText_;
    int failuresLeft_ = 0;
    QStringList calls_;
};

QString categoryName(AudioSession::Category category);
