#include "platform/diagnostics.h"
#include "platform/record_permission.h"
#include "services/mic_privacy.h"
#include "services/tovrin_audio_session.h"
#include "support/async.h"

#include <gtest/gtest.h>

using Category = AudioSession::Category;
using Step = AudioSession::Step;

class AudioSessionSetup : public ::testing::Test {
protected:
    void SetUp() override { AudioSession::shared().resetForTesting(); }
    void TearDown() override { AudioSession::shared().resetForTesting(); }
    AudioSession& session() { return AudioSession::shared(); }
    QStringList calls() { return session().callsForTesting(); }
    Diagnostics::LineCapture lines;
};

TEST_F(AudioSessionSetup, RadioActivationSetsEverythingAndLogsTheActualValues)
{
    TovrinAudioSession::activateMacTovrin(0.01);
    EXPECT_EQ(calls(), (QStringList{"setCategory playAndRecord 9", "setPreferredSampleRate 48000.0",
                                    "setPreferredIOBufferDuration 0.01", "setActive"}));
    EXPECT_EQ(lines.lines(), QStringList{"[TovrinAudio][mac] session mac-tovrin ok rate=48000.0 buf=0.01"});
    EXPECT_TRUE(session().isActive());
}

TEST_F(AudioSessionSetup, OnlyTheLatestCallsAreKept)
{
    for (qsizetype i = 0; i < AudioSession::kRecentCalls; ++i)
        session().setPreferredSampleRate(double(i));
    ASSERT_EQ(calls().size(), AudioSession::kRecentCalls);
    EXPECT_EQ(calls().first(), "setPreferredSampleRate 0.0");
    session().setActive(true);
    ASSERT_EQ(calls().size(), AudioSession::kRecentCalls);
    EXPECT_EQ(calls().first(), "setPreferredSampleRate 1.0");
    EXPECT_EQ(calls().last(), "setActive");
}

TEST_F(AudioSessionSetup, RadioActivationFallsBackToMixedPlayAndRecordWhenAStepThrows)
{
    session().failNextForTesting(Step::setPreferredSampleRate, "rate refused");
    TovrinAudioSession::activateMacTovrin(0.02);
    EXPECT_EQ(calls(), (QStringList{"setCategory playAndRecord 9", "setPreferredSampleRate 48000.0",
                                    "setCategory playAndRecord 1", "setActive"}));
    EXPECT_EQ(lines.lines(), QStringList{"[TovrinAudio][mac] session mac-tovrin FAIL: rate refused"});
    EXPECT_EQ(session().options(), unsigned(AudioSession::mixWithOthers));
}

TEST_F(AudioSessionSetup, ArmingTheLoudspeakerFallsBackToRadioActivationWithTheShortBuffer)
{
    TovrinAudioSession::armLoudspeaker("ptt-down");
    EXPECT_EQ(lines.lines(), QStringList{"[VoicePipe][mac] armLoudspeaker ok reason=ptt-down rate=44100.0"});

    session().resetForTesting();
    session().failNextForTesting(Step::setActive, "busy");
    TovrinAudioSession::armLoudspeaker("play-clip");
    EXPECT_EQ(calls(), (QStringList{"setCategory playAndRecord 9", "setPreferredSampleRate 44100.0",
                                    "setPreferredIOBufferDuration 0.02", "setActive", "setCategory playAndRecord 9",
                                    "setPreferredSampleRate 48000.0", "setPreferredIOBufferDuration 0.01",
                                    "setActive"}));
    EXPECT_EQ(lines.lines().mid(1), (QStringList{"[VoicePipe][mac] armLoudspeaker FAIL busy",
                                                 "[TovrinAudio][mac] session mac-tovrin ok rate=48000.0 buf=0.01"}));
}

TEST_F(AudioSessionSetup, ConfigureRetriesARejectedCategoryPlainlyAndSilently)
{
    session().failNextForTesting(Step::setCategory, "options refused");
    TovrinAudioSession::configureMac(Category::playback, AudioSession::Mode::standard, 9);
    EXPECT_EQ(calls(), (QStringList{"setCategory playback 9", "setCategory playback 1", "setActive"}));
    EXPECT_TRUE(lines.lines().isEmpty());

    // Even a failing fallback ends with an attempt to activate.
    session().resetForTesting();
    session().failNextForTesting(Step::setCategory, "no", 2);
    TovrinAudioSession::configureMac(Category::playback, AudioSession::Mode::standard, 1);
    EXPECT_EQ(calls(), (QStringList{"setCategory playback 1", "setCategory playback 1", "setActive"}));
}

TEST_F(AudioSessionSetup, WakingForPlaybackKeepsAPlayAndRecordSession)
{
    TovrinAudioSession::wakeForPlayback();
    EXPECT_EQ(calls(), (QStringList{"setCategory playback 1", "setActive"}));

    session().resetForTesting();
    TovrinAudioSession::activateMacTovrin(0.01);
    const int before = int(calls().size());
    session().failNextForTesting(Step::setActive, "ignored");
    TovrinAudioSession::wakeForPlayback();
    EXPECT_EQ(calls().mid(before), QStringList{"setActive"});
    EXPECT_EQ(session().category(), Category::playAndRecord);
}

struct PermissionCase {
    RecordPermission::State state;
    bool answer;
    bool expected;
    int requests;
    RecordPermission::State after;
};

class MicPermission : public ::testing::TestWithParam<PermissionCase> {};

TEST_P(MicPermission, AsksOnlyWhileUndetermined)
{
    const PermissionCase& c = GetParam();
    RecordPermission::Override permission(c.state, c.answer);
    Diagnostics::LineCapture lines;
    const Outcome<bool> first = runTask(MicPrivacy::ensurePermission());
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(*first.value, c.expected);
    EXPECT_EQ(permission.requests(), c.requests);
    EXPECT_EQ(RecordPermission::current(), c.after);
    // Asked once: the next call reads the remembered answer.
    EXPECT_EQ(*runTask(MicPrivacy::ensurePermission()).value, c.expected);
    EXPECT_EQ(permission.requests(), c.requests);
    EXPECT_TRUE(lines.lines().isEmpty());
}

using State = RecordPermission::State;
INSTANTIATE_TEST_SUITE_P(States, MicPermission,
                         ::testing::Values(PermissionCase{State::granted, false, true, 0, State::granted},
                                           PermissionCase{State::denied, true, false, 0, State::denied},
                                           PermissionCase{State::undetermined, true, true, 1, State::granted},
                                           PermissionCase{State::undetermined, false, false, 1, State::denied}));

TEST(MicSettings, OpensTheFirstInstalledAddressOnlyAndLogsWhenItOpened)
{
    const QList<MicPrivacy::SettingsAddress> addresses = MicPrivacy::settingsAddresses();
    ASSERT_GE(addresses.size(), 2);
    struct Case {
        int firstInstalled;  // index, or -1 for none
        bool opens;
        bool logged;
    };
    for (const Case& c : {Case{0, true, true}, Case{1, true, true}, Case{1, false, false}, Case{-1, true, false}}) {
        QStringList opened;
        MicPrivacy::setLauncherForTesting(
            {[&](const MicPrivacy::SettingsAddress& a) {
                 return c.firstInstalled >= 0 && addresses.indexOf(a) >= c.firstInstalled;
             },
             [&](const MicPrivacy::SettingsAddress& a) {
                 opened.append(a.text());
                 return c.opens;
             }});
        Diagnostics::LineCapture lines;
        MicPrivacy::openMicrophoneSettings();
        EXPECT_EQ(opened.size(), c.firstInstalled >= 0 ? 1 : 0);
        const QString line = c.firstInstalled >= 0
                                 ? "[TovrinPTT] [mic] opened settings url=" + addresses[c.firstInstalled].text()
                                 : QString();
        EXPECT_EQ(lines.lines(), c.logged ? QStringList{line} : QStringList{});
    }
    MicPrivacy::setLauncherForTesting({});
}
