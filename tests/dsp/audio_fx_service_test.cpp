#include "platform/audio_player.h"
#include "platform/audio_session.h"
#include "platform/diagnostics.h"
#include "services/alert_sound_synth.h"
#include "services/audio_fx_service.h"
#include "services/tovrin_api.h"
#include "support/async.h"
#include "support/audio_fakes.h"
#include "support/devserver_process.h"
#include "support/scripted_responder.h"

#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <QThreadPool>
#include <QtEndian>

#include <gtest/gtest.h>

// Reaches the service's private player fields and PCM path.
struct AudioFXServiceTestPeer {
    static AudioPlayer* player(AudioFXService& fx, SFXKind kind) { return fx.players_.at(kind).get(); }
    static AudioPlayer* tonePlayer(AudioFXService& fx) { return fx.tonePlayer_.get(); }
    static bool downloading(const AudioFXService& fx, SFXKind kind) { return fx.downloading_.count(kind) > 0; }
    static bool playPCM(AudioFXService& fx, const std::vector<std::int16_t>& samples)
    {
        return fx.playPCMSamples(samples, false);
    }
};

namespace {

using Peer = AudioFXServiceTestPeer;

std::size_t audibleSamples(const CapturedOutputs& outputs)
{
    std::size_t n = 0;
    for (const auto& stream : outputs.streams())
        for (float s : stream->samples)
            n += std::abs(s) > 0.01f;
    return n;
}

bool waitForSound(const CapturedOutputs& outputs, std::size_t atLeast)
{
    return QTest::qWaitFor([&] { return audibleSamples(outputs) >= atLeast; }, 5000);
}

TEST(AudioFXService, DownloadsEachEffectIntoTheCacheAndPlaysIt)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    CapturedOutputs outputs;
    AudioFXService fx;
    for (SFXKind kind : allCases<SFXKind>())
        ASSERT_FALSE(runVoidTask(fx.prefetch(kind)));
    for (SFXKind kind : allCases<SFXKind>()) {
        EXPECT_TRUE(fx.hasPlayer(kind)) << rawValue(kind).toStdString();
        QFile cached(TovrinAPI::soundEffectsDirectory() + "/" + rawValue(kind) + ".caf");
        ASSERT_TRUE(cached.open(QIODevice::ReadOnly)) << cached.fileName().toStdString();
        EXPECT_EQ(cached.read(4), "caff");
    }

    Diagnostics::LineCapture lines;
    fx.playPTTChirp(SFXKind::rxOpen);
    EXPECT_TRUE(lines.contains("[TovrinPTT] sfx local file kind=rx_open started=true"));
    EXPECT_FLOAT_EQ(Peer::player(fx, SFXKind::rxOpen)->volume(), 0.85f);
    EXPECT_TRUE(waitForSound(outputs, 2000));

    fx.play(SFXKind::callTone);
    EXPECT_FLOAT_EQ(Peer::player(fx, SFXKind::callTone)->volume(), 1.0f);
    EXPECT_TRUE(Peer::player(fx, SFXKind::callTone)->isPlaying());
    EXPECT_EQ(Peer::tonePlayer(fx), nullptr);  // nothing synthesised
}

TEST(AudioFXService, PlaysTheSubstituteWhenTheServerHasNoneAndTriesAgain)
{
    ScriptedResponder responder;
    responder.script({{404, R"({"ok":false,"error":"not_found"})"}});
    CapturedOutputs outputs;
    AudioFXService fx;
    ASSERT_FALSE(runVoidTask(fx.prefetch(SFXKind::rxOpen)));
    EXPECT_FALSE(fx.isFetched(SFXKind::rxOpen));
    ASSERT_EQ(responder.requests().size(), 1);

    Diagnostics::LineCapture lines;
    fx.playPTTChirp(SFXKind::rxOpen);
    EXPECT_TRUE(lines.contains("[TovrinPTT] sfx local synth kind=rx_open frames=11466 started=true"));
    ASSERT_NE(Peer::tonePlayer(fx), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return responder.requests().size() == 2; }, 5000));
    // The squelch is quiet; its loud part is a few thousand samples.
    EXPECT_TRUE(waitForSound(outputs, 1000));
    EXPECT_EQ(responder.requests().at(1).target, "/v1/sfx/rx_open");
}

TEST(AudioFXService, PressesDuringADownloadStartNoSecondOne)
{
    ScriptedResponder responder;
    ScriptedResponder::Reply held{404, "{}"};
    held.held = true;
    responder.script({held});
    CapturedOutputs outputs;
    AudioFXService fx;
    fx.play(SFXKind::callTone);
    fx.play(SFXKind::callTone);
    fx.playPTTChirp(SFXKind::callTone);
    ASSERT_TRUE(waitUntil([&] { return !responder.requests().isEmpty(); }));
    responder.release();
    ASSERT_TRUE(waitUntil([&] { return !AudioFXServiceTestPeer::downloading(fx, SFXKind::callTone); }));
    runQueued();
    EXPECT_EQ(responder.requests().size(), 1);
    EXPECT_FALSE(fx.isFetched(SFXKind::callTone));
}

TEST(AudioFXService, ADownloadOutlivingTheServiceDoesNothing)
{
    ScriptedResponder responder;
    ScriptedResponder::Reply held{200, QByteArray(100, 'x')};
    held.contentType = "audio/x-caf";
    held.held = true;
    responder.script({held});
    const QString file = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/sfx/rx_open.caf";
    QFile::remove(file);
    CapturedOutputs outputs;
    auto fx = std::make_unique<AudioFXService>();
    fx->play(SFXKind::rxOpen);
    ASSERT_TRUE(waitUntil([&] { return !responder.requests().isEmpty(); }));
    fx.reset();
    responder.release();
    // The download ends with its file, then finds its service gone.
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(file); }));
    runQueued();
    EXPECT_EQ(responder.requests().size(), 1);
}

TEST(AudioFXService, AFetchedButUnplayableEffectIsNotDownloadedAgain)
{
    ScriptedResponder responder;
    ScriptedResponder::Reply garbage;
    garbage.body = QByteArray(100, 'x');
    garbage.contentType = "audio/x-caf";
    responder.script({garbage});
    CapturedOutputs outputs;
    AudioFXService fx;
    ASSERT_FALSE(runVoidTask(fx.prefetch(SFXKind::pttEnd)));
    EXPECT_TRUE(fx.isFetched(SFXKind::pttEnd));
    EXPECT_FALSE(fx.hasPlayer(SFXKind::pttEnd));
    ASSERT_FALSE(runVoidTask(fx.prefetch(SFXKind::pttEnd)));

    Diagnostics::LineCapture lines;
    fx.playPTTChirp(SFXKind::pttEnd);
    EXPECT_TRUE(lines.contains("[TovrinPTT] sfx local synth kind=ptt_end frames=8158 started=true"));
    runQueued();
    EXPECT_EQ(responder.requests().size(), 1);
}

TEST(AudioFXService, PlayWakesTheSessionForPlayback)
{
    ScriptedResponder responder;
    responder.script({{404, "{}"}});
    CapturedOutputs outputs;
    AudioSession::shared().resetForTesting();
    AudioFXService fx;
    fx.play(SFXKind::callTone);
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(5000));
    const QStringList calls = AudioSession::shared().callsForTesting();
    EXPECT_TRUE(calls.contains("setCategory playback 1")) << calls.join(" | ").toStdString();
    EXPECT_EQ(calls.count("setActive"), 2);
    EXPECT_TRUE(waitForSound(outputs, 5000));
}

TEST(AudioFXService, AlertPlaysLocallyAndRelaysAsLittleEndianPCM)
{
    CapturedOutputs outputs;
    AudioFXService fx;
    fx.playAlert(AlertSound::bell);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Peer::tonePlayer(fx) != nullptr; }, 5000));
    EXPECT_TRUE(waitForSound(outputs, 10000));

    const auto bell = runTask(fx.relayPCM(AlertSound::bell, 16000));
    ASSERT_TRUE(bell.ok());
    EXPECT_EQ(bell.value->size(), 19200);
    const auto pager = runTask(fx.relayPCM(AlertSound::pager, 16000));
    ASSERT_TRUE(pager.ok());
    ASSERT_EQ(pager.value->size(), 13440);
    // The bytes are the render, little-endian (compared in the quiet middle,
    // past where the shared bus's earlier state could matter).
    const auto samples = AlertSoundSynth::generate(AlertSound::pager, 16000);
    for (std::size_t i = 3000; i < 3010; ++i)
        EXPECT_NEAR(qFromLittleEndian<std::int16_t>(pager.value->constData() + 2 * i), samples[i], 2);
}

TEST(AudioFXService, NoSamplesPlayNothingAndLeaveTheCurrentSound)
{
    CapturedOutputs outputs;
    AudioFXService fx;
    ASSERT_TRUE(Peer::playPCM(fx, AlertSoundSynth::generate(AlertSound::siren, 44100)));
    AudioPlayer* current = Peer::tonePlayer(fx);
    EXPECT_FALSE(Peer::playPCM(fx, {}));
    EXPECT_EQ(Peer::tonePlayer(fx), current);
    EXPECT_TRUE(current->isPlaying());
}

}  // namespace
