#include "services/tovrin_audio_session.h"

#include "platform/decimal_text.h"
#include "platform/diagnostics.h"

namespace TovrinAudioSession {
namespace {

constexpr unsigned kRadioOptions = AudioSession::mixWithOthers | AudioSession::defaultToSpeaker;

// Steps 1-4 shared by radio activation and loudspeaker arming.
void configureRadio(AudioSession& session, double sampleRate, double ioBuffer)
{
    session.setCategory(AudioSession::Category::playAndRecord, AudioSession::Mode::standard, kRadioOptions);
    session.setPreferredSampleRate(sampleRate);
    session.setPreferredIOBufferDuration(ioBuffer);
    session.setActive(true);
}

template <class Step>
void ignoringErrors(Step step)
{
    try {
        step();
    } catch (const AudioSession::Error&) {
    }
}

}  // namespace

void activateMacTovrin(double ioBuffer)
{
    AudioSession& session = AudioSession::shared();
    try {
        configureRadio(session, 48000.0, ioBuffer);
        Diagnostics::printLine(QStringLiteral("[TovrinAudio][mac] session mac-tovrin ok rate=%1 buf=%2")
                                   .arg(decimalText(session.sampleRate()), decimalText(session.ioBufferDuration())));
    } catch (const AudioSession::Error& e) {
        Diagnostics::printLine(QStringLiteral("[TovrinAudio][mac] session mac-tovrin FAIL: ") + e.text());
        configureMac(AudioSession::Category::playAndRecord, AudioSession::Mode::standard, AudioSession::mixWithOthers);
    }
}

void configureMac(AudioSession::Category category, AudioSession::Mode mode, unsigned options)
{
    AudioSession& session = AudioSession::shared();
    try {
        session.setCategory(category, mode, options);
        session.setActive(true);
        return;
    } catch (const AudioSession::Error&) {
    }
    ignoringErrors([&] { session.setCategory(category, AudioSession::Mode::standard, AudioSession::mixWithOthers); });
    ignoringErrors([&] { session.setActive(true); });
}

void wakeForPlayback()
{
    AudioSession& session = AudioSession::shared();
    if (session.category() == AudioSession::Category::playAndRecord) {
        ignoringErrors([&] { session.setActive(true); });
        return;
    }
    configureMac(AudioSession::Category::playback, AudioSession::Mode::standard, AudioSession::mixWithOthers);
}

void armLoudspeaker(const QString& reason)
{
    AudioSession& session = AudioSession::shared();
    try {
        configureRadio(session, 44100.0, 0.02);
        Diagnostics::printLine(QStringLiteral("[VoicePipe][mac] armLoudspeaker ok reason=%1 rate=%2")
                                   .arg(reason, decimalText(session.sampleRate())));
    } catch (const AudioSession::Error& e) {
        Diagnostics::printLine(QStringLiteral("[VoicePipe][mac] armLoudspeaker FAIL ") + e.text());
        activateMacTovrin(0.01);
    }
}

}  // namespace TovrinAudioSession
