// The voice pipe's transmitting half: one recorded AAC file per press,
// uploaded in frames after the release.
#include "services/tovrin_voice_pipe.h"

#include "legal/app_legal.h"
#include "models/chat_message.h"
#include "platform/audio_player.h"
#include "platform/audio_recorder.h"
#include "platform/diagnostics.h"
#include "services/mic_privacy.h"
#include "services/tovrin_audio_session.h"
#include "services/voice_files.h"

#include <QCoroFuture>
#include <QCoroSignal>
#include <QCoroTimer>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QStandardPaths>
#include <QUuid>

using namespace std::chrono_literals;

namespace {

constexpr auto kStopPause = 80ms;
// The recorder closes its file in milliseconds; this only bounds a stuck worker.
constexpr auto kFileCloseLimit = 2s;

QString line(const QString& text) { return QStringLiteral("[VoicePipe][mac] ") + text; }

QCoro::Task<void> preciseSleep(std::chrono::milliseconds span)
{
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    timer.start(span);
    // The timer's own awaiter: one on its timeout signal takes the signal's
    // private argument, which Qt 6.4 passes on as a null reference.
    co_await timer;
}

// Built outside the coroutines: g++ 12 rejects brace lists of string literals in them.
QJsonObject openMessage(const QString& id)
{
    return QJsonObject{{"type", "utterance_open"}, {"id", id}, {"sample_rate", 44100}, {"format", "aac"}};
}

QJsonObject closeMessage(const QString& id, const QString& name)
{
    return QJsonObject{{"type", "utterance_close"}, {"id", id}, {"display_name", name}, {"format", "aac"}};
}

QByteArray readWhole(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

// One press: its id, file and recorder belong to it alone.
struct TovrinVoicePipe::Talk {
    QString id;
    QString path;
    std::unique_ptr<AudioRecorder> recorder;
    quint64 generation = 0;
    float level = AudioRecorder::kSilentPower;
    QString name;
    bool cancelled = false;
    QPromise<void> released;  // finished at the release or the cancel
    QPromise<void> gone;      // finished once the talk has gone out or been abandoned

    Talk()
    {
        released.start();
        gone.start();
    }
};

TovrinVoicePipe::TovrinVoicePipe(QObject* parent) : QObject(parent)
{
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);
    clipSafety_.setSingleShot(true);
    QObject::connect(&deadline_, &QTimer::timeout, this, [this] {
        if (!held_ || held_->generation != talkGeneration_)
            return;
        Diagnostics::printLine(line(QStringLiteral("auto-end at %1s").arg(autoEnd_.count() / 1000)));
        QCoro::connect(endTalk(kDefaultDisplayName), this, [] {});
    });
}

TovrinVoicePipe::~TovrinVoicePipe()
{
    // No voice is left behind, and nobody is told while the pipe goes.
    blockSignals(true);
    reset();
}

void TovrinVoicePipe::setTimingForTesting(std::chrono::milliseconds autoEnd, std::chrono::milliseconds stragglerStep)
{
    autoEnd_ = autoEnd;
    stragglerStep_ = stragglerStep;
}

void TovrinVoicePipe::armLoudspeaker(const QString& reason) { TovrinAudioSession::armLoudspeaker(reason); }

bool TovrinVoicePipe::isTalking() const
{
    return held_ && held_->recorder;
}

QCoro::Task<bool> TovrinVoicePipe::beginTalk()
{
    if (held_)
        co_return false;
    startError_.clear();
    auto talk = std::make_shared<Talk>();
    held_ = talk;
    const QPointer<TovrinVoicePipe> self(this);

    const bool granted = co_await MicPrivacy::ensurePermission();
    if (!self)
        co_return false;
    if (!granted) {
        if (held_ == talk)
            held_.reset();
        Diagnostics::printLine(line(QStringLiteral("beginTalk mic DENIED")));
        co_return false;
    }
    if (held_ != talk)  // let go (or reset) before anything was recorded
        co_return false;

    talk->generation = ++talkGeneration_;
    talk->id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    utteranceID_ = talk->id;
    armLoudspeaker(QStringLiteral("ptt-down"));
    stopClip();

    talk->path = VoiceFiles::path(QStringLiteral("tovrin-tx-%1.m4a").arg(talk->id));
    auto recorder = std::make_unique<AudioRecorder>(talk->path);
    recorder->setMeteringEnabled(true);
    const bool prepared = recorder->prepareToRecord();
    if (!prepared || !recorder->record()) {
        held_.reset();
        startError_ = recorder->errorText();
        Diagnostics::printLine(prepared ? line(QStringLiteral("record() failed"))
                                        : line(QStringLiteral("recorder FAIL ") + recorder->errorText()));
        recorder.reset();
        QFile::remove(talk->path);
        co_return false;
    }
    // The limit counts from the first recorded sample.
    QObject::connect(recorder.get(), &AudioRecorder::firstSampleCaptured, this,
                     [this, generation = talk->generation] { firstSample(generation); });
    QObject::connect(recorder.get(), &AudioRecorder::inputFailed, this,
                     [this, generation = talk->generation](const QString& error) {
                         if (!held_ || held_->generation != generation)
                             return;
                         Diagnostics::printLine(line(QStringLiteral("mic FAIL after %1s: %2")
                                                         .arg(held_->recorder->currentTime(), 0, 'f', 2)
                                                         .arg(error)));
                         emit microphoneFailed(error);
                     });
    talk->recorder = std::move(recorder);
    inFlight_.push_back(talk);
    QCoro::connect(runTalk(talk), this, [] {});
    co_return true;
}

void TovrinVoicePipe::firstSample(quint64 generation)
{
    if (!held_ || held_->generation != generation)
        return;
    deadline_.start(autoEnd_);
    emit recordingStarted();
}

QCoro::Task<void> TovrinVoicePipe::endTalk(QString displayName)
{
    if (!held_)
        co_return;
    std::shared_ptr<Talk> talk = std::move(held_);
    held_.reset();
    deadline_.stop();
    if (!talk->recorder)  // still asking permission: beginTalk finds it let go
        co_return;
    talk->name = displayName.isEmpty() ? kDefaultDisplayName : displayName;
    stopRecording(*talk);
    talk->released.finish();
    QFuture<void> gone = talk->gone.future();
    co_await gone;
}

void TovrinVoicePipe::stopRecording(Talk& talk)
{
    AudioRecorder* recorder = talk.recorder.get();
    if (!recorder || recorder->isFinished() || !recorder->isRecording())
        return;
    recorder->updateMeters();
    talk.level = recorder->averagePower(0);
    recorder->stop();
}

QCoro::Task<void> TovrinVoicePipe::runTalk(std::shared_ptr<Talk> talk)
{
    const QPointer<TovrinVoicePipe> self(this);
    // The previous talk's frames and close go first.
    if (!co_await acquireLane() || !self)
        co_return;
    if (auto send = sendJSON; send && !talk->cancelled) {
        co_await send(openMessage(talk->id));
        if (!self)
            co_return;
    }
    if (!talk->cancelled)
        Diagnostics::printLine(
            line(QStringLiteral("TX start id=%1 build=%2").arg(talk->id.left(8), AppLegal::buildNumber())));
    QFuture<void> released = talk->released.future();
    co_await released;
    if (!self)
        co_return;
    if (!talk->cancelled) {
        co_await upload(talk);
        if (!self)
            co_return;
    }
    releaseLane();
    talk->recorder.reset();
    QFile::remove(talk->path);
    std::erase(inFlight_, talk);
    talk->gone.finish();
}

QCoro::Task<void> TovrinVoicePipe::upload(std::shared_ptr<Talk> talk)
{
    const QPointer<TovrinVoicePipe> self(this);
    co_await preciseSleep(kStopPause);
    AudioRecorder* recorder = talk->recorder.get();
    if (self && recorder && !recorder->isFinished())
        co_await qCoro(recorder, &AudioRecorder::finished, kFileCloseLimit);
    if (!self || talk->cancelled)
        co_return;

    const QByteArray file = readWhole(talk->path);
    const QString power = QString::asprintf("%.1f", double(talk->level));
    int sent = 0;
    const qsizetype uploadBytes = std::min(file.size(), kMaxUploadBytes);
    const bool good = file.size() > 200 && looksLikeM4A(file);
    if (!good) {
        Diagnostics::printLine(line(QStringLiteral("TX empty/bad m4a power=") + power));
    } else {
        Diagnostics::printLine(line(QStringLiteral("TX upload id=%1 bytes=%2 power=%3 build=%4")
                                        .arg(talk->id.left(8))
                                        .arg(uploadBytes)
                                        .arg(power, AppLegal::buildNumber())));
        for (const QByteArray& frame : uploadFrames(file)) {
            const auto send = sendBinary;
            const bool ok = send && co_await send(frame);
            if (!self)
                co_return;
            if (!ok) {
                Diagnostics::printLine(
                    line(QStringLiteral("TX chunk FAIL at %1").arg(qsizetype(sent) * kMaxFramePayload)));
                break;
            }
            ++sent;
        }
    }
    if (auto send = sendJSON) {
        co_await send(closeMessage(talk->id, talk->name));
        if (!self)
            co_return;
    }
    if (!good)
        co_return;
    Diagnostics::printLine(line(QStringLiteral("TX done chunks=%1 bytes=%2").arg(sent).arg(uploadBytes)));
    armLoudspeaker(QStringLiteral("ptt-up"));
}

QCoro::Task<bool> TovrinVoicePipe::acquireLane()
{
    if (!laneBusy_) {
        laneBusy_ = true;
        co_return true;
    }
    const QPointer<TovrinVoicePipe> self(this);
    auto turn = std::make_shared<QPromise<void>>();
    turn->start();
    QFuture<void> granted = turn->future();
    laneWaiters_.push_back(std::move(turn));
    co_await granted;
    // A pipe destroyed meanwhile ends the wait with nothing to send on.
    co_return bool(self);
}

void TovrinVoicePipe::releaseLane()
{
    if (laneWaiters_.empty()) {
        laneBusy_ = false;
        return;
    }
    std::shared_ptr<QPromise<void>> next = std::move(laneWaiters_.front());
    laneWaiters_.pop_front();
    next->finish();
}

void TovrinVoicePipe::cancelTalk()
{
    deadline_.stop();
    held_.reset();
    // A talk that is still recording, waiting or uploading sends nothing more;
    // each ends on its own and frees the lane in turn.
    for (const std::shared_ptr<Talk>& talk : std::exchange(inFlight_, {})) {
        talk->cancelled = true;
        if (talk->recorder)
            talk->recorder->stop();
        QFile::remove(talk->path);
        if (!talk->released.future().isFinished())
            talk->released.finish();
    }
}

void TovrinVoicePipe::reset()
{
    cancelTalk();
    stopClip();
    incoming_.clear();
}
