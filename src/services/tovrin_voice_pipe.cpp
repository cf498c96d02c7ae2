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
    co_await qCoro(&timer, &QTimer::timeout);
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

QString TovrinVoicePipe::cacheFile(const QString& name)
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(dir);
    return QDir(dir).filePath(name);
}

// One press: its id, file and recorder belong to it alone.
struct TovrinVoicePipe::Talk {
    QString id;
    QString path;
    std::unique_ptr<AudioRecorder> recorder;
    quint64 generation = 0;
    bool endRequested = false;  // released while still starting
    QString endName;
    bool cancelled = false;
};

TovrinVoicePipe::TovrinVoicePipe(QObject* parent) : QObject(parent)
{
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);
    clipSafety_.setSingleShot(true);
    QObject::connect(&deadline_, &QTimer::timeout, this, [this] {
        if (!talking_ || talking_->generation != talkGeneration_)
            return;
        Diagnostics::printLine(line(QStringLiteral("auto-end at %1s").arg(autoEnd_.count() / 1000)));
        QCoro::connect(endTalk(kDefaultDisplayName), this, [] {});
    });
}

TovrinVoicePipe::~TovrinVoicePipe() = default;

void TovrinVoicePipe::setTimingForTesting(std::chrono::milliseconds autoEnd, std::chrono::milliseconds stragglerStep)
{
    autoEnd_ = autoEnd;
    stragglerStep_ = stragglerStep;
}

void TovrinVoicePipe::armLoudspeaker(const QString& reason) { TovrinAudioSession::armLoudspeaker(reason); }

QCoro::Task<bool> TovrinVoicePipe::beginTalk()
{
    if (starting_ || talking_)
        co_return false;
    auto talk = std::make_shared<Talk>();
    starting_ = talk;
    const QPointer<TovrinVoicePipe> self(this);

    const bool granted = co_await MicPrivacy::ensurePermission();
    if (!self)
        co_return false;
    if (!granted || talk->cancelled) {
        if (starting_ == talk)
            starting_.reset();
        if (!granted)
            Diagnostics::printLine(line(QStringLiteral("beginTalk mic DENIED")));
        co_return false;
    }

    talk->generation = ++talkGeneration_;
    talk->id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    utteranceID_ = talk->id;
    armLoudspeaker(QStringLiteral("ptt-down"));
    stopClip();

    talk->path = cacheFile(QStringLiteral("tovrin-tx-%1.m4a").arg(talk->id));
    talk->recorder = std::make_unique<AudioRecorder>(talk->path);
    talk->recorder->setMeteringEnabled(true);
    if (!talk->recorder->prepareToRecord()) {
        starting_.reset();
        Diagnostics::printLine(line(QStringLiteral("recorder FAIL ") + talk->recorder->errorText()));
        dropTalkFile(*talk);
        co_return false;
    }
    if (!talk->recorder->record()) {
        starting_.reset();
        dropTalkFile(*talk);
        Diagnostics::printLine(line(QStringLiteral("record() failed")));
        co_return false;
    }

    // The previous talk's frames and close go first.
    if (!co_await acquireLane() || !self)
        co_return false;
    if (auto send = sendJSON; send && !talk->cancelled) {
        co_await send(openMessage(talk->id));
        if (!self)
            co_return false;
    }
    releaseLane();
    if (talk->cancelled)
        co_return false;

    starting_.reset();
    talking_ = talk;
    deadline_.start(autoEnd_);
    Diagnostics::printLine(line(QStringLiteral("TX start id=%1 build=%2").arg(talk->id.left(8), AppLegal::buildNumber())));
    // Let go while starting: end as soon as it has started.
    if (talk->endRequested)
        QCoro::connect(endTalk(talk->endName), this, [] {});
    co_return true;
}

QCoro::Task<void> TovrinVoicePipe::endTalk(QString displayName)
{
    if (!talking_) {
        if (starting_) {
            starting_->endRequested = true;
            starting_->endName = displayName;
        }
        co_return;
    }
    std::shared_ptr<Talk> talk = std::move(talking_);
    deadline_.stop();
    co_await finishTalk(std::move(talk), displayName.isEmpty() ? kDefaultDisplayName : displayName);
}

QCoro::Task<void> TovrinVoicePipe::finishTalk(std::shared_ptr<Talk> talk, QString name)
{
    const QPointer<TovrinVoicePipe> self(this);
    float level = AudioRecorder::kSilentPower;
    AudioRecorder* recorder = talk->recorder.get();
    if (recorder) {
        recorder->updateMeters();
        level = recorder->averagePower(0);
        recorder->stop();
    }
    finishing_.push_back(talk);
    // From here to its close this talk holds the send lane: the next talk's
    // "utterance_open" cannot slip in between its frames.
    if (!co_await acquireLane() || !self)
        co_return;
    co_await preciseSleep(kStopPause);
    if (self && recorder && !recorder->isFinished())
        co_await qCoro(recorder, &AudioRecorder::finished, kFileCloseLimit);
    if (!self)
        co_return;
    std::erase(finishing_, talk);
    talk->recorder.reset();

    if (talk->cancelled) {  // reset during the pause: no file is left to send
        co_await closeAndRelease(talk, name);
        co_return;
    }
    const QByteArray file = readWhole(talk->path);
    const QString power = QString::asprintf("%.1f", double(level));
    if (file.size() <= 200 || !looksLikeM4A(file)) {
        Diagnostics::printLine(line(QStringLiteral("TX empty/bad m4a power=") + power));
        co_await closeAndRelease(talk, name);
        if (self)
            dropTalkFile(*talk);
        co_return;
    }

    const std::vector<QByteArray> frames = uploadFrames(file);
    const qsizetype uploadBytes = std::min(file.size(), kMaxUploadBytes);
    Diagnostics::printLine(line(QStringLiteral("TX upload id=%1 bytes=%2 power=%3 build=%4")
                                    .arg(talk->id.left(8))
                                    .arg(uploadBytes)
                                    .arg(power, AppLegal::buildNumber())));
    int sent = 0;
    for (const QByteArray& frame : frames) {
        const auto send = sendBinary;
        const bool ok = send && co_await send(frame);
        if (!self)
            co_return;
        if (!ok) {
            Diagnostics::printLine(line(QStringLiteral("TX chunk FAIL at %1").arg(qsizetype(sent) * kMaxFramePayload)));
            break;
        }
        ++sent;
    }
    co_await closeAndRelease(talk, name);
    if (!self)
        co_return;
    Diagnostics::printLine(line(QStringLiteral("TX done chunks=%1 bytes=%2").arg(sent).arg(uploadBytes)));
    armLoudspeaker(QStringLiteral("ptt-up"));
    dropTalkFile(*talk);
}

QCoro::Task<void> TovrinVoicePipe::closeAndRelease(std::shared_ptr<Talk> talk, QString name)
{
    const QPointer<TovrinVoicePipe> self(this);
    if (auto send = sendJSON) {
        co_await send(closeMessage(talk->id, name));
        if (!self)
            co_return;
    }
    releaseLane();
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

void TovrinVoicePipe::dropTalkFile(Talk& talk)
{
    if (!talk.path.isEmpty())
        QFile::remove(talk.path);
}

void TovrinVoicePipe::cancelTalk()
{
    deadline_.stop();
    auto cancel = [this](const std::shared_ptr<Talk>& talk) {
        talk->cancelled = true;
        if (talk->recorder)
            talk->recorder->stop();
        dropTalkFile(*talk);
    };
    if (starting_)
        cancel(std::exchange(starting_, nullptr));
    if (talking_) {
        cancel(talking_);
        talking_->recorder.reset();
        talking_.reset();
    }
    for (const std::shared_ptr<Talk>& talk : finishing_)
        cancel(talk);
}

void TovrinVoicePipe::reset()
{
    cancelTalk();
    stopClip();
    incoming_.clear();
}
